// The Uninstall command over the sample CD: the stand-in installers put each item on the machine, the menu
// takes it off again through its uninstaller or its own question, then cleans up after the catalogue's list.
#include "support/form_fixture.h"

#include "base/ascii.h"
#include "base/code_page.h"
#include "catalogue/text_helpers.h"
#include "installer/launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;

// The sample CD's stand-in uninstallers act as if Cancel was pressed while this file exists.
constexpr std::string_view kCancelMarker = "C:\\WINDOWS\\CANCELUN.FLG";
constexpr std::string_view kSettingsSection = "CD1298";

class UninstallFlowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fixture.Start()); }

    TForm1& form() { return fixture.Form(); }
    test::RecordingMessageBoxes& messages() { return fixture.Messages(); }
    Registry& Reg() { return fixture.Machine().Get().Reg(); }
    bool Exists(std::string_view windows_path) {
        return fs::exists(fs::symlink_status(fixture.Machine().Host(windows_path)));
    }

    // The number of the demo or readers' item listed as `utf8` (the CD is in code page 1250; short demo names
    // are listed in capitals).
    static int Find(const auto& items, int count, std::string_view utf8) {
        for (int i = 1; i <= count; ++i) {
            const std::string listed = ToUtf8(items[i].ListName, CodePage::Windows1250);
            if (listed == utf8 || listed == UpperCaseAscii(utf8)) {
                return i;
            }
        }
        ADD_FAILURE() << "no item " << utf8;
        return 0;
    }
    int Demo(std::string_view utf8) { return Find(form().catalogue.Demos, form().catalogue.DemoCount, utf8); }

    // Runs the item's stand-in installer and lets the menu find the result, as the install flow would.
    void Install(TDemos& item) {
        ASSERT_TRUE(form().services.launcher.WaitExec(item.InstallDir + "\\" + item.InstallName, 1));
        CheckDemo(form().Detection(), item);
        ASSERT_EQ(item.Removable, 1) << item.ListName;
    }
    // Shows the item on its page with the cursor on its Uninstall command, as a reader reaches it.
    void Select(std::uint8_t page, int item) {
        for (int n = 1; n <= form().catalogue.PageCount; ++n) {
            if (form().catalogue.Pages[n].Kind == page && form().navigation.CurrentPage != page) {
                form().MainButtonClick(n);
            }
        }
        ASSERT_EQ(form().navigation.CurrentPage, page);
        form().navigation.CurrentItem = item;
        form().navigation.FirstVisible = std::max(1, item - 14);
        form().FillList();
        form().PageSelect();
        form().navigation.FocusZone = FocusZone::Commands;
        ASSERT_TRUE(form().ShowCursor(CursorObject::Uninstall));
        form().ShowListBorder(item - form().navigation.FirstVisible + 1);
    }
    QString Text(std::string_view utf8) {
        return QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
    }
    void ExpectUninstalled(const TDemos& item) {
        EXPECT_EQ(item.NotInstalled, 1);
        EXPECT_EQ(item.Runnable, 0);
        EXPECT_EQ(item.Removable, 0);
    }

    FormFixture fixture;
};

TEST_F(UninstallFlowTest, AnUnpackedDemoGoesOnYesAndStaysOnNo) {
    const int index = Demo("Hradby");
    TDemos& demo = form().catalogue.Demos[index];
    fixture.Machine().Write("C:\\GAMES\\Hradby\\HRADBY.EXE", "MZ");
    fixture.Machine().Write("C:\\GAMES\\Hradby\\DATA\\MAPA.DAT", "map");
    fixture.Machine().Write("C:\\GAMES\\Hradby\\MsCreate.Dir", "");
    ASSERT_TRUE(form().Settings->WriteString(kSettingsSection, demo.ListName, "C:\\GAMES\\Hradby"));
    CheckDemo(form().Detection(), demo);
    ASSERT_TRUE(form().services.machine.Files().SetAttributes("C:\\GAMES\\Hradby\\DATA\\MAPA.DAT",
                                                              FileAttribute::ReadOnly));
    Select(PageKind::Demos, index);

    messages().answers = {false};
    form().UnButtonClick();
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].text, Text("Přejete si odstranit všechny soubory z C:\\GAMES\\HRADBY ?"));
    EXPECT_TRUE(Exists("C:\\GAMES\\Hradby\\DATA\\MAPA.DAT"));
    EXPECT_EQ(demo.Removable, 1);
    EXPECT_TRUE(form().UnButton->isVisible());

    messages().answers = {true};
    form().UnButtonClick();
    EXPECT_EQ(messages().shown.size(), 2u) << "a read-only file goes without an error";
    EXPECT_FALSE(Exists("C:\\GAMES")) << "the emptied parent goes too";
    ExpectUninstalled(demo);
    EXPECT_FALSE(form().UnButton->isVisible());
    EXPECT_FALSE(form().RunButton->isVisible());
    EXPECT_TRUE(form().InstallButton->isVisible());
    EXPECT_EQ(form().navigation.FocusZone, FocusZone::Commands);
    EXPECT_EQ(form().navigation.CursorItem, CursorObject::Install)
        << "the Uninstall command is gone: the cursor is on Install";
    EXPECT_EQ(form().navigation.ListBorderShown, 0) << "the border left with the uninstall";
}

TEST_F(UninstallFlowTest, AnExclamationMarkHasTheMenuDeleteInsteadOfTheUninstaller) {
    const int index = Demo("Bublinkov");
    TDemos& demo = form().catalogue.Demos[index];
    Install(demo);
    const std::string script = demo.Uninstall;
    ASSERT_TRUE(script.starts_with('!'));
    ASSERT_TRUE(Exists("C:\\WINDOWS\\Desktop\\Bublinkov.lnk"));
    ASSERT_TRUE(Exists("C:\\WINDOWS\\Start Menu\\Programs\\Mydlo Soft\\Bublinkov.lnk"));
    Select(PageKind::Demos, index);

    form().UnButtonClick();
    ASSERT_EQ(messages().shown.size(), 1u) << "the question, since the uninstaller is not started";
    EXPECT_EQ(messages().shown[0].text,
              Text("Přejete si odstranit všechny soubory z C:\\PROGRAM FILES\\BUBLINKOV ?"));
    EXPECT_FALSE(Exists("C:\\Program Files\\Bublinkov"));
    EXPECT_TRUE(demo.UnInstallName.empty());
    EXPECT_EQ(demo.Uninstall, script);
    ExpectUninstalled(demo);

    const RegistryRoot hklm = RegistryRoot::LocalMachine;
    const RegistryRoot hkcu = RegistryRoot::CurrentUser;
    EXPECT_FALSE(Reg().KeyExists(hklm, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Bublinkov"));
    EXPECT_FALSE(Reg().KeyExists(hklm, "Software\\Mydlo Soft")) << "emptied by D, then removed by E";
    EXPECT_FALSE(Reg().ReadString(hkcu, "Software\\Mydlo Soft\\Bublinkov", "LastPlayer"));
    EXPECT_TRUE(Reg().ReadString(hkcu, "Software\\Mydlo Soft\\Bublinkov", "Path"));
    EXPECT_TRUE(Reg().KeyExists(hkcu, "Software\\Mydlo Soft")) << "E keeps a key with subkeys";
    EXPECT_FALSE(Exists("C:\\WINDOWS\\Desktop\\Bublinkov.lnk"));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\Start Menu\\Programs\\Mydlo Soft"));
    EXPECT_TRUE(Exists("C:\\WINDOWS\\Desktop"));
}

TEST_F(UninstallFlowTest, ACancelledUninstallerLeavesEverythingAndALaterOneCleansUp) {
    const int index = Demo("Vortex Rally");
    TDemos& demo = form().catalogue.Demos[index];
    Install(demo);
    const std::vector<std::string_view> left_behind = {"C:\\VORTEX.CFG",
                                                       "C:\\WINDOWS\\VORTEX.INI",
                                                       "C:\\WINDOWS\\VORTEXC.INI",
                                                       "C:\\WINDOWS\\VORTEXL.INI",
                                                       "C:\\WINDOWS\\VORTEX.GRP",
                                                       "C:\\WINDOWS\\SYSTEM\\VORTEX.DLL",
                                                       "C:\\WINDOWS\\Desktop\\Vortex.lnk",
                                                       "C:\\WINDOWS\\Start Menu\\Programs\\Vortex",
                                                       "C:\\HRY\\VORTEX\\SAVES\\SLOT1.SAV",
                                                       "C:\\HRY\\VORTEX\\VORTEX.SAV"};
    for (const std::string_view path : left_behind) {
        ASSERT_TRUE(Exists(path)) << path;
    }
    Select(PageKind::Demos, index);

    fixture.Machine().Write(kCancelMarker, "");
    form().UnButtonClick();
    EXPECT_TRUE(Exists("C:\\HRY\\VORTEX\\VORTEXS.EXE"));
    EXPECT_EQ(demo.Removable, 1);
    EXPECT_TRUE(Exists("C:\\VORTEX.CFG")) << "the list waits until the game is gone";

    fs::remove(fixture.Machine().Host(kCancelMarker));
    form().UnButtonClick();
    EXPECT_TRUE(messages().shown.empty()) << "an uninstaller of its own: no question, no failure";
    ExpectUninstalled(demo);
    for (const std::string_view path : left_behind) {
        EXPECT_FALSE(Exists(path)) << path;
    }
    EXPECT_FALSE(Exists("C:\\HRY"));
    const std::string grpconv = "Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\";
    EXPECT_FALSE(Reg().ReadString(RegistryRoot::CurrentUser, grpconv + "MapGroups", "Vortex Rally"));
    EXPECT_TRUE(Reg().ValueNames(RegistryRoot::CurrentUser, grpconv + "Groups").empty());
}

TEST_F(UninstallFlowTest, AReadersItemIsRemovedByItsUninstaller) {
    const int index = Find(form().catalogue.Readers, form().catalogue.ReaderCount, "Hadí souboj");
    TDemos& reader = form().catalogue.Readers[index];
    Install(reader);
    Select(PageKind::Readers, index);
    form().UnButtonClick();
    EXPECT_FALSE(Exists("C:\\HRY\\HADI"));
    ExpectUninstalled(reader);
    EXPECT_TRUE(form().InstallButton->isVisible());
    EXPECT_EQ(form().navigation.CursorItem, CursorObject::Install);
}

TEST_F(UninstallFlowTest, TheInstalledPageIsBuiltAfreshAndTheDemosDetectedAgain) {
    const int index = Demo("Vortex Rally");
    TDemos& demo = form().catalogue.Demos[index];
    Install(demo);
    // An item of an older issue, unpacked by the menu of that time.
    fixture.Machine().Write("C:\\OLD\\STARA.EXE", "MZ");
    ASSERT_TRUE(form().Settings->WriteString("CD1198", "Stara hra", "C:\\OLD"));
    ASSERT_TRUE(form().Settings->WriteString("CD1198", "Stara hra_", "STARA.EXE,,DG"));
    Select(PageKind::Installed, 1);
    ASSERT_EQ(form().catalogue.InstalledCount, 2);
    const int vortex = form().catalogue.Installed[1].ListName == demo.ListName ? 1 : 2;
    Select(PageKind::Installed, vortex);

    form().UnButtonClick();
    ASSERT_EQ(form().catalogue.InstalledCount, 1);
    EXPECT_EQ(form().catalogue.Installed[1].ListName, "Stara hra");
    EXPECT_FALSE(form().Settings->ValueExists(kSettingsSection, demo.ListName));
    ExpectUninstalled(demo);
    EXPECT_FALSE(Exists("C:\\VORTEX.CFG")) << "the entry's own list ran";
    EXPECT_EQ(form().navigation.CursorItem, CursorObject::Uninstall) << "the next entry's Uninstall command";
    EXPECT_EQ(form().navigation.ListBorderShown, 1);

    messages().answers = {false};
    form().UnButtonClick();
    EXPECT_TRUE(Exists("C:\\OLD\\STARA.EXE"));
    EXPECT_EQ(form().catalogue.InstalledCount, 1);
    messages().answers = {true};
    form().UnButtonClick();
    EXPECT_FALSE(Exists("C:\\OLD"));
    EXPECT_EQ(form().catalogue.InstalledCount, 0);
    EXPECT_FALSE(form().Settings->ValueExists("CD1198", "Stara hra"));
}

TEST_F(UninstallFlowTest, ASelfUninstallingSetupTakesItsStartMenuFolderAlong) {
    const int index = Demo("Kouzelný les");
    TDemos& demo = form().catalogue.Demos[index];
    Install(demo);
    fixture.Machine().Write("C:\\WINDOWS\\Start Menu\\Programs\\Sierra\\Les.lnk", "lnk");
    Select(PageKind::Demos, index);
    form().UnButtonClick();
    EXPECT_FALSE(Exists("C:\\HORAL"));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\Start Menu\\Programs\\Sierra"));
    ExpectUninstalled(demo);
}

TEST_F(UninstallFlowTest, AnItemThatRunsFromTheCdLosesWhatItsSetupWrote) {
    const int index = Demo("Kanonáda");
    TDemos& demo = form().catalogue.Demos[index];
    Install(demo);
    ASSERT_TRUE(Exists("C:\\WINDOWS\\KANONADA.INI"));
    Select(PageKind::Demos, index);
    form().UnButtonClick();
    EXPECT_FALSE(Exists("C:\\WINDOWS\\KANONADA.INI"));
    EXPECT_TRUE(demo.InstalledDir.empty());
    ExpectUninstalled(demo);
    EXPECT_TRUE(Exists("D:\\DEMOS\\KANONADA\\KANONADA.EXE")) << "nothing of the CD is touched";
}

TEST_F(UninstallFlowTest, RemovingDogzDetectsTheFirstAndThirdDemoAgain) {
    TDemos& dogz = form().catalogue.Demos[2];
    dogz.ListName = "DOGZ II";
    fixture.Machine().Write("C:\\DOGZ\\" + ProgramPart(dogz.Gamename), "MZ");
    ASSERT_TRUE(form().Settings->WriteString(kSettingsSection, "DOGZ II", "C:\\DOGZ"));
    CheckDemo(form().Detection(), dogz);
    // The third demo arrived since it was last detected.
    const TDemos& third = form().catalogue.Demos[3];
    fixture.Machine().Write("C:\\THIRD\\" + ProgramPart(third.Gamename), "MZ");
    ASSERT_TRUE(form().Settings->WriteString(kSettingsSection, third.ListName, "C:\\THIRD"));
    ASSERT_EQ(third.NotInstalled, 1);
    Select(PageKind::Demos, 2);

    form().UnButtonClick();
    ExpectUninstalled(dogz);
    EXPECT_EQ(third.NotInstalled, 0);
}

TEST_F(UninstallFlowTest, AFileThatCannotBeDeletedIsToldInTheLanguageOfTheMenu) {
    const fs::path tree = fixture.Machine().Host("C:\\GAMES\\X");
    test::WriteFile(tree / "B|C.TXT", "unreachable");
    form().RemoveTree("C:\\GAMES\\X");
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].kind, MessageKind::Error);
    EXPECT_EQ(messages().shown[0].text, Text("Nemohu vymazat soubor C:\\GAMES\\X\\B|C.TXT!"));

    form().preferences.Language = 2; // its text has no place for the path
    form().RemoveTree("C:\\GAMES\\X");
    ASSERT_EQ(messages().shown.size(), 2u);
    EXPECT_EQ(messages().shown[1].text, Text("Dosya silinemiyor: C:\\GAMES\\X\\B|C.TXT!"));
}

} // namespace
} // namespace tavox
