#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace tavox {

// The entry of the directory whose name is `lower_name` in any case of its ASCII letters.
std::optional<std::filesystem::path> ChildNamed(const std::filesystem::path& dir,
                                                std::string_view lower_name);

// The menu's catalogue (TAVOX\TAVOX95.INI, in any case) in a disc's directory.
std::optional<std::filesystem::path> MenuCatalogueOf(const std::filesystem::path& dir);

// True when the directory holds the menu's catalogue.
bool HoldsMenuCatalogue(const std::filesystem::path& dir);

// Where desktops mount removable discs: /media/LABEL, /media/USER/LABEL, /run/media/USER/LABEL, /mnt[/X].
inline constexpr std::string_view kMountRoots[] = {"/media", "/run/media", "/mnt"};

// The first directory, in the order of the roots and then of the names, that holds the menu's catalogue:
// each root itself, its subdirectories and theirs.
std::optional<std::filesystem::path> FindMountedDisc(std::span<const std::string_view> roots = kMountRoots);

} // namespace tavox
