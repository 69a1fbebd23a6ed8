#include "base/positional_file.h"

#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavox {

PositionalFile::PositionalFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat info {};
    if (fd_ >= 0 && (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
    size_ = fd_ >= 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

PositionalFile::~PositionalFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool PositionalFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::pread(fd_, out, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        out += n;
        count -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool PositionalFile::ReadUpTo(std::uint64_t offset, std::size_t count, std::string& out) const {
    const std::uint64_t available = offset < size_ ? size_ - offset : 0;
    out.resize(static_cast<std::size_t>(available < count ? available : count));
    return ReadAt(offset, out.data(), out.size());
}

} // namespace tavox

namespace tavox::unrar {

std::int64_t DosTimeToUnix(unsigned dos_time) {
    std::tm t{};
    t.tm_sec = static_cast<int>((dos_time & 0x1F) * 2);
    t.tm_min = static_cast<int>((dos_time >> 5) & 0x3F);
    t.tm_hour = static_cast<int>((dos_time >> 11) & 0x1F);
    t.tm_mday = static_cast<int>((dos_time >> 16) & 0x1F);
    t.tm_mon = static_cast<int>((dos_time >> 21) & 0x0F) - 1;
    t.tm_year = static_cast<int>((dos_time >> 25) & 0x7F) + 80;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t));
}

unsigned UnixTimeToDos(std::int64_t unix_time) {
    const auto seconds = static_cast<std::time_t>(unix_time);
    std::tm t{};
    if (::localtime_r(&seconds, &t) == nullptr || t.tm_year < 80) {
        return (1u << 21) | (1u << 16); // 1 January 1980, the first day DOS can tell
    }
    if (t.tm_year > 80 + 127) {
        return 0xFF9FBF7Du; // 31 December 2107, 23:59:58, the last
    }
    return static_cast<unsigned>(t.tm_sec / 2) | static_cast<unsigned>(t.tm_min) << 5 |
           static_cast<unsigned>(t.tm_hour) << 11 | static_cast<unsigned>(t.tm_mday) << 16 |
           static_cast<unsigned>(t.tm_mon + 1) << 21 | static_cast<unsigned>(t.tm_year - 80) << 25;
}

} // namespace tavox::unrar
