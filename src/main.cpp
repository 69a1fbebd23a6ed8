// tavox95: the TAVOX CD menu. The first argument keeps its meaning ("A": started by the CD's start program,
// "T": show each installer command first); a disc may follow it or stand alone; options follow them.
#include "app/disc_start.h"
#include "app/entry_rule.h"
#include "app/form1.h"
#include "app/shelf_window.h"
#include "app/start_form.h"
#include "base/ascii.h"
#include "base/code_page.h"
#include "base/log.h"
#include "catalogue/path_helpers.h"
#include "disc/archive_image.h"
#include "disc/disc_cache.h"
#include "disc/disc_search.h"
#include "installer/launcher.h"
#include "media/sound_output.h"
#include "platform/machine.h"
#include "shelf/last_shelf.h"
#include "shelf/shelf_command.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tavox::DriveType;

struct Options {
    tavox::StartupOptions startup;
    std::filesystem::path machine_dir;
    tavox::StartForm start;
    std::optional<char> cd_drive;
    tavox::ProcessConfig process;
    std::optional<QString> snapshot;
    bool cd_given = false; // --cd names the CD itself, never a folder of discs
    bool verbose = false;
    std::optional<tavox::PageItem> select; // the item to show once the disc is open
    bool select_given_wrong = false;
};

// The version and the help are asked for where there may be no display, so they are answered before the
// window system starts.
bool AsksFor(int argc, char* argv[], std::initializer_list<std::string_view> names) {
    for (int i = 1; i < argc; ++i) {
        if (std::find(names.begin(), names.end(), std::string_view(argv[i])) != names.end()) {
            return true;
        }
    }
    return false;
}

std::optional<int> IntegerOption(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name)) {
        return std::nullopt;
    }
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

Options ParseOptions(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The TAVOX CD menu."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("mode"),
                                 QStringLiteral("A: started from the CD; T: test mode"),
                                 QStringLiteral("[A|T]"));
    parser.addPositionalArgument(
        QStringLiteral("disc"),
        QStringLiteral("The CD: a disc's directory or an image (.iso, .bin, .cue, .img, .mds, .nrg, .ccd)."),
        QStringLiteral("[DISC]"));
    const QList<QCommandLineOption> options = {
        {QStringLiteral("cd"), QStringLiteral("The CD: a disc's directory or an image of the disc."),
         QStringLiteral("PATH")},
        {QStringLiteral("cd-drive"), QStringLiteral("Drive letter for the CD (default: first free from D)."),
         QStringLiteral("X")},
        {QStringLiteral("machine"), QStringLiteral("Machine directory or Wine prefix."),
         QStringLiteral("DIR")},
        {QStringLiteral("program-path"), QStringLiteral("The menu's own Windows path."),
         QStringLiteral("PATH")},
        {QStringLiteral("runner"), QStringLiteral("Command that runs every DOS and Windows program."),
         QStringLiteral("CMD")},
        {QStringLiteral("fallback-runner"),
         QStringLiteral("Command that runs what neither DOSBox nor Wine can run here."),
         QStringLiteral("CMD")},
        {QStringLiteral("opener"), QStringLiteral("Command that opens documents and folders."),
         QStringLiteral("CMD")},
        {QStringLiteral("depth"), QStringLiteral("Bits per pixel to assume."), QStringLiteral("N")},
        {QStringLiteral("screen-width"), QStringLiteral("Screen width to assume."), QStringLiteral("N")},
        {QStringLiteral("snapshot"), QStringLiteral("Write the screen after start-up to FILE.png and exit."),
         QStringLiteral("FILE")},
        {QStringLiteral("verbose"),
         QStringLiteral(
             "Also write the log (programs started, their output, what failed) to standard error.")},
        {QStringLiteral("select"),
         QStringLiteral("Show this item once the disc is open: a page (Demos, Shareware, Updates, Readers, "
                        "HotShots) and the item's number on it, as in Demos:3."),
         QStringLiteral("PAGE:ITEM")},
        {QStringLiteral("list"),
         QStringLiteral(
             "Print the discs of a folder, one a line: issue, year-month, items, path (no display).")},
        {QStringLiteral("search"),
         QStringLiteral("Print the items of a folder's discs that match every word: issue, page, item, "
                        "installed or not, path (no display)."),
         QStringLiteral("WORDS")},
    };
    parser.addOptions(options);
    parser.process(app);

    Options result;
    std::vector<std::string> positional;
    for (const QString& argument : parser.positionalArguments()) {
        positional.push_back(argument.toStdString());
    }
    const auto cd_option = parser.isSet(QStringLiteral("cd"))
                               ? std::optional(parser.value(QStringLiteral("cd")).toStdString())
                               : std::nullopt;
    result.cd_given = cd_option.has_value();
    result.start = tavox::ReadStartForm(positional, cd_option, [](const std::filesystem::path& path) {
        std::error_code ec;
        return std::filesystem::exists(path, ec) || tavox::SplitArchiveDiscPath(path).has_value();
    });
    result.startup.first_argument = result.start.first_argument;
    result.machine_dir = parser.isSet(QStringLiteral("machine"))
                             ? std::filesystem::path(parser.value(QStringLiteral("machine")).toStdString())
                             : tavox::DefaultMachineDir();
    if (const QString drive = parser.value(QStringLiteral("cd-drive")); !drive.isEmpty()) {
        result.cd_drive = drive.toUpper().at(0).toLatin1();
    }
    if (parser.isSet(QStringLiteral("program-path"))) {
        result.startup.program_path = parser.value(QStringLiteral("program-path")).toStdString();
    }
    if (parser.isSet(QStringLiteral("runner"))) {
        result.process.runner = parser.value(QStringLiteral("runner")).toStdString();
    }
    if (parser.isSet(QStringLiteral("fallback-runner"))) {
        result.process.fallback_runner = parser.value(QStringLiteral("fallback-runner")).toStdString();
    }
    if (parser.isSet(QStringLiteral("opener"))) {
        result.process.opener = parser.value(QStringLiteral("opener")).toStdString();
    }
    result.startup.depth = IntegerOption(parser, QStringLiteral("depth"));
    result.startup.screen_width = IntegerOption(parser, QStringLiteral("screen-width"));
    if (parser.isSet(QStringLiteral("snapshot"))) {
        result.snapshot = parser.value(QStringLiteral("snapshot"));
    }
    result.verbose = parser.isSet(QStringLiteral("verbose"));
    if (parser.isSet(QStringLiteral("select"))) {
        result.select = tavox::ReadPageItem(parser.value(QStringLiteral("select")).toStdString());
        result.select_given_wrong = !result.select;
    }
    return result;
}

// Writes the window and any dialog that start-up opened, as the screen shows them, and ends the program.
// Queued after the first activation, it runs once start-up is done, or inside the dialog start-up opened.
void ScheduleSnapshot(tavox::TForm1& form, const QString& file) {
    QMetaObject::invokeMethod(
        &form,
        [&form, file] {
            if (!form.isVisible()) {
                return; // start-up ended the program
            }
            QImage screen = form.grab().toImage();
            if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog != &form) {
                QPainter painter(&screen);
                painter.drawPixmap(dialog->mapToGlobal(QPoint(0, 0)) - form.mapToGlobal(QPoint(0, 0)),
                                   dialog->grab());
            }
            // The grab counts device pixels: under a scale factor the 640x480 window is larger.
            const QSize window = QSize(640, 480) * screen.devicePixelRatio();
            const bool written = screen.copy(QRect(QPoint(0, 0), window)).save(file, "PNG");
            // A picture is all that was asked for: leave without closing the dialog, so that nothing is
            // chosen, stored or played on the way out.
            std::fflush(nullptr);
            std::_Exit(written ? 0 : 1);
        },
        Qt::QueuedConnection);
}

// The directory the CD drive links to: the disc named on the command line, a mounted disc, or one the user
// chooses. Nothing when there is no CD to map, with the exit status when the program is to end.
struct CdDirectory {
    std::optional<std::filesystem::path> dir;
    std::optional<int> exit_status;
    std::optional<std::filesystem::path> image; // the disc image, when the disc is one
};

CdDirectory FindCdDirectory(const tavox::StartForm& start, tavox::MessageBoxes& messages, bool watched) {
    std::optional<std::filesystem::path> disc;
    if (start.disc) {
        disc = std::filesystem::absolute(*start.disc);
    } else if (start.ask_for_disc) {
        disc = tavox::FindMountedDisc();
        if (!disc && !watched) {
            messages.Show(tavox::MessageKind::Error, QStringLiteral("TAVOX CD"),
                          QStringLiteral("No TAVOX CD was found."));
            return {std::nullopt, 1, {}};
        }
        if (!disc) {
            disc = tavox::ChooseDisc(nullptr);
        }
        if (!disc) {
            return {std::nullopt, 0, {}}; // the user chose no disc: nothing to do
        }
    }
    if (!disc) {
        return {};
    }
    const tavox::DiscCache cache(tavox::DefaultCacheDir() / "discs");
    auto dir = tavox::PrepareCdDirectory(*disc, cache, messages);
    if (!dir) {
        return {std::nullopt, 1, {}};
    }
    std::error_code ec;
    const bool image = std::filesystem::is_regular_file(*disc, ec);
    return {std::move(dir), std::nullopt,
            image ? std::optional(std::filesystem::absolute(*disc, ec)) : std::nullopt};
}

} // namespace

int main(int argc, char* argv[]) {
    if (const std::vector<std::string> arguments(argv + 1, argv + argc);
        tavox::AsksForShelfCommand(arguments)) {
        return tavox::RunShelfCommand(arguments);
    }
    if (AsksFor(argc, argv, {"--version", "-v"})) {
        std::fputs("tavox95 " TAVOX_VERSION "\n", stdout);
        return 0;
    }
    if (AsksFor(argc, argv, {"--help", "-h", "-?", "--help-all"})) {
        const QCoreApplication core(argc, argv);
        ParseOptions(core); // prints the help and ends the program
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAVOX CD"));
    QApplication::setApplicationVersion(QStringLiteral(TAVOX_VERSION));
    Options options = ParseOptions(app);
    const tavox::Status log_started =
        tavox::StartLog({.file = tavox::DefaultLogFile(),
                         .to_stderr = options.verbose,
                         .threshold = options.verbose ? tavox::LogLevel::Debug : tavox::LogLevel::Info});
    if (!log_started) {
        // Heard only with --verbose, the one way left to tell.
        tavox::Log(tavox::LogLevel::Warning, "menu", log_started.Error().text);
    }
    tavox::Log(tavox::LogLevel::Info, "menu", "tavox95 " TAVOX_VERSION " started");

    if (const tavox::Status made = tavox::CreateMachineLayout(options.machine_dir); !made) {
        std::fputs((made.Error().text + "\n").c_str(), stderr);
        return 1;
    }
    if (options.select_given_wrong) {
        std::fputs("--select takes a page and an item's number on it, as in Demos:3.\n", stderr);
        return 2;
    }
    if (options.start.disc_given_twice) {
        std::fputs("Give the disc either as an argument or with --cd, not both.\n", stderr);
        return 2;
    }
    // A folder of discs opens as a shelf.
    if (options.start.disc && !options.cd_given && tavox::IsShelfFolder(*options.start.disc)) {
        return tavox::RunShelfWindow(*options.start.disc, options.machine_dir, options.snapshot);
    }
    // Nobody answers the boxes of a start that only takes a picture.
    const std::unique_ptr<tavox::MessageBoxes> messages = tavox::MakeMessageBoxes(!options.snapshot);
    tavox::Machine machine(options.machine_dir);
    if (options.startup.program_path.empty()) {
        // Started from outside every drive, the menu counts as started from the CD. A Wine prefix's Z: holds
        // the whole host, which says nothing about where the menu was started from.
        auto own = machine.Drives().ToWindowsPath(QCoreApplication::applicationFilePath().toStdString());
        for (const tavox::Drive& drive : machine.Drives().Drives()) {
            std::error_code ec;
            if (own && tavox::ToUpperAscii(own->front()) == drive.letter &&
                std::filesystem::equivalent(drive.root, "/", ec)) {
                own.reset();
            }
        }
        options.startup.program_path = own.value_or("");
    }
    // The rule comes before the disc: a start that may not go on unpacks, caches and maps nothing. Started
    // from the CD, the program's path is on the CD's drive, which is D: unless given.
    const std::string entry_path = options.startup.program_path.empty()
                                       ? std::string{options.cd_drive.value_or('D'), ':', '\\'}
                                       : options.startup.program_path;
    if (!tavox::EntryAllowed(options.startup.first_argument, entry_path, *messages)) {
        return options.snapshot ? 1 : 0; // no picture was taken
    }
    // A copy of the menu on drive C: looks for its CD in the machine's drives, as FormCreate does.
    if (options.startup.program_path.starts_with("C:")) {
        options.start.ask_for_disc = false;
    }
    // With no disc to show, the shelf opened last opens, else the reader chooses a disc or a folder of discs;
    // a start that only takes a picture asks nobody.
    if (options.start.ask_for_disc && !tavox::FindMountedDisc()) {
        std::optional<std::filesystem::path> chosen = tavox::LastShelf();
        if (!chosen && !options.snapshot) {
            chosen = tavox::ChooseDisc(nullptr);
            if (!chosen) {
                return 0; // the user chose no disc: nothing to do
            }
        }
        if (chosen && tavox::IsShelfFolder(*chosen)) {
            return tavox::RunShelfWindow(*chosen, options.machine_dir, options.snapshot);
        }
        if (chosen) {
            options.start.disc = chosen->string();
            options.start.ask_for_disc = false;
        }
    }
    const CdDirectory cd = FindCdDirectory(options.start, *messages, !options.snapshot);
    if (cd.exit_status) {
        return *cd.exit_status;
    }
    std::optional<char> cd_letter;
    if (cd.dir) {
        // A disc that an earlier start mapped keeps its letter, so that recorded paths stay valid.
        for (const tavox::Drive& drive : machine.Drives().Drives()) {
            std::error_code ec;
            if (!cd_letter && drive.type == DriveType::CdRom &&
                std::filesystem::equivalent(drive.root, *cd.dir, ec)) {
                cd_letter = drive.letter;
            }
        }
        if (options.cd_drive) {
            cd_letter = options.cd_drive;
        } else if (!cd_letter) {
            cd_letter = machine.FirstFreeLetter('D');
        }
        if (!cd_letter || !machine.MapDrive(*cd_letter, *cd.dir, DriveType::CdRom)) {
            std::fputs("The CD cannot be given a drive letter.\n", stderr);
            return 1;
        }
        machine.SetDiscImage(*cd_letter, cd.image);
    }
    if (options.startup.program_path.empty()) {
        options.startup.program_path = std::string{cd_letter.value_or('D'), ':', '\\'} + "TAVOX95.EXE";
    }

    tavox::Launcher launcher(machine, options.process, [&machine](std::string_view command) {
        return tavox::CommandDir(machine.Files(), command);
    });
    tavox::AlsaSoundOutput sound;
    launcher.SetNoEngineHook([&](std::string_view command_line, const tavox::LaunchError& error) {
        const std::string text = tavox::NoEngineMessage(command_line, error);
        messages->Show(tavox::MessageKind::Error, QStringLiteral("TAVOX CD"),
                       QString::fromStdString(tavox::ToUtf8(text, machine.Drives().NameCodePage())));
    });
    tavox::TForm1 form({machine, launcher, sound, *messages}, options.startup);
    if (!form.FormCreate()) {
        return 1;
    }
    if (options.select) {
        form.SelectOnStart(*options.select);
    }
    form.show();
    if (options.snapshot) {
        ScheduleSnapshot(form, *options.snapshot);
    }
    return QApplication::exec();
}
