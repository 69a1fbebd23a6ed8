#include "app/form1.h"

#include "menu/create_date.h"
#include "menu/list_rules.h"

#include <QCoreApplication>

namespace tavox {

namespace {

// The install and setup captions of the Install command, by language.
struct InstallCaptions {
    std::string_view install;
    std::string_view setup;
};
constexpr InstallCaptions kInstallCaptions[] = {
    {"Install", "Setup"}, {"Instaluj", "Nastav"}, {"Kur", "Kur"}, {"Instaleaza", "Setup"}};

std::optional<InstallCaptions> CaptionsOf(int language) {
    if (language < 0 || language >= static_cast<int>(std::size(kInstallCaptions))) {
        return std::nullopt;
    }
    return kInstallCaptions[language];
}

} // namespace

void TForm1::PlaceThumb(int count, int k) {
    JezdecPicture->move(JezdecPicture->x(), ThumbTop(count, navigation.CurrentItem, k));
}

void TForm1::SetDemos() {
    SetListOff();
    const TDemos& d = catalogue.Demos[navigation.CurrentItem];
    const int language = preferences.Language;
    DemoNameLabel->SetCaption(d.FullName.empty() ? d.Name : d.FullName);
    TechLabel->SetCaption(d.Techinfo);
    FirmLabel->SetCaption(d.Firm);
    DateLabel->SetCaption(CreateDate(d.Date, language));
    TextLabel->SetCaption(language == 0 ? d.Describe0 : d.Describe);
    ReadmeButton->setVisible(!d.Readmename.empty() && d.NotInstalled == 0);
    if (d.Flags == 1 || d.Flags == 11) {
        Label3D->SetCaption("3Dfx");
        Label3D->show();
    } else if (d.Flags == 2 || d.Flags == 12) {
        Label3D->SetCaption("Direct3D");
        Label3D->show();
    } else {
        Label3D->hide();
    }
    if (d.Flags == 3) {
        if (language == 0) {
            LabelCZ->SetCaption("Czech");
        } else if (language == 1) {
            LabelCZ->SetCaption("\xC8"
                                "esky");
        }
        LabelCZ->show();
    } else {
        LabelCZ->hide();
    }
    LabelNet->setVisible(d.Flags >= 10 && d.Flags <= 12);
    const std::optional<InstallCaptions> captions = CaptionsOf(language);
    if (d.NotInstalled != 0) {
        if (captions) {
            InstallButton->SetCaption(std::string(captions->install));
        }
        InstallButton->show();
    } else {
        if (captions) {
            InstallButton->SetCaption(std::string(captions->setup));
        }
        InstallButton->setVisible(!d.SetupName.empty());
    }
    RunButton->setVisible(d.Runnable == 1);
    UnButton->setVisible(d.Removable == 1);
    FillList();
    navigation.PictureNumber = 1;
    LoadSmallPicture(d.Picture);
    ShowCursor(navigation.CurrentItem - navigation.FirstVisible + 1);
    PlaceThumb(catalogue.DemoCount, 257);
    InvalidateLine();
}

void TForm1::SetShare() {
    SetListOff();
    const TDemos& s = catalogue.Shares[navigation.CurrentItem];
    if (const auto captions = CaptionsOf(preferences.Language)) {
        InstallButton->SetCaption(std::string(captions->install));
    }
    InstallButton->show();
    TextLabel->SetCaption(preferences.Language == 0 ? s.Describe0 : s.Describe);
    ShowCursor(navigation.CurrentItem - navigation.FirstVisible + 1);
    PlaceThumb(catalogue.ShareCount, 259);
}

void TForm1::SetUpdates() {
    SetListOff();
    const TUpdate& u = catalogue.Updates[navigation.CurrentItem];
    ShowCursor(navigation.CurrentItem - navigation.FirstVisible + 1);
    if (const auto captions = CaptionsOf(preferences.Language)) {
        InstallButton->SetCaption(std::string(captions->install));
    }
    ReadmeButton->setVisible(!u.ReadmeFile.empty());
    InstallButton->setVisible(!u.SetupFile.empty());
    UpdatesVersionLabel->SetCaption(u.Name + " " + u.VersionText);
    PlaceThumb(catalogue.UpdateCount, 257);
}

void TForm1::SetShots() {
    SetListOff();
    const TShot& h = catalogue.Shots[navigation.CurrentItem];
    FirmLabel->SetCaption(h.Firm);
    DemoNameLabel->SetCaption(h.Name);
    DateLabel->SetCaption(CreateDate(h.Date, preferences.Language));
    TextLabel->SetCaption(preferences.Language == 0 ? h.Describe0 : h.Describe);
    navigation.PictureNumber = 1;
    LoadSmallPicture(h.Picture);
    ShowCursor(navigation.CurrentItem - navigation.FirstVisible + 1);
    PlaceThumb(catalogue.ShotCount, 259);
}

void TForm1::SetReaders() {
    SetListOff();
    TDemos& r = catalogue.Readers[navigation.CurrentItem];
    TechLabel->SetCaption("Autor: " + r.Firm);
    TextLabel->SetCaption(r.Describe);
    ReadmeButton->setVisible(!r.Readmename.empty() && r.NotInstalled == 0);
    if (r.NotInstalled != 0) {
        InstallButton->SetCaption("Instaluj");
        InstallButton->show();
    } else {
        InstallButton->SetCaption("Nastav");
        InstallButton->setVisible(!r.SetupName.empty());
    }
    if (r.InstallType == InstallType::RunsFromCd && r.Gamename.empty() && !r.Readmename.empty()) {
        // A document on the CD: its readme opens from there.
        r.InstalledDir = r.InstallDir;
        ReadmeButton->show();
        InstallButton->hide();
    } else {
        RunButton->setVisible(r.Runnable == 1);
        UnButton->setVisible(r.Removable == 1);
    }
    FillList();
    QCoreApplication::processEvents();
    ShowCursor(navigation.CurrentItem - navigation.FirstVisible + 1);
    PlaceThumb(catalogue.ReaderCount, 257);
    InvalidateLine();
}

void TForm1::SetInstalled() {
    SetListOff();
    const TDemos& e = catalogue.Installed[navigation.CurrentItem];
    FillList();
    UpdatesVersionLabel->SetCaption(e.Techinfo);
    TextLabel->SetCaption("");
    RunButton->setVisible(e.Runnable == 1);
    UnButton->setVisible(e.Removable == 1);
    QCoreApplication::processEvents();
    ShowCursor(navigation.CurrentItem - navigation.FirstVisible + 1);
    PlaceThumb(catalogue.InstalledCount, 257);
    InvalidateLine();
}

} // namespace tavox
