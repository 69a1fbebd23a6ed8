// The main window while it waits for a program it started: what the reader sees and what a click does.
#include "support/form_fixture.h"

#include "installer/launcher.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace tavox {
namespace {

class LaunchWaitTest : public testing::Test {
protected:
    void SetUp() override {
        fixture_.HoldWindowsPrograms();
        ASSERT_TRUE(fixture_.Start());
        fixture_.WriteWindowsProgram("C:\\GAMES\\SETUP.EXE");
    }

    TForm1& Form() { return fixture_.Form(); }

    // Waits for a program of the form's, running the action once while the program runs, then ending it.
    bool WaitWith(const std::function<void()>& during) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (fixture_.StartedPrograms().empty()) {
                return;
            }
            poll.stop();
            during();
            fixture_.ReleasePrograms();
        });
        poll.start(5);
        return Form().services.launcher.WaitExec("C:\\GAMES\\SETUP.EXE", 1).done;
    }

    static std::optional<Qt::CursorShape> OverrideShape() {
        const QCursor* cursor = QApplication::overrideCursor();
        return cursor ? std::optional(cursor->shape()) : std::nullopt;
    }

    test::FormFixture fixture_;
};

TEST_F(LaunchWaitTest, TheHourglassStandsOverTheMenuForTheWholeWait) {
    std::optional<Qt::CursorShape> during;
    EXPECT_TRUE(WaitWith([&] { during = OverrideShape(); }));
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(OverrideShape(), std::nullopt);
}

TEST_F(LaunchWaitTest, ExitDuringAWaitClosesTheMenuOnlyAfterTheProgramEnded) {
    const std::size_t sounds_before = fixture_.Sound().Played().size();
    bool visible_after_exit = false;
    std::size_t sounds_after_exit = 0;
    EXPECT_TRUE(WaitWith([&] {
        Form().ExitLabel->events.click();
        QApplication::processEvents();
        visible_after_exit = Form().isVisible();
        sounds_after_exit = fixture_.Sound().Played().size();
    }));
    EXPECT_TRUE(visible_after_exit);
    EXPECT_EQ(sounds_after_exit, sounds_before) << "no goodbye while the program runs";
    EXPECT_TRUE(Form().isVisible()) << "the flow that waited goes on with its window";
    EXPECT_TRUE(test::WaitUntil([&] { return !Form().isVisible(); }));
    EXPECT_EQ(fixture_.Sound().Played().size(), sounds_before + 1);
}

} // namespace
} // namespace tavox
