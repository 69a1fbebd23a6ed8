#pragma once

#include <filesystem>
#include <optional>

namespace tavox {

// The shelf opened last, remembered in $XDG_CONFIG_HOME/tavox95/shelf (~/.config without it), so that a start
// without arguments opens it again. Nothing when none was opened or its folder is gone.
std::optional<std::filesystem::path> LastShelf();
void RememberShelf(const std::filesystem::path& folder);

// A folder that holds discs rather than being one: what `tavox95 FOLDER` opens as a shelf.
bool IsShelfFolder(const std::filesystem::path& path);

} // namespace tavox
