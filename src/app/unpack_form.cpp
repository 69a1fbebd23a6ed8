#include "app/unpack_form.h"

#include "app/form1.h"
#include "app/string_table.h"
#include "installer/ui/copy_animation.h"
#include "menu/list_rules.h"
#include "platform/machine.h"
#include "resources/resource_names.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include <charconv>

namespace tavox {

namespace {

constexpr int kClientWidth = 426;
constexpr int kClientHeight = 166;
constexpr int kCountDelayMs = 300;
constexpr int kFileCreateError = 16;

// The demo's FilesInArchive value when it is a whole number other than 0; the field is shared with other
// recipes, so anything else means "count by listing".
int FilesInArchive(const std::string& value) {
    int count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    return error == std::errc{} && end == value.data() + value.size() && count > 0 ? count : 0;
}

} // namespace

std::string TUnpackForm::Percentage(int files_left, int file_count) {
    const double share =
        file_count == 0 ? 100.0 : 100.0 - static_cast<double>(files_left) / file_count * 100.0;
    return std::to_string(RoundHalfEven(share)) + "%";
}

TUnpackForm::TUnpackForm(TForm1& owner)
    : QDialog(&owner), RAR(owner.services.machine.Drives()), owner_(owner) {
    setObjectName(QStringLiteral("UnpackForm"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(kClientWidth, kClientHeight);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silver);
    setAutoFillBackground(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
    QCoreApplication::processEvents();

    const NavigationState& navigation = owner_.navigation;
    switch (navigation.CurrentPage) {
    case PageKind::Demos:
        ItemName = owner_.catalogue.Demos[navigation.CurrentItem].ListName;
        break;
    case PageKind::Updates:
        ItemName = owner_.catalogue.Updates[navigation.CurrentItem].Name;
        break;
    case PageKind::Readers:
        ItemName = owner_.catalogue.Readers[navigation.CurrentItem].ListName;
        break;
    default:
        break;
    }
    CreateComponents();
    const int language = owner_.preferences.Language;
    const std::string& chosen = owner_.folders.ChosenDir;
    if (language == kTurkish) {
        PackLabel1->SetCaption(ItemName + "'den");
        PackLabel2->SetCaption(chosen + "'e kuruluyor");
        PackLabel3->SetCaption("");
    } else {
        PackLabel1->SetCaption(owner_.LoadString(StringId::Installing) + " " + ItemName);
        PackLabel2->SetCaption(owner_.LoadString(StringId::InstallingInto));
        PackLabel3->SetCaption(chosen);
    }
    QCoreApplication::processEvents();
    const bool low_colour = owner_.screen_state.ColorDepth < 9;
    Image1->SetImage(QImage(QString::fromLatin1(low_colour ? resources::kCopy256 : resources::kCopy)));
    FilesLeft = 0;
    FileCount = 0;

    RAR.OemCodePage = owner_.services.machine.Drives().NameCodePage() == CodePage::Windows1254 ? 857 : 852;
    RAR.OnProcessData = [](TRAR&, unsigned char*, int, int) { return 1; };
    RAR.OnError = [this](TRAR&, int error) { RARError(error); };
    RAR.OnListFile = [this](TRAR&, const unrar::RARHeaderData&) { RARListFile(); };
    RAR.OnExtract = [this](TRAR&, const unrar::RARHeaderData&, bool) { RARExtract(); };
}

TUnpackForm::~TUnpackForm() = default;

void TUnpackForm::CreateComponents() {
    Image1 = new ImageBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, kClientWidth, kClientHeight);
    const auto label = [this](const char* name, QRect bounds, int pixels) {
        auto* text = new FormLabel(this, pixels, true);
        text->setObjectName(QString::fromLatin1(name));
        text->setGeometry(bounds);
        text->alignment = LabelAlignment::Center;
        text->fixed_size = true;
        return text;
    };
    PackLabel1 = label("PackLabel1", QRect(8, 5, 409, 13), 13);
    PackLabel2 = label("PackLabel2", QRect(9, 20, 409, 13), 12);
    PackLabel3 = label("PackLabel3", QRect(9, 34, 409, 13), 13);
    Label1 = label("Label1", QRect(197, 142, 35, 14), 13);
    Label1->SetCaption("0%");
    Animate1 = new CopyAnimation(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setGeometry(78, 65, 272, 60);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kCountDelayMs);
    QObject::connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

std::string TUnpackForm::ArchiveName() const {
    const NavigationState& navigation = owner_.navigation;
    const CatalogueState& catalogue = owner_.catalogue;
    switch (navigation.CurrentPage) {
    case PageKind::Demos: {
        const TDemos& demo = catalogue.Demos[navigation.CurrentItem];
        return demo.InstallDir + "\\" + demo.InstallName;
    }
    case PageKind::Updates:
        return owner_.folders.CdDrive + "\\Updates\\" + catalogue.Updates[navigation.CurrentItem].SetupFile;
    case PageKind::Readers: {
        const TDemos& reader = catalogue.Readers[navigation.CurrentItem];
        return reader.InstallDir + "\\" + reader.InstallName;
    }
    default:
        return {};
    }
}

void TUnpackForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TUnpackForm::FormActivate() {
    RAR.ArchiveName = ArchiveName();
    RAR.TargetDir = owner_.folders.ChosenDir;
    Animate1->Start();
    Timer1->start();
}

void TUnpackForm::Timer1Timer() {
    Timer1->stop();
    const int files_in_archive =
        owner_.navigation.CurrentPage == PageKind::Demos
            ? FilesInArchive(owner_.catalogue.Demos[owner_.navigation.CurrentItem].InstallParam)
            : 0;
    if (files_in_archive != 0) {
        FileCount = static_cast<std::uint16_t>(files_in_archive);
    } else {
        RAR.List();
    }
    FilesLeft = FileCount;
    // An archive that could not even be listed has shown its error already; extracting would only repeat it.
    if (!closing_) {
        RAR.Extract();
    }
    finished_ = true;
    done(QDialog::Accepted);
}

void TUnpackForm::RARListFile() {
    ++FileCount;
    QCoreApplication::processEvents();
}

void TUnpackForm::RARExtract() {
    Label1->SetCaption(Percentage(FilesLeft, FileCount));
    if (FilesLeft > 0) {
        --FilesLeft;
    }
    QCoreApplication::processEvents();
}

void TUnpackForm::RARError(int error) {
    if (error == kFileCreateError) {
        return;
    }
    owner_.folders.ChosenDir.clear();
    owner_.services.messages.Show(MessageKind::Error, QStringLiteral("Error"),
                                  QString::fromStdString(std::string(TRAR::ErrorText(error))));
    closing_ = true;
}

void TUnpackForm::FormKeyDown(int key) {
    if (key != Qt::Key_Escape || FilesLeft == 0 || owner_.navigation.CurrentPage != PageKind::Demos) {
        return;
    }
    Animate1->Stop();
    RAR.Stop = true;
    const QString question =
        QString::fromStdString(ToUtf8(owner_.LoadString(StringId::QuitInstallationQuestion),
                                      LabelCodePage(owner_.preferences.FontCharset)));
    if (!owner_.services.messages.Ask(QStringLiteral("Confirm"), question)) {
        RAR.Stop = false;
        Animate1->Start();
        return;
    }
    if (owner_.DeleteQuestion(owner_.folders.ChosenDir)) {
        owner_.RemoveTree(owner_.folders.ChosenDir);
    }
    owner_.folders.ChosenDir.clear();
    closing_ = true;
}

void TUnpackForm::keyPressEvent(QKeyEvent* event) {
    // Escape belongs to the abort question, never to the dialog's own rejection.
    FormKeyDown(event->key());
}

void TUnpackForm::done(int result) {
    // The window closes only once the extraction has returned; a close request before that is ignored.
    if (!finished_) {
        return;
    }
    Label1->SetCaption("100%");
    Animate1->Stop();
    QDialog::done(result);
}

void TForm1::ShowUnpackDialog() {
    TUnpackForm dialog(*this);
    dialog.exec();
}

} // namespace tavox
