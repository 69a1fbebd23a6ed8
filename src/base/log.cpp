#include "base/log.h"

#include "base/atomic_file.h"
#include "base/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

namespace tavox {

namespace fs = std::filesystem;

namespace {

struct Logger {
    std::mutex mutex;
    LogOptions options;
    UniqueFd file;
    std::uintmax_t size_bytes = 0;
};

// Never destroyed: a thread that relays a program's output may still write while the program ends.
Logger& TheLogger() {
    static Logger* logger = new Logger;
    return *logger;
}

std::string_view LevelName(LogLevel level) {
    switch (level) {
    case LogLevel::Debug:
        return "debug";
    case LogLevel::Info:
        return "info";
    case LogLevel::Warning:
        return "warning";
    case LogLevel::Error:
        return "error";
    }
    return "?";
}

std::string Timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32] = {};
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    char millis[8] = {};
    std::snprintf(millis, sizeof millis, ".%03d", static_cast<int>(ms));
    return std::string(text, length) + millis;
}

// Moves the file aside as "<file>.1" and opens a new one; the caller holds the lock.
bool OpenAfresh(Logger& logger) {
    const fs::path& path = logger.options.file;
    std::error_code ec;
    fs::rename(path, fs::path(path).concat(".1"), ec);
    logger.file.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600));
    logger.size_bytes = 0;
    return logger.file.Valid();
}

} // namespace

Status StartLog(const LogOptions& options) {
    Logger& logger = TheLogger();
    const std::lock_guard lock(logger.mutex);
    logger.options = options;
    logger.file.Reset();
    if (options.file.empty()) {
        return {};
    }
    std::error_code ec;
    fs::create_directories(options.file.parent_path(), ec);
    if (!OpenAfresh(logger)) {
        return Failure::FromErrno("cannot open the log " + options.file.string());
    }
    return {};
}

void StopLog() {
    Logger& logger = TheLogger();
    const std::lock_guard lock(logger.mutex);
    logger.file.Reset();
    logger.options = {};
}

void Log(LogLevel level, std::string_view area, std::string_view message) {
    Logger& logger = TheLogger();
    const std::lock_guard lock(logger.mutex);
    if (level < logger.options.threshold || (!logger.file.Valid() && !logger.options.to_stderr)) {
        return;
    }
    std::string line = Timestamp() + " " + std::string(LevelName(level)) + " " + std::string(area) + ": ";
    for (const char c : message) {
        line += c == '\n' || c == '\r' ? ' ' : c;
    }
    line += '\n';
    if (logger.file.Valid()) {
        if (logger.size_bytes > 0 && logger.size_bytes + line.size() > logger.options.max_bytes) {
            // A log that cannot be started afresh just stops; there is nowhere else to say so.
            static_cast<void>(OpenAfresh(logger));
        }
        if (logger.file.Valid() && WriteAll(logger.file.Get(), line)) {
            logger.size_bytes += line.size();
        }
    }
    if (logger.options.to_stderr) {
        // Standard error that takes nothing is the last place a line could go.
        static_cast<void>(WriteAll(STDERR_FILENO, line));
    }
}

void LogFailure(LogLevel level, std::string_view area, const Status& status) {
    if (!status) {
        Log(level, area, status.Error().text);
    }
}

fs::path DefaultLogFile() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return fs::path(state) / "tavox95" / "tavox95.log";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr && *home != '\0' ? home : "/tmp") / ".local" / "state" / "tavox95" /
           "tavox95.log";
}

} // namespace tavox
