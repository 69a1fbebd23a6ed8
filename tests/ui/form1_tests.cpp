// The main window over the sample CD: its components by name, the pages, the list and the keyboard.
#include "support/form_fixture.h"

#include "app/entry_rule.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include <functional>
#include <string>

namespace tavox {
namespace {

using test::FormFixture;

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fixture.Start()); }

    TForm1& form() { return fixture.Form(); }
    template <typename T = QWidget> T* Find(const char* name) {
        return form().findChild<T*>(QString::fromLatin1(name));
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&form(), &press);
    }
    QString RowText(int r) { return form().Row(r)->DisplayText(); }
    QRgb Pixel(int x, int y) { return form().PaintBox1->Surface().pixel(x, y); }

    FormFixture fixture;
};

TEST_F(Form1Test, EveryComponentStandsWhereTheFormPutsIt) {
    struct Case {
        const char* name;
        QRect bounds;
    };
    const Case cases[] = {
        {"Demoslabel1", {22, 68, 0, 0}},      {"DemosLabel15", {22, 316, 0, 0}},
        {"MainButton1", {507, 81, 133, 22}},  {"mainButton2", {507, 104, 133, 21}},
        {"MainButton9", {506, 265, 133, 22}}, {"Image1", {255, 84, 200, 150}},
        {"Image2", {172, 73, 17, 251}},       {"TextLabel", {223, 367, 238, 101}},
        {"UpSpot2", {173, 59, 16, 13}},       {"CDNumberLabel", {568, 24, 51, 13}},
        {"SetupLabel", {7, 454, 69, 13}},
    };
    for (const Case& c : cases) {
        const QWidget* widget = Find(c.name);
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_EQ(widget->pos(), c.bounds.topLeft()) << c.name;
        if (c.bounds.width() > 0) {
            EXPECT_EQ(widget->size(), c.bounds.size()) << c.name;
        }
    }
    for (const char* hidden : {"MetaImage", "TempImage", "LeftSpot2", "RightSpot2", "UpSpot2", "DownSpot2"}) {
        EXPECT_FALSE(Find(hidden)->isVisible()) << hidden;
    }
    // Later components lie on top: the lit arrow over the plain one.
    const QObjectList& children = form().children();
    EXPECT_GT(children.indexOf(Find("UpSpot2")), children.indexOf(Find("UpSpot")));
}

TEST_F(Form1Test, StartUpShowsTheIssueAndTheDemosPage) {
    EXPECT_EQ(form().windowTitle(), QStringLiteral("TAVOX CD 12-98"));
    EXPECT_EQ(form().CDNumberLabel->DisplayText(), QStringLiteral("12-98"));
    EXPECT_EQ(form().navigation.CurrentPage, PageKind::Demos);
    EXPECT_EQ(form().navigation.ActiveButton, 1);
    EXPECT_EQ(form().navigation.FocusZone, FocusZone::List);
    EXPECT_EQ(RowText(1),
              QString::fromStdString(ToUtf8(form().catalogue.Demos[1].ListName, CodePage::Windows1250)));
    EXPECT_EQ(RowText(form().catalogue.DemoCount + 1), QString());
    EXPECT_EQ(form().SectionLabel(1)->DisplayText(), QStringLiteral("Dema"));
    EXPECT_TRUE(fixture.Messages().shown.empty());
}

// What the caption of section n shows on the screen, its label drawn over the lit rectangle: "white",
// "black", or "mixed" when its box holds both or neither.
std::string CaptionColour(TForm1& form, int n) {
    const QImage screen = form.grab().toImage();
    const QRect box = form.SectionLabel(n)->geometry();
    int white = 0;
    int black = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            const QColor c = screen.pixelColor(x, y);
            white += c.red() > 0xE0 && c.green() > 0xE0 && c.blue() > 0xE0;
            black += c.red() < 0x30 && c.green() < 0x30 && c.blue() < 0x30;
        }
    }
    return white > 0 && black == 0 ? "white" : black > 0 && white == 0 ? "black" : "mixed";
}

TEST_F(Form1Test, TheActiveSectionsCaptionIsBlackOnlyWhileThePointerOrTheKeyboardIsOnIt) {
    struct Step {
        const char* situation;
        std::function<void()> act;
        int section;
        const char* caption;
    };
    const Step steps[] = {
        {"after start-up", [] {}, 1, "white"},
        {"after a key step in the list", [this] { Key(Qt::Key_Down); }, 1, "white"},
        {"pointer on the active button", [this] { form().MainButtonMouseMove(1); }, 1, "black"},
        {"pointer on the background", [this] { form().BackgroundImageMouseMove(); }, 1, "white"},
        {"section changed by a click",
         [this] {
             form().MainButtonMouseMove(2);
             form().MainButtonClick(2);
         },
         2, "black"},
        {"pointer on the background after the click", [this] { form().BackgroundImageMouseMove(); }, 2,
         "white"},
        {"keyboard in the section column",
         [this] {
             form().MainButtonClick(1);
             form().BackgroundImageMouseMove();
             Key(Qt::Key_Right);
             Key(Qt::Key_Right);
             Key(Qt::Key_Down);
         },
         2, "black"},
        {"keyboard back in the list", [this] { Key(Qt::Key_Right); }, 2, "white"},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(CaptionColour(form(), step.section), step.caption) << step.situation;
    }
}

TEST_F(Form1Test, TheCzechPageBarCarriesEveryPageOfTheIssue) {
    std::vector<int> kinds;
    for (int n = 1; n <= form().catalogue.PageCount; ++n) {
        kinds.push_back(form().catalogue.Pages[n].Kind);
    }
    EXPECT_EQ(kinds, (std::vector<int>{1, 7, 3, 4, 5, 6, 2, 10, 9}));
    EXPECT_TRUE(form().SectionButton(9)->isVisible());
}

TEST_F(Form1Test, ArrowsMoveTheSelectionAndScrollTheList) {
    const int count = form().catalogue.DemoCount;
    ASSERT_GE(count, 3);
    Key(Qt::Key_Down);
    EXPECT_EQ(form().navigation.CurrentItem, 2);
    Key(Qt::Key_End);
    EXPECT_EQ(form().navigation.CurrentItem, count);
    EXPECT_EQ(form().navigation.FirstVisible, std::max(1, count - 14));
    Key(Qt::Key_Down);
    EXPECT_EQ(form().navigation.CurrentItem, count) << "nothing below the last item";
    Key(Qt::Key_Home);
    EXPECT_EQ(form().navigation.CurrentItem, 1);
    Key(Qt::Key_Up);
    EXPECT_EQ(form().navigation.CurrentItem, 1);
}

TEST_F(Form1Test, TheFocusCyclesThroughListCommandsAndPageBar) {
    Key(Qt::Key_Right);
    EXPECT_EQ(form().navigation.FocusZone, FocusZone::Commands);
    EXPECT_GE(form().navigation.CursorItem, CursorObject::Run);
    Key(Qt::Key_Right);
    EXPECT_EQ(form().navigation.FocusZone, FocusZone::PageBar);
    Key(Qt::Key_Down);
    EXPECT_EQ(form().navigation.ActiveButton, 2);
    EXPECT_EQ(form().navigation.CurrentPage, PageKind::Hotshots);
    Key(Qt::Key_Right);
    EXPECT_EQ(form().navigation.FocusZone, FocusZone::List);
    EXPECT_EQ(form().navigation.HoverButton, 0);
}

TEST_F(Form1Test, TheSelectedRowCarriesTheCursorFrame) {
    const QRect row = form().Row(1)->geometry();
    EXPECT_EQ(form().navigation.ListBorderShown, 1);
    // The list border runs one pixel around the row's frame rectangle.
    EXPECT_EQ(Pixel(row.left() - 2, row.top() + 3), qRgb(0xC0, 0xC0, 0xC0));
    Key(Qt::Key_Down);
    const QRect second = form().Row(2)->geometry();
    EXPECT_EQ(Pixel(second.left() - 2, second.top() + 3), qRgb(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(Pixel(row.left() - 2, row.top() + 3),
              form().BackgroundImage->Image().pixel(row.left() - 2, row.top() + 3))
        << "the old frame was erased from the background";
}

TEST_F(Form1Test, EveryPageOpensFromThePageBar) {
    for (int n = 1; n <= form().catalogue.PageCount; ++n) {
        form().MainButtonClick(n);
        EXPECT_EQ(form().navigation.CurrentPage, form().catalogue.Pages[n].Kind) << n;
        EXPECT_EQ(form().navigation.ActiveButton, n);
    }
    form().MainButtonClick(1);
    EXPECT_EQ(form().navigation.CurrentPage, PageKind::Demos);
}

TEST_F(Form1Test, TheInstalledPageListsWhatTheSettingsRecord) {
    fixture.Machine().Write("C:\\GAMES\\OLD\\OLD.EXE", "MZ");
    ProfileFile settings = fixture.Machine().Settings();
    EXPECT_TRUE(settings.WriteString("CD0199", "Old game", "C:\\GAMES\\OLD"));
    EXPECT_TRUE(settings.WriteString("CD0199", "Old game_", "OLD.EXE,OldGame,"));
    EXPECT_TRUE(settings.WriteString("CD0199", "Gone game", "C:\\GAMES\\GONE"));
    EXPECT_TRUE(settings.WriteString("CD0199", "Gone game_", "GONE.EXE,,"));
    EXPECT_TRUE(settings.WriteString("CD1197", "Too old", "C:\\GAMES\\OLD"));
    EXPECT_TRUE(settings.WriteString("CD1197", "Too old_", "OLD.EXE,,"));
    form().SetInstalledPage();
    EXPECT_EQ(form().catalogue.InstalledCount, 1);
    EXPECT_EQ(form().catalogue.Installed[1].ListName, "Old game");
    EXPECT_EQ(form().catalogue.Installed[1].Techinfo, "TAVOX CD 01/99");
    EXPECT_EQ(form().catalogue.Installed[1].InstallType, InstallType::ArchiveToChosenDir);
    EXPECT_FALSE(settings.ValueExists("CD0199", "Gone game")) << "a stale record is forgotten";
    EXPECT_TRUE(settings.ValueExists("CD1197", "Too old")) << "issues before 1998 are left alone";
}

TEST_F(Form1Test, ATwentyItemListScrollsByKeysAndArrows) {
    CatalogueState& catalogue = form().catalogue;
    for (int i = 1; i <= 20; ++i) {
        catalogue.Demos[i] = TDemos{};
        catalogue.Demos[i].ListName = "Item " + std::to_string(i);
        catalogue.Demos[i].Picture = "NUL";
    }
    catalogue.DemoCount = 20;
    form().SetDemosPage();
    const auto at = [this] {
        return std::pair{form().navigation.CurrentItem, form().navigation.FirstVisible};
    };
    for (int i = 1; i <= 15; ++i) {
        Key(Qt::Key_Down);
    }
    EXPECT_EQ(at(), std::pair(16, 2));
    EXPECT_EQ(RowText(15), QStringLiteral("Item 16"));
    Key(Qt::Key_End);
    EXPECT_EQ(at(), std::pair(20, 6));
    EXPECT_EQ(RowText(1), QStringLiteral("Item 6"));
    for (int i = 1; i <= 14; ++i) {
        Key(Qt::Key_Up);
    }
    EXPECT_EQ(at(), std::pair(6, 6));
    Key(Qt::Key_Up);
    EXPECT_EQ(at(), std::pair(5, 5)) << "up from the top row scrolls back one row";
    Key(Qt::Key_Home);
    EXPECT_EQ(at(), std::pair(1, 1));

    // The lit arrows beside the track step the same way.
    for (int i = 1; i <= 16; ++i) {
        form().DownSpot2->events.mouse_down(Qt::LeftButton, 0, 0);
    }
    EXPECT_EQ(at(), std::pair(17, 3));
    form().UpSpot2->events.mouse_down(Qt::LeftButton, 0, 0);
    form().UpSpot2->events.mouse_down(Qt::LeftButton, 0, 0);
    form().UpSpot2->events.mouse_down(Qt::LeftButton, 0, 0);
    EXPECT_EQ(at(), std::pair(14, 3));
}

// The first demo of the page, as a test makes it, shown in the panel.
class DemoPanelTest : public Form1Test {
protected:
    TDemos& Demo() { return form().catalogue.Demos[1]; }
    void Show(int language = 0) {
        Demo().Picture = "NUL";
        form().preferences.Language = language;
        form().navigation.CurrentPage = PageKind::Demos;
        form().navigation.CurrentItem = 1;
        form().navigation.FirstVisible = 1;
        form().SetDemos();
    }
};

TEST_F(DemoPanelTest, DownAmongOnlyRunAndUninstallWrapsRound) {
    Demo() = TDemos{};
    Demo().Runnable = 1;
    Demo().Removable = 1;
    Show();
    ASSERT_TRUE(form().RunButton->isVisible());
    ASSERT_FALSE(form().InstallButton->isVisible());
    ASSERT_FALSE(form().ReadmeButton->isVisible());
    form().navigation.FocusZone = FocusZone::Commands;
    form().ShowCursor(CursorObject::Run);
    Key(Qt::Key_Down);
    EXPECT_EQ(form().navigation.CursorItem, CursorObject::Uninstall);
    Key(Qt::Key_Down);
    EXPECT_EQ(form().navigation.CursorItem, CursorObject::Run);
}

TEST_F(DemoPanelTest, TheBadgesFollowTheFlags) {
    struct Case {
        int flags;
        const char* hardware; // nullptr: no hardware badge
        bool net, czech;
    };
    for (const Case& c : {Case{11, "3Dfx", true, false}, Case{12, "Direct3D", true, false},
                          Case{3, nullptr, false, true}, Case{0, nullptr, false, false}}) {
        Demo().Flags = c.flags;
        Show(1);
        EXPECT_EQ(form().Label3D->isVisible(), c.hardware != nullptr) << c.flags;
        if (c.hardware != nullptr) {
            EXPECT_EQ(form().Label3D->Caption(), c.hardware) << c.flags;
        }
        EXPECT_EQ(form().LabelNet->isVisible(), c.net) << c.flags;
        EXPECT_EQ(form().LabelCZ->isVisible(), c.czech) << c.flags;
        if (c.czech) {
            EXPECT_EQ(form().LabelCZ->Caption(), "\xC8"
                                                 "esky");
        }
    }
}

TEST_F(DemoPanelTest, TheInstallCommandIsCaptionedInTheInterfaceLanguage) {
    struct Case {
        int language;
        const char* install;
        const char* setup;
    };
    for (const Case& c :
         {Case{0, "Install", "Setup"}, Case{1, "Instaluj", "Nastav"}, Case{2, "Kur", "Kur"}}) {
        Demo().NotInstalled = 1;
        Demo().SetupName = "SETUP.EXE";
        Show(c.language);
        EXPECT_EQ(form().InstallButton->Caption(), c.install) << c.language;
        Demo().NotInstalled = 0;
        Show(c.language);
        EXPECT_EQ(form().InstallButton->Caption(), c.setup) << c.language;
        EXPECT_TRUE(form().InstallButton->isVisible());
        Demo().SetupName.clear();
        Show(c.language);
        EXPECT_FALSE(form().InstallButton->isVisible()) << "an installed demo without a setup program";
    }
}

TEST_F(Form1Test, AnUpdateWithoutASetupFileOffersNoInstall) {
    TUpdate& update = form().catalogue.Updates[1];
    update = TUpdate{};
    update.Name = "Patch";
    update.VersionText = "1.1";
    update.ReadmeFile = "README.TXT";
    form().navigation.CurrentPage = PageKind::Updates;
    form().navigation.CurrentItem = 1;
    form().SetUpdates();
    EXPECT_FALSE(form().InstallButton->isVisible());
    EXPECT_TRUE(form().ReadmeButton->isVisible());
    EXPECT_EQ(form().UpdatesVersionLabel->Caption(), "Patch 1.1");
}

TEST_F(Form1Test, TheDiskMagazineOfLate1997IsNumberedByTheMonth) {
    struct Case {
        const char* issue;
        int number;
    };
    const int catalogues = form().Catalogue->ReadInteger("Main", "Vyrniste", 0);
    for (const Case& c : {Case{"1197", 33}, Case{"1297", 34}, Case{"1298", catalogues}}) {
        form().catalogue.CdIssue = c.issue;
        form().SetVyrnistePage();
        EXPECT_EQ(form().catalogue.DiskmagIssue, c.number) << c.issue;
        EXPECT_EQ(form().Row(1)->Caption(), "Vyrniste " + std::to_string(c.number)) << c.issue;
        EXPECT_EQ(form().TechLabel->Caption(), "VYRNISTE " + std::to_string(c.number) + "!!!") << c.issue;
    }
    // Another month of 1997 keeps the number the page had.
    form().catalogue.CdIssue = "0597";
    form().SetVyrnistePage();
    EXPECT_EQ(form().catalogue.DiskmagIssue, catalogues);
}

TEST_F(Form1Test, TheInstalledPageListsTheSameNameOfTwoIssuesAndGrowsFromThreeToTen) {
    ProfileFile settings = fixture.Machine().Settings();
    const auto record = [&](const std::string& section, const std::string& name) {
        fixture.Machine().Write("C:\\GAMES\\" + name + "\\GO.EXE", "MZ");
        EXPECT_TRUE(settings.WriteString(section, name, "C:\\GAMES\\" + name));
        EXPECT_TRUE(settings.WriteString(section, name + "_", "GO.EXE,,"));
    };
    record("CD0398", "Twice");
    record("CD0199", "Twice");
    record("CD0199", "Alone");
    form().SetInstalledPage();
    ASSERT_EQ(form().catalogue.InstalledCount, 3);
    EXPECT_EQ(RowText(1), QStringLiteral("Alone"));
    EXPECT_EQ(RowText(2), QStringLiteral("Twice"));
    EXPECT_EQ(RowText(3), QStringLiteral("Twice"));
    // Equal names go by their sections' names.
    EXPECT_EQ(form().catalogue.Installed[2].Techinfo, "TAVOX CD 01/99");
    EXPECT_EQ(form().catalogue.Installed[3].Techinfo, "TAVOX CD 03/98");

    for (int i = 1; i <= 7; ++i) {
        record("CD1298", "More " + std::to_string(i));
    }
    form().SetInstalledPage();
    EXPECT_EQ(form().catalogue.InstalledCount, 10);
    EXPECT_EQ(RowText(10), QStringLiteral("Twice"));
    EXPECT_EQ(RowText(11), QString());
    EXPECT_TRUE(form().catalogue.Installed[11].ListName.empty());
}

TEST(Form1StartUp, At256ColoursTheLowColourMessageComesOnTheFirstStartOnly) {
    FormFixture fixture;
    const StartupOptions eight_bits{"A", "D:\\TAVOX\\TAVOX95.EXE", 8, 1024};
    ASSERT_TRUE(fixture.Start(eight_bits));
    ASSERT_EQ(fixture.Messages().shown.size(), 1U);
    EXPECT_EQ(fixture.Messages().shown[0].kind, MessageKind::Information);
    EXPECT_EQ(fixture.Messages().shown[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(fixture.Machine().Settings().ReadInteger("Main", "LowColorWarning", 0), 1);
    ASSERT_TRUE(fixture.Start(eight_bits));
    EXPECT_EQ(fixture.Messages().shown.size(), 1U) << "no message on a later start";
}

// The user's profile on a Czech Windows: "Jiří" in code page 1250, the edition's.
TEST(Form1StartUp, TheUserFoldersKeepTheLettersOfTheEditionsCodePage) {
    FormFixture fixture;
    Registry& registry = fixture.Machine().Get().Reg();
    const std::string profile = "C:\\users\\Ji\u0159\u00ed"; // UTF-8, as the registry files hold it
    const std::string shell_folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    ASSERT_TRUE(registry.WriteString(RegistryRoot::CurrentUser, shell_folders, "Programs",
                                     profile + "\\Start Menu\\Programs"));
    ASSERT_TRUE(
        registry.WriteString(RegistryRoot::CurrentUser, shell_folders, "Desktop", profile + "\\Desktop"));
    ASSERT_TRUE(registry.WriteString(RegistryRoot::CurrentUser, "Environment", "TMP", profile + "\\Temp"));
    std::filesystem::create_directories(fixture.Machine().Host("C:\\") / "users" / "Ji\u0159\u00ed" / "Temp");
    ASSERT_TRUE(fixture.Start());

    const std::string in_1250 = "C:\\users\\Ji\xF8\xED";
    EXPECT_EQ(fixture.Form().folders.StartMenuDir, in_1250 + "\\Start Menu\\Programs\\");
    EXPECT_EQ(fixture.Form().folders.DesktopDir, in_1250 + "\\Desktop\\");
    EXPECT_EQ(fixture.Form().folders.TempDir, in_1250 + "\\Temp\\") << "the folder exists under that name";
}

// Wine's first start made its own "windows" folder beside the machine's "WINDOWS" and pointed SystemRoot
// there; the reader's records stayed in the old folder.
TEST(Form1StartUp, TheSettingsOfAFormerWindowsFolderComeOverOnce) {
    FormFixture fixture;
    const std::filesystem::path drive_c = fixture.Machine().Host("C:\\");
    ASSERT_TRUE(std::filesystem::exists(drive_c / "windows"));
    test::WriteFile(drive_c / "WINDOWS" / "TAVOX.INI",
                    "[CD0199]\r\nOld game=C:\\OLD\r\nOld game_=OLD.EXE,,\r\n");
    ASSERT_TRUE(fixture.Start());
    EXPECT_EQ(fixture.Form().Settings->ReadString("CD0199", "Old game", ""), "C:\\OLD");
    EXPECT_EQ(fixture.Form().Settings->ReadInteger("Main", "Language2", 10), 1);
    EXPECT_FALSE(std::filesystem::exists(drive_c / "WINDOWS" / "TAVOX.INI")) << "taken over once";
    EXPECT_TRUE(std::filesystem::exists(drive_c / "WINDOWS" / "TAVOX.INI.merged"));
}

TEST(EntryRule, OnlyTheStartProgramOrADiskCopyStartsTheMenu) {
    struct Case {
        const char* argument;
        const char* path;
        bool allowed;
    };
    for (const Case& c :
         {Case{"A", "D:\\TAVOX\\TAVOX95.EXE", true}, Case{"", "C:\\TAVOXCD\\TAVOX95.EXE", true},
          Case{"T", "C:\\X.EXE", true}, Case{"a", "D:\\TAVOX\\TAVOX95.EXE", false},
          Case{"", "D:\\TAVOX\\TAVOX95.EXE", false}, Case{"T", "c:\\TAVOXCD\\TAVOX95.EXE", false}}) {
        test::RecordingMessageBoxes messages;
        EXPECT_EQ(EntryAllowed(c.argument, c.path, messages), c.allowed) << c.argument << " " << c.path;
        if (c.allowed) {
            EXPECT_TRUE(messages.shown.empty());
            continue;
        }
        ASSERT_EQ(messages.shown.size(), 1U);
        EXPECT_EQ(messages.shown[0].kind, MessageKind::Plain) << "a box without an icon";
        EXPECT_EQ(messages.shown[0].caption, QStringLiteral("TAVOX CD"));
        EXPECT_EQ(messages.shown[0].text, QStringLiteral("Please, run TAVOX.EXE!"));
    }
}

TEST_F(Form1Test, SelectOpensThePageAndMovesToTheItem) {
    const struct {
        PageItem select;
        std::uint8_t page;
        int item;
    } cases[] = {
        {{PageKind::Updates, 3}, PageKind::Updates, 3},
        {{PageKind::Shareware, 99}, PageKind::Shareware, 3}, // past the end: the last item
        {{PageKind::Hotshots, 2}, PageKind::Hotshots, 2},
        {{PageKind::Demos, 14}, PageKind::Demos, 14},
    };
    for (const auto& [select, page, item] : cases) {
        form().SelectPageItem(select);
        EXPECT_EQ(form().navigation.CurrentPage, page) << int{select.page};
        EXPECT_EQ(form().navigation.CurrentItem, item) << int{select.page};
        EXPECT_EQ(form().navigation.FirstVisible, 1) << int{select.page};
    }
}

} // namespace
} // namespace tavox
