#include "unrar/worker/unar_decoder.h"

#include "base/atomic_file.h"
#include "base/unique_fd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavox::unrar::worker {

namespace {

using protocol::EndStatus;

// unar reads the archive by a path: the memory file, as the descriptor it finds it at.
constexpr int kArchiveFd = 3;
constexpr const char* kArchivePath = "/proc/self/fd/3";

// Runs in the child between fork and exec (async-signal-safe calls only): the archive at descriptor 3,
// the pipe as standard output, nothing to read, and no file of any size may be written.
[[noreturn]] void ExecUnar(pid_t parent, int archive_fd, int output_fd, int error_fd,
                           std::vector<char*>& argv) {
    // A worker killed by the library's watchdog takes unar with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(127);
    }
    const int null_fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ::dup2(null_fd, STDIN_FILENO);
    ::dup2(null_fd, STDERR_FILENO);
    ::dup2(output_fd, STDOUT_FILENO);
    if (archive_fd == kArchiveFd) {
        ::fcntl(kArchiveFd, F_SETFD, 0);
    } else {
        if (error_fd == kArchiveFd) {
            error_fd = ::fcntl(error_fd, F_DUPFD_CLOEXEC, kArchiveFd + 1);
        }
        ::dup2(archive_fd, kArchiveFd);
    }
    const rlimit nothing{0, 0};
    ::setrlimit(RLIMIT_FSIZE, &nothing);
    ::setrlimit(RLIMIT_CORE, &nothing);
    // The worker ignores SIGPIPE; unar should die of a closed pipe, not write on.
    ::signal(SIGPIPE, SIG_DFL);
    ::execvp(argv[0], argv.data());
    const int error = errno;
    [[maybe_unused]] const ssize_t n = ::write(error_fd, &error, sizeof error);
    ::_exit(127);
}

// One run of unar, writing entries to a pipe; killed and reaped when it is given up.
class UnarRun {
public:
    UnarRun() = default;
    ~UnarRun() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
    }
    UnarRun(const UnarRun&) = delete;
    UnarRun& operator=(const UnarRun&) = delete;

    enum class Started { Yes, NotInstalled, Failed };

    Started Start(int archive_fd, std::vector<std::string> args) {
        std::array<int, 2> output{-1, -1};
        std::array<int, 2> error{-1, -1};
        if (::pipe2(output.data(), O_CLOEXEC) != 0) {
            return Started::Failed;
        }
        output_.Reset(output[0]);
        UniqueFd output_end(output[1]);
        if (::pipe2(error.data(), O_CLOEXEC) != 0) {
            return Started::Failed;
        }
        UniqueFd error_read(error[0]);
        UniqueFd error_end(error[1]);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ExecUnar(parent, archive_fd, output_end.Get(), error_end.Get(), argv);
        }
        if (pid_ < 0) {
            return Started::Failed;
        }
        output_end.Reset();
        error_end.Reset();
        // The error pipe closes at a successful exec; otherwise it carries exec's errno.
        int exec_error = 0;
        ssize_t n = -1;
        while ((n = ::read(error_read.Get(), &exec_error, sizeof exec_error)) < 0 && errno == EINTR) {
        }
        if (n == 0) {
            return Started::Yes;
        }
        Wait();
        const bool missing = exec_error == ENOENT || exec_error == EACCES || exec_error == ENOTDIR;
        return missing ? Started::NotInstalled : Started::Failed;
    }

    int Output() const { return output_.Get(); }

    // Waits for unar to end; true when it exited with status 0.
    bool Finish() { return Wait() == 0; }

private:
    int Wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    UniqueFd output_;
    pid_t pid_ = -1;
};

class UnarDecoder final : public StreamDecoder {
public:
    explicit UnarDecoder(int archive_fd) : archive_(archive_fd) {}

    EndStatus Decode(const protocol::Request& request, const Output& out) override {
        // In a solid stream the earlier files are asked for too: unar unpacks them anyway, and their bytes
        // passing by are the sign of progress that keeps the library's watchdog from stopping us.
        std::vector<std::string> args{"unar", "-q", "-no-recursion", "-o", "-", "-indexes", kArchivePath};
        for (std::uint64_t index = 0; index <= request.key; ++index) {
            args.push_back(std::to_string(index));
        }
        UnarRun run;
        switch (run.Start(archive_.Get(), std::move(args))) {
        case UnarRun::Started::Yes:
            break;
        case UnarRun::Started::NotInstalled:
            return EndStatus::NoDecoder;
        case UnarRun::Started::Failed:
            return EndStatus::Failed;
        }
        std::array<std::uint8_t, protocol::kDataBlockBytes> buffer{};
        std::uint64_t earlier_left = request.earlier_bytes;
        std::uint64_t total = 0;
        for (;;) {
            const ssize_t n = ::read(run.Output(), buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return EndStatus::Failed;
            }
            if (n == 0) {
                break;
            }
            std::span<const std::uint8_t> block(buffer.data(), static_cast<std::size_t>(n));
            const auto earlier =
                static_cast<std::size_t>(std::min<std::uint64_t>(earlier_left, block.size()));
            earlier_left -= earlier;
            block = block.subspan(earlier);
            if (block.empty()) {
                out.progress();
                continue;
            }
            total += block.size();
            // More than the entry holds: the data is not what the headers say.
            if (total > request.unp_size || !out.data(block)) {
                return EndStatus::Failed;
            }
        }
        // Writing to standard output, unar ends with status 0 even where it failed: only the full size
        // counts (and the library checks the CRC).
        const bool exited_well = run.Finish();
        return (exited_well || request.unchecked) && earlier_left == 0 && total == request.unp_size
                   ? EndStatus::Ok
                   : EndStatus::Failed;
    }

private:
    UniqueFd archive_;
};

} // namespace

std::unique_ptr<StreamDecoder> MakeUnarDecoder(std::vector<std::uint8_t> bytes) {
    UniqueFd archive(::memfd_create("tavox95-rar", MFD_CLOEXEC));
    if (archive.Get() < 0) {
        return nullptr;
    }
    if (!WriteAll(archive.Get(),
                  std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
        return nullptr;
    }
    return std::make_unique<UnarDecoder>(archive.Release());
}

} // namespace tavox::unrar::worker
