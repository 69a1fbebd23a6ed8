#pragma once

#include <cstdint>
#include <filesystem>

namespace tavox {

// Helpers for the directory trees of the disc cache. None of them follows a symbolic link: a link in a tree
// is handled as the link itself, never as what it points to.

// Removes the tree, read-only parts included. Missing is fine.
void RemoveTree(const std::filesystem::path& root);

// Makes the files of the tree read-only and its directories read-and-enter only, as on a disc.
void MakeReadOnly(const std::filesystem::path& root);

// The bytes the tree's plain files hold.
std::uint64_t TreeBytes(const std::filesystem::path& root);

} // namespace tavox
