// The Run command and the version choice, over a main window whose Windows programs are only recorded.
#include "installer/ui/version_dialog.h"

#include "support/form_fixture.h"

#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tavox {
namespace {

using Started = std::vector<std::string>;
using test::ModalScript;

// The version choice's buttons, left to right.
std::vector<QPushButton*> Buttons(const QDialog& dialog) {
    std::vector<QPushButton*> buttons;
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        buttons.push_back(button);
    }
    std::sort(buttons.begin(), buttons.end(),
              [](const QPushButton* a, const QPushButton* b) { return a->x() < b->x(); });
    return buttons;
}

QStringList Captions(const QDialog& dialog) {
    QStringList captions;
    for (const QPushButton* button : Buttons(dialog)) {
        captions.push_back(button->text());
    }
    return captions;
}

class RunFlowTest : public testing::Test {
protected:
    void SetUp() override {
        fixture_.RecordWindowsPrograms();
        ASSERT_TRUE(fixture_.Start());
        // The sample CD's programs are host stand-ins that would run unrecorded; this CD's are recorded.
        const std::filesystem::path cd = fixture_.Machine().Root() / "run-cd";
        std::filesystem::create_directories(cd);
        ASSERT_TRUE(fixture_.Machine().Get().MapDrive('E', cd, DriveType::CdRom));
        Form().folders.CdDrive = "E:";
        Form().preferences.Language = 0;
    }

    TForm1& Form() { return fixture_.Form(); }

    void Run(std::uint8_t page, int item) {
        Form().navigation.CurrentPage = page;
        Form().navigation.CurrentItem = item;
        Form().RunButtonClick();
    }

    // Runs, waits until the runner recorded one more program, and returns what it recorded last.
    std::string RunAndWait(std::uint8_t page, int item) {
        const std::size_t before = fixture_.StartedPrograms().size();
        Run(page, item);
        EXPECT_TRUE(test::WaitUntil([&] { return fixture_.StartedPrograms().size() > before; }));
        const Started started = fixture_.StartedPrograms();
        return started.empty() ? std::string() : started.back();
    }

    // An installed item with its program on drive C:.
    TDemos Installed(const std::string& dir, const std::string& gamename, const std::string& program) {
        fixture_.WriteWindowsProgram(dir + "\\" + program);
        TDemos record;
        record.InstalledDir = dir;
        record.Gamename = gamename;
        record.Runnable = 1;
        return record;
    }

    // Runs `record` from the demos page and answers the version choice with `script`.
    void RunDemoChoosing(const TDemos& record, std::function<void(QDialog&)> script) {
        Form().catalogue.Demos[1] = record;
        const ModalScript<QDialog> watch(std::move(script));
        Run(PageKind::Demos, 1);
        EXPECT_EQ(watch.Runs(), 1);
    }

    // Proves that nothing was started: a known program is started last and must be the only one seen.
    void ExpectOnlyTheControlStarts() {
        Form().catalogue.Demos[2] = Installed("C:\\Control", "CONTROL.EXE", "CONTROL.EXE");
        EXPECT_EQ(RunAndWait(PageKind::Demos, 2), "C:\\Control\\CONTROL.EXE");
        EXPECT_EQ(fixture_.StartedPrograms(), Started{"C:\\Control\\CONTROL.EXE"});
    }

    test::FormFixture fixture_;
};

TEST_F(RunFlowTest, ItemsOnTheCdStartFromTheirDirectories) {
    for (const char* program : {"E:\\Shareware\\HVEZDAR.EXE", "E:\\Updates\\ZUBR\\ZUBR11.EXE",
                                "E:\\Movies\\UBIK\\ubik.exe", "E:\\VYRNISTE12\\0run.bat"}) {
        fixture_.WriteWindowsProgram(program);
    }
    CatalogueState& catalogue = Form().catalogue;
    catalogue.Shares[2].InstallName = "HVEZDAR.EXE";
    catalogue.Updates[1].SetupFile = "ZUBR\\ZUBR11.EXE";
    catalogue.DiskmagIssue = 12;

    // Pages without a program start nothing.
    Run(PageKind::Hotshots, 1);
    Run(PageKind::Custom, 1);
    EXPECT_EQ(RunAndWait(PageKind::Shareware, 2), "E:\\Shareware\\HVEZDAR.EXE");
    EXPECT_EQ(RunAndWait(PageKind::Updates, 1), "E:\\Updates\\ZUBR\\ZUBR11.EXE");
    // One player for every film.
    EXPECT_EQ(RunAndWait(PageKind::Films, 1), "E:\\Movies\\UBIK\\ubik.exe");
    EXPECT_EQ(RunAndWait(PageKind::Films, 2), "E:\\Movies\\UBIK\\ubik.exe");
    EXPECT_EQ(RunAndWait(PageKind::Vyrniste, 1), "E:\\VYRNISTE12\\0run.bat");
    EXPECT_EQ(fixture_.StartedPrograms().size(), 5U);
}

TEST_F(RunFlowTest, InstalledItemsRunWhereTheyWereFoundWhateverTheIssue) {
    CatalogueState& catalogue = Form().catalogue;
    catalogue.Demos[3] = Installed("C:\\Games\\Lunar", "LUNAR.EXE", "LUNAR.EXE");
    catalogue.Readers[2] = Installed("D:\\Readers\\HADI", "HADI.EXE", "HADI.EXE");
    catalogue.Installed[4] = Installed("C:\\Old\\Mlok", "BIN\\MLOK.EXE", "BIN\\MLOK.EXE");
    for (const char* issue : {"0398", "0298", "1298", "0199"}) {
        catalogue.CdIssue = issue;
        EXPECT_EQ(RunAndWait(PageKind::Demos, 3), "C:\\Games\\Lunar\\LUNAR.EXE") << issue;
        EXPECT_EQ(RunAndWait(PageKind::Readers, 2), "D:\\Readers\\HADI\\HADI.EXE") << issue;
        EXPECT_EQ(RunAndWait(PageKind::Installed, 4), "C:\\Old\\Mlok\\BIN\\MLOK.EXE") << issue;
    }
}

TEST_F(RunFlowTest, EachVersionButtonStartsItsOwnFile) {
    const std::string dir = "C:\\Games\\Gravity";
    for (const char* program : {"G95.EXE", "GNT.EXE"}) {
        fixture_.WriteWindowsProgram(dir + "\\" + program);
    }
    const TDemos record =
        Installed(dir, "G95.EXE:Windows 95;GNT.EXE:Windows NT;BIN\\G3D.EXE:3Dfx", "BIN\\G3D.EXE");
    std::size_t runs = 0;
    for (const std::size_t pressed : {1U, 0U, 2U}) {
        RunDemoChoosing(record, [pressed](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("TAVOX CD"));
            EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("Message"))->text(),
                      QStringLiteral("Which version of game do you want to run?"));
            EXPECT_EQ(Captions(dialog), (QStringList{"Windows 95", "Windows NT", "3Dfx"}));
            Buttons(dialog)[pressed]->click();
        });
        ++runs;
        EXPECT_TRUE(test::WaitUntil([&] { return fixture_.StartedPrograms().size() == runs; }));
    }
    EXPECT_EQ(fixture_.StartedPrograms(),
              (Started{dir + "\\GNT.EXE", dir + "\\G95.EXE", dir + "\\BIN\\G3D.EXE"}));
}

TEST_F(RunFlowTest, NothingStartsWhenTheChoiceIsClosedOrTheItemIsNotRunnable) {
    TDemos listed = Installed("C:\\Games\\Gravity", "G95.EXE:Windows 95;GNT.EXE:Windows NT", "G95.EXE");
    // Escape has no button to press; the close box ends the choice.
    RunDemoChoosing(listed, [](QDialog& dialog) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &escape);
        EXPECT_TRUE(dialog.isVisible());
        dialog.close();
    });
    for (const int type : {12, 13, -1}) {
        TDemos plain = Installed("C:\\Games\\Plain", "PLAIN.EXE", "PLAIN.EXE");
        plain.InstallType = type;
        Form().catalogue.Demos[1] = plain;
        Run(PageKind::Demos, 1);
        // Not even the choice is offered.
        listed.InstallType = type;
        Form().catalogue.Demos[1] = listed;
        const ModalScript<QDialog> offered([](QDialog& dialog) {
            ADD_FAILURE() << "the choice was offered";
            dialog.close();
        });
        Run(PageKind::Demos, 1);
    }
    ExpectOnlyTheControlStarts();
}

TEST_F(RunFlowTest, AltWithEitherEnterKeyRunsNothing) {
    Form().catalogue.Demos[1] = Installed("C:\\Games\\Lunar", "LUNAR.EXE", "LUNAR.EXE");
    Form().navigation.CurrentPage = PageKind::Demos;
    Form().navigation.CurrentItem = 1;
    Form().navigation.FocusZone = FocusZone::Commands;
    Form().navigation.CursorItem = CursorObject::Run;
    const auto press = [this](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(&Form(), &event);
    };
    press(Qt::Key_Return, Qt::AltModifier);
    press(Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
    // Without Alt the keypad's Enter runs the framed command.
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(test::WaitUntil([&] { return !fixture_.StartedPrograms().empty(); }));
    Form().catalogue.Demos[2] = Installed("C:\\Control", "CONTROL.EXE", "CONTROL.EXE");
    EXPECT_EQ(RunAndWait(PageKind::Demos, 2), "C:\\Control\\CONTROL.EXE");
    EXPECT_EQ(fixture_.StartedPrograms(),
              (Started{"C:\\Games\\Lunar\\LUNAR.EXE", "C:\\Control\\CONTROL.EXE"}));
}

TEST(VersionDialog, ButtonsInListOrderUnderAQuestionWrappedToHalfTheScreen) {
    const QString question = QStringLiteral("Which version of game do you want to run? ").repeated(12);
    const QStringList labels{"Software", "3Dfx", "Direct3D"};
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    for (int pressed = 0; pressed < labels.size(); ++pressed) {
        const ModalScript<QDialog> watch([&](QDialog& dialog) {
            const std::vector<QPushButton*> buttons = Buttons(dialog);
            EXPECT_EQ(Captions(dialog), labels);
            const int right_margin = dialog.width() - buttons.back()->geometry().right() - 1;
            EXPECT_LE(std::abs(buttons.front()->x() - right_margin), 1);
            EXPECT_EQ(buttons[1]->y(), buttons[0]->y());
            const QLabel* message = dialog.findChild<QLabel*>(QStringLiteral("Message"));
            EXPECT_LE(message->width(), screen.width() / 2);
            EXPECT_GT(message->height(), 2 * message->fontMetrics().height());
            EXPECT_GT(buttons[0]->y(), message->geometry().bottom());
            EXPECT_LE((dialog.frameGeometry().center() - screen.center()).manhattanLength(), 2);
            buttons[static_cast<std::size_t>(pressed)]->click();
        });
        EXPECT_EQ(ChooseVersion(question, labels), kFirstVersionResult + pressed);
        EXPECT_EQ(watch.Runs(), 1);
    }
}

} // namespace
} // namespace tavox
