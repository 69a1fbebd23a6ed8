#pragma once

#include "app/form1.h"
#include "installer/launcher.h"
#include "platform/sound_output.h"
#include "support/test_machine.h"

#include <QString>

#include <deque>
#include <memory>
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

// A main window over a temporary machine with the sample CD in drive D:, started as the CD's start
// program starts it. The settings file may be prepared before Start().
class FormFixture {
public:
    FormFixture();
    ~FormFixture();

    TestMachine& Machine() { return machine_; }
    TForm1& Form() { return *form_; }
    RecordingMessageBoxes& Messages() { return messages_; }
    RecordingSoundOutput& Sound() { return sound_; }

    // Creates the window, runs its creation and first activation, and shows it.
    bool Start(StartupOptions options = {"A", "D:\\TAVOX\\TAVOX95.EXE", 24, 1024});

private:
    TestMachine machine_;
    RecordingMessageBoxes messages_;
    RecordingSoundOutput sound_;
    std::unique_ptr<Launcher> launcher_;
    std::unique_ptr<TForm1> form_;
};

} // namespace tavox::test
