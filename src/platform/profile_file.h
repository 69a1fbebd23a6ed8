#pragma once

#include "base/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// A Windows profile (INI) file on the host: case-insensitive section and key names, trimmed names and values,
// quotes stripped, defaults for missing keys, immediate atomic writes with CRLF lines; a UTF-8 byte order
// mark does not hide the line it stands in front of. The bytes of names and values are kept as they are (they
// are in the code page of whoever wrote them). Lines that are not touched by a write stay exactly as they
// were. The file is re-read whenever it changed on disk, so changes made by another program between two calls
// are seen and kept.
class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path host_path);

    const std::filesystem::path& Path() const { return path_; }

    // The value, at most 1023 bytes; the default (trailing blanks trimmed) when the section or key is
    // missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view default_value) const;
    // A decimal number, blanks and an optional sign around it; the default when the key is missing or its
    // value is not such a number ("3 demos", "abc", empty). Out-of-range values are clamped.
    int ReadInteger(std::string_view section, std::string_view key, int default_value) const;
    // True when the integer value is not 0.
    bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;

    // Writes create the file and the section as needed; a new key goes to the end of its section. They fail
    // (and log why) when the file could not be written, and the file on disk then keeps its previous content.
    // A name or value that would not read back the same (a line break, "=" in a key, "]" in a section name, a
    // key that would read as a comment or a header) is refused as Unsupported. Deleting what is not there
    // succeeds and does not create the file.
    Status WriteString(std::string_view section, std::string_view key, std::string_view value);
    Status WriteInteger(std::string_view section, std::string_view key, int value);
    Status WriteBool(std::string_view section, std::string_view key, bool value);
    Status DeleteKey(std::string_view section, std::string_view key);
    Status EraseSection(std::string_view section);

    // Section names in file order (the first of duplicates only).
    std::vector<std::string> ReadSections() const;
    // Key names of a section in file order (the first of duplicates only).
    std::vector<std::string> ReadSection(std::string_view section) const;
    // True for a section header even when the section has no keys.
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

private:
    enum class LineEnd : std::uint8_t { None, Lf, CrLf, Cr };
    enum class LineKind : std::uint8_t { Other, Section, Key };
    struct Line {
        std::string text; // without its line end
        LineEnd end = LineEnd::CrLf;
        LineKind kind = LineKind::Other;
        std::string folded_name; // section or key name, trimmed, ASCII lower case
    };
    struct Stamp {
        std::int64_t mtime_ns = 0;
        std::int64_t ctime_ns = 0;
        std::uintmax_t size_bytes = 0;
        std::uintmax_t inode = 0;
        std::uintmax_t device = 0;
        bool exists = false;
        bool operator==(const Stamp&) const = default;
    };

    // A byte order mark counts only at the very start of the file.
    static Line MakeLine(std::string text, LineEnd end, bool first_line = false);
    static std::vector<Line> SplitLines(std::string_view content);
    template <typename StatBuffer> static Stamp StampOf(const StatBuffer& st);

    // False when the file exists but could not be read; the content then reads as empty.
    bool Refresh() const;
    // Indexes into lines_; lines_.size() when not found.
    std::size_t FindSection(std::string_view section) const;
    std::size_t SectionEnd(std::size_t header) const;
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;
    Status Store(std::vector<Line> lines);
    // The failure of a write to a file that exists but cannot be read, logged.
    Status Unreadable() const;

    std::filesystem::path path_;
    mutable std::string content_; // the bytes lines_ were made from
    mutable std::vector<Line> lines_;
    mutable std::optional<Stamp> loaded_stamp_; // stamp of the content in lines_
    mutable std::int64_t loaded_at_ns_ = 0;     // wall clock just before that content was read
};

} // namespace tavox
