#include "support/form_fixture.h"

#include "catalogue/path_helpers.h"

#include <QApplication>

namespace tavox::test {

FormFixture::FormFixture() {
    tavox::Machine& m = machine_.Get();
    m.MapDrive('D', TAVOX_SAMPLE_CD, DriveType::CdRom);
    ProcessConfig config;
    config.runner = std::string();       // no Windows runner: nothing of the CD's is run by accident
    config.opener = std::string("true"); // documents open nowhere
    // The reader chose the edition's language on an earlier start, so no dialog is forced.
    machine_.Settings().WriteInteger("Main", "Language2", 1);
    launcher_ = std::make_unique<Launcher>(
        m, config, [&m](std::string_view command) { return CommandDir(m.Files(), command); });
}

FormFixture::~FormFixture() = default;

bool FormFixture::Start(StartupOptions options) {
    form_ = std::make_unique<TForm1>(FormServices{machine_.Get(), *launcher_, sound_, messages_},
                                     std::move(options));
    if (!form_->FormCreate()) {
        return false;
    }
    // The first activation runs queued after the window is shown; wait for it.
    form_->show();
    for (int i = 0; i < 1000 && form_->catalogue.CdIssue.empty(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return !form_->catalogue.CdIssue.empty();
}

} // namespace tavox::test
