// An installer that the menu waits for dies by SIGKILL: the wait ends, the menu goes on with detection, the
// item stays not installed, nothing claims success and the dead process is not left as a zombie.
#include "app/form1.h"

#include "catalogue/settings_records.h"
#include "support/form_fixture.h"
#include "support/temp_dir.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include <sys/types.h>

namespace tavox {
namespace {

class KilledInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.Start());
        form().navigation.CurrentPage = PageKind::Demos;
        form().navigation.CurrentItem = 2;
        // A demo whose setup the menu waits for, with the record of an earlier install that is gone: only a
        // detection after the wait removes it.
        TDemos& demo = form().catalogue.Demos[2];
        demo = TDemos{};
        demo.ListName = "HRA";
        demo.InstallDir = "C:\\CD";
        demo.InstallName = "SETUP.EXE";
        demo.Gamename = "GAME.EXE";
        demo.Picture = "NUL";
        demo.InstallType = InstallType::SetupWithUninstaller;
        demo.NotInstalled = 1;
        demo.InstalledDir = "C:\\GAMES\\HRA";
        ProfileFile settings = fixture.Machine().Settings();
        WriteInstalledRecord(settings, form().catalogue.CdIssue, demo);
        demo.InstalledDir.clear();
    }

    TForm1& form() { return fixture.Form(); }

    // Runs the Install command with a setup that records its process id and then runs `rest` of its script.
    void InstallWith(const std::string& rest) {
        test::WriteScript(fixture.Machine().Host("C:\\CD\\SETUP.EXE"),
                          "#!/bin/sh\necho $$ > '" + pid_file.string() + "'\n" + rest + "\n");
        form().InstallButtonClick();
    }

    pid_t InstallerPid() const {
        const std::string text = test::ReadFile(pid_file);
        return text.empty() ? 0 : static_cast<pid_t>(std::stol(text));
    }

    void ExpectTheMenuWentOnWithTheItemNotInstalled() {
        const TDemos& demo = form().catalogue.Demos[2];
        EXPECT_EQ(demo.NotInstalled, 1);
        EXPECT_EQ(demo.Runnable, 0);
        EXPECT_EQ(
            fixture.Machine().Settings().ReadString(CdSection(form().catalogue.CdIssue), "HRA", "<none>"),
            "<none>");
        EXPECT_EQ(form().navigation.CurrentItem, 2);
        EXPECT_EQ(form().navigation.FocusZone, FocusZone::Commands);
        EXPECT_TRUE(form().InstallButton->isVisible());
        for (const auto& shown : fixture.Messages().shown) {
            ADD_FAILURE() << "reported: " << shown.text.toStdString();
        }
        // Reaped: a zombie would still have its entry.
        ASSERT_NE(InstallerPid(), 0);
        EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(InstallerPid())));
    }

    test::FormFixture fixture;
    test::TempDir dir;
    const std::filesystem::path pid_file = dir / "setup.pid";
};

TEST_F(KilledInstallerTest, ASetupThatKillsItselfEndsTheWaitAndDetectionFindsNothing) {
    InstallWith("kill -KILL $$");
    ExpectTheMenuWentOnWithTheItemNotInstalled();
}

TEST_F(KilledInstallerTest, ASetupKilledWhileTheMenuWaitsEndsTheWaitAndDetectionFindsNothing) {
    // Killed from the menu's own event loop, which the wait keeps serving.
    bool killed = false;
    QTimer killer;
    QObject::connect(&killer, &QTimer::timeout, [&] {
        if (!killed && InstallerPid() != 0) {
            killed = ::kill(InstallerPid(), SIGKILL) == 0;
        }
    });
    killer.start(5);
    InstallWith("exec sleep 600");
    EXPECT_TRUE(killed);
    ExpectTheMenuWentOnWithTheItemNotInstalled();
}

} // namespace
} // namespace tavox
