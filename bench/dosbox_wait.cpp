// The menu's processor time while it waits for a DOS program in DOSBox (WAIT.COM, five seconds of work),
// against the same wait for a host program that sleeps as long: the wait itself should cost next to nothing
// (the goal: under 1 % of a core), whatever runs. Prints both and their ratio.
// Usage: dosbox_wait WAIT.COM [RUNS]
#include "app/qt_event_pump.h"
#include "installer/launcher.h"
#include "launch/engines.h"
#include "platform/machine.h"
#include "support/temp_dir.h"

#include <QCoreApplication>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::chrono::duration<double> CpuTime() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

struct Wait {
    double wall_s = 0;
    double cpu_percent = 0; // of one core, over the wait
};

Wait Measure(tavox::Launcher& launcher, const std::string& command) {
    const auto wall_start = std::chrono::steady_clock::now();
    const auto cpu_start = CpuTime();
    if (!launcher.WaitExec(command, 1)) {
        std::fprintf(stderr, "dosbox_wait: %s did not start\n", command.c_str());
        std::exit(1);
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall_start;
    return {wall.count(), 100.0 * (CpuTime() - cpu_start).count() / wall.count()};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 2 || !tavox::FindDosbox()) {
        std::fputs("usage: dosbox_wait WAIT.COM [RUNS] (DOSBox must be installed)\n", stderr);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    const tavox::test::TempDir dir;
    const fs::path root = dir / "machine";
    if (tavox::CreateMachineLayout(root)) {
        return 1;
    }
    fs::copy_file(argv[1], root / "drive_c" / "WAIT.COM");
    tavox::test::WriteScript(root / "drive_c" / "SLEEP.EXE", "#!/bin/sh\nexec sleep 5\n");
    const tavox::Machine machine(root);
    tavox::Launcher launcher(machine, {}, [](std::string_view) { return std::string("C:\\"); });
    tavox::QtEventPump pump; // the menu's own wait
    launcher.SetEventPump(&pump);

    std::vector<double> dos_cpu, host_cpu, dos_wall;
    for (int run = 0; run < runs; ++run) {
        const Wait dos = Measure(launcher, "C:\\WAIT.COM");
        const Wait host = Measure(launcher, "C:\\SLEEP.EXE");
        dos_cpu.push_back(dos.cpu_percent);
        dos_wall.push_back(dos.wall_s);
        host_cpu.push_back(host.cpu_percent);
    }
    const double dos = Median(dos_cpu);
    const double host = Median(host_cpu);
    std::printf("waiting for DOSBox (%.1f s): the menu uses %.3f %% of a core; for a sleeping host program: "
                "%.3f %%; ratio %.2f (goal: under 1 %%)\n",
                Median(dos_wall), dos, host, host > 0 ? dos / host : 0.0);
    return 0;
}
