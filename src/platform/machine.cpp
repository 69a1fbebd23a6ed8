#include "platform/machine.h"

#include "base/ascii.h"

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

Failure CannotCreate(const fs::path& path, const std::error_code& ec) {
    return Failure(FailureKindOf(ec.value()), "Cannot create " + path.string() + ": " + ec.message(),
                   ec.value());
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

std::vector<fs::path> Machine::FilesOfFormerWindowsFolders(std::string_view name) const {
    std::vector<fs::path> files;
    const std::optional<fs::path> windows = drives_.ToHostPath(WindowsDir());
    if (!windows) {
        return files;
    }
    const std::string own_name = windows->filename().string();
    const auto entries_named = [](const fs::path& dir, std::string_view wanted, auto&& take) {
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            if (EqualsIgnoringCase(it->path().filename().string(), wanted)) {
                take(it->path());
            }
        }
    };
    entries_named(windows->parent_path(), own_name, [&](const fs::path& folder) {
        std::error_code ec;
        if (folder.filename() != own_name && fs::is_directory(folder, ec)) {
            entries_named(folder, name, [&files](const fs::path& file) { files.push_back(file); });
        }
    });
    return files;
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

Status Machine::MapDrive(char letter, const fs::path& host_dir, DriveType type) {
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
            // never replace a user's real directory
            return Failure(FailureKind::Exists,
                           "cannot map " + std::string(1, letter) + ": over the directory " + link.string());
        }
        fs::remove(link, ec);
    }
    fs::create_directory_symlink(fs::absolute(host_dir, ec), link, ec);
    if (ec) {
        return Failure(FailureKindOf(ec.value()), "cannot create " + link.string() + ": " + ec.message(),
                       ec.value());
    }
    // The registry logs why a type could not be stored; it still holds for this run (below).
    static_cast<void>(registry_.WriteString(RegistryRoot::LocalMachine, kWineDrives, DriveValueName(letter),
                                            WineNameOfDriveType(type)));
    ReloadDrives();
    // A drive type that could not be stored still holds for this run.
    if (const Drive* drive = drives_.Find(letter); drive && drive->type != type) {
        drives_.Map(letter, drive->root, type);
    }
    return {};
}

std::optional<char> Machine::FirstFreeLetter(char first) const {
    for (char letter = first; letter <= 'Z'; ++letter) {
        if (!drives_.Find(letter)) {
            return letter;
        }
    }
    return std::nullopt;
}

Status CreateMachineLayout(const fs::path& root) {
    std::error_code ec;
    if (fs::exists(root / "system.reg", ec)) {
        return {};
    }
    const fs::path drive_c = root / "drive_c";
    for (const fs::path& dir : {drive_c, root / "dosdevices"}) {
        fs::create_directories(dir, ec);
        if (ec) {
            return CannotCreate(dir, ec);
        }
    }
    const fs::path drive_c_link = root / "dosdevices" / "c:";
    if (!fs::exists(fs::symlink_status(drive_c_link, ec))) {
        fs::create_directory_symlink("../drive_c", drive_c_link, ec);
        if (ec) {
            return CannotCreate(drive_c_link, ec);
        }
    }
    // Wine makes "windows" itself, not through Windows names: a folder of another case would get a twin. A
    // copied disk's folder of that name, in any case, is the one.
    DriveMap drives;
    drives.Map('C', drive_c, DriveType::Fixed);
    const std::string windows =
        "C:\\" + drives.ToHostPath("C:\\windows").value_or(drive_c / "windows").filename().string();
    for (const std::string_view folder : {"\\SYSTEM", "\\TEMP", "\\Start Menu\\Programs", "\\Desktop"}) {
        const std::optional<fs::path> dir = drives.ToHostPath(windows + std::string(folder));
        if (!dir) {
            return Failure(FailureKind::NotFound,
                           "Cannot create " + windows + std::string(folder) + " in " + root.string());
        }
        fs::create_directories(*dir, ec);
        if (ec) {
            return CannotCreate(*dir, ec);
        }
    }
    Registry registry(root / "system.reg", root / "user.reg");
    struct Value {
        RegistryRoot root;
        std::string_view key;
        std::string_view name;
        std::string data;
    };
    const Value values[] = {
        {RegistryRoot::CurrentUser, kShellFolders, "Programs", windows + "\\Start Menu\\Programs"},
        {RegistryRoot::CurrentUser, kShellFolders, "Start Menu", windows + "\\Start Menu"},
        {RegistryRoot::CurrentUser, kShellFolders, "Desktop", windows + "\\Desktop"},
        {RegistryRoot::CurrentUser, kUserEnvironment, "TMP", windows + "\\TEMP"},
        {RegistryRoot::CurrentUser, kUserEnvironment, "TEMP", windows + "\\TEMP"},
        {RegistryRoot::LocalMachine, kCurrentVersionNt, "SystemRoot", windows},
        {RegistryRoot::LocalMachine, kSystemEnvironment, "TMP", windows + "\\TEMP"},
        {RegistryRoot::LocalMachine, kSystemEnvironment, "TEMP", windows + "\\TEMP"},
        {RegistryRoot::LocalMachine, kWineDrives, "c:", "hd"},
    };
    for (const Value& value : values) {
        if (const Status written = registry.WriteString(value.root, value.key, value.name, value.data);
            !written) {
            return Failure(written.Error().kind, "Cannot write the registry of " + root.string(),
                           written.Error().error_number);
        }
    }
    return {};
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
