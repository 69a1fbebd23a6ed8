#include "catalogue/detection.h"

#include "base/ascii.h"
#include "catalogue/path_helpers.h"
#include "catalogue/records.h"
#include "catalogue/settings_records.h"
#include "catalogue/text_helpers.h"
#include "platform/machine.h"

namespace tavox {

namespace {

constexpr std::string_view kUninstallKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// Older places of the settings file, consulted for recorded directories only.
constexpr std::string_view kOldSettingsOnC = "C:\\tavox.ini";
constexpr std::string_view kOldSettingsInWindows = "C:\\windows\\tavox.ini";

std::string UninstallString(const DetectionContext& context, const TDemos& item) {
    const auto value = context.machine.Reg().ReadString(
        RegistryRoot::LocalMachine, std::string(kUninstallKey) + item.RegUninstall, "UninstallString");
    return value ? FromUtf8(*value, context.machine.Drives().NameCodePage()) : std::string();
}

std::string ReadProfileValue(const FileSystem& files, std::string_view path, std::string_view section,
                             std::string_view key) {
    const auto profile = OpenProfileFile(files, path);
    return profile ? profile->ReadString(section, key, "") : std::string();
}

// A file name of the catalogue: absolute, from the root of the current drive, or relative to the current
// directory (the menu's directory on the CD).
std::string FromCurrentDir(const DetectionContext& context, std::string_view name) {
    if (name.size() >= 2 && name[1] == ':') {
        return std::string(name);
    }
    if (!name.empty() && name.front() == '\\') {
        return context.CurrentDir.substr(0, 2) + std::string(name);
    }
    return AddSlash(context.CurrentDir) + std::string(name);
}

std::string SierraDir(const DetectionContext& context, std::string_view sierra_ini) {
    const FileSystem& files = context.machine.Files();
    std::string dir = AddSlash(ReadProfileValue(files, sierra_ini, "Sierra", "SierraDir"));
    // A directory on the CD itself means the game was never installed, only run from the disc.
    if (!DirExists(files, dir) ||
        (!context.CdDrive.empty() && ToUpperAscii(dir.front()) == ToUpperAscii(context.CdDrive.front()))) {
        dir.clear();
    }
    return dir;
}

// The directory an item's own profile file names: "file,section,key" in its parameter.
std::string IniFileDir(const DetectionContext& context, const TDemos& item) {
    const std::vector<std::string> fields = SplitList(item.InstallParam);
    const auto field = [&fields](std::size_t i) { return i < fields.size() ? fields[i] : std::string(); };
    std::string file = field(0);
    if (UpperCaseAscii(file).find(".INI") == std::string::npos) {
        file += ".INI";
    }
    const std::string path = ProfilePath(file, context.WindowsDir, context.CurrentDir);
    return ReadProfileValue(context.machine.Files(), path, field(1), field(2));
}

void DetectByInstallType(const DetectionContext& context, TDemos& item) {
    const FileSystem& files = context.machine.Files();
    switch (item.InstallType) {
    case InstallType::RunsFromCd:
        item.Runnable = 1;
        item.NotInstalled = 0;
        item.InstalledDir = item.InstallDir;
        break;
    case InstallType::DosBatch:
    case InstallType::ArchiveToChosenDir:
    case InstallType::ArchiveToForcedDir:
        item.InstalledDir = RecordedDir(context, item.ListName);
        break;
    case InstallType::SetupWatched:
        item.UnInstallName = UninstallString(context, item);
        if (item.DirDetect == DirDetect::FromInstallType) {
            item.InstalledDir = UninstallDir(item.UnInstallName);
        }
        // With a detection rule this tests the directory of the previous check: the rule runs only later.
        if (!item.InstallParam.empty() && !files.FileExists(item.InstalledDir + item.InstallParam)) {
            item.InstalledDir.clear();
        }
        break;
    case InstallType::SetupWithUninstaller:
    case InstallType::SetupInUninstallerDir:
        if (item.UnInstallName.empty()) {
            item.UnInstallName = UninstallString(context, item);
        }
        if (item.InstallType == InstallType::SetupInUninstallerDir) {
            item.InstalledDir = CommandDir(files, item.UnInstallName);
        }
        break;
    case InstallType::SierraSetup:
        if (const std::string sierra_ini = context.WindowsDir + "sierra.ini"; files.FileExists(sierra_ini)) {
            item.InstalledDir = SierraDir(context, sierra_ini);
        }
        break;
    case InstallType::RunsFromCdWhenFilePresent:
        if (files.FileExists(FromCurrentDir(context, item.InstallParam))) {
            item.InstalledDir = item.InstallDir;
        }
        break;
    default:
        break;
    }
}

void DetectByRule(const DetectionContext& context, TDemos& item) {
    switch (item.DirDetect) {
    case DirDetect::UninstallEntryDir:
        item.InstalledDir = UninstallDir(item.UnInstallName);
        break;
    case DirDetect::RecordedDir:
    case DirDetect::SearchFile:
        item.InstalledDir = RecordedDir(context, item.ListName);
        break;
    case DirDetect::IniFile:
        item.InstalledDir = IniFileDir(context, item);
        break;
    case DirDetect::UninstallerDir:
        item.InstalledDir = CommandDir(context.machine.Files(), item.UnInstallName);
        break;
    default:
        break;
    }
}

} // namespace

std::string RecordedDir(const DetectionContext& context, std::string_view name) {
    const std::string section = CdSection(context.CdIssue);
    std::string value = context.settings.ReadString(section, name, "");
    const FileSystem& files = context.machine.Files();
    if (value.empty() && files.FileExists(kOldSettingsOnC)) {
        value = ReadProfileValue(files, kOldSettingsOnC, section, name);
        std::string windows_dir = context.WindowsDir;
        if (!windows_dir.empty() && windows_dir.back() == '\\') {
            windows_dir.pop_back();
        }
        if (value.empty() && UpperCaseAscii(windows_dir) != "C:\\WINDOWS" &&
            files.FileExists(kOldSettingsInWindows)) {
            value = ReadProfileValue(files, kOldSettingsInWindows, section, name);
        }
    }
    return value;
}

void CheckDemo(const DetectionContext& context, TDemos& item) {
    DetectByInstallType(context, item);
    if (item.InstallType == InstallType::SetupWithUninstaller ||
        (item.InstallType == InstallType::SetupWatched && item.DirDetect != DirDetect::FromInstallType)) {
        DetectByRule(context, item);
    }
    if (!item.InstalledDir.empty() && item.InstalledDir.back() == '\\') {
        item.InstalledDir.pop_back();
    }
    if (item.InstallType != InstallType::RunsFromCd) {
        const bool installed =
            !item.InstalledDir.empty() &&
            context.machine.Files().FileExists(item.InstalledDir + "\\" + ProgramPart(item.Gamename));
        item.Runnable = installed ? 1 : 0;
        item.Removable = installed ? 1 : 0;
        item.NotInstalled = installed ? 0 : 1;
        if (installed) {
            WriteInstalledRecord(context.settings, context.CdIssue, item);
        } else {
            DeleteInstalledRecord(context.settings, CdSection(context.CdIssue), item.ListName);
        }
    }
    if (item.DirDetect == DirDetect::FoundDirIsEnough && !item.InstalledDir.empty()) {
        item.Runnable = 1;
        item.Removable = 1;
        item.NotInstalled = 0;
    }
}

} // namespace tavox
