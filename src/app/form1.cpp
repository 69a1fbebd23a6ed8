#include "app/form1.h"

#include "app/page_bar.h"
#include "app/string_table.h"
#include "catalogue/catalogue_load.h"
#include "catalogue/detection.h"
#include "catalogue/path_helpers.h"
#include "catalogue/settings_records.h"
#include "catalogue/text_helpers.h"
#include "installer/launcher.h"
#include "media/sound_output.h"
#include "menu/list_rules.h"
#include "platform/machine.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace tavox {

namespace {

constexpr std::string_view kHardDiskCopy = "C:\\TAVOXCD\\TAVOX95.EXE";

} // namespace

TForm1::TForm1(FormServices form_services, StartupOptions startup)
    : services(form_services), options(std::move(startup)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFocusPolicy(Qt::StrongFocus);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(silver);
    setAutoFillBackground(true);
    resize(637, 465);
    CreateComponents();
    WireHandlers();
    services.launcher.SetWaitHook([this](bool waiting) { WaitChanged(waiting); });
    services.launcher.SetEventPump(&event_pump_);
    services.launcher.SetSubject([this] { return RowText(navigation.CurrentItem); });
}

TForm1::~TForm1() {
    services.launcher.SetWaitHook({});
    services.launcher.SetEventPump(nullptr);
    services.launcher.SetSubject({});
}

// The hourglass over every window of the menu while a started program runs: it is all that keeps a reader
// from starting a second command meanwhile.
void TForm1::WaitChanged(bool waiting) {
    if (waiting) {
        ++waits_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    --waits_;
    QApplication::restoreOverrideCursor();
    if (waits_ == 0 && close_pending_) {
        close_pending_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

bool TForm1::FormCreate() {
    navigation.FirstVisible = 1;
    navigation.CurrentItem = 1;
    catalogue.DemoCount = 0;
    catalogue.PageCount = 0;

    const QScreen* screen = QGuiApplication::primaryScreen();
    screen_state.ColorDepth =
        static_cast<std::uint8_t>(options.depth.value_or(screen ? screen->depth() : 24));
    screen_state.ScreenWidth = options.screen_width.value_or(screen ? screen->geometry().width() : 1024);
    if (screen_state.ScreenWidth == 640) {
        setFixedSize(640, 485);
        setWindowState(Qt::WindowMaximized);
    } else {
        setFixedSize(640, 480);
    }
    if (screen) {
        // The form stands centred on the screen, halves rounded as the dialogs placed over it round them.
        const QRect area = screen->geometry();
        move(area.x() + RoundHalfEven((area.width() - width()) * 0.5),
             area.y() + RoundHalfEven((area.height() - height()) * 0.5));
    }
    for (QWidget* full : {static_cast<QWidget*>(BackgroundImage), static_cast<QWidget*>(MetaImage),
                          static_cast<QWidget*>(PaintBox1)}) {
        full->resize(size());
    }

    Machine& machine = services.machine;
    folders.SystemDir = AddSlash(machine.SystemDir());
    folders.WindowsDir = AddSlash(machine.WindowsDir());

    Settings.emplace(machine.Files()
                         .HostPath(folders.WindowsDir + std::string(kSettingsFileName))
                         .value_or(std::filesystem::path()));
    // The settings left in a former Windows folder come over once; the file stays there under a new name.
    for (const std::filesystem::path& older : machine.FilesOfFormerWindowsFolders(kSettingsFileName)) {
        MergeSettings(*Settings, ProfileFile(older));
        std::error_code ec;
        std::filesystem::rename(older, older.string() + ".merged", ec);
    }
    // The settings file logs a write it could not make; the menu starts all the same.
    static_cast<void>(Settings->WriteInteger(SettingsKey::Main, SettingsKey::Language, 1));
    preferences.Language = Settings->ReadInteger(SettingsKey::Main, SettingsKey::Language2, 10);
    preferences.FullScreen = Settings->ReadBool(SettingsKey::Main, SettingsKey::FullScreen, false) ? 1 : 0;

    folders.CdDrive = options.program_path.substr(0, 2);
    if (folders.CdDrive == "C:") {
        bool found = false;
        for (char letter = 'D'; letter <= 'Z' && !found; ++letter) {
            folders.CdDrive = std::string{letter, ':'};
            found = machine.Files().FileExists(folders.CdDrive + "\\TAVOX.EXE") &&
                    machine.Files().FileExists(folders.CdDrive + "\\Tavox\\TAVOX95.ini");
        }
        if (!found) {
            services.messages.Show(MessageKind::Error, QStringLiteral("Error"),
                                   QStringLiteral("There is no TAVOX CD in any drive..."));
            return false;
        }
    }
    folders.MenuOnHardDisk = machine.Files().FileExists(kHardDiskCopy) ? 1 : 0;
    LoadMainBitmaps();
    paint.WorkBitmap = QImage();
    return true;
}

// The user's folders hold the profile's name, whose letters are in the edition's code page: read them once
// the catalogue told which that is.
void TForm1::ReadUserFolders() {
    const Machine& machine = services.machine;
    folders.TempDir = AddSlash(GetEnv(machine, "TMP"));
    if (!DirExists(machine.Files(), folders.TempDir)) {
        folders.TempDir = "C:\\";
    }
    const std::string programs = AddSlash(machine.ShellFolder("Programs"));
    folders.StartMenuDir = programs.empty() ? folders.WindowsDir + "Start Menu\\Programs\\" : programs;
    const std::string desktop = AddSlash(machine.ShellFolder("Desktop"));
    folders.DesktopDir = desktop.empty() ? folders.WindowsDir + "Desktop\\" : desktop;
}

void TForm1::LoadMainBitmaps() {
    const bool low_colour = screen_state.ColorDepth < 9;
    BackgroundImage->SetImage(
        QImage(low_colour ? QStringLiteral(":/MAINBMP256") : QStringLiteral(":/MAINBMP")));
    TempImage->SetImage(QImage(low_colour ? QStringLiteral(":/I256") : QStringLiteral(":/I")));
    // The paint surface starts as the unlit screen; frames are drawn on it and erased from the background.
    PaintBox1->Surface() = QImage(size(), QImage::Format_RGB32);
    PaintBox1->Surface().fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter painter(&PaintBox1->Surface());
    painter.drawImage(0, 0, BackgroundImage->Image());
}

void TForm1::ShowCatalogueError(const std::string& message) {
    services.messages.Show(MessageKind::Error, QStringLiteral("Error"), QString::fromStdString(message));
}

bool TForm1::FormActivate() {
    Machine& machine = services.machine;
    if (const auto host = machine.Files().HostPath(folders.CdDrive + "\\TAVOX\\TAVOX95.INI")) {
        const CodePage system = EditionCodePage(ProfileFile(*host).ReadInteger("Main", "Version", 1));
        machine.SetNameCodePage(system);
        SetDefaultLabelCodePage(system);
    }
    ReadUserFolders();
    DetectionContext detection{machine, *Settings, "", folders.CdDrive, folders.WindowsDir, ""};
    LoadResult loaded = LoadCatalogue(detection, catalogue);
    folders.CdMenuDir = loaded.CdMenuDir;
    switch (loaded.outcome) {
    case LoadOutcome::CatalogueMissing:
        ShowCatalogueError(loaded.message);
        return false;
    case LoadOutcome::CdDirUnreachable:
        ShowCatalogueError(loaded.message);
        return true; // the window stays with what it had
    case LoadOutcome::LoadedWithError:
        ShowCatalogueError(loaded.message);
        break;
    case LoadOutcome::Loaded:
        break;
    }
    Catalogue = std::move(loaded.Catalogue);
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(QString::fromStdString(loaded.Title));
    setWindowTitle(QString::fromStdString(loaded.Title));
    CDNumberLabel->SetCaption(loaded.IssueLabel);

    if (preferences.Language != 0 && preferences.Language != catalogue.DescribeVariant) {
        navigation.Locked = 1;
        preferences.Language = catalogue.DescribeVariant;
        SetSetupPage();
        navigation.Locked = 0;
    } else {
        navigation.Locked = 0;
        ChangeLanguage();
    }
    FillList();
    SetDemosPage();
    navigation.ActiveButton = 1;
    navigation.HoverButton = 1;
    InvertingProc(0);
    navigation.FocusZone = FocusZone::List;

    if (screen_state.ColorDepth < 16 &&
        !Settings->ReadBool(SettingsKey::Main, SettingsKey::LowColorWarning, false)) {
        const std::string text = LoadString(StringId::HiColorAdvice);
        services.messages.Show(MessageKind::Information, QStringLiteral("Information"),
                               QString::fromStdString(ToUtf8(text, LabelCodePage(preferences.FontCharset))));
        // Logged by the settings file when it fails; the advice then comes again next time.
        static_cast<void>(Settings->WriteBool(SettingsKey::Main, SettingsKey::LowColorWarning, true));
    }
    const FileSystem& files = machine.Files();
    if (!files.FileExists(folders.SystemDir + "DPLAYX.DLL") ||
        !files.FileExists(folders.SystemDir + "DDRAW.DLL")) {
        services.launcher.NormalExec(folders.CdDrive + "\\DirectX\\dx5eng.exe", kShowNormal);
    }
    return true;
}

void TForm1::SelectPageItem(const PageItem& select) {
    for (int n = 1; n <= catalogue.PageCount; ++n) {
        if (catalogue.Pages[n].Kind == select.page) {
            MainButtonClick(n);
            break;
        }
    }
    if (navigation.CurrentPage != select.page) {
        return;
    }
    // Step by step, so that the list scrolls and the details follow exactly as under the Down key.
    while (navigation.CurrentItem < select.number) {
        const int before = navigation.CurrentItem;
        ScrollListDown();
        if (navigation.CurrentItem == before) {
            break;
        }
    }
}

void TForm1::FormDestroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    if (Settings) {
        // Logged by the settings file when it fails; nothing is left to tell on the way out.
        static_cast<void>(
            Settings->WriteBool(SettingsKey::Main, SettingsKey::FullScreen, preferences.FullScreen != 0));
    }
    PlayWAV("BYE");
    showMinimized();
}

std::string TForm1::LoadString(StringId text) const {
    return tavox::LoadString(preferences.Language, text);
}

void TForm1::ChangeLanguage() {
    const int language = preferences.Language;
    preferences.FontCharset = static_cast<std::uint8_t>(FontCharsetOf(language, preferences.FontCharset));
    for (FormLabel* label :
         {RunButton, ReadmeButton, InstallButton, UnButton, TextLabel, DateLabel, UpdatesVersionLabel}) {
        label->SetCharset(preferences.FontCharset);
    }
    for (int n = 1; n <= 8; ++n) {
        SectionLabel(n)->SetCharset(preferences.FontCharset);
    }
    SetupLabel->SetCaption(LoadString(StringId::SettingsLabel));
    const std::optional<FixedCaptions> captions = FixedCaptionsOf(language);
    if (!captions) {
        return;
    }
    RunButton->SetCaption(captions->RunButton);
    UnButton->SetCaption(captions->UnButton);
    ReadmeButton->SetCaption(captions->ReadmeButton);
    ExitLabel->SetCaption(captions->ExitLabel);
    PageBarInputs inputs;
    inputs.ShotCount = catalogue.ShotCount;
    inputs.MovieCount = catalogue.MovieCount;
    inputs.ReaderCount = catalogue.ReaderCount;
    inputs.Vyrniste = Catalogue ? Catalogue->ReadInteger("Main", "Vyrniste", 0) : 0;
    inputs.CdIssue = catalogue.CdIssue;
    ResetPages();
    for (const std::uint8_t kind : PageBarKinds(language, inputs)) {
        AddPage(kind);
    }
    DisplayPages();
    SloganImage->SetVectorPicture(QStringLiteral(":/") + QString::fromLatin1(SloganResourceOf(language)));
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key(), event->modifiers());
    event->accept();
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (activated_) {
        return;
    }
    activated_ = true;
    // The first activation loads the catalogue; later ones (after modal dialogs) do not count.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!FormActivate()) {
                hide(); // the program ends at once: nothing more is shown or taken of the window
                QCoreApplication::exit(1);
            } else if (select_on_start_) {
                SelectPageItem(*select_on_start_);
            }
        },
        Qt::QueuedConnection);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A close asked for while a started program runs is held until it ended: the flow that started it goes
    // on afterwards and needs its window.
    if (waits_ > 0) {
        close_pending_ = true;
        event->ignore();
        return;
    }
    FormDestroy();
    event->accept();
}

} // namespace tavox
