#include "unrar/safe_output.h"

#include "base/atomic_file.h"
#include "base/unique_fd.h"
#include "unrar/unrar.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavox::unrar {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Opens (making it when missing) each directory of `parts` in turn below `dir`, never following a link.
bool EnterDirectories(UniqueFd& dir, std::span<const std::string> parts) {
    for (const std::string& part : parts) {
        if (::mkdirat(dir.Get(), part.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
        const int next = ::openat(dir.Get(), part.c_str(), kDirFlags);
        if (next < 0) {
            return false;
        }
        dir.Reset(next);
    }
    return true;
}

std::atomic<unsigned> temp_counter{0};

// The target directory is the caller's choice and may be reached through links; it is made when missing, as
// the maker's library does. Nothing below it is followed.
int OpenTarget(const std::string& target_dir) {
    const std::string path = target_dir.empty() ? "." : target_dir;
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

int OutputFile::Create(const std::string& target_dir, const std::vector<std::string>& parts,
                       OutputFile& out) {
    UniqueFd dir(OpenTarget(target_dir));
    if (dir.Get() < 0 || parts.empty() || !EnterDirectories(dir, std::span(parts).first(parts.size() - 1))) {
        return ERAR_ECREATE;
    }
    return out.Open(dir.Release(), parts.back());
}

int OutputFile::CreateAt(const std::string& host_name, OutputFile& out) {
    const std::size_t slash = host_name.rfind('/');
    const std::string dir_name = slash == std::string::npos ? "."
                                 : slash == 0               ? "/"
                                                            : host_name.substr(0, slash);
    const std::string name = slash == std::string::npos ? host_name : host_name.substr(slash + 1);
    UniqueFd dir(::open(dir_name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0 || name.empty() || name == "." || name == "..") {
        return ERAR_ECREATE;
    }
    return out.Open(dir.Release(), name);
}

int OutputFile::Open(int dir_fd, const std::string& name) {
    Discard();
    dir_fd_ = dir_fd;
    name_ = name;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_name_ = ".tavox-unrar-" + std::to_string(::getpid()) + "-" + std::to_string(temp_counter++);
        fd_ =
            ::openat(dir_fd_, temp_name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd_ < 0) {
        temp_name_.clear();
        return ERAR_ECREATE;
    }
    return ERAR_SUCCESS;
}

OutputFile::~OutputFile() {
    Discard();
}

void OutputFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_name_.empty()) {
        ::unlinkat(dir_fd_, temp_name_.c_str(), 0);
        temp_name_.clear();
    }
    if (dir_fd_ >= 0) {
        ::close(dir_fd_);
        dir_fd_ = -1;
    }
}

int OutputFile::Write(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return WriteAll(fd_, text) ? ERAR_SUCCESS : ERAR_EWRITE;
}

int OutputFile::Commit(unsigned mode, std::int64_t unix_time) {
    struct stat existing {};
    if (::fstatat(dir_fd_, name_.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(existing.st_mode)) {
        Discard();
        return ERAR_ECREATE;
    }
    const timespec times[2] = {{static_cast<time_t>(unix_time), 0}, {static_cast<time_t>(unix_time), 0}};
    const bool closed = ::fchmod(fd_, static_cast<mode_t>(mode)) == 0 && ::futimens(fd_, times) == 0 &&
                        ::close(std::exchange(fd_, -1)) == 0;
    if (!closed) {
        Discard();
        return ERAR_ECLOSE;
    }
    // The data is safe under the temporary name; a name the host refuses (too long, say) is a file that
    // cannot be created, which the extraction skips like any other.
    if (::renameat(dir_fd_, temp_name_.c_str(), dir_fd_, name_.c_str()) != 0) {
        Discard();
        return ERAR_ECREATE;
    }
    temp_name_.clear();
    Discard();
    return ERAR_SUCCESS;
}

int CreateDirectories(const std::string& target_dir, const std::vector<std::string>& parts) {
    UniqueFd dir(OpenTarget(target_dir));
    return dir.Get() >= 0 && EnterDirectories(dir, parts) ? ERAR_SUCCESS : ERAR_ECREATE;
}

} // namespace tavox::unrar
