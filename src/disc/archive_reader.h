#pragma once

// The members of an archive that may hold a disc (7-Zip and ZIP through libarchive, RAR through our RAR layer
// and its worker process), walked in the order they are stored, each member's data read forward once.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tavox {

enum class ArchiveKind { SevenZip, Zip, Rar };

// The kind of archive the file is, from its first bytes; nothing for any other file.
std::optional<ArchiveKind> ArchiveKindOf(const std::filesystem::path& path);

struct ArchiveMember {
    std::string name; // "/" between its parts, as stored (UTF-8 where the archive says what it is)
    std::uint64_t size_bytes = 0;
    bool directory = false;
};

class ArchiveReader {
public:
    virtual ~ArchiveReader() = default;

    // The next member; nothing at the end of the archive or when it is damaged (Error() tells which).
    virtual std::optional<ArchiveMember> Next() = 0;
    // The data of the member Next() gave last, from where the previous read ended; 0 at its end, nothing
    // when it cannot be read.
    virtual std::optional<std::size_t> Read(std::span<std::uint8_t> out) = 0;
    // Why the walk or a read failed, for the user; empty while nothing failed.
    const std::string& Error() const { return error_; }

protected:
    std::string error_;
};

// Opens the archive for a walk; with `data` false the members' data is never read (a RAR archive is then
// only listed). Nothing when the file is no archive of a kind read here; `error` says why, for the user.
std::unique_ptr<ArchiveReader> OpenArchiveReader(const std::filesystem::path& path, bool data,
                                                 std::string& error);

} // namespace tavox
