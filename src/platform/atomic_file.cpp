#include "platform/atomic_file.h"

#include "platform/unique_fd.h"

#include <fcntl.h>
#include <unistd.h>

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

std::optional<struct stat> ReplaceFileAtomically(const fs::path& target, std::string_view content,
                                                 mode_t new_file_mode) {
    const fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    fs::path temp;
    UniqueFd fd = CreateTemporary(directory, target, new_file_mode, temp);
    if (!fd.Valid()) {
        return std::nullopt;
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
        ::unlink(temp.c_str());
        return std::nullopt;
    }
    // Make the rename itself durable; the new content is already safe if this fails.
    const UniqueFd directory_fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory_fd.Valid()) {
        ::fsync(directory_fd.Get());
    }
    return written;
}

} // namespace tavox
