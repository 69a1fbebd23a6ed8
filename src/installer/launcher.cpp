#include "installer/launcher.h"

#include "base/ascii.h"
#include "base/log.h"
#include "launch/command_line.h"
#include "platform/machine.h"

namespace tavox {

namespace {

// The program's file name, without its directory.
std::string FileName(std::string_view program) {
    const std::size_t slash = program.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? program : program.substr(slash + 1));
}

// Windows Explorer opens folders; here the host's opener stands in for it, wherever the command names it.
bool IsExplorer(std::string_view program) {
    const std::string name = FileName(program);
    return EqualsIgnoringAsciiCase(name, "explorer") || EqualsIgnoringAsciiCase(name, "explorer.exe");
}

// "explorer D:\Demos", "explorer "D:\My Demos"" and the unquoted "explorer D:\My Demos" all name one folder.
std::string ExplorerTarget(std::string_view arguments) {
    const std::vector<std::string> words = SplitArguments(arguments);
    if (words.size() == 1) {
        return words.front();
    }
    while (!arguments.empty() && (arguments.back() == ' ' || arguments.back() == '\t')) {
        arguments.remove_suffix(1);
    }
    return std::string(arguments);
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

// A document that is not there is a missing program, as ShellExecute says; an opener that cannot be started
// (errno set) is the system's failure.
LaunchError OpenerError(const Failure& failure) {
    if (failure.error_number == 0) {
        return {LaunchFailure::NoSuchProgram, ProgramKind::Unknown, {}, 0};
    }
    return {LaunchFailure::SystemError, ProgramKind::Unknown, {}, failure.error_number};
}

} // namespace

Launcher::Launcher(const Machine& machine, ProcessConfig config, CommandDirFunction command_dir)
    : machine_(machine), config_(std::move(config)), command_dir_(std::move(command_dir)) {}

Launcher::Started Launcher::StartCommand(std::string_view command_line,
                                         std::optional<std::string_view> working_dir,
                                         std::optional<ChildProcess>& child, bool* through_runner) {
    const CommandParts word = SplitProgramWord(command_line);
    if (word.program.empty()) {
        return {};
    }
    if (IsExplorer(word.program)) {
        const Status opened = OpenDocument(machine_, config_, ExplorerTarget(word.arguments));
        if (opened) {
            return {Start::Opened, std::nullopt};
        }
        return {Start::Failed, ReportFailure(command_line, OpenerError(opened.Error()))};
    }
    const std::string dir = working_dir    ? std::string(*working_dir)
                            : command_dir_ ? command_dir_(command_line)
                                           : std::string();
    PlannedLaunch planned = PlanLaunch(machine_, config_, command_line, dir);
    if (!planned.plan) {
        return {Start::Failed, ReportFailure(command_line, planned.error)};
    }
    const std::string subject = subject_ ? subject_() : std::string();
    planned.plan->output_name = subject.empty() ? FileName(word.program) : subject;
    Log(LogLevel::Info, "launch",
        planned.plan->output_name + ": start " + std::string(command_line) + " in " + dir + ", " +
            std::string(DescribeProgramKind(planned.plan->kind)) +
            (planned.plan->engine.empty() ? "" : " run by " + planned.plan->engine));
    Log(LogLevel::Debug, "launch", "host command: " + Joined(planned.plan->argv));
    Result<ChildProcess> spawned = Spawn(*planned.plan, config_.use_pidfd);
    if (!spawned) {
        return {Start::Failed,
                ReportFailure(
                    command_line,
                    {LaunchFailure::SystemError, ProgramKind::Unknown, {}, spawned.Error().error_number})};
    }
    child = std::move(*spawned);
    if (through_runner != nullptr) {
        *through_runner = planned.plan->through_runner;
    }
    return {Start::Started, std::nullopt};
}

LaunchError Launcher::ReportFailure(std::string_view command_line, LaunchError error) {
    Log(LogLevel::Error, "launch",
        "cannot start " + std::string(command_line) + ": " + DescribeLaunchError(error));
    if (error.failure == LaunchFailure::NoEngine && !error.missing.empty() && no_engine_hook_ &&
        engines_reported_missing_.insert(error.missing).second) {
        no_engine_hook_(command_line, error);
    }
    return error;
}

LaunchResult Launcher::WaitExec(std::string_view command_line, int /*show_mode*/) {
    std::optional<ChildProcess> child;
    bool through_runner = false;
    const Started started = StartCommand(command_line, std::nullopt, child, &through_runner);
    if (started.start != Start::Started) {
        // The opener hands the folder to a program of the desktop and ends; nothing to wait for.
        return {started.start == Start::Opened, started.error};
    }
    if (wait_hook_) {
        wait_hook_(true);
    }
    WaitWhileProcessingEvents(*child);
    if (through_runner) {
        WaitForWineServer();
    }
    if (wait_hook_) {
        wait_hook_(false);
    }
    return {true, std::nullopt};
}

// The Wine server keeps the registry in memory and writes the files when it ends (a few seconds after its
// last program) or, while other programs keep it running, within 30 s of a change; until then the menu's
// detection would not see what an installer registered.
void Launcher::WaitForWineServer() {
    const auto plan = PlanServerWait(machine_, config_);
    if (!plan) {
        return;
    }
    Result<ChildProcess> server = Spawn(*plan, config_.use_pidfd);
    if (!server) {
        Log(LogLevel::Warning, "launch", server.Error().text + "; the registry may not be written yet");
        return;
    }
    if (!WaitWhileProcessingEvents(*server, config_.server_wait)) {
        Log(LogLevel::Warning, "launch",
            "the Wine server did not end in time; the registry may not be written yet");
        server->Kill();
    }
}

bool Launcher::WaitWhileProcessingEvents(ChildProcess& child,
                                         std::optional<std::chrono::milliseconds> limit) {
    return Pump().WaitUntil([&child] { return child.ExitCode().has_value(); }, child.ReadinessFd(), limit);
}

LaunchResult Launcher::NormalExec(std::string_view command_line, int /*show_mode*/) {
    std::optional<ChildProcess> child;
    const Started started = StartCommand(command_line, std::nullopt, child);
    return {started.start != Start::Failed, started.error};
}

LaunchResult Launcher::NormalExecIn(std::string_view command_line, std::string_view working_dir,
                                    int /*show_mode*/) {
    std::optional<ChildProcess> child;
    const Started started = StartCommand(command_line, working_dir, child);
    return {started.start != Start::Failed, started.error};
}

LaunchResult Launcher::ShellExec(std::string_view document, int /*show_mode*/) {
    const Status opened = OpenDocument(machine_, config_, document);
    if (opened) {
        return {true, std::nullopt};
    }
    return {false, ReportFailure(document, OpenerError(opened.Error()))};
}

std::string NoEngineMessage(std::string_view command_line, const LaunchError& error) {
    return std::string(SplitProgramWord(command_line).program) + " is " +
           std::string(DescribeProgramKind(error.kind)) +
           ", which cannot be started on this computer.\n\nInstall " + error.missing + ", and try again.";
}

} // namespace tavox
