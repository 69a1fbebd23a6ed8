// The Uninstall command: the item's own uninstaller or the menu's question and deletion, then the clean-up
// that the catalogue's instruction list names.
#include "app/form1.h"

#include "app/string_table.h"

#include "base/ascii.h"
#include "base/code_page.h"
#include "base/log.h"
#include "catalogue/text_helpers.h"
#include "installer/deletion.h"
#include "installer/launcher.h"
#include "installer/uninstall_script.h"
#include "platform/machine.h"
#include "presentation/busy_pointer.h"

namespace tavox {

namespace {

bool HasOwnUninstaller(int install_type) {
    return install_type == InstallType::SetupWatched || install_type == InstallType::SetupWithUninstaller ||
           install_type == InstallType::SetupInUninstallerDir;
}

// Two catalogues shipped games that share files with the first and third demo of their issue; removing
// either changes what those demos find.
bool SharesFilesWithOtherDemos(const std::string& list_name) {
    return list_name == "DOGZ II" || list_name == "CATZ II";
}

} // namespace

void TForm1::UnButtonClick() {
    switch (navigation.CurrentPage) {
    case PageKind::Demos:
        UninstallProc(catalogue.Demos[navigation.CurrentItem]);
        break;
    case PageKind::Readers:
        UninstallProc(catalogue.Readers[navigation.CurrentItem]);
        break;
    case PageKind::Installed:
        UninstallProc(catalogue.Installed[navigation.CurrentItem]);
        break;
    default:
        break;
    }
}

void TForm1::UninstallProc(TDemos& record) {
    FileSystem& files = services.machine.Files();
    // The instruction list as the catalogue gives it; the record's own value is never changed.
    std::string script = record.Uninstall;

    switch (record.InstallType) {
    case InstallType::DosBatch:
    case InstallType::ArchiveToChosenDir:
    case InstallType::ArchiveToForcedDir:
        if (!DeleteQuestion(record.InstalledDir)) {
            return;
        }
        RemoveTree(record.InstalledDir);
        break;
    case InstallType::SetupWatched:
    case InstallType::SetupWithUninstaller:
    case InstallType::SetupInUninstallerDir: {
        if (script.starts_with('!')) {
            record.UnInstallName.clear();
            script.erase(0, 1);
        }
        std::string command = record.UnInstallName;
        if (command.starts_with("?I")) {
            command = record.InstallDir + "\\" + command.substr(2);
        } else if (command.starts_with("?W")) {
            command = folders.WindowsDir + command.substr(2);
        }
        services.launcher.WaitExec(command, kShowNormal);
        break;
    }
    case InstallType::SierraSetup:
        services.launcher.WaitExec(record.InstalledDir + "\\SETUP.EXE /U", kShowNormal);
        if (!files.FileExists(record.InstalledDir + "\\SETUP.EXE")) {
            RemoveStartFolder("Sierra");
            LogFailure(LogLevel::Warning, "uninstall", files.RemoveDirectory(record.InstalledDir));
        }
        break;
    case InstallType::RunsFromCdWhenFilePresent:
        record.InstalledDir.clear();
        break;
    default:
        break;
    }

    if (HasOwnUninstaller(record.InstallType) && record.UnInstallName.empty() &&
        !record.InstalledDir.empty()) {
        if (!DeleteQuestion(record.InstalledDir)) {
            return;
        }
        RemoveTree(record.InstalledDir);
    }

    // An uninstaller that was cancelled or failed leaves the program: the item stays installed.
    if (files.FileExists(record.InstalledDir + "\\" + ProgramPart(record.Gamename))) {
        return;
    }

    // The detection and the page redraw below may change the record or reuse its slot (the Installed page),
    // so what the rest works on is taken now.
    const std::string installed_dir = record.InstalledDir;
    const std::vector<UninstallInstruction> instructions =
        ParseUninstallScript(script, {installed_dir, folders.SystemDir, folders.WindowsDir,
                                      folders.StartMenuDir, folders.DesktopDir});

    if (SharesFilesWithOtherDemos(record.ListName)) {
        for (const int demo : {1, 3}) {
            if (demo <= catalogue.DemoCount) {
                CheckDemo(Detection(), catalogue.Demos[demo]);
            }
        }
    }
    DeleteEmptyBranch(files, installed_dir);
    record.Removable = 0;
    record.NotInstalled = 1;
    record.Runnable = 0;

    SetListOff();
    if (navigation.CurrentPage == PageKind::Installed) {
        ApplyDelete();
    } else {
        PageSelect();
    }
    navigation.FocusZone = FocusZone::Commands;
    if (!ShowCursor(CursorObject::Uninstall)) {
        ShowCursor(CursorObject::Install);
    }
    // Only the rebuilt Installed page has a border to draw again here: on the item's own page the border went
    // above, and the selected row gets it back when the pointer next crosses the background.
    ShowListBorder(navigation.ListBorderShown);

    RunUninstallScript(instructions,
                       {files, services.machine.Reg(), [this](const std::string& dir) { RemoveTree(dir); },
                        [this](const std::string& path) {
                            services.messages.Show(
                                MessageKind::Information, QStringLiteral("Information"),
                                QString::fromStdString(
                                    ToUtf8("Can't delete " + path, LabelCodePage(preferences.FontCharset))));
                        }});
}

bool TForm1::DeleteQuestion(const std::string& path) {
    const std::string text =
        LoadSpecial(preferences.Language, StringId::DeleteAllFilesQuestion, UpperCaseAscii(path));
    return services.messages.Ask(
        QStringLiteral("Confirm"),
        QString::fromStdString(ToUtf8(text, LabelCodePage(preferences.FontCharset))));
}

void TForm1::RemoveTree(const std::string& path) {
    const BusyPointer busy;
    const auto report = [this](const std::string& file) {
        std::string text = LoadString(StringId::CannotDeleteFile);
        text = text.find("%1") == std::string::npos
                   ? text + file + "!"
                   : LoadSpecial(preferences.Language, StringId::CannotDeleteFile, file);
        services.messages.Show(MessageKind::Error, QStringLiteral("Error"),
                               QString::fromStdString(ToUtf8(text, LabelCodePage(preferences.FontCharset))));
    };
    tavox::RemoveTree({services.machine.Files(), folders.WindowsDir, report}, path);
}

void TForm1::RemoveStartFolder(const std::string& name) {
    if (const std::string dir = StartFolderPath(folders.StartMenuDir, name); !dir.empty()) {
        RemoveTree(dir);
    }
}

void TForm1::ApplyDelete() {
    SetInstalledPage();
    for (int i = 1; i <= catalogue.DemoCount; ++i) {
        CheckDemo(Detection(), catalogue.Demos[i]);
    }
    for (int i = 1; i <= catalogue.ReaderCount; ++i) {
        CheckDemo(Detection(), catalogue.Readers[i]);
    }
}

} // namespace tavox
