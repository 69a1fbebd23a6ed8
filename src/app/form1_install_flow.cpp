// The Install command: shareware and simple updates start from the CD, copied and unpacked updates go through
// the directory chooser, demos and readers' items follow their install recipe.
#include "app/form1.h"

#include "base/code_page.h"
#include "base/log.h"
#include "catalogue/settings_records.h"
#include "catalogue/text_helpers.h"
#include "installer/install_steps.h"
#include "installer/launcher.h"
#include "platform/machine.h"
#include "presentation/busy_pointer.h"

#include <QCoreApplication>

#include <algorithm>

namespace tavox {

namespace {

std::string_view FileNamePart(std::string_view path) {
    const std::size_t cut = path.find_last_of("\\:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

} // namespace

void TForm1::InstallButtonClick() {
    const std::string& cd = folders.CdDrive;
    switch (navigation.CurrentPage) {
    case PageKind::Demos:
        InstallProc(catalogue.Demos[navigation.CurrentItem]);
        break;
    case PageKind::Shareware:
        services.launcher.NormalExec(
            cd + "\\Shareware\\" + catalogue.Shares[navigation.CurrentItem].InstallName, kShowNormal);
        break;
    case PageKind::Updates: {
        const TUpdate& update = catalogue.Updates[navigation.CurrentItem];
        const std::string setup = cd + "\\Updates\\" + update.SetupFile;
        if (update.Kind == UpdateKind::StartedFromCd) {
            services.launcher.NormalExec(setup, kShowNormal);
        } else if (update.Kind == UpdateKind::CopiedAndRun) {
            ShowDirectoryChooser();
            QCoreApplication::processEvents();
            if (!folders.ChosenDir.empty()) {
                const BusyPointer busy;
                CopyFileTo(services.machine.Files(), setup, folders.ChosenDir);
                const std::string copied =
                    folders.ChosenDir + "\\" + std::string(FileNamePart(update.SetupFile));
                services.launcher.WaitExec(copied, kShowNormal);
                LogFailure(LogLevel::Warning, "install", services.machine.Files().DeleteFile(copied));
            }
        } else if (update.Kind == UpdateKind::Unpacked) {
            ShowDirectoryChooser();
            QCoreApplication::processEvents();
            if (!folders.ChosenDir.empty()) {
                ShowUnpackDialog();
            }
        }
        break;
    }
    case PageKind::Readers:
        InstallProc(catalogue.Readers[navigation.CurrentItem]);
        break;
    case PageKind::Custom:
        // The CD's browser setup lies in "\IE401CZ\"; the doubled backslash is how the menu always named it.
        services.launcher.NormalExec(cd + "\\IE401CZ\\\\IE4SETUP.EXE", kShowNormal);
        break;
    default:
        break;
    }
}

void TForm1::InstallProc(TDemos& record) {
    Timer1->stop();
    navigation.WatchedItem = static_cast<std::uint8_t>(navigation.CurrentItem & 0xFF);
    navigation.WatchedPage = navigation.CurrentPage;

    if (record.NotInstalled == 0) {
        services.launcher.WaitExec(record.InstalledDir + "\\" + record.SetupName, kShowNormal);
        return;
    }
    if (options.first_argument == "T") {
        const std::string text = record.InstallDir + "\\" + record.InstallName + " " + record.InstalledDir;
        services.messages.Show(MessageKind::Plain, QStringLiteral("TAVOX CD"),
                               QString::fromStdString(ToUtf8(text, LabelCodePage(preferences.FontCharset))));
    }

    FileSystem& files = services.machine.Files();
    const std::string section = CdSection(catalogue.CdIssue);
    switch (record.InstallType) {
    case InstallType::DosBatch: {
        const std::string batch = folders.TempDir + "INSTALL.BAT";
        if (const Status written = files.WriteFile(batch, InstallBatch(folders.CdDrive, record)); !written) {
            Log(LogLevel::Error, "install", written.Error().text);
            services.messages.Show(MessageKind::Error, QStringLiteral("Error"),
                                   QStringLiteral("I/O error %1").arg(WindowsErrorCode(written.Error())));
            return;
        }
        CopyFileTo(files, folders.CdDrive + "\\TAVOX\\INSTALL.PIF", folders.TempDir);
        services.launcher.WaitExec(batch, kShowNormal);
        LogFailure(LogLevel::Warning, "install", files.DeleteFile(batch));
        LogFailure(LogLevel::Warning, "install", files.DeleteFile(folders.TempDir + "INSTALL.PIF"));
        break;
    }
    case InstallType::ArchiveToChosenDir:
    case InstallType::ArchiveToForcedDir:
        ShowDirectoryChooser();
        if (!folders.ChosenDir.empty()) {
            ShowUnpackDialog();
        }
        if (!folders.ChosenDir.empty()) {
            record.InstalledDir = folders.ChosenDir;
            // A record that cannot be kept is logged by the settings file; the install goes on.
            static_cast<void>(Settings->WriteString(section, record.ListName, record.InstalledDir));
            if (!record.SetupName.empty()) {
                services.launcher.WaitExec(record.InstalledDir + "\\" + record.SetupName, kShowNormal);
            }
        }
        break;
    case InstallType::SetupWatched:
        // Started from the menu's own directory; the install watch notices when the game has arrived.
        services.launcher.NormalExecIn(record.InstallDir + "\\" + record.InstallName, folders.CdMenuDir,
                                       kShowNormal);
        Timer1->start();
        break;
    case InstallType::SetupWithUninstaller:
    case InstallType::SierraSetup:
    case InstallType::SetupInUninstallerDir:
    case InstallType::UntrackedSetup:
    case InstallType::UntrackedSetupToo:
    case InstallType::RunsFromCdWhenFilePresent:
        services.launcher.WaitExec(record.InstallDir + "\\" + record.InstallName, kShowNormal);
        break;
    default:
        break;
    }

    if (record.InstallType == InstallType::SetupWithUninstaller &&
        record.DirDetect == DirDetect::SearchFile) {
        const BusyPointer busy;
        record.InstalledDir.clear();
        if (const std::optional<SearchFile> search = ParseSearchFile(record.InstallParam)) {
            if (files.FileExists(search->directory + "\\" + record.Gamename)) {
                record.InstalledDir = search->directory;
            }
            for (const char letter : {'C', 'D', 'E', 'F'}) {
                const DriveType type = services.machine.Drives().TypeOf(letter);
                if (record.InstalledDir.empty() &&
                    (type == DriveType::Removable || type == DriveType::Fixed)) {
                    record.InstalledDir =
                        SearchTree(files, std::string(1, letter) + ":\\", search->file, search->size_bytes);
                }
            }
        }
        // As above: logged by the settings file, and the install goes on.
        static_cast<void>(Settings->WriteString(section, record.ListName, record.InstalledDir));
    }

    if (record.InstallType != InstallType::SetupWatched) {
        if (navigation.WatchedPage != navigation.CurrentPage) {
            // The reader changed the page while the installer ran. The section button's page opens at its
            // first item, so the item installed is selected again afterwards.
            for (int n = 1; n <= catalogue.PageCount; ++n) {
                if (catalogue.Pages[n].Kind == navigation.WatchedPage) {
                    MainButtonClick(n);
                    break;
                }
            }
        }
        navigation.CurrentItem = navigation.WatchedItem;
        if (navigation.CurrentItem < navigation.FirstVisible ||
            navigation.CurrentItem >= navigation.FirstVisible + 15) {
            navigation.FirstVisible = std::max(1, navigation.CurrentItem - 14);
            FillList();
        }
        CheckDemo(Detection(), record);
    }
    PageSelect();
    QCoreApplication::processEvents();
    navigation.FocusZone = FocusZone::Commands;
    ShowCursor(RunButton->isVisible() ? CursorObject::Run : CursorObject::Install);
}

} // namespace tavox
