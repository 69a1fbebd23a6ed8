#pragma once

// The program's log: one line per event that a reader cannot see in the window (a write that failed, a
// program started and what it printed, a step left undone), so that afterwards someone can tell why.
// Every layer writes to it; it needs nothing but the standard library and POSIX, and any thread may write.

#include "base/result.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace tavox {

enum class LogLevel { Debug, Info, Warning, Error };

struct LogOptions {
    std::filesystem::path file{}; // empty: no file
    // The file is started afresh when it would grow beyond this; the part before is kept as the previous
    // file, so the log never takes more than twice this.
    std::uintmax_t max_bytes = 1024 * 1024;
    bool to_stderr = false;              // also every line to standard error ("--verbose")
    LogLevel threshold = LogLevel::Info; // lines below it are left out
};

// Starts logging with these options, first keeping the file of the previous run as "<file>.1" (replacing
// the one before). Without a call, nothing is logged. Fails when the file cannot be opened, which leaves
// only standard error, if asked for.
Status StartLog(const LogOptions& options);
// Ends logging: closes the file; later lines go nowhere.
void StopLog();

// Writes "<local time> <level> <area>: <message>" as one line; line breaks in the message become blanks.
void Log(LogLevel level, std::string_view area, std::string_view message);

// Logs why a step failed that the caller goes on without; nothing when it succeeded.
void LogFailure(LogLevel level, std::string_view area, const Status& status);

// $XDG_STATE_HOME/tavox95/tavox95.log, or ~/.local/state/tavox95/tavox95.log.
std::filesystem::path DefaultLogFile();

} // namespace tavox
