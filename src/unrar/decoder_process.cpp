#include "unrar/decoder_process.h"

#include "base/log.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tavox::unrar {

namespace {

std::string_view Describe(DecodeResult result) {
    switch (result) {
    case DecodeResult::Ok:
        return "done";
    case DecodeResult::Failed:
        return "the decoder failed";
    case DecodeResult::Stalled:
        return "no progress within the limit, the worker was stopped";
    case DecodeResult::Crashed:
        return "the worker ended or spoke nonsense";
    case DecodeResult::Stopped:
        return "stopped";
    case DecodeResult::NoWorker:
        return "the worker could not be started";
    case DecodeResult::NoDecoder:
        return "no program here decodes it";
    }
    return "?";
}

} // namespace

DecoderProcess::DecoderProcess(std::string worker_path, std::chrono::milliseconds no_progress_limit)
    : worker_path_(std::move(worker_path)), limit_(no_progress_limit) {}

DecoderProcess::~DecoderProcess() {
    Stop();
}

std::string DecoderProcess::DefaultWorkerPath() {
    constexpr const char* kName = "tavox95-unrar";
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (const std::filesystem::path& candidate :
             {program.parent_path() / kName,
              program.parent_path() / TAVOX_UNRAR_WORKER_DIR_FROM_BIN / kName}) {
            if (::access(candidate.c_str(), X_OK) == 0) {
                return candidate.lexically_normal().string();
            }
        }
    }
    return TAVOX_UNRAR_WORKER;
}

bool DecoderProcess::Start() {
    std::array<int, 2> pair{-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair.data()) != 0) {
        return false;
    }
    // A worker that stops reading must not hold the caller in send() either.
    const auto limit_us = std::chrono::duration_cast<std::chrono::microseconds>(limit_).count();
    const timeval send_limit{static_cast<time_t>(limit_us / 1000000),
                             static_cast<suseconds_t>(limit_us % 1000000)};
    ::setsockopt(pair[0], SOL_SOCKET, SO_SNDTIMEO, &send_limit, sizeof send_limit);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, pair[1], STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, pair[1], STDOUT_FILENO);
    // The decoders print their warnings; the library reports through its result codes instead.
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::array<char*, 2> argv{worker_path_.data(), nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, worker_path_.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (spawned != 0) {
        Log(LogLevel::Error, "unrar",
            "cannot start " + worker_path_ + ": " + std::generic_category().message(spawned));
        ::close(pair[0]);
        return false;
    }
    pid_ = pid;
    socket_ = pair[0];
    return true;
}

void DecoderProcess::Stop() {
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        // Only a worker that ended by itself has more to tell than that it was stopped.
        if ((WIFEXITED(status) && WEXITSTATUS(status) != 0) ||
            (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL)) {
            Log(LogLevel::Error, "unrar",
                "the worker ended with " + std::string(WIFEXITED(status) ? "exit status " : "signal ") +
                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status)));
        }
        pid_ = -1;
    }
    sent_stream_.clear();
    frames_ = protocol::FrameBuffer();
}

DecodeResult DecoderProcess::Receive(protocol::Frame& type, std::string& payload) {
    auto deadline = std::chrono::steady_clock::now() + limit_;
    for (;;) {
        bool bad = false;
        if (auto frame = frames_.Next(bad)) {
            type = frame->first;
            payload = std::move(frame->second);
            return DecodeResult::Ok;
        }
        if (bad) {
            return DecodeResult::Crashed;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return DecodeResult::Stalled;
        }
        pollfd wait{socket_, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0) {
            return DecodeResult::Stalled;
        }
        std::array<char, 64 * 1024> buffer{};
        const ssize_t n = ::recv(socket_, buffer.data(), buffer.size(), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return DecodeResult::Crashed;
        }
        frames_.Append(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        deadline = std::chrono::steady_clock::now() + limit_;
    }
}

DecodeResult DecoderProcess::Decode(const protocol::Stream& stream, const protocol::Request& request,
                                    const Receiver& receive) {
    const DecodeResult result = DecodeEntry(stream, request, receive);
    if (result != DecodeResult::Ok && result != DecodeResult::Stopped) {
        Log(LogLevel::Warning, "unrar", request.name + ": " + std::string(Describe(result)));
    }
    return result;
}

DecodeResult DecoderProcess::DecodeEntry(const protocol::Stream& stream, const protocol::Request& request,
                                         const Receiver& receive) {
    if (pid_ < 0 && !Start()) {
        return DecodeResult::NoWorker;
    }
    std::string encoded = protocol::EncodeStream(stream);
    if (encoded != sent_stream_) {
        if (!protocol::SendFrame(socket_, protocol::Frame::Open, encoded)) {
            Stop();
            return DecodeResult::Crashed;
        }
        sent_stream_ = std::move(encoded);
    }
    if (!protocol::SendFrame(socket_, protocol::Frame::Decode, protocol::EncodeRequest(request))) {
        Stop();
        return DecodeResult::Crashed;
    }
    std::uint64_t received = 0;
    for (;;) {
        protocol::Frame type{};
        std::string payload;
        const DecodeResult got = Receive(type, payload);
        if (got != DecodeResult::Ok) {
            Stop();
            return got;
        }
        if (type == protocol::Frame::Progress) {
            continue;
        }
        if (type == protocol::Frame::End && payload.size() == 1) {
            switch (static_cast<protocol::EndStatus>(payload[0])) {
            case protocol::EndStatus::Ok:
                return DecodeResult::Ok;
            case protocol::EndStatus::NoDecoder:
                return DecodeResult::NoDecoder;
            default:
                return DecodeResult::Failed;
            }
        }
        if (type != protocol::Frame::Data) {
            Stop();
            return DecodeResult::Crashed;
        }
        received += payload.size();
        // More than the entry holds: a decoder running away with garbage (libarchive can, endlessly).
        if (received > request.unp_size) {
            Stop();
            return DecodeResult::Failed;
        }
        if (!receive(std::span(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()))) {
            // The worker is still sending this entry; a fresh one is quicker than draining it.
            Stop();
            return DecodeResult::Stopped;
        }
    }
}

} // namespace tavox::unrar
