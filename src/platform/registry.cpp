#include "platform/registry.h"

#include "base/ascii.h"
#include "base/atomic_file.h"
#include "base/log.h"
#include "base/unique_fd.h"
#include "platform/registry_hive.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace tavox {

namespace {

// Wine makes its registry files readable by all; a replaced file keeps the mode it has.
constexpr mode_t kNewHiveMode = 0644;

// What tells us the file changed since we read it.
struct FileStamp {
    std::int64_t mtime_ns = 0;
    std::uintmax_t size_bytes = 0;
    std::uintmax_t inode = 0;
    bool exists = false;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& info) {
    return {static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            static_cast<std::uintmax_t>(info.st_size), static_cast<std::uintmax_t>(info.st_ino), true};
}

// The parts of a key path, without the empty ones a leading or doubled "\" makes.
std::vector<std::string_view> KeyParts(std::string_view key) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= key.size();) {
        const std::size_t end = std::min(key.find('\\', start), key.size());
        if (end > start) {
            parts.push_back(key.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

// Where a 32-bit program's HKLM key is kept on a 64-bit prefix: "Software\X" in "Software\Wow6432Node\X".
// Software\Classes is shared by both views (as in Windows 7 and later), and Software\Wine holds Wine's own
// settings, which its 64-bit services read (the drive types): both stay where they are.
std::optional<std::string> Wow64Place(std::string_view key) {
    const std::vector<std::string_view> parts = KeyParts(key);
    if (parts.empty() || !EqualsIgnoringAsciiCase(parts[0], "Software")) {
        return std::nullopt;
    }
    if (parts.size() > 1 &&
        (EqualsIgnoringAsciiCase(parts[1], "Wow6432Node") || EqualsIgnoringAsciiCase(parts[1], "Classes") ||
         EqualsIgnoringAsciiCase(parts[1], "Wine"))) {
        return std::nullopt;
    }
    std::string place = std::string(parts[0]) + "\\Wow6432Node";
    for (std::size_t i = 1; i < parts.size(); ++i) {
        place += '\\';
        place += parts[i];
    }
    return place;
}

// Wine lays out the 32-bit view only in a 64-bit prefix; a registry marked 64-bit that Wine never set up
// (the menu's own machine, until Wine first runs in it) has a single view, where 32-bit programs write.
bool HasWow64View(const RegistryHive& hive) {
    return hive.Architecture() == "win64" && hive.KeyExists("Software\\Wow6432Node");
}

} // namespace

struct Registry::HiveFile {
    HiveFile(std::filesystem::path file, std::string_view root_name)
        : path(std::move(file)), relative_to(root_name) {}

    const RegistryHive& Current() {
        Refresh();
        return hive;
    }

    // Reads the file again when it changed, applies the edit and writes the file when the edit changed it.
    // `refused` is the failure when the edit finds nothing to do it on.
    Status Edit(const std::function<HiveEdit(RegistryHive&)>& edit, Failure refused) {
        Refresh();
        if (!readable) {
            std::string why = "left " + path.string() + " unchanged: it cannot be read";
            Log(LogLevel::Error, "registry", why);
            return Failure(FailureKind::Io, std::move(why));
        }
        switch (edit(hive)) {
        case HiveEdit::Refused:
            return refused;
        case HiveEdit::Unchanged:
            return {};
        case HiveEdit::Changed:
            break;
        }
        Status stored = Store();
        if (!stored) {
            loaded.reset(); // what we hold is not what the file says: read it again
        }
        return stored;
    }

    void Refresh() {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            if (errno == ENOENT || errno == ENOTDIR) {
                if (!loaded || loaded->exists) {
                    hive = RegistryHive();
                    loaded = FileStamp{};
                }
                readable = true;
            } else {
                Unreadable();
            }
            return;
        }
        if (loaded && *loaded == StampOf(info)) {
            return;
        }
        UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!file.Valid() || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            Unreadable();
            return;
        }
        std::string bytes;
        if (!ReadAll(file.Get(), bytes, static_cast<std::size_t>(info.st_size))) {
            Unreadable();
            return;
        }
        hive = RegistryHive::Parse(bytes);
        loaded = StampOf(info);
        readable = true;
    }

    // A file we cannot read reads as empty, and is never replaced: that would lose what it holds.
    void Unreadable() {
        hive = RegistryHive();
        loaded.reset();
        readable = false;
    }

    Status Store() {
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        const Result<struct stat> written =
            ReplaceFileAtomically(path, hive.Serialize(relative_to), kNewHiveMode);
        if (!written) {
            const Failure& failure = written.Error();
            Log(LogLevel::Error, "registry",
                failure.text + ": " + std::generic_category().message(failure.error_number));
            return failure;
        }
        loaded = StampOf(*written);
        return {};
    }

    std::filesystem::path path;
    std::string_view relative_to;
    RegistryHive hive;
    std::optional<FileStamp> loaded; // stamp of the file whose content `hive` holds
    bool readable = true;
};

Registry::Registry(std::filesystem::path system_reg, std::filesystem::path user_reg)
    : system_(std::make_unique<HiveFile>(std::move(system_reg), "REGISTRY\\\\Machine")),
      user_(std::make_unique<HiveFile>(std::move(user_reg), "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000")) {}

Registry::~Registry() = default;
Registry::Registry(Registry&&) noexcept = default;
Registry& Registry::operator=(Registry&&) noexcept = default;

Registry::HiveFile& Registry::Hive(RegistryRoot root) const {
    return root == RegistryRoot::LocalMachine ? *system_ : *user_;
}

std::vector<std::string> Registry::Places(const RegistryHive& hive, RegistryRoot root, std::string_view key) {
    std::vector<std::string> places;
    if (root == RegistryRoot::LocalMachine && HasWow64View(hive)) {
        if (auto place = Wow64Place(key)) {
            places.push_back(std::move(*place));
        }
    }
    places.emplace_back(key);
    return places;
}

std::optional<std::string> Registry::ReadString(RegistryRoot root, std::string_view key,
                                                std::string_view value_name) const {
    const RegistryHive& hive = Hive(root).Current();
    for (const std::string& place : Places(hive, root, key)) {
        if (auto data = hive.ReadString(place, value_name)) {
            return data;
        }
    }
    return std::nullopt;
}

bool Registry::KeyExists(RegistryRoot root, std::string_view key) const {
    const RegistryHive& hive = Hive(root).Current();
    const auto places = Places(hive, root, key);
    return std::ranges::any_of(places, [&hive](const std::string& place) { return hive.KeyExists(place); });
}

std::vector<std::string> Registry::SubKeys(RegistryRoot root, std::string_view key) const {
    const RegistryHive& hive = Hive(root).Current();
    const auto places = Places(hive, root, key);
    std::vector<std::string> names = hive.SubKeys(places.front());
    for (std::size_t i = 1; i < places.size(); ++i) {
        for (std::string& name : hive.SubKeys(places[i])) {
            if (!hive.KeyExists(places.front() + "\\" + name)) {
                names.push_back(std::move(name));
            }
        }
    }
    return names;
}

std::vector<std::string> Registry::ValueNames(RegistryRoot root, std::string_view key) const {
    const RegistryHive& hive = Hive(root).Current();
    const auto places = Places(hive, root, key);
    std::vector<std::string> names = hive.ValueNames(places.front());
    for (std::size_t i = 1; i < places.size(); ++i) {
        for (std::string& name : hive.ValueNames(places[i])) {
            if (!hive.ValueExists(places.front(), name)) {
                names.push_back(std::move(name));
            }
        }
    }
    return names;
}

Status Registry::WriteString(RegistryRoot root, std::string_view key, std::string_view value_name,
                             std::string_view data) {
    return Hive(root).Edit(
        [&](RegistryHive& hive) {
            return hive.WriteString(Places(hive, root, key).front(), value_name, data);
        },
        Failure(FailureKind::Unsupported,
                "cannot write the value " + std::string(value_name) + " of " + std::string(key)));
}

Status Registry::CreateKey(RegistryRoot root, std::string_view key) {
    return Hive(root).Edit(
        [&](RegistryHive& hive) { return hive.CreateKey(Places(hive, root, key).front()); },
        Failure(FailureKind::Unsupported, "cannot create the key " + std::string(key)));
}

Status
Registry::DeleteEverywhere(RegistryRoot root, std::string_view key, std::string_view missing,
                           const std::function<HiveEdit(RegistryHive&, const std::string& place)>& edit) {
    return Hive(root).Edit(
        [&](RegistryHive& hive) {
            HiveEdit outcome = HiveEdit::Refused;
            for (const std::string& place : Places(hive, root, key)) {
                outcome = std::max(outcome, edit(hive, place));
            }
            return outcome;
        },
        Failure(FailureKind::NotFound, std::string(missing)));
}

Status Registry::DeleteValue(RegistryRoot root, std::string_view key, std::string_view value_name) {
    return DeleteEverywhere(root, key, "no value " + std::string(value_name) + " in " + std::string(key),
                            [value_name](RegistryHive& hive, const std::string& place) {
                                return hive.DeleteValue(place, value_name);
                            });
}

Status Registry::DeleteKeyTree(RegistryRoot root, std::string_view key) {
    return DeleteEverywhere(
        root, key, "no key " + std::string(key),
        [](RegistryHive& hive, const std::string& place) { return hive.DeleteKeyTree(place); });
}

Status Registry::DeleteKey(RegistryRoot root, std::string_view key) {
    return DeleteEverywhere(
        root, key, "no key " + std::string(key) + " without subkeys",
        [](RegistryHive& hive, const std::string& place) { return hive.DeleteKey(place); });
}

} // namespace tavox
