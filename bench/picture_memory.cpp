// Memory while browsing pictures: the main window offscreen over the sample CD walks every demo's picture
// series to its end and back, then selects the next demo, for 1,000 steps, and prints the peak and the
// current resident size at 100, 500 and 1,000 steps. Bounded figures mean the small view and the
// first-picture cache do not grow with browsing.
#include "support/form_fixture.h"
#include "support/offscreen.h"
#include "support/temp_dir.h"

#include <QApplication>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <unistd.h>

namespace tavox {
namespace {

long PeakRssKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long CurrentRssKib() {
    std::ifstream statm("/proc/self/statm");
    long size_pages = 0;
    long resident_pages = 0;
    statm >> size_pages >> resident_pages;
    return resident_pages * (sysconf(_SC_PAGESIZE) / 1024);
}

struct StepCounts {
    int pictures = 0;
    int demos = 0;
};

// One step: a picture forward or back while the series allows, else the next demo.
void Step(TForm1& form, bool& forward, StepCounts& counts) {
    if (forward && form.RightSpot->isVisible()) {
        form.RightSpot2Click();
        ++counts.pictures;
        return;
    }
    forward = false;
    if (form.LeftSpot->isVisible()) {
        form.LeftSpot2Click();
        ++counts.pictures;
        return;
    }
    forward = true;
    ++counts.demos;
    const int count = form.catalogue.DemoCount;
    form.navigation.CurrentItem = form.navigation.CurrentItem % count + 1;
    form.PageSelect();
}

int Run() {
    test::FormFixture fixture;
    if (!fixture.Start()) {
        std::fprintf(stderr, "the menu did not start on the sample CD\n");
        return 1;
    }
    TForm1& form = fixture.Form();
    QApplication::processEvents();
    std::printf("after start-up: peak %ld KiB, current %ld KiB\n", PeakRssKib(), CurrentRssKib());
    bool forward = true;
    StepCounts counts;
    for (int step = 1; step <= 1000; ++step) {
        Step(form, forward, counts);
        QApplication::processEvents(); // the repaint each step asks for
        if (step == 100 || step == 500 || step == 1000) {
            std::printf("after %4d steps (%d pictures, %d demos): peak %ld KiB, current %ld KiB\n", step,
                        counts.pictures, counts.demos, PeakRssKib(), CurrentRssKib());
        }
    }
    return fixture.Messages().shown.empty() ? 0 : 1;
}

} // namespace
} // namespace tavox

int main(int argc, char** argv) {
    const tavox::test::TempDir runtime;
    tavox::test::UseOffscreenPlatform(runtime.Path());
    QApplication app(argc, argv);
    return tavox::Run();
}
