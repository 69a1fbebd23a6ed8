#include "support/form_fixture.h"

#include "catalogue/path_helpers.h"

#include <QApplication>
#include <QEventLoop>

#include <chrono>

namespace tavox::test {

bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

FormFixture::FormFixture() : FormFixture(TAVOX_SAMPLE_CD) {}

FormFixture::FormFixture(const std::filesystem::path& cd_dir) {
    tavox::Machine& m = machine_.Get();
    Require(m.MapDrive('D', cd_dir, DriveType::CdRom));
    // The reader chose the edition's language on an earlier start, so no dialog is forced.
    Require(machine_.Settings().WriteInteger("Main", "Language2", 1));
    MakeLauncher(std::string()); // no Windows runner: nothing of the CD's is run by accident
}

void FormFixture::MakeLauncher(std::string runner) {
    tavox::Machine& m = machine_.Get();
    ProcessConfig config;
    config.runner = std::move(runner);
    config.opener = std::string("true"); // documents open nowhere
    launcher_ = std::make_unique<Launcher>(
        m, std::move(config), [&m](std::string_view command) { return CommandDir(m.Files(), command); });
}

void FormFixture::RecordWindowsPrograms() {
    MakeRecordingLauncher("");
}

void FormFixture::HoldWindowsPrograms() {
    const std::string release = (machine_.Root() / "release").string();
    MakeRecordingLauncher("while [ ! -e '" + release + "' ]; do sleep 0.01; done\n");
}

void FormFixture::ReleasePrograms() {
    WriteFile(machine_.Root() / "release", "");
}

void FormFixture::MakeRecordingLauncher(const std::string& after_recording) {
    started_log_ = machine_.Root() / "started.log";
    const std::filesystem::path runner = machine_.Root() / "recording-runner";
    WriteScript(runner,
                "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + started_log_.string() + "'\n" + after_recording);
    MakeLauncher("'" + runner.string() + "'");
}

void FormFixture::WriteWindowsProgram(std::string_view windows_path) {
    machine_.Write(windows_path, "MZ");
}

std::vector<std::string> FormFixture::StartedPrograms() const {
    std::vector<std::string> lines;
    const std::string log = ReadFile(started_log_);
    for (std::size_t start = 0, end = 0; (end = log.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(log.substr(start, end - start));
    }
    return lines;
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
