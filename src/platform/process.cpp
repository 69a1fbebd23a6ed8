#include "platform/process.h"

#include "platform/code_page.h"
#include "platform/command_line.h"
#include "platform/machine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <thread>

extern char** environ;

namespace tavox {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFallbackRunner = "/usr/lib/wine/wine64";
constexpr std::string_view kDefaultOpener = "xdg-open";
constexpr std::string_view kElfMagic = "\x7F"
                                       "ELF";

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        if (UpperAscii(tail[i]) != UpperAscii(suffix[i])) {
            return false;
        }
    }
    return true;
}

bool IsExecutableFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<fs::path> FindOnPath(std::string_view name) {
    const char* path_variable = std::getenv("PATH");
    if (path_variable == nullptr) {
        return std::nullopt;
    }
    std::string_view rest(path_variable);
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        if (!dir.empty()) {
            fs::path candidate = fs::path(dir) / name;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        rest.remove_prefix(colon + 1);
    }
}

std::string ReadFirstBytes(const fs::path& path, std::size_t count) {
    std::string bytes(count, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, bytes.data() + got, count - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}

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

ProgramKind ClassifyProgram(std::string_view first_bytes, bool executable, std::string_view file_name) {
    if (first_bytes.substr(0, 4) == kElfMagic) {
        return ProgramKind::Host;
    }
    if (first_bytes.substr(0, 2) == "#!" && executable) {
        return ProgramKind::Host;
    }
    if (first_bytes.substr(0, 2) == "MZ") {
        return ProgramKind::Windows;
    }
    for (const std::string_view extension : {".BAT", ".PIF", ".COM"}) {
        if (EndsWithIgnoringCase(file_name, extension)) {
            return ProgramKind::Windows;
        }
    }
    return ProgramKind::Unknown;
}

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

std::optional<LaunchPlan> PlanLaunch(const Machine& machine, const ProcessConfig& config,
                                     std::string_view command_line, std::string_view working_dir) {
    const FileSystem& files = machine.Files();
    std::vector<std::string> search_dirs;
    if (!working_dir.empty()) {
        search_dirs.emplace_back(working_dir);
    }
    search_dirs.push_back(machine.SystemDir());
    search_dirs.push_back(machine.WindowsDir());
    const auto command = ResolveCommand(files, command_line, search_dirs);
    if (!command) {
        return std::nullopt;
    }
    const auto host_program = files.HostPath(command->program);
    if (!host_program) {
        return std::nullopt;
    }
    std::error_code ec;
    // Absolute, because the child changes its directory before the program is looked up.
    const fs::path program = fs::absolute(*host_program, ec);
    const CodePage code_page = machine.Drives().NameCodePage();

    LaunchPlan plan;
    switch (
        ClassifyProgram(ReadFirstBytes(program, 4), ::access(program.c_str(), X_OK) == 0, command->program)) {
    case ProgramKind::Host:
        plan.argv.push_back(program.string());
        break;
    case ProgramKind::Windows:
        plan.argv = RunnerCommand(config);
        if (plan.argv.empty()) {
            return std::nullopt;
        }
        plan.argv.push_back(ToUtf8(command->program, code_page));
        plan.through_runner = true;
        break;
    case ProgramKind::Unknown:
        return std::nullopt;
    }
    for (const std::string& argument : SplitArguments(command->arguments)) {
        plan.argv.push_back(ToUtf8(argument, code_page));
    }

    const auto host_dir = working_dir.empty() || !files.DirectoryExists(working_dir)
                              ? std::nullopt
                              : files.HostPath(working_dir);
    plan.working_dir = host_dir ? fs::absolute(*host_dir, ec) : program.parent_path();
    plan.environment.push_back(PrefixVariable(machine));
    return plan;
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

std::optional<ChildProcess> Spawn(const LaunchPlan& plan, bool use_pidfd) {
    if (plan.argv.empty() || plan.argv.front().empty()) {
        return std::nullopt;
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
    if (error != 0) {
        return std::nullopt;
    }
    return ChildProcess(pid, use_pidfd ? OpenPidfd(pid) : -1);
}

bool OpenDocument(const ProcessConfig& config, const fs::path& host_path) {
    LaunchPlan plan;
    plan.argv = config.opener ? SplitHostCommand(*config.opener) : std::vector{std::string(kDefaultOpener)};
    if (plan.argv.empty()) {
        return false;
    }
    std::error_code ec;
    plan.argv.push_back(fs::absolute(host_path, ec).string());
    // Not waited for: dropping the handle leaves the opener to finish on its own.
    return Spawn(plan, false).has_value();
}

bool OpenDocument(const Machine& machine, const ProcessConfig& config, std::string_view windows_path) {
    const FileSystem& files = machine.Files();
    if (!files.FileExists(windows_path) && !files.DirectoryExists(windows_path)) {
        return false;
    }
    const auto host_path = files.HostPath(windows_path);
    return host_path && OpenDocument(config, *host_path);
}

} // namespace tavox
