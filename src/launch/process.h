#pragma once

#include <sys/types.h>

#include "base/result.h"
#include "launch/program_kind.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavox {

class Machine;

struct ProcessConfig {
    // The Windows runner as a host command with optional arguments, quoted as a shell would ("--runner");
    // when not given: wine on PATH, else /usr/lib/wine/wine64. Given but empty means there is none.
    std::optional<std::string> runner;
    // The runner for what no engine here can start ("--fallback-runner"): programs of unknown content and
    // programs whose engine is missing. The sample CD's stand-in programs need it.
    std::optional<std::string> fallback_runner;
    // The command that opens documents and folders ("--opener"); xdg-open when not given.
    std::optional<std::string> opener;
    // Children are watched through a pidfd where the kernel has them (5.3 and later); false watches by
    // polling, as older kernels must, so that this path can be exercised too.
    bool use_pidfd = true;
    // After a program run through the runner, how long to wait at most for the Wine server to end and write
    // the registry files. A server that other programs keep running saves within 30 s of a change.
    std::chrono::milliseconds server_wait{35000};
};

// The runner's command words from the configuration; empty when there is no runner.
std::vector<std::string> RunnerCommand(const ProcessConfig& config);

// Everything needed to start one program on the host.
struct LaunchPlan {
    std::vector<std::string> argv;     // argv[0] is the file to run, looked for on PATH when it has no '/'
    std::filesystem::path working_dir; // empty: the menu's own
    std::vector<std::pair<std::string, std::string>> environment; // set over the host's environment
    bool through_runner = false; // run by Wine or the runner given, whose server writes the registry late
    ProgramKind kind = ProgramKind::Unknown; // for the log: what the program is
    std::string engine;                      // for the log: what runs it; empty when it runs by itself
    // Where the program's standard output and error go: when not empty, into the log, line by line, under
    // this name (the item's); else to the menu's own.
    std::string output_name;
};

// Why a program was not started.
enum class LaunchFailure {
    NoSuchProgram, // the command names no existing file
    NotRunnable,   // its content is nothing that any engine runs
    NoEngine,      // the engine for its kind is not installed here
    SystemError,   // the host refused to start it: see the errno
};

struct LaunchError {
    LaunchFailure failure = LaunchFailure::NoSuchProgram;
    ProgramKind kind = ProgramKind::Unknown;
    std::string missing;  // for NoEngine: what to install ("32-bit Wine, package wine32"); empty when
                          // the runner given is empty
    int error_number = 0; // for SystemError
};

// The reason in a few words, for the log: "no engine for this kind of program (DOSBox, package dosbox)".
std::string DescribeLaunchError(const LaunchError& error);
// What a kind of program is, for people: "a 32-bit Windows program".
std::string_view DescribeProgramKind(ProgramKind kind);

struct PlannedLaunch {
    std::optional<LaunchPlan> plan;
    LaunchError error; // why there is no plan
};

// How a Windows command line runs here: the program is found as Windows finds it (see ResolveCommand) with
// `working_dir` (a Windows path) searched first, and goes by its content (ClassifyProgram) to its engine:
// a host program runs directly with its host path as argv[0]; a DOS program or batch file runs in DOSBox
// (DosboxConfiguration) started from the working directory, a .PIF starts the program it names; a Windows
// program goes to Wine with its Windows path, a 16- or 32-bit one only where Wine has its 32-bit half.
// The runner given overrides every engine; the fallback runner takes what no engine here can start.
// Arguments are split as the C runtime splits them and converted from the machine's code page to UTF-8
// (DOSBox gets them as they are). Every child gets WINEPREFIX set to the machine, so that host stand-ins and
// scripts that call Wine themselves work on the same machine. The working directory falls back to the
// program's directory when it does not exist.
PlannedLaunch PlanLaunch(const Machine& machine, const ProcessConfig& config, std::string_view command_line,
                         std::string_view working_dir);

// "wineserver -w" for the machine: ends when the machine's Wine server has ended, which writes the registry
// files. The server is the one beside the runner's program (as Wine installs them); nothing when there is no
// runner or no server beside it.
std::optional<LaunchPlan> PlanServerWait(const Machine& machine, const ProcessConfig& config);

// A started child process. ExitCode is the exit status, or 128 + the signal number for a child ended by a
// signal (as shells report it), or -1 when the status was lost (reaped elsewhere). Dropping the handle of a
// child that still runs leaves it running (a setup started without waiting must outlive the menu's interest
// in it); a background thread then reaps it when it ends, so it never stays a zombie.
class ChildProcess {
public:
    // Takes over a child of this process; `pidfd` may be -1.
    ChildProcess(pid_t pid, int pidfd) noexcept : pid_(pid), pidfd_(pidfd) {}
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t Pid() const { return pid_; }
    // Nothing while the child runs; never blocks.
    std::optional<int> ExitCode();
    // Blocks until the child ended.
    int Wait();
    // Ends a child that still runs (SIGKILL) and reaps it.
    void Kill();
    // Becomes readable when the child ended (a pidfd, for poll or a socket notifier); -1 when there is none
    // and ExitCode must be polled instead. Stays open as long as the handle.
    int ReadinessFd() const { return pidfd_; }

private:
    void Release() noexcept;

    pid_t pid_ = -1;
    int pidfd_ = -1;
    std::optional<int> exit_code_;
};

// Starts a plan with posix_spawn (never fork: the menu is a threaded Qt program). The child gets default
// signal handling, an empty signal mask and no descriptors beyond 0-2; with an output name, its output goes
// to the log until every process that inherited it closed it. Fails with the errno when it could not be
// started.
Result<ChildProcess> Spawn(const LaunchPlan& plan, bool use_pidfd = true);

// Hands a host file or directory to the opener without waiting for it; its result is not examined. Fails
// when the opener could not be started.
Status OpenDocument(const ProcessConfig& config, const std::filesystem::path& host_path);
// The same for a Windows path, which must name an existing file or directory (ShellExecute fails otherwise):
// NotFound, with no errno, when it does not.
Status OpenDocument(const Machine& machine, const ProcessConfig& config, std::string_view windows_path);

} // namespace tavox
