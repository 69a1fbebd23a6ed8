#pragma once

#include "base/result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

enum class RegistryRoot { LocalMachine, CurrentUser };

class RegistryHive;
enum class HiveEdit;

// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER over a machine's Wine-format registry files (system.reg and
// user.reg). Key paths are relative to the root, "\"-separated, matched without regard to case; a leading "\"
// is allowed. An empty value name is the key's default value. Strings are UTF-8. Each file is parsed once and
// parsed again only when it changed on disk; writes replace the file atomically and keep every key and value
// they did not touch as it was.
//
// The registry is seen as a 32-bit program sees it. On a 64-bit Wine prefix (system.reg marked "#arch=win64",
// with the 32-bit view Wine lays out under HKLM\Software\Wow6432Node) a key below HKLM\Software is looked up
// in Software\Wow6432Node first and then in Software itself, written in Software\Wow6432Node, and deleted
// from both. HKCU, a 32-bit prefix and a registry without that view (the menu's own machine) have one view
// only.
class Registry {
public:
    Registry(std::filesystem::path system_reg, std::filesystem::path user_reg);
    ~Registry();
    Registry(Registry&&) noexcept;
    Registry& operator=(Registry&&) noexcept;

    // A string value (REG_SZ, or REG_EXPAND_SZ unexpanded); nullopt when the key or value is missing or the
    // value is of another type. With two views, the 32-bit view's value wins.
    std::optional<std::string> ReadString(RegistryRoot root, std::string_view key,
                                          std::string_view value_name) const;
    bool KeyExists(RegistryRoot root, std::string_view key) const;
    // Names of the direct subkeys, in file order (with two views: the 32-bit view's first, each name once).
    std::vector<std::string> SubKeys(RegistryRoot root, std::string_view key) const;
    std::vector<std::string> ValueNames(RegistryRoot root, std::string_view key) const;

    // Writes fail when the file cannot be read or written (logged here, with the cause), Unsupported for a
    // key that cannot be written, NotFound when there is nothing to delete.
    // Sets a REG_SZ value, creating the key and its parents as needed.
    Status WriteString(RegistryRoot root, std::string_view key, std::string_view value_name,
                       std::string_view data);
    // Creates the key and its parents; succeeds when it exists afterwards.
    Status CreateKey(RegistryRoot root, std::string_view key);
    // Deletions apply to both views and fail only when neither held what they delete.
    // NotFound when the value did not exist.
    Status DeleteValue(RegistryRoot root, std::string_view key, std::string_view value_name);
    // Deletes the key with all its subkeys. NotFound when it did not exist.
    Status DeleteKeyTree(RegistryRoot root, std::string_view key);
    // Deletes the key only when it has no subkeys (as Windows NT does).
    Status DeleteKey(RegistryRoot root, std::string_view key);

private:
    struct HiveFile;
    HiveFile& Hive(RegistryRoot root) const;
    // The keys an access to `key` reaches, the one a write goes to first.
    static std::vector<std::string> Places(const RegistryHive& hive, RegistryRoot root, std::string_view key);
    Status DeleteEverywhere(RegistryRoot root, std::string_view key, std::string_view missing,
                            const std::function<HiveEdit(RegistryHive&, const std::string& place)>& edit);

    std::unique_ptr<HiveFile> system_;
    std::unique_ptr<HiveFile> user_;
};

} // namespace tavox
