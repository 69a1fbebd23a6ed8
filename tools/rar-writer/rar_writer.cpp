#include "rar-writer/rar_writer.h"

#include "base/crc32.h"
#include "rar-writer/block_bytes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace tavox::rar_writer {

Entry File(std::string name, std::string data) {
    Entry entry;
    entry.name = std::move(name);
    entry.data = std::move(data);
    return entry;
}

Entry Directory(std::string name) {
    Entry entry;
    entry.name = std::move(name);
    entry.kind = EntryKind::Directory;
    return entry;
}

Entry Symlink(std::string name, std::string target) {
    Entry entry;
    entry.name = std::move(name);
    entry.kind = EntryKind::Symlink;
    entry.data = std::move(target);
    return entry;
}

std::uint32_t Crc32(std::string_view bytes) {
    return tavox::Crc32(bytes);
}

std::string StoredName(const Entry& entry, char separator) {
    std::string name = entry.name;
    if (!entry.name_as_is) {
        std::replace(name.begin(), name.end(), '\\', separator);
    }
    return name;
}

std::uint32_t DosTime(std::int64_t unix_time) {
    const std::chrono::sys_seconds time{
        std::chrono::seconds(std::max<std::int64_t>(unix_time, 315532800))}; // 1 January 1980
    const auto day = std::chrono::floor<std::chrono::days>(time);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss clock{time - day};
    const auto date_bits = static_cast<std::uint32_t>((static_cast<int>(date.year()) - 1980) << 9) |
                           (static_cast<unsigned>(date.month()) << 5) | static_cast<unsigned>(date.day());
    const auto time_bits = static_cast<std::uint32_t>(
        (clock.hours().count() << 11) | (clock.minutes().count() << 5) | (clock.seconds().count() / 2));
    return (date_bits << 16) | time_bits;
}

std::string Write(const Archive& archive) {
    std::string bytes = archive.format == Format::Rar4 ? WriteRar4(archive) : WriteRar5(archive);
    if (archive.truncate_at && *archive.truncate_at < bytes.size()) {
        bytes.resize(*archive.truncate_at);
    }
    return bytes;
}

bool WriteArchive(const std::filesystem::path& path, const Archive& archive) {
    const std::string bytes = Write(archive);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace tavox::rar_writer
