// The main window's side of the settings dialog: preparing it and applying what the user chose.
#include "app/form1.h"

#include "app/form4_settings.h"
#include "catalogue/settings_records.h"
#include "resources/resource_names.h"

#include <QCheckBox>
#include <QRadioButton>

#include <memory>

namespace tavox {

void TForm1::SetSetupPage() {
    auto dialog = std::make_unique<TForm4>(*this);
    CursorOff();

    dialog->SetupLabel1->show();
    dialog->SetupCheck1->show();
    dialog->SetupXENGLabel->show();
    dialog->SetupCheck1->setChecked(preferences.FullScreen == 1);
    dialog->SetupLang1->SetCaption(LocalLanguageName(catalogue.DescribeVariant));
    if (preferences.Language == 0) {
        dialog->SetupRad2->setChecked(true);
    }
    const bool true_colour = screen_state.ColorDepth > 8;
    if (true_colour) {
        // Without the picture the dialog stays black and works the same.
        dialog->SetupImage->SetImage(QImage(QString::fromLatin1(resources::kKola)));
    }

    if (navigation.Locked == 1) {
        // The start-up choice of language: nothing else is offered, and the screen behind shows no texts
        // in a language that is about to change.
        ClearList();
        for (int n = 1; n <= 9; ++n) {
            SectionLabel(n)->SetCaption("");
        }
        dialog->SetupLabel1->hide();
        dialog->SetupCheck1->hide();
        dialog->SetupXENGLabel->hide();
        JezdecPicture->hide();
        UpdatesVersionLabel->hide();
        HideLabels();
        FillList();
        InvalidateLine();
    } else {
        SetupLabel->show();
    }

    dialog->SetupXCZLabel->hide();
    dialog->SetupCheck2->hide();
    dialog->SetupLabel2->hide();
    dialog->SetupAnimation->hide();
    for (QRadioButton* button : {dialog->SetupRad1, dialog->SetupRad2}) {
        QPalette colour = button->palette();
        colour.setColor(QPalette::Window,
                        true_colour ? QColor::fromRgb(TForm4::kButtonColour) : QColor(Qt::black));
        button->setPalette(colour);
    }

    // The full-screen choice is shown, but never outlives the dialog.
    preferences.FullScreen = 0;
    dialog->SetupCheck1->setEnabled(false);

    const int previous_language = preferences.Language;
    dialog->exec();
    dialog.reset();
    preferences.FullScreen = 0;

    if (preferences.Language != previous_language || navigation.Locked == 1) {
        // Logged by the settings file when it fails; the language still changes for this run.
        static_cast<void>(
            Settings->WriteInteger(SettingsKey::Main, SettingsKey::Language2, preferences.Language));
        ChangeLanguage();
        PageSelect();
        MainButtonClick(1);
    }
}

} // namespace tavox
