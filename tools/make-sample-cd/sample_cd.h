#pragma once

// The whole sample issue: the catalogue, every item's files and programs, and the CD's own helpers.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sample_cd {

// Writes the CD below `root`, which must exist. `reg_tool` is what the stand-in installers call to register
// their uninstallers: a path, or a name looked up in PATH. `dos_programs` holds the DOS programs built for
// the CD (INSTALL.EXE and ZUBR.EXE of its DOS game, WRITEINI.EXE); `windows_programs`, when given, the
// Windows programs built with MinGW (SETUP.EXE, GAME.EXE), which then take the place of the stand-ins.
// Returns an error text on failure.
std::optional<std::string> WriteSampleCd(const std::filesystem::path& root, std::string_view reg_tool,
                                         const std::filesystem::path& dos_programs,
                                         const std::optional<std::filesystem::path>& windows_programs);

} // namespace sample_cd
