#include "base/atomic_file.h"

#include "base/unique_fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>

namespace tavox {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxNameAttempts = 100;

// A new file beside `target`, under a name no other writer (another menu, another thread) uses.
UniqueFd CreateTemporary(const fs::path& directory, const fs::path& target, mode_t mode, fs::path& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        temp = directory / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                            std::to_string(counter++));
        UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.Valid() || errno != EEXIST) {
            return fd;
        }
    }
    return UniqueFd();
}

} // namespace

bool ReadAll(int fd, std::string& bytes, std::size_t size_hint) {
    constexpr std::size_t kFirstRead = 64 * 1024;
    // One byte beyond the hint, so that a file of that size is seen to end without growing the buffer.
    std::size_t capacity = size_hint > 0 ? size_hint + 1 : kFirstRead;
    bytes.clear();
    for (;;) {
        const std::size_t used = bytes.size();
        if (used == capacity) {
            capacity *= 2;
        }
        bytes.resize(capacity);
        const ssize_t got = ::read(fd, bytes.data() + used, capacity - used);
        bytes.resize(used + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got == 0) {
            return true;
        }
        if (got < 0 && errno != EINTR) {
            return false;
        }
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

Result<struct stat> ReplaceFileAtomically(const fs::path& target, std::string_view content,
                                          mode_t new_file_mode) {
    const fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    fs::path temp;
    UniqueFd fd = CreateTemporary(directory, target, new_file_mode, temp);
    if (!fd.Valid()) {
        return Failure::FromErrno("cannot write " + target.string());
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        ::fchmod(fd.Get(), old.st_mode & 07777);
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            // Only a privileged user may give a file away; the content matters more than its owner.
            [[maybe_unused]] const int refused = ::fchown(fd.Get(), old.st_uid, old.st_gid);
        }
    }
    struct stat written {};
    const bool ok = WriteAll(fd.Get(), content) && ::fsync(fd.Get()) == 0 &&
                    ::fstat(fd.Get(), &written) == 0 && fd.Close() &&
                    ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        Failure failure = Failure::FromErrno("cannot write " + target.string());
        ::unlink(temp.c_str());
        return failure;
    }
    // Make the rename itself durable; the new content is already safe if this fails.
    const UniqueFd directory_fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory_fd.Valid()) {
        ::fsync(directory_fd.Get());
    }
    return written;
}

} // namespace tavox
