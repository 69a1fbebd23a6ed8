#pragma once

// The file work of the Install command that needs no window: the batch file of DOS installs, copying a file
// next to an installation, and the search for a game that its own setup program put somewhere.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavox {

class FileSystem;
struct TDemos;

// INSTALL.BAT for a DOS install: six lines ended by CR LF, in the code page of the texts given.
std::string InstallBatch(std::string_view cd_drive, const TDemos& item);

// Copies a file byte for byte into a file or into an existing directory (under its own name). Times and
// attributes are not copied; a failure is not reported.
void CopyFileTo(FileSystem& files, std::string_view source, std::string_view destination);

// True when the file exists and has every attribute bit given.
bool HasAttr(const FileSystem& files, std::string_view path, std::uint32_t attributes);

// The directory (ending in "\") under root, depth first in listing order, holding a file of that name and
// exactly that size; empty when there is none. Linked directories are not entered, so a link loop ends.
std::string SearchTree(const FileSystem& files, std::string_view root, std::string_view name,
                       std::int64_t size_bytes);

// The catalogue's SearchFile value: "file,size,directory" (or with ";" when it holds no comma).
struct SearchFile {
    std::string file;
    std::int64_t size_bytes = -1; // -1 when not a whole number: nothing matches it
    std::string directory;
};
// Empty when the value has fewer than three parts.
std::optional<SearchFile> ParseSearchFile(std::string_view value);

} // namespace tavox
