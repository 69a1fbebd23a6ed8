#include "base/positional_file.h"

#include <cerrno>

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
