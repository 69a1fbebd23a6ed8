#pragma once

// The catalogue's Uninstall value: a list of instructions that clean up what an item's own uninstaller
// leaves behind (directories, files, registry keys and values, Start-menu folders, desktop shortcuts, old
// program-group registrations). Entries are split as every catalogue list is (commas, or semicolons when
// there is no comma); the first letter of an entry selects the instruction.

#include "platform/registry.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

class FileSystem;

enum class UninstallAction {
    RemoveTree,        // a directory with everything in it (D?, DG, DGrest, SN)
    DeleteEmptyBranch, // a directory and the ones above it, when they are empty (DE)
    DeleteFile,        // a file, a failure told; then its directory when empty (F…)
    DeleteFileQuietly, // a file, nothing told (SD, and SF's group file)
    DeleteKeyTree,     // a registry key with its subkeys (R?D)
    DeleteKey,         // a registry key that has no subkeys (R?E)
    DeleteValue,       // a registry value (R?F, SF)
};

// One thing to delete, with its place resolved. Texts are in the catalogue's code page.
struct UninstallInstruction {
    UninstallAction action = UninstallAction::RemoveTree;
    std::string path;                              // file and directory actions: a Windows path
    RegistryRoot root = RegistryRoot::CurrentUser; // registry actions
    std::string key;                               // registry actions: starts with "\"
    std::string value;                             // DeleteValue: the value's name

    bool operator==(const UninstallInstruction&) const = default;
};

// Where the instructions point: the item's directory (no trailing backslash) and the machine's folders
// (each with a trailing backslash).
struct UninstallFolders {
    std::string InstalledDir;
    std::string SystemDir;
    std::string WindowsDir;
    std::string StartMenuDir;
    std::string DesktopDir;
};

// A path made absolute as Windows does it for a path with a drive: separators become "\", "." and ".." are
// resolved (".." stops at the root). Empty for a path without a drive letter: relative to nothing the menu
// knows, it is no place to delete in.
std::string FullPath(std::string_view path);

// The directory of a Start-menu folder, or empty when the name is empty or a single blank (no folder).
std::string StartFolderPath(std::string_view start_menu_dir, std::string_view name);

// The instructions of an Uninstall value, in their order. Entries outside the language (empty ones, those
// that stop after their first letter or lack a part they need, unknown letters) are left out, and so are
// instructions that need the item's directory while it has none.
std::vector<UninstallInstruction> ParseUninstallScript(std::string_view script,
                                                       const UninstallFolders& folders);

// What carrying out the instructions needs besides the files and the registry: the window's own directory
// removal (hourglass and per-file error boxes) and the box for a file that could not be deleted.
struct UninstallServices {
    FileSystem& files;
    Registry& registry;
    std::function<void(const std::string& dir)> remove_tree;
    std::function<void(const std::string& path)> report_undeletable;
};

// Carries out the instructions in their order. Registry instructions never report their outcome.
void RunUninstallScript(const std::vector<UninstallInstruction>& instructions,
                        const UninstallServices& services);

} // namespace tavox
