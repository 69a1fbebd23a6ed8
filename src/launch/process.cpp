#include "launch/process.h"

#include "base/code_page.h"
#include "base/log.h"
#include "base/unique_fd.h"
#include "launch/command_line.h"
#include "launch/dosbox_config.h"
#include "launch/engines.h"
#include "platform/machine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>
#include <thread>

extern char** environ;

namespace tavox {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFallbackRunner = "/usr/lib/wine/wine64";
constexpr std::string_view kDefaultOpener = "xdg-open";
// DOSBox reads its configuration from a file, which lives as long as DOSBox: the shell in front of it writes
// the file, waits for DOSBox and removes the file, so that nothing stays behind whether or not the menu
// waits, and a start that fails leaves no file. The system's tools are found whatever PATH the menu has.
constexpr std::string_view kDosboxWrapper =
    R"(PATH=${PATH:+$PATH:}/usr/bin:/bin
dir=$(mktemp -d "${TMPDIR:-/tmp}/tavox95-dosbox.XXXXXX") || exit 127
printf '%s' "$1" > "$dir/dosbox.conf" && { [ -z "$3" ] || printf '%s' "$3" > "$dir/$4"; } &&
  cd "$dir" && "$2" -conf dosbox.conf
status=$?
rm -f -- "$dir/dosbox.conf" "$dir/$4"
rmdir -- "$dir"
exit $status)";
constexpr std::string_view kWine32Missing = "32-bit Wine, package wine32";
constexpr std::string_view kWineMissing = "Wine, package wine";
constexpr std::string_view kDosboxMissing = "DOSBox, package dosbox";
// A .PIF that names another .PIF is not followed further.
constexpr int kMaxPifDepth = 1;

int DecodeWaitStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

int OpenPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    // The descriptor is close-on-exec by definition.
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

void ReapWhenEnded(pid_t pid) {
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) == -1 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the child still runs, and stays a zombie only until the menu ends.
    }
}

// A line that never ends (a program printing binary data) is cut at this length.
constexpr std::size_t kMaxOutputLine = 4096;

// Logs what a child writes to `pipe`, line by line, until every writer has closed it.
void RelayOutput(UniqueFd pipe, std::string name) {
    try {
        std::thread([fd = std::move(pipe), name = std::move(name)] {
            std::string pending;
            std::array<char, 4096> buffer{};
            for (;;) {
                const ssize_t n = ::read(fd.Get(), buffer.data(), buffer.size());
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    break;
                }
                pending.append(buffer.data(), static_cast<std::size_t>(n));
                for (std::size_t end = 0;
                     (end = std::min(pending.find('\n'), kMaxOutputLine)) < pending.size();) {
                    Log(LogLevel::Info, name, std::string_view(pending).substr(0, end));
                    pending.erase(0, pending[end] == '\n' ? end + 1 : end);
                }
            }
            if (!pending.empty()) {
                Log(LogLevel::Info, name, pending);
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the pipe closes, and the program's next write fails instead of filling it.
    }
}

std::pair<std::string, std::string> PrefixVariable(const Machine& machine) {
    std::error_code ec;
    return {"WINEPREFIX", fs::absolute(machine.Root(), ec).string()};
}

// The host environment with the plan's variables set over it.
std::vector<std::string> ChildEnvironment(const std::vector<std::pair<std::string, std::string>>& overrides) {
    std::vector<std::string> entries;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        bool overridden = false;
        for (const auto& [override_name, value] : overrides) {
            overridden = overridden || name == override_name;
        }
        if (!overridden) {
            entries.emplace_back(text);
        }
    }
    for (const auto& [name, value] : overrides) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> PointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (std::string& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

std::vector<std::string> RunnerCommand(const ProcessConfig& config) {
    if (config.runner) {
        return SplitHostCommand(*config.runner);
    }
    if (auto wine = FindOnPath("wine")) {
        return {wine->string()};
    }
    if (IsExecutableFile(fs::path(kFallbackRunner))) {
        return {std::string(kFallbackRunner)};
    }
    return {};
}

std::string_view DescribeProgramKind(ProgramKind kind) {
    switch (kind) {
    case ProgramKind::Host:
        return "a program of this system";
    case ProgramKind::Dos:
        return "a DOS program";
    case ProgramKind::Batch:
        return "a DOS batch file";
    case ProgramKind::Pif:
        return "a DOS program information file";
    case ProgramKind::Windows16:
        return "a 16-bit Windows program";
    case ProgramKind::Windows32:
        return "a 32-bit Windows program";
    case ProgramKind::Windows64:
        return "a 64-bit Windows program";
    case ProgramKind::Unknown:
        break;
    }
    return "not a program";
}

std::string DescribeLaunchError(const LaunchError& error) {
    switch (error.failure) {
    case LaunchFailure::NoSuchProgram:
        return "no such program";
    case LaunchFailure::NotRunnable:
        return "not runnable (" + std::string(DescribeProgramKind(error.kind)) + ")";
    case LaunchFailure::NoEngine:
        return "no engine for this kind of program (" + std::string(DescribeProgramKind(error.kind)) +
               "; missing: " + error.missing + ")";
    case LaunchFailure::SystemError:
        return std::generic_category().message(error.error_number) + " (errno " +
               std::to_string(error.error_number) + ")";
    }
    return {};
}

namespace {

PlannedLaunch Failed(LaunchFailure failure, ProgramKind kind = ProgramKind::Unknown,
                     std::string_view missing = {}) {
    return {std::nullopt, {failure, kind, std::string(missing), 0}};
}

// The engine's command words for a kind of program, or what is missing for it. Host programs need none.
struct EngineChoice {
    std::vector<std::string> command;
    bool dosbox = false;
    std::string_view missing;
};

// A file that starts as a DOS or Windows program does, whatever the rest: the runner given decides what it
// is, as the sample CD's stand-ins need.
bool StartsLikeMz(const fs::path& program) {
    char magic[2] = {};
    std::ifstream file(program, std::ios::binary);
    file.read(magic, 2);
    return file.gcount() == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

EngineChoice ChooseEngine(const ProcessConfig& config, ProgramKind kind, const fs::path& program) {
    if (config.runner) {
        if (kind == ProgramKind::Unknown && !StartsLikeMz(program)) {
            return {};
        }
        // An empty runner says that nothing is to run them: there is nothing to install.
        return {RunnerCommand(config), false, {}};
    }
    switch (kind) {
    case ProgramKind::Dos:
    case ProgramKind::Batch:
    case ProgramKind::Pif:
        if (const auto dosbox = FindDosbox()) {
            return {{dosbox->string()}, true, {}};
        }
        return {{}, false, kDosboxMissing};
    case ProgramKind::Windows16:
    case ProgramKind::Windows32: {
        std::vector<std::string> wine = RunnerCommand(config);
        if (wine.empty()) {
            return {{}, false, kWineMissing};
        }
        if (!WineRuns32Bit(wine.front().find('/') == std::string::npos
                               ? FindOnPath(wine.front()).value_or(fs::path())
                               : fs::path(wine.front()))) {
            return {{}, false, kWine32Missing};
        }
        return {std::move(wine), false, {}};
    }
    case ProgramKind::Windows64:
        return {RunnerCommand(config), false, kWineMissing};
    case ProgramKind::Host:
    case ProgramKind::Unknown:
        break;
    }
    return {};
}

std::string DirectoryPart(std::string_view windows_path) {
    const std::size_t cut = windows_path.find_last_of('\\');
    return std::string(windows_path.substr(0, cut == std::string_view::npos ? 0 : cut));
}

PlannedLaunch PlanLaunchAt(const Machine& machine, const ProcessConfig& config, std::string_view command_line,
                           std::string_view working_dir, int pif_depth);

// A .PIF starts its program with its arguments in its directory; names without a drive are taken from the
// directory of the .PIF.
PlannedLaunch PlanPif(const Machine& machine, const ProcessConfig& config, const fs::path& host_pif,
                      std::string_view windows_pif, std::string_view arguments, int pif_depth) {
    std::string bytes(1024, '\0');
    {
        std::ifstream file(host_pif, std::ios::binary);
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(file.gcount()));
    }
    const std::optional<PifTarget> target = ReadPif(bytes);
    if (!target || pif_depth >= kMaxPifDepth) {
        return Failed(LaunchFailure::NotRunnable, ProgramKind::Pif);
    }
    const std::string pif_dir = DirectoryPart(windows_pif);
    const auto absolute = [&](const std::string& path) {
        return path.size() >= 2 && path[1] == ':' ? path : pif_dir + "\\" + path;
    };
    std::string command = "\"" + absolute(target->program) + "\"";
    for (const std::string_view more : {std::string_view(target->arguments), arguments}) {
        if (!more.empty()) {
            command += " " + std::string(more);
        }
    }
    return PlanLaunchAt(machine, config, command,
                        target->working_dir.empty() ? pif_dir : absolute(target->working_dir), pif_depth + 1);
}

PlannedLaunch PlanLaunchAt(const Machine& machine, const ProcessConfig& config, std::string_view command_line,
                           std::string_view working_dir, int pif_depth) {
    const FileSystem& files = machine.Files();
    std::vector<std::string> search_dirs;
    if (!working_dir.empty()) {
        search_dirs.emplace_back(working_dir);
    }
    search_dirs.push_back(machine.SystemDir());
    search_dirs.push_back(machine.WindowsDir());
    const auto command = ResolveCommand(files, command_line, search_dirs);
    if (!command) {
        return Failed(LaunchFailure::NoSuchProgram);
    }
    const auto host_program = files.HostPath(command->program);
    if (!host_program) {
        return Failed(LaunchFailure::NoSuchProgram);
    }
    std::error_code ec;
    // Absolute, because the child changes its directory before the program is looked up.
    const fs::path program = fs::absolute(*host_program, ec);
    const CodePage code_page = machine.Drives().NameCodePage();
    const bool dir_exists = !working_dir.empty() && files.DirectoryExists(working_dir);
    const auto host_dir = dir_exists ? files.HostPath(working_dir) : std::nullopt;

    const ProgramKind kind = ClassifyProgramFile(program, command->program);
    if (kind == ProgramKind::Pif && !config.runner) {
        return PlanPif(machine, config, program, command->program, command->arguments, pif_depth);
    }
    LaunchPlan plan;
    plan.kind = kind;
    if (kind == ProgramKind::Host) {
        plan.argv.push_back(program.string());
    } else {
        EngineChoice engine = ChooseEngine(config, kind, program);
        if (engine.command.empty() && config.fallback_runner) {
            engine = {SplitHostCommand(*config.fallback_runner), false, {}};
        }
        if (engine.command.empty()) {
            return kind == ProgramKind::Unknown ? Failed(LaunchFailure::NotRunnable, kind)
                                                : Failed(LaunchFailure::NoEngine, kind, engine.missing);
        }
        plan.engine = engine.command.front();
        if (engine.dosbox) {
            const std::optional<DosboxImage> image =
                machine.DiscImage() ? DosboxImageOf(*machine.DiscImage()) : std::nullopt;
            DosboxStart start;
            start.mounts =
                DosboxMounts(machine.Drives(), machine.DiscImageLetter(), image ? &*image : nullptr);
            start.directory = dir_exists ? std::string(working_dir) : DirectoryPart(command->program);
            while (start.directory.size() > 3 && start.directory.back() == '\\') {
                start.directory.pop_back();
            }
            start.program = command->program;
            start.arguments = command->arguments;
            start.batch = kind == ProgramKind::Batch;
            plan.argv = {"/bin/sh",
                         "-c",
                         std::string(kDosboxWrapper),
                         "sh",
                         DosboxConfiguration(start),
                         engine.command.front(),
                         image ? DosboxCueSheet(*image) : std::string(),
                         std::string(kDosboxCueFile)};
            plan.working_dir = program.parent_path();
            plan.environment.push_back(PrefixVariable(machine));
            return {std::move(plan), {}};
        }
        plan.argv = std::move(engine.command);
        plan.argv.push_back(ToUtf8(command->program, code_page));
        plan.through_runner = true;
    }
    for (const std::string& argument : SplitArguments(command->arguments)) {
        plan.argv.push_back(ToUtf8(argument, code_page));
    }
    plan.working_dir = host_dir ? fs::absolute(*host_dir, ec) : program.parent_path();
    plan.environment.push_back(PrefixVariable(machine));
    return {std::move(plan), {}};
}

} // namespace

PlannedLaunch PlanLaunch(const Machine& machine, const ProcessConfig& config, std::string_view command_line,
                         std::string_view working_dir) {
    return PlanLaunchAt(machine, config, command_line, working_dir, 0);
}

std::optional<LaunchPlan> PlanServerWait(const Machine& machine, const ProcessConfig& config) {
    const std::vector<std::string> runner = RunnerCommand(config);
    if (runner.empty()) {
        return std::nullopt;
    }
    const fs::path given(runner.front());
    const auto program =
        given.has_parent_path() ? std::optional<fs::path>(given) : FindOnPath(runner.front());
    if (!program) {
        return std::nullopt;
    }
    // A runner linked in from elsewhere finds its server beside the link or beside the file it names.
    std::error_code ec;
    for (const fs::path& dir : {program->parent_path(), fs::canonical(*program, ec).parent_path()}) {
        const fs::path server = dir / "wineserver";
        if (!dir.empty() && IsExecutableFile(server)) {
            LaunchPlan plan;
            plan.argv = {server.string(), "-w"};
            plan.environment.push_back(PrefixVariable(machine));
            return plan;
        }
    }
    return std::nullopt;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), pidfd_(std::exchange(other.pidfd_, -1)),
      exit_code_(std::exchange(other.exit_code_, std::nullopt)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Release();
        pid_ = std::exchange(other.pid_, -1);
        pidfd_ = std::exchange(other.pidfd_, -1);
        exit_code_ = std::exchange(other.exit_code_, std::nullopt);
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    Release();
}

void ChildProcess::Release() noexcept {
    if (pid_ > 0 && !ExitCode()) {
        ReapWhenEnded(pid_);
    }
    if (pidfd_ >= 0) {
        ::close(pidfd_);
    }
    pid_ = -1;
    pidfd_ = -1;
    exit_code_.reset();
}

std::optional<int> ChildProcess::ExitCode() {
    if (pid_ <= 0) {
        return -1;
    }
    if (exit_code_) {
        return exit_code_;
    }
    int status = 0;
    pid_t result = 0;
    do {
        result = ::waitpid(pid_, &status, WNOHANG);
    } while (result == -1 && errno == EINTR);
    if (result == 0) {
        return std::nullopt;
    }
    exit_code_ = result == pid_ ? DecodeWaitStatus(status) : -1;
    return exit_code_;
}

int ChildProcess::Wait() {
    if (pid_ <= 0) {
        return -1;
    }
    if (exit_code_) {
        return *exit_code_;
    }
    int status = 0;
    pid_t result = 0;
    do {
        result = ::waitpid(pid_, &status, 0);
    } while (result == -1 && errno == EINTR);
    exit_code_ = result == pid_ ? DecodeWaitStatus(status) : -1;
    return *exit_code_;
}

void ChildProcess::Kill() {
    if (pid_ > 0 && !ExitCode()) {
        ::kill(pid_, SIGKILL);
        Wait();
    }
}

Result<ChildProcess> Spawn(const LaunchPlan& plan, bool use_pidfd) {
    if (plan.argv.empty() || plan.argv.front().empty()) {
        return Failure::FromErrno("cannot start a program without a name", ENOENT);
    }
    std::vector<std::string> arguments = plan.argv;
    std::vector<std::string> environment = ChildEnvironment(plan.environment);
    const std::vector<char*> argv = PointersTo(arguments);
    const std::vector<char*> envp = PointersTo(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!plan.working_dir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, plan.working_dir.c_str());
    }
    std::array<int, 2> output{-1, -1};
    if (!plan.output_name.empty() && ::pipe2(output.data(), O_CLOEXEC) == 0) {
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    }
    UniqueFd output_read(output[0]);
    UniqueFd output_write(output[1]);
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 34)
    // Whatever the menu has open (Qt's descriptors, archives) is none of the child's business.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const bool has_path = plan.argv.front().find('/') != std::string::npos;
    const int error = has_path
                          ? ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data())
                          : ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    output_write.Reset();
    if (error != 0) {
        return Failure::FromErrno("cannot start " + plan.argv.front() + ": " + std::strerror(error), error);
    }
    if (output_read.Valid()) {
        RelayOutput(std::move(output_read), plan.output_name);
    }
    return ChildProcess(pid, use_pidfd ? OpenPidfd(pid) : -1);
}

Status OpenDocument(const ProcessConfig& config, const fs::path& host_path) {
    LaunchPlan plan;
    plan.argv = config.opener ? SplitHostCommand(*config.opener) : std::vector{std::string(kDefaultOpener)};
    if (plan.argv.empty()) {
        return Failure(FailureKind::Io, "the opener given is empty");
    }
    std::error_code ec;
    plan.argv.push_back(fs::absolute(host_path, ec).string());
    plan.output_name = "opener";
    // Not waited for: dropping the handle leaves the opener to finish on its own.
    if (Result<ChildProcess> opener = Spawn(plan, false); !opener) {
        return opener.Error();
    }
    return {};
}

Status OpenDocument(const Machine& machine, const ProcessConfig& config, std::string_view windows_path) {
    const FileSystem& files = machine.Files();
    const auto host_path = files.HostPath(windows_path);
    if (!host_path || (!files.FileExists(windows_path) && !files.DirectoryExists(windows_path))) {
        return Failure(FailureKind::NotFound,
                       "cannot open " + std::string(windows_path) + ": nothing is there");
    }
    return OpenDocument(config, *host_path);
}

} // namespace tavox
