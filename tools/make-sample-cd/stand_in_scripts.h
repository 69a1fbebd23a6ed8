#pragma once

// Host shell scripts that stand in for the programs of the CD: installers, uninstallers and the games
// themselves (the DOS game and its installer are real DOS programs). The menu starts a file that begins with
// "#!" and may be executed directly, whatever its name, with WINEPREFIX set to the machine, so these do on
// the machine what the real programs did on Windows.

#include "sample_tables.h"

#include <span>
#include <string>
#include <string_view>

namespace sample_cd {

// A file that an installer copies from the CD's DATA directory into the game's directory.
struct PayloadFile {
    std::string name;
    bool program = false; // a stand-in program: executable
};

// What every script of one item shares.
struct ScriptItem {
    std::string_view file_name;     // the script's own name ("SETUP.EXE"), for its messages and comment
    std::string_view title;         // the item's name, for the comment
    std::string_view reg_uninstall; // the item's key under the system's Uninstall key
    std::string_view reg_tool;      // the reg-like tool: a path, or a name looked up in PATH
};

// The text in single quotes for sh, so that blanks, backslashes and quotes reach the command unchanged.
std::string ShellQuote(std::string_view text);

// The path below drive C: with "/" between its names ("HRY/VORTEX" for "C:\HRY\VORTEX"); empty when the
// path is not on drive C:.
std::string PathBelowC(std::string_view windows_path);

// A program that only ends successfully: the games, setups and viewers of the CD.
std::string ProgramStandIn(std::string_view file_name, std::string_view what);

// Copies the payload into the machine and leaves every trace the recipe names (registry, profile files).
std::string InstallerScript(const StandIn& recipe, std::span<const PayloadFile> payload,
                            const ScriptItem& item);

// Removes the payload and the uninstall entry again; what the catalogue's uninstall list cleans up stays.
std::string UninstallerScript(const StandIn& recipe, std::span<const PayloadFile> payload,
                              const ScriptItem& item);

// While a file of this name is in the Windows directory, every stand-in uninstaller ends at once and removes
// nothing, as a real one does when the reader presses Cancel.
inline constexpr std::string_view kCancelUninstallFile = "CANCELUN.FLG";

} // namespace sample_cd
