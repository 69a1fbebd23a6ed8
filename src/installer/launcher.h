#pragma once

#include "installer/event_pump.h"
#include "launch/process.h"

#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace tavox {

class Machine;

// What a launch operation answers: whether it did what it was asked, as a truth value, and why not.
struct LaunchResult {
    bool done = false;
    std::optional<LaunchError> error; // nothing for an empty command, which is no failure to report

    explicit operator bool() const { return done; }
};

// Windows' SW_SHOWNORMAL: the show mode the menu starts every program and document with.
inline constexpr int kShowNormal = 1;

// The menu's ways of starting things: wait for a program, start one and go on, open a document. Commands are
// Windows command lines; show_mode (SW_SHOW...) is accepted and not used, since the host's window manager
// places the windows of the programs started.
class Launcher {
public:
    // The working directory (a Windows path) that a command runs in.
    using CommandDirFunction = std::function<std::string(std::string_view command_line)>;
    // Told true when a wait begins and false when it ended, so that the window can show the hourglass.
    using WaitHook = std::function<void(bool waiting)>;

    // Told when no engine here can start a program and installing one would help: its Windows command line
    // and why. Told once per missing engine and run, so that a reader is not asked to install the same
    // package again and again.
    using NoEngineHook = std::function<void(std::string_view command_line, const LaunchError& error)>;

    Launcher(const Machine& machine, ProcessConfig config, CommandDirFunction command_dir);

    // The name of the item whose programs are started, under which their output is logged.
    using SubjectFunction = std::function<std::string()>;

    void SetWaitHook(WaitHook hook) { wait_hook_ = std::move(hook); }
    // Without one, or when it names nothing, a program's output is logged under the program's file name.
    void SetSubject(SubjectFunction subject) { subject_ = std::move(subject); }
    void SetNoEngineHook(NoEngineHook hook) { no_engine_hook_ = std::move(hook); }
    // The window's pump, which waits run through so that the window stays alive; nothing (the default) for
    // a plain wait without events. The pump must outlive its use here.
    void SetEventPump(EventPump* pump) { pump_ = pump; }

    // Starts the command and returns after it ended, whatever its exit code, processing the pump's events
    // meanwhile without keeping a core busy. After a Windows program it also waits (bounded) for the Wine
    // server to write the registry files, so that what the program registered can be read at once. A request
    // to quit the menu during the wait is held back by the pump until the program ended and takes effect once
    // the wait returns. False at once when the command is empty or cannot be started. Every failure but an
    // empty command carries its reason, which is also logged with the command line.
    LaunchResult WaitExec(std::string_view command_line, int show_mode);
    // Starts the command and returns; true when it started. The program may outlive the menu.
    LaunchResult NormalExec(std::string_view command_line, int show_mode);
    // The same in a given working directory (a Windows path) instead of the command's own.
    LaunchResult NormalExecIn(std::string_view command_line, std::string_view working_dir, int show_mode);
    // Opens a document (a Windows path) with the host's opener, as ShellExecute would open it; false when
    // the document is missing or the opener could not be started.
    LaunchResult ShellExec(std::string_view document, int show_mode);
    // Lets the pump's pending events be processed.
    void PumpMessages() { Pump().ProcessPendingEvents(); }

private:
    enum class Start { Failed, Opened, Started };
    struct Started {
        Start start = Start::Failed;
        std::optional<LaunchError> error;
    };
    Started StartCommand(std::string_view command_line, std::optional<std::string_view> working_dir,
                         std::optional<ChildProcess>& child, bool* through_runner = nullptr);
    // Logs the failure, tells the reader of a missing engine, and returns it.
    LaunchError ReportFailure(std::string_view command_line, LaunchError error);
    // False when the time limit, if any, ran out before the child ended.
    bool WaitWhileProcessingEvents(ChildProcess& child,
                                   std::optional<std::chrono::milliseconds> limit = std::nullopt);
    void WaitForWineServer();
    EventPump& Pump() { return pump_ != nullptr ? *pump_ : poll_pump_; }

    const Machine& machine_;
    ProcessConfig config_;
    CommandDirFunction command_dir_;
    WaitHook wait_hook_;
    NoEngineHook no_engine_hook_;
    SubjectFunction subject_;
    EventPump* pump_ = nullptr;
    PollPump poll_pump_;
    std::set<std::string> engines_reported_missing_;
};

// What the reader is told when no engine here can start a program: which program, what it is, and what to
// install.
std::string NoEngineMessage(std::string_view command_line, const LaunchError& error);

} // namespace tavox
