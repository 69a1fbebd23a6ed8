// The Install command over a real main window: Windows programs go to a runner that records them, the
// directory chooser is answered as a reader would answer it.
#include "app/form1.h"

#include "app/form3_directory_chooser.h"
#include "catalogue/settings_records.h"
#include "platform/machine.h"
#include "rar-writer/rar_writer.h"
#include "support/form_fixture.h"
#include "support/rar_fixtures.h"

#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace tavox {
namespace {

namespace rw = rar_writer;

class InstallFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.RecordWindowsPrograms();
        ASSERT_TRUE(fixture.Start());
        form().navigation.CurrentPage = PageKind::Demos;
        form().navigation.CurrentItem = 1;
    }

    TForm1& form() { return fixture.Form(); }
    FileSystem& files() { return fixture.Machine().Get().Files(); }
    TDemos& demo() { return form().catalogue.Demos[1]; }

    // The first demo as an item of the given recipe, not installed, whose CD directory is C:\CD.
    void MakeDemo(int install_type, std::string install_name) {
        demo() = TDemos{};
        demo().ListName = "HRA";
        demo().InstallDir = "C:\\CD";
        demo().InstallName = std::move(install_name);
        demo().Gamename = "GAME.EXE";
        demo().InstallType = install_type;
        demo().NotInstalled = 1;
        EXPECT_TRUE(files().CreateDirectory("C:\\CD"));
    }

    std::string Recorded(std::string_view key) {
        return fixture.Machine().Settings().ReadString(CdSection(form().catalogue.CdIssue), key, "<none>");
    }

    bool Started(std::string_view command) {
        const std::vector<std::string> started = fixture.StartedPrograms();
        return std::find(started.begin(), started.end(), command) != started.end();
    }

    // Answers the directory chooser with a directory, or cancels it when `dir` is empty.
    test::ModalScript<TForm3> Choose(std::string dir) {
        return test::ModalScript<TForm3>([dir](TForm3& chooser) {
            if (dir.empty()) {
                chooser.CancelButtonClick();
            } else {
                chooser.EditDir1->setText(QString::fromStdString(dir));
                chooser.OKButtonClick();
            }
        });
    }

    test::FormFixture fixture;
};

TEST_F(InstallFlowTest, BatchInstallRunsTheBatchAndRemovesItsFilesAfterwards) {
    MakeDemo(1, "INSTALL.EXE");
    form().InstallButtonClick();
    const std::string batch = form().folders.TempDir + "INSTALL.BAT";
    EXPECT_TRUE(Started(batch)) << batch;
    EXPECT_FALSE(files().FileExists(batch));
    EXPECT_FALSE(files().FileExists(form().folders.TempDir + "INSTALL.PIF"));
    EXPECT_EQ(form().navigation.FocusZone, FocusZone::Commands);
}

TEST_F(InstallFlowTest, ABatchThatCannotBeWrittenStopsTheInstall) {
    MakeDemo(1, "INSTALL.EXE");
    form().folders.TempDir = "C:\\NO\\SUCH\\DIR\\";
    form().InstallButtonClick();
    EXPECT_TRUE(fixture.StartedPrograms().empty());
    ASSERT_EQ(fixture.Messages().shown.size(), 1u);
    EXPECT_EQ(fixture.Messages().shown[0].text, "I/O error 3");
}

TEST_F(InstallFlowTest, ArchiveInstallUnpacksRecordsAndRunsTheSetup) {
    MakeDemo(2, "GAME.RAR");
    demo().SetupName = "SETUP.EXE";
    ASSERT_TRUE(rw::WriteArchive(
        fixture.Machine().Host("C:\\CD\\GAME.RAR"),
        {rw::Format::Rar4, {rw::File("GAME.EXE", "MZ game"), rw::File("SETUP.EXE", "MZ")}, {}, {}}));
    const auto chooser = Choose("C:\\GAMES\\X");
    form().InstallButtonClick();
    EXPECT_EQ(chooser.Runs(), 1);
    EXPECT_EQ(test::ReadFile(fixture.Machine().Host("C:\\GAMES\\X\\GAME.EXE")), "MZ game");
    EXPECT_EQ(Recorded("HRA"), "C:\\GAMES\\X");
    EXPECT_TRUE(Started("C:\\GAMES\\X\\SETUP.EXE"));
    // Detected afresh: installed, so Run is offered and carries the cursor.
    EXPECT_EQ(demo().NotInstalled, 0);
    EXPECT_EQ(form().navigation.CursorItem, CursorObject::Run);
}

TEST_F(InstallFlowTest, AnArchivePackedByRar15UnpacksToItsKnownBytes) {
    if (!test::HaveRarFixtures() || !test::FindProgram("unar")) {
        GTEST_SKIP() << "no real archives in ../shared, or no unar";
    }
    MakeDemo(2, "GAME.RAR");
    // What tells that the item is installed: a file from the archive.
    demo().Gamename = "TECT.TXT";
    std::filesystem::copy_file(test::RarFixture("rar15-sharpcompress.rar"),
                               fixture.Machine().Host("C:\\CD\\GAME.RAR"));
    const auto chooser = Choose("C:\\GAMES\\X");
    form().InstallButtonClick();
    EXPECT_EQ(chooser.Runs(), 1);
    for (const test::KnownFile& file : test::Rar15SharpcompressFiles()) {
        EXPECT_EQ(test::Md5Hex(test::ReadFile(fixture.Machine().Host("C:\\GAMES\\X") / file.path)), file.md5)
            << file.path;
    }
    EXPECT_EQ(Recorded("HRA"), "C:\\GAMES\\X");
    EXPECT_EQ(demo().NotInstalled, 0);
}

TEST_F(InstallFlowTest, CancellingTheChooserInstallsNothing) {
    MakeDemo(2, "GAME.RAR");
    demo().SetupName = "SETUP.EXE";
    const auto chooser = Choose("");
    form().InstallButtonClick();
    EXPECT_EQ(chooser.Runs(), 1);
    EXPECT_EQ(Recorded("HRA"), "<none>");
    EXPECT_TRUE(fixture.StartedPrograms().empty());
    EXPECT_EQ(demo().NotInstalled, 1);
}

TEST_F(InstallFlowTest, ASetupThatDoesNotWaitLeavesTheWatchRunningAndTheSelection) {
    MakeDemo(4, "SETUP.EXE");
    fixture.WriteWindowsProgram("C:\\CD\\SETUP.EXE");
    form().catalogue.Demos[3] = demo();
    form().navigation.CurrentItem = 3;
    form().InstallButtonClick();
    ASSERT_TRUE(test::WaitUntil([&] { return Started("C:\\CD\\SETUP.EXE"); }));
    EXPECT_TRUE(form().Timer1->isActive());
    EXPECT_EQ(form().navigation.CurrentItem, 3);
    EXPECT_EQ(form().navigation.WatchedItem, 3);
}

TEST_F(InstallFlowTest, TheGameIsSearchedForOnTheFixedDrives) {
    MakeDemo(5, "SETUP.EXE");
    fixture.WriteWindowsProgram("C:\\CD\\SETUP.EXE");
    demo().DirDetect = DirDetect::SearchFile;
    demo().InstallParam = "GAME.DAT,6,C:\\NOT\\THERE";
    // A CD-ROM drive is never searched, whatever it holds.
    const test::TempDir drive_e;
    const test::TempDir drive_f;
    ASSERT_TRUE(fixture.Machine().Get().MapDrive('E', drive_e.Path(), DriveType::CdRom));
    ASSERT_TRUE(fixture.Machine().Get().MapDrive('F', drive_f.Path(), DriveType::Fixed));
    fixture.Machine().Write("E:\\GAME.DAT", "123456");
    fixture.Machine().Write("F:\\HRY\\TADY\\GAME.DAT", "123456");
    fixture.Machine().Write("F:\\HRY\\TADY\\GAME.EXE", "MZ");
    form().InstallButtonClick();
    // The search records the directory with its backslash; the detection afterwards keeps it without.
    EXPECT_EQ(Recorded("HRA"), "F:\\HRY\\TADY");
    EXPECT_EQ(demo().InstalledDir, "F:\\HRY\\TADY");
    EXPECT_EQ(demo().NotInstalled, 0);
}

TEST_F(InstallFlowTest, TheSearchTakesTheUsualDirectoryFirst) {
    MakeDemo(5, "SETUP.EXE");
    fixture.WriteWindowsProgram("C:\\CD\\SETUP.EXE");
    demo().DirDetect = DirDetect::SearchFile;
    demo().InstallParam = "GAME.DAT;6;C:\\HRY\\OBVYKLE";
    fixture.Machine().Write("C:\\HRY\\OBVYKLE\\GAME.EXE", "MZ");
    fixture.Machine().Write("C:\\AAA\\GAME.DAT", "123456");
    form().InstallButtonClick();
    EXPECT_EQ(Recorded("HRA"), "C:\\HRY\\OBVYKLE");
}

TEST_F(InstallFlowTest, AnInstalledItemRunsItsSetupAndNothingElse) {
    MakeDemo(5, "SETUP.EXE");
    demo().NotInstalled = 0;
    demo().InstalledDir = "C:\\GAMES\\X";
    demo().SetupName = "CONFIG.EXE";
    fixture.WriteWindowsProgram("C:\\GAMES\\X\\CONFIG.EXE");
    form().InstallButtonClick();
    EXPECT_EQ(fixture.StartedPrograms(), (std::vector<std::string>{"C:\\GAMES\\X\\CONFIG.EXE"}));
    // Without a setup program the command names the directory, which does not start.
    demo().SetupName.clear();
    form().InstallButtonClick();
    EXPECT_EQ(fixture.StartedPrograms().size(), 1u);
    EXPECT_EQ(demo().InstalledDir, "C:\\GAMES\\X");
}

TEST_F(InstallFlowTest, TestModeShowsTheInstallerAndTheDirectoryFirst) {
    test::FormFixture test_mode;
    ASSERT_TRUE(test_mode.Start({"T", "D:\\TAVOX\\TAVOX95.EXE", 24, 1024}));
    test_mode.Form().navigation.CurrentPage = PageKind::Demos;
    TDemos& item = test_mode.Form().catalogue.Demos[1];
    item.NotInstalled = 1;
    item.InstallType = InstallType::RunsFromCd;
    item.InstallDir = "D:\\DEMOS\\HRA";
    item.InstallName = "SETUP.EXE";
    item.InstalledDir = "C:\\HRY";
    test_mode.Form().InstallButtonClick();
    ASSERT_FALSE(test_mode.Messages().shown.empty());
    EXPECT_EQ(test_mode.Messages().shown[0].text, "D:\\DEMOS\\HRA\\SETUP.EXE C:\\HRY");
}

TEST_F(InstallFlowTest, ACopiedUpdateRunsNextToTheGameAndIsRemovedAfterwards) {
    form().folders.CdDrive = "C:";
    fixture.WriteWindowsProgram("C:\\Updates\\PATCH\\PATCH.EXE");
    ASSERT_TRUE(files().SetAttributes("C:\\Updates\\PATCH\\PATCH.EXE", FileAttribute::ReadOnly));
    fixture.Machine().Write("C:\\GAMES\\X\\GAME.EXE", "MZ");
    form().navigation.CurrentPage = PageKind::Updates;
    form().catalogue.Updates[1] = TUpdate{"Patch", "1.1", "PATCH\\PATCH.EXE", "", 1};
    const auto chooser = Choose("C:\\GAMES\\X");
    form().InstallButtonClick();
    EXPECT_TRUE(Started("C:\\GAMES\\X\\PATCH.EXE"));
    EXPECT_FALSE(files().FileExists("C:\\GAMES\\X\\PATCH.EXE"));
    EXPECT_TRUE(files().FileExists("C:\\Updates\\PATCH\\PATCH.EXE"));
}

TEST_F(InstallFlowTest, TheMenuReturnsToTheInstalledItemAfterThePageChanged) {
    // A setup that waits until the test, acting as the reader, has switched to another page.
    const std::filesystem::path marker = fixture.Machine().Root() / "page-changed";
    MakeDemo(5, "SETUP.EXE");
    test::WriteScript(fixture.Machine().Host("C:\\CD\\SETUP.EXE"),
                      "#!/bin/sh\nwhile [ ! -e '" + marker.string() + "' ]; do sleep 0.02; done\n");
    form().catalogue.Demos[2] = demo();
    form().navigation.CurrentItem = 2;
    QTimer::singleShot(0, &form(), [&] {
        form().MainButtonClick(2);
        test::WriteFile(marker, "");
    });
    form().InstallButtonClick();
    EXPECT_EQ(form().navigation.CurrentPage, PageKind::Demos);
    EXPECT_EQ(form().navigation.CurrentItem, 2);
    EXPECT_EQ(form().Row(2)->Caption(), "HRA");
    EXPECT_EQ(form().navigation.FocusZone, FocusZone::Commands);
}

} // namespace
} // namespace tavox
