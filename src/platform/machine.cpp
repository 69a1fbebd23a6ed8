#include "platform/machine.h"

#include "platform/ascii.h"

#include <cstdlib>
#include <system_error>

namespace tavox {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCurrentVersionNt = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kWineDrives = "Software\\Wine\\Drives";
constexpr std::string_view kSystemEnvironment =
    "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::string_view kUserEnvironment = "Environment";
constexpr std::string_view kVolatileEnvironment = "Volatile Environment";
constexpr int kMaxExpansionDepth = 8;

std::string DriveValueName(char letter) {
    return std::string{ToLowerAscii(letter), ':'};
}

bool IsDriveLink(const std::string& name) {
    return name.size() == 2 && name[1] == ':' && IsAsciiLetter(name[0]);
}

} // namespace

Machine::Machine(fs::path root)
    : root_(std::move(root)), registry_(root_ / "system.reg", root_ / "user.reg") {
    ReloadDrives();
}

void Machine::ReloadDrives() {
    drives_ = DriveMap(drives_.NameCodePage());
    const fs::path devices = root_ / "dosdevices";
    std::error_code ec;
    for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!IsDriveLink(name)) {
            continue; // "d::" and the like name raw devices, not drives
        }
        std::error_code link_error;
        fs::path target = it->path();
        if (fs::is_symlink(it->symlink_status(link_error))) {
            target = fs::read_symlink(it->path(), link_error);
            if (link_error) {
                continue;
            }
            if (target.is_relative()) {
                target = (devices / target).lexically_normal();
            }
        }
        DriveType type = DriveType::Fixed;
        if (const auto wine_type =
                registry_.ReadString(RegistryRoot::LocalMachine, kWineDrives, DriveValueName(name[0]))) {
            type = DriveTypeFromWineName(*wine_type).value_or(DriveType::Fixed);
        }
        drives_.Map(name[0], target, type);
    }
}

std::string Machine::WindowsDir() const {
    std::string dir = "C:\\WINDOWS";
    if (const auto root = registry_.ReadString(RegistryRoot::LocalMachine, kCurrentVersionNt, "SystemRoot")) {
        if (!root->empty()) {
            dir = FromUtf8(*root, drives_.NameCodePage());
        }
    }
    while (dir.size() > 3 && dir.back() == '\\') {
        dir.pop_back();
    }
    return dir;
}

std::string Machine::SystemDir() const {
    const std::string windows = WindowsDir();
    const std::string wine_style = windows + "\\system32";
    return files_.DirectoryExists(wine_style) ? wine_style : windows + "\\SYSTEM";
}

std::string Machine::ShellFolder(std::string_view name) const {
    const auto value = registry_.ReadString(RegistryRoot::CurrentUser, kShellFolders, name);
    return value ? FromUtf8(*value, drives_.NameCodePage()) : std::string();
}

std::optional<std::string> Machine::EnvironmentVariable(std::string_view name) const {
    return ExpandVariable(name, 0);
}

std::optional<std::string> Machine::ExpandVariable(std::string_view name, int depth) const {
    if (depth > kMaxExpansionDepth) {
        return std::nullopt;
    }
    std::optional<std::string> raw;
    for (const auto& [root, key] : {std::pair{RegistryRoot::CurrentUser, kUserEnvironment},
                                    std::pair{RegistryRoot::CurrentUser, kVolatileEnvironment},
                                    std::pair{RegistryRoot::LocalMachine, kSystemEnvironment}}) {
        raw = registry_.ReadString(root, key, name);
        if (raw) {
            break;
        }
    }
    if (!raw) {
        if (EqualsIgnoringCase(name, "SystemRoot") || EqualsIgnoringCase(name, "windir")) {
            return WindowsDir();
        }
        if (EqualsIgnoringCase(name, "SystemDrive")) {
            return WindowsDir().substr(0, 2);
        }
        return std::nullopt;
    }
    const std::string value = FromUtf8(*raw, drives_.NameCodePage());
    // Expand %NAME% references; unknown ones stay as written, as ExpandEnvironmentStrings leaves them.
    std::string expanded;
    std::size_t at = 0;
    while (at < value.size()) {
        const std::size_t open = value.find('%', at);
        const std::size_t close = open == std::string::npos ? open : value.find('%', open + 1);
        if (close == std::string::npos) {
            expanded += value.substr(at);
            break;
        }
        expanded += value.substr(at, open - at);
        const std::string_view inner = std::string_view(value).substr(open + 1, close - open - 1);
        if (const auto inner_value = inner.empty() ? std::nullopt : ExpandVariable(inner, depth + 1)) {
            expanded += *inner_value;
        } else {
            expanded += value.substr(open, close - open + 1);
        }
        at = close + 1;
    }
    return expanded;
}

bool Machine::MapDrive(char letter, const fs::path& host_dir, DriveType type) {
    if (letter == disc_letter_) {
        disc_image_.reset();
    }
    const fs::path devices = root_ / "dosdevices";
    const fs::path link = devices / DriveValueName(letter);
    std::error_code ec;
    fs::create_directories(devices, ec);
    const fs::file_status existing = fs::symlink_status(link, ec);
    if (fs::exists(existing)) {
        if (!fs::is_symlink(existing)) {
            return false; // never replace a user's real directory
        }
        fs::remove(link, ec);
    }
    fs::create_directory_symlink(fs::absolute(host_dir, ec), link, ec);
    if (ec) {
        return false;
    }
    registry_.WriteString(RegistryRoot::LocalMachine, kWineDrives, DriveValueName(letter),
                          WineNameOfDriveType(type));
    ReloadDrives();
    // A drive type that could not be stored still holds for this run.
    if (const Drive* drive = drives_.Find(letter); drive && drive->type != type) {
        drives_.Map(letter, drive->root, type);
    }
    return true;
}

std::optional<char> Machine::FirstFreeLetter(char first) const {
    for (char letter = first; letter <= 'Z'; ++letter) {
        if (!drives_.Find(letter)) {
            return letter;
        }
    }
    return std::nullopt;
}

std::optional<std::string> CreateMachineLayout(const fs::path& root) {
    std::error_code ec;
    if (fs::exists(root / "system.reg", ec)) {
        return std::nullopt;
    }
    const fs::path windows = root / "drive_c" / "WINDOWS";
    for (const fs::path& dir : {windows / "SYSTEM", windows / "TEMP", windows / "Start Menu" / "Programs",
                                windows / "Desktop", root / "dosdevices"}) {
        fs::create_directories(dir, ec);
        if (ec) {
            return "Cannot create " + dir.string() + ": " + ec.message();
        }
    }
    const fs::path drive_c = root / "dosdevices" / "c:";
    if (!fs::exists(fs::symlink_status(drive_c, ec))) {
        fs::create_directory_symlink("../drive_c", drive_c, ec);
        if (ec) {
            return "Cannot create " + drive_c.string() + ": " + ec.message();
        }
    }
    Registry registry(root / "system.reg", root / "user.reg");
    struct Value {
        RegistryRoot root;
        std::string_view key;
        std::string_view name;
        std::string_view data;
    };
    const Value values[] = {
        {RegistryRoot::CurrentUser, kShellFolders, "Programs", "C:\\WINDOWS\\Start Menu\\Programs"},
        {RegistryRoot::CurrentUser, kShellFolders, "Start Menu", "C:\\WINDOWS\\Start Menu"},
        {RegistryRoot::CurrentUser, kShellFolders, "Desktop", "C:\\WINDOWS\\Desktop"},
        {RegistryRoot::CurrentUser, kUserEnvironment, "TMP", "C:\\WINDOWS\\TEMP"},
        {RegistryRoot::CurrentUser, kUserEnvironment, "TEMP", "C:\\WINDOWS\\TEMP"},
        {RegistryRoot::LocalMachine, kCurrentVersionNt, "SystemRoot", "C:\\WINDOWS"},
        {RegistryRoot::LocalMachine, kSystemEnvironment, "TMP", "C:\\WINDOWS\\TEMP"},
        {RegistryRoot::LocalMachine, kSystemEnvironment, "TEMP", "C:\\WINDOWS\\TEMP"},
        {RegistryRoot::LocalMachine, kWineDrives, "c:", "hd"},
    };
    for (const Value& value : values) {
        if (!registry.WriteString(value.root, value.key, value.name, value.data)) {
            return "Cannot write the registry of " + root.string();
        }
    }
    return std::nullopt;
}

fs::path DefaultMachineDir() {
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home && *data_home) {
        return fs::path(data_home) / "tavox95" / "machine";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / ".local" / "share" / "tavox95" / "machine";
}

} // namespace tavox
