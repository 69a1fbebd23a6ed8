#include "app/form1.h"

#include "app/page_bar.h"
#include "catalogue/detection.h"
#include "catalogue/settings_records.h"
#include "catalogue/text_helpers.h"
#include "platform/machine.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>

namespace tavox {

void TForm1::ResetPages() {
    catalogue.PageCount = 0;
}

void TForm1::AddPage(std::uint8_t kind) {
    catalogue.PageCount = static_cast<std::uint8_t>(catalogue.PageCount + 1);
    TPage& page = catalogue.Pages[catalogue.PageCount];
    page.Caption = PageCaption(preferences.Language, kind);
    page.Kind = kind;
}

void TForm1::DisplayPages() {
    const int count = std::min<int>(catalogue.PageCount, 9);
    for (int n = 1; n <= count; ++n) {
        SectionLabel(n)->SetCaption(catalogue.Pages[n].Caption);
        if (n >= 4) {
            SectionLabel(n)->show();
            SectionButton(n)->show();
        }
    }
    for (int n = std::max(count + 1, 4); n <= 9; ++n) {
        SectionLabel(n)->hide();
        SectionButton(n)->hide();
        SectionLabel(n)->SetCaption("");
    }
}

void TForm1::MainButtonClick(int n) {
    if (n < 1 || n > catalogue.PageCount || catalogue.Pages[n].Kind == navigation.CurrentPage ||
        navigation.Locked != 0) {
        return;
    }
    const int old_active = navigation.ActiveButton;
    navigation.PreviousButton = old_active;
    navigation.ActiveButton = n;
    if (n != old_active) {
        UnInvert(old_active);
    }
    InvertingProc(n);
    switch (catalogue.Pages[n].Kind) {
    case PageKind::Demos:
        SetDemosPage();
        break;
    case PageKind::Shareware:
        SetSharewarePage();
        break;
    case PageKind::Updates:
        SetUpdatesPage();
        break;
    case PageKind::Films:
        SetFilmsPage();
        break;
    case PageKind::Vyrniste:
        SetVyrnistePage();
        break;
    case PageKind::Readers:
        SetReadersPage();
        break;
    case PageKind::Hotshots:
        SetHotshotsPage();
        break;
    case PageKind::Installed:
        SetInstalledPage();
        break;
    case PageKind::Custom:
        SetCustomPage();
        break;
    default:
        break;
    }
}

void TForm1::HideLabels() {
    TornikBitmap->hide();
    for (FormLabel* label : {DemoNameLabel, FirmLabel, TechLabel, DateLabel}) {
        label->SetCaption("");
    }
    for (QWidget* widget : std::initializer_list<QWidget*>{InstallButton, RunButton, UnButton, ReadmeButton,
                                                           RightSpot, LeftSpot, Label3D, LabelNet, LabelCZ}) {
        widget->hide();
    }
    ExplorerLabel->setVisible(navigation.CurrentPage != PageKind::Hotshots);
}

void TForm1::SetDemosPage() {
    SetListOff();
    CursorOff();
    navigation.CurrentPage = PageKind::Demos;
    navigation.FirstVisible = 1;
    navigation.CurrentItem = 1;
    JezdecPicture->show();
    Image1->show();
    UpdatesVersionLabel->hide();
    TornikBitmap->hide();
    navigation.FocusZone = FocusZone::List;
    FillList();
    SetDemos();
    CursorOff();
    ShowListBorder(1);
}

void TForm1::SetSharewarePage() {
    SetListOff();
    CursorOff();
    navigation.CurrentPage = PageKind::Shareware;
    navigation.FirstVisible = 1;
    navigation.CurrentItem = 1;
    JezdecPicture->show();
    Image1->hide();
    UpdatesVersionLabel->SetCharset(preferences.FontCharset);
    UpdatesVersionLabel->SetCaption(LoadString(StringId::SharewareNote));
    UpdatesVersionLabel->show();
    TextLabel->SetCaption(LoadString(StringId::SharewareOnCd));
    HideLabels();
    TornikBitmap->show();
    InvalidateLine();
    FillList();
    SetShare();
    CursorOff();
    ShowListBorder(1);
}

void TForm1::SetUpdatesPage() {
    SetListOff();
    CursorOff();
    navigation.CurrentPage = PageKind::Updates;
    navigation.FirstVisible = 1;
    navigation.CurrentItem = 1;
    JezdecPicture->show();
    Image1->hide();
    UpdatesVersionLabel->show();
    TextLabel->SetCaption(LoadString(StringId::UpdatesNote));
    HideLabels();
    InvalidateLine();
    FillList();
    SetUpdates();
    CursorOff();
    ShowListBorder(1);
}

void TForm1::SetReadersPage() {
    SetListOff();
    CursorOff();
    navigation.CurrentPage = PageKind::Readers;
    navigation.FirstVisible = 1;
    navigation.CurrentItem = 1;
    JezdecPicture->show();
    Image1->hide();
    // The readers' page exists only on the Czech bar: its words are Czech whatever the language.
    UpdatesVersionLabel->SetCaption(
        FromUtf8("Vytvořili jste nějaký zajímavý prográmek, úroveň nebo hudbu a chcete "
                 "se o něj podělit s ostatními? Tak nám ho pošlete...",
                 CodePage::Windows1250));
    UpdatesVersionLabel->show();
    navigation.FocusZone = FocusZone::List;
    HideLabels();
    FillList();
    SetReaders();
    ShowListBorder(1);
}

void TForm1::SetHotshotsPage() {
    SetListOff();
    CursorOff();
    navigation.CurrentPage = PageKind::Hotshots;
    navigation.FirstVisible = 1;
    navigation.CurrentItem = 1;
    JezdecPicture->show();
    Image1->show();
    UpdatesVersionLabel->hide();
    HideLabels();
    InvalidateLine();
    FillList();
    SetShots();
    CursorOff();
    ShowListBorder(1);
}

void TForm1::SetFilmsPage() {
    SetListOff();
    CursorOff();
    navigation.CurrentPage = PageKind::Films;
    navigation.FirstVisible = 1;
    navigation.CurrentItem = 1;
    JezdecPicture->hide();
    UpdatesVersionLabel->hide();
    navigation.PictureNumber = 1;
    LoadSmallPicture("FILM");
    Image1->show();
    PaintBox1->Invalidate(Image1->geometry());
    HideLabels();
    RunButton->show();
    TextLabel->SetCaption("");
    FillList();
    InvalidateLine();
    ShowListBorder(1);
}

void TForm1::SetVyrnistePage() {
    JezdecPicture->hide();
    SetListOff();
    CursorOff();
    navigation.CurrentPage = PageKind::Vyrniste;
    UpdatesVersionLabel->hide();
    const FileSystem& files = services.machine.Files();
    std::string picture = folders.CdMenuDir + "VYRNISTE.BMP";
    if (!files.FileExists(picture)) {
        picture =
            folders.CdMenuDir + (screen_state.ColorDepth <= 8 ? "256\\VYRNISTE.BMP" : "RGB\\VYRNISTE.BMP");
    }
    const auto host = files.HostPath(picture);
    paint.WorkBitmap = host ? QImage(QString::fromStdString(host->string())) : QImage();
    Image1->show();
    PaintBox1->Invalidate(Image1->geometry());
    HideLabels();
    RunButton->show();
    const std::string& issue = catalogue.CdIssue;
    if (issue.size() >= 4 && issue.substr(2, 2) == "97") {
        if (issue.substr(0, 2) == "11") {
            catalogue.DiskmagIssue = 33;
        } else if (issue.substr(0, 2) == "12") {
            catalogue.DiskmagIssue = 34;
        }
    } else {
        catalogue.DiskmagIssue =
            static_cast<std::uint8_t>(Catalogue ? Catalogue->ReadInteger("Main", "Vyrniste", 0) : 0);
    }
    TechLabel->SetCaption("VYRNISTE " + std::to_string(catalogue.DiskmagIssue) + "!!!");
    InvalidateLine();
    TextLabel->SetCaption(LoadString(StringId::VyrnisteNote));
    ClearList();
    Row(1)->SetBold(false);
    Row(1)->SetCaption("Vyrniste " + std::to_string(catalogue.DiskmagIssue));
    ShowListBorder(1);
}

void TForm1::SetCustomPage() {
    JezdecPicture->hide();
    SetListOff();
    CursorOff();
    navigation.CurrentPage = PageKind::Custom;
    UpdatesVersionLabel->SetCaption("MS Internet Explorer 4.1 CZ");
    UpdatesVersionLabel->show();
    Image1->hide();
    HideLabels();
    InstallButton->show();
    InvalidateLine();
    TextLabel->SetCaption(
        FromUtf8("Nejnovější verzi Internet Exloreru využijí nejenom ti, kdo mají přístup na "
                 "Internet - obsahuje totiž i značné vylepšení \"Průzkumníka\"... Tato verze je "
                 "pouze pro české Windows 95/NT.",
                 CodePage::Windows1250));
    ClearList();
    Row(1)->SetBold(false);
    Row(1)->SetCaption("MS IE 4.1 CZ");
    ShowListBorder(1);
}

void TForm1::SetInstalledPage() {
    SetListOff();
    CursorOff();
    navigation.CurrentPage = PageKind::Installed;
    navigation.FirstVisible = 1;
    navigation.CurrentItem = 1;
    HideLabels();
    TextLabel->SetCaption("");
    ExplorerLabel->hide();
    navigation.FocusZone = FocusZone::List;
    Image1->hide();

    ProfileFile& settings = *Settings;
    const FileSystem& files = services.machine.Files();
    catalogue.Installed.Clear();
    catalogue.InstalledCount = 1;
    for (const RecordedItem& record : ReadRecordedItems(settings)) {
        TDemos& entry = catalogue.Installed[catalogue.InstalledCount];
        entry = TDemos{};
        entry.ListName = record.ListName;
        entry.InstalledDir = record.InstalledDir;
        entry.Techinfo = "TAVOX CD " + record.Issue.substr(0, std::min<std::size_t>(2, record.Issue.size())) +
                         "/" + (record.Issue.size() > 2 ? record.Issue.substr(2, 2) : std::string());
        entry.Gamename = record.Gamename;
        entry.Uninstall = record.Uninstall;
        entry.UnInstallName = record.UnInstallName;
        entry.RegUninstall = record.RegUninstall;
        if (entry.UnInstallName.empty()) {
            const auto value = services.machine.Reg().ReadString(
                RegistryRoot::LocalMachine,
                "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + entry.RegUninstall,
                "UninstallString");
            entry.UnInstallName =
                value ? FromUtf8(*value, services.machine.Drives().NameCodePage()) : std::string();
        }
        entry.InstallType =
            entry.UnInstallName.empty() ? InstallType::ArchiveToChosenDir : InstallType::SetupWatched;
        if (StillInstalled(files, record)) {
            entry.Runnable = 1;
            entry.Removable = 1;
            entry.NotInstalled = 0;
            // Past the capacity the page keeps its first 50 entries.
            if (++catalogue.InstalledCount > InstalledArray::kCapacity) {
                break;
            }
        } else {
            DeleteInstalledRecord(settings, CdSection(record.Issue), record.ListName);
        }
    }
    catalogue.Installed[catalogue.InstalledCount].ListName.clear();
    --catalogue.InstalledCount;

    if (catalogue.InstalledCount < 1) {
        ClearList();
        SetListOff();
        UpdatesVersionLabel->SetCharset(preferences.FontCharset);
        UpdatesVersionLabel->SetCaption(LoadString(StringId::InstalledPageNote));
        UpdatesVersionLabel->show();
        JezdecPicture->hide();
        InvalidateLine();
    } else {
        UpdatesVersionLabel->show();
        JezdecPicture->show();
        SetInstalled();
        CursorOff();
        ShowListBorder(1);
    }
}

} // namespace tavox
