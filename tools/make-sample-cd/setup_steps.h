#pragma once

// The scripts of the sample CD's real Windows setup programs and uninstallers (tools/win-programs): one
// program carries out the steps in the .INF file beside it, so every item's setup is the same program with
// its own steps. They do on the machine what the stand-in scripts do, through the Windows API.

#include "sample_tables.h"
#include "stand_in_scripts.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sample_cd {

// The Windows programs, built with MinGW.
struct WindowsPrograms {
    std::string setup; // carries out the steps of its .INF file
    std::string game;  // a window with the program's name
};
// Nothing when one of them cannot be read.
std::optional<WindowsPrograms> ReadWindowsPrograms(const std::filesystem::path& dir);

// The script of a program: SETUP.EXE reads SETUP.INF.
std::string StepsFileOf(std::string_view program);

// Copies the payload from the CD's DATA directory and leaves every trace the recipe names.
std::string SetupSteps(const StandIn& recipe, std::span<const PayloadFile> payload, const ScriptItem& item);

// Removes the payload, its own script and the uninstall entry; what the catalogue's list cleans up stays.
std::string UninstallSteps(const StandIn& recipe, std::span<const PayloadFile> payload,
                           const ScriptItem& item);

// The setup inside an archive, run in the directory it was unpacked to: it writes the game's settings there.
std::string UnpackedSetupSteps(std::string_view setup_name, std::string_view game, std::string_view title);

} // namespace sample_cd
