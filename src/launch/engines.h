#pragma once

// The engines that run what the host cannot: DOSBox for DOS programs and batch files, Wine for Windows
// programs. What each can do is read from what is installed, before anything is started: a Wine without its
// 32-bit half answers a 16- or 32-bit program with an exit status that says nothing of the reason.

#include <filesystem>
#include <optional>
#include <string_view>

namespace tavox {

// An executable regular file.
bool IsExecutableFile(const std::filesystem::path& path);
// The first executable file of that name in the directories of PATH.
std::optional<std::filesystem::path> FindOnPath(std::string_view name);

// DOSBox from PATH; nothing when it is not installed.
std::optional<std::filesystem::path> FindDosbox();

// Whether the Wine of this program (the wine command, its loader or a link to either) has its 32-bit half,
// which 32-bit and 16-bit Windows programs need: the i386 build of its Unix libraries beside it, where Wine's
// own installation, Debian's wine32 and the multi-arch layouts put them.
bool WineRuns32Bit(const std::filesystem::path& wine_program);

} // namespace tavox
