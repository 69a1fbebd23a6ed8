#pragma once

#include "app/form1.h"
#include "installer/launcher.h"
#include "media/sound_output.h"
#include "support/test_machine.h"

#include <QApplication>
#include <QString>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavox::test {

// Message boxes that are recorded and answered without a screen.
class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        MessageKind kind;
        QString caption;
        QString text;
    };
    void Show(MessageKind kind, const QString& caption, const QString& text) override {
        shown.push_back({kind, caption, text});
    }
    bool Ask(const QString& caption, const QString& text) override {
        shown.push_back({MessageKind::Plain, caption, text});
        if (!answers.empty()) {
            const bool next = answers.front();
            answers.pop_front();
            return next;
        }
        return answer;
    }
    std::vector<Shown> shown;
    std::deque<bool> answers; // answered first, in order
    bool answer = true;       // then every further question
};

// Processes events until the condition holds; false when it did not within 30 s.
bool WaitUntil(const std::function<bool()>& condition);

// Runs a script once on the next modal dialog of type T, as soon as it is shown, from inside the dialog's
// own event loop, as a user would act on it. A dialog that the script leaves open is failed and cancelled,
// so that a broken test ends.
template <typename T> class ModalScript {
public:
    explicit ModalScript(std::function<void(T&)> script) : script_(std::move(script)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) {
                return;
            }
            poll_.stop();
            ++runs_;
            script_(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the script left the dialog open";
                dialog->reject();
            }
        });
        poll_.start(5);
    }
    int Runs() const { return runs_; }

private:
    std::function<void(T&)> script_;
    QTimer poll_;
    int runs_ = 0;
};

// A main window over a temporary machine with the sample CD in drive D:, started as the CD's start
// program starts it. The settings file may be prepared before Start().
class FormFixture {
public:
    FormFixture();
    // The same with another directory as the CD in drive D: (a copy that a test may take away).
    explicit FormFixture(const std::filesystem::path& cd_dir);
    ~FormFixture();

    TestMachine& Machine() { return machine_; }
    TForm1& Form() { return *form_; }
    RecordingMessageBoxes& Messages() { return messages_; }
    RecordingSoundOutput& Sound() { return sound_; }

    // Creates the window, runs its creation and first activation, and shows it.
    bool Start(StartupOptions options = {"A", "D:\\TAVOX\\TAVOX95.EXE", 24, 1024});

    // Hands Windows programs to a runner that only records their command lines, in place of Wine. Call
    // before Start(). Host programs (the sample CD's stand-ins) still run as they are.
    void RecordWindowsPrograms();
    // The same, and each recorded program then runs until ReleasePrograms() is called.
    void HoldWindowsPrograms();
    void ReleasePrograms();
    // Writes a Windows program (an MZ header and nothing else) at a Windows path, for the recording runner.
    void WriteWindowsProgram(std::string_view windows_path);
    // The command lines the runner recorded so far, as the runner received them, in the order they began.
    std::vector<std::string> StartedPrograms() const;

private:
    void MakeLauncher(std::string runner);
    void MakeRecordingLauncher(const std::string& after_recording);

    TestMachine machine_;
    RecordingMessageBoxes messages_;
    RecordingSoundOutput sound_;
    std::unique_ptr<Launcher> launcher_;
    std::unique_ptr<TForm1> form_;
    std::filesystem::path started_log_;
};

} // namespace tavox::test
