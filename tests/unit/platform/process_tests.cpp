#include "platform/process.h"

#include "platform/machine.h"
#include "support/poll.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::PollUntil;
using test::ReadFile;
using test::ScopedEnvironmentVariable;
using test::TempDir;
using test::WriteFile;
using test::WriteScript;
using Words = std::vector<std::string>;

ProcessConfig WithRunner(std::string runner) {
    ProcessConfig config;
    config.runner = std::move(runner);
    return config;
}

ProcessConfig WithOpener(std::string opener) {
    ProcessConfig config;
    config.opener = std::move(opener);
    return config;
}

LaunchPlan Shell(const std::string& script) {
    LaunchPlan plan;
    plan.argv = {"/bin/sh", "-c", script};
    return plan;
}

// The child gives up when the test's directory is gone, so that a failed test leaves no process behind.
std::string WaitForFile(const fs::path& path) {
    return "while [ ! -e '" + path.string() + "' ]; do [ -d '" + path.parent_path().string() +
           "' ] || exit 99; sleep 0.01; done";
}

bool IsReadable(int fd, int timeout_ms) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeout_ms) == 1;
}

// True once nobody can wait for the process any more: it ended and was reaped, so it is no zombie.
bool IsReaped(int pidfd) {
    siginfo_t info{};
    return ::waitid(P_PIDFD, static_cast<id_t>(pidfd), &info, WEXITED | WNOHANG | WNOWAIT) == -1 &&
           errno == ECHILD;
}

TEST(ClassifyProgram, ChoosesTheRunnerByContent) {
    const std::string elf("\x7F"
                          "ELF\x02\x01",
                          6);
    const struct {
        std::string_view first_bytes;
        bool executable;
        std::string_view name;
        ProgramKind expected;
    } cases[] = {
        {elf, true, "D:\\LINUX\\GAME", ProgramKind::Host},
        {"#!/bin/sh", true, "D:\\SETUP.EXE", ProgramKind::Host},
        {"#!/bin/sh", false, "D:\\SETUP.EXE", ProgramKind::Unknown},
        {"#!/bin/sh", false, "D:\\INSTALL.BAT", ProgramKind::Windows},
        {"MZ\x90", false, "D:\\SETUP.EXE", ProgramKind::Windows},
        {"MZ\x90", true, "D:\\SETUP", ProgramKind::Windows},
        {"@echo off", false, "D:\\install.bat", ProgramKind::Windows},
        {"", false, "D:\\GAME.COM", ProgramKind::Windows},
        {"\x01\x02", false, "D:\\GAME.Pif", ProgramKind::Windows},
        {"Hello", true, "D:\\README.TXT", ProgramKind::Unknown},
        {"", false, "D:\\SETUP.EXE", ProgramKind::Unknown},
        {"ZM", false, "D:\\SETUP.EXE", ProgramKind::Unknown},
        {"text", false, "D:\\GAME.COMMAND", ProgramKind::Unknown},
    };
    for (const auto& [first_bytes, executable, name, expected] : cases) {
        EXPECT_EQ(ClassifyProgram(first_bytes, executable, name), expected) << name << " " << first_bytes;
    }
}

TEST(RunnerCommand, IsTheGivenCommandSplitIntoWords) {
    EXPECT_EQ(RunnerCommand(WithRunner("'/opt/my wine/wine' --x")), (Words{"/opt/my wine/wine", "--x"}));
    EXPECT_EQ(RunnerCommand(WithRunner("  ")), Words{});
}

TEST(RunnerCommand, IsWineFromThePathWhenNotGiven) {
    TempDir dir;
    WriteFile(dir / "first" / "wine", "not executable");
    WriteScript(dir / "second" / "wine", "#!/bin/sh\n");
    const ScopedEnvironmentVariable path("PATH", (dir / "empty").string() + "::" + (dir / "first").string() +
                                                     ":" + (dir / "second").string());
    EXPECT_EQ(RunnerCommand({}), Words{(dir / "second" / "wine").string()});
}

class PlanLaunchTest : public testing::Test {
protected:
    PlanLaunchTest() {
        EXPECT_FALSE(CreateMachineLayout(root_));
        machine_ = std::make_unique<Machine>(root_);
        machine_->MapDrive('D', dir_ / "cd", DriveType::CdRom);
        WriteScript(dir_ / "cd" / "DEMOS" / "RUN.EXE", "#!/bin/sh\n");
        WriteFile(dir_ / "cd" / "DEMOS" / "README.TXT", "Hello");
    }

    TempDir dir_;
    const fs::path root_ = dir_ / "machine";
    std::unique_ptr<Machine> machine_;
};

TEST_F(PlanLaunchTest, RunsAHostProgramDirectlyWithItsArguments) {
    const auto plan = PlanLaunch(*machine_, {}, "D:\\demos\\run.exe /x \"a b\" D:\\D\xC9MOS", "C:\\WINDOWS");
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->argv,
              (Words{(dir_ / "cd" / "DEMOS" / "RUN.EXE").string(), "/x", "a b", "D:\\D\u00C9MOS"}));
    EXPECT_EQ(plan->working_dir, root_ / "drive_c" / "WINDOWS");
    using Variable = std::pair<std::string, std::string>;
    EXPECT_EQ(plan->environment, (std::vector<Variable>{{"WINEPREFIX", root_.string()}}));
}

// The server must be the one of the runner's Wine: another Wine's server would wait on another lock, and
// Debian's makes a server directory for any prefix it is asked about.
TEST_F(PlanLaunchTest, WaitsForTheWineServerBesideTheRunner) {
    const fs::path bin = dir_ / "bin";
    const fs::path opt = dir_ / "opt wine";
    WriteScript(bin / "wine", "#!/bin/sh\n");
    WriteScript(bin / "wineserver", "#!/bin/sh\n");
    WriteScript(opt / "wine", "#!/bin/sh\n");
    WriteScript(opt / "wineserver", "#!/bin/sh\n");
    WriteScript(dir_ / "links" / "wine-only" / "wine", "#!/bin/sh\n");
    WriteScript(dir_ / "links" / "wineserver", "#!/bin/sh\n"); // one level too high
    fs::create_directories(dir_ / "links" / "to-opt");
    fs::create_symlink(opt / "wine", dir_ / "links" / "to-opt" / "wine");
    WriteFile(dir_ / "bad" / "wine", "");
    WriteFile(dir_ / "bad" / "wineserver", "not executable");
    const ScopedEnvironmentVariable path("PATH", bin.string());
    const std::string quoted_opt = "'" + (opt / "wine").string() + "'";
    const struct {
        std::optional<std::string> runner;
        std::optional<fs::path> expected;
    } cases[] = {
        {std::nullopt, bin / "wineserver"},
        {"wine --debug", bin / "wineserver"},
        {quoted_opt + " --x", opt / "wineserver"},
        {(dir_ / "links" / "to-opt" / "wine").string(), opt / "wineserver"},
        {(dir_ / "links" / "wine-only" / "wine").string(), std::nullopt},
        {(dir_ / "bad" / "wine").string(), std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [runner, expected] : cases) {
        ProcessConfig config;
        config.runner = runner;
        const auto plan = PlanServerWait(*machine_, config);
        const std::string label = runner.value_or("(default)");
        ASSERT_EQ(plan.has_value(), expected.has_value()) << label;
        if (plan) {
            EXPECT_EQ(plan->argv, (Words{expected->string(), "-w"})) << label;
            using Variable = std::pair<std::string, std::string>;
            EXPECT_EQ(plan->environment, (std::vector<Variable>{{"WINEPREFIX", root_.string()}})) << label;
        }
    }
}

TEST(ChildProcess, ReportsTheExitStatusOrTheSignal) {
    const struct {
        std::string script;
        int expected;
    } cases[] = {
        {"exit 0", 0},
        {"exit 7", 7},
        {"kill -TERM $$", 128 + SIGTERM},
        {"kill -KILL $$", 128 + SIGKILL},
    };
    for (const auto& [script, expected] : cases) {
        auto child = Spawn(Shell(script));
        ASSERT_TRUE(child) << script;
        EXPECT_EQ(child->Wait(), expected) << script;
        EXPECT_EQ(child->ExitCode(), expected) << script;
    }
}

TEST(ChildProcess, IsWatchedWithoutBlockingUntilItEnds) {
    TempDir dir;
    auto child = Spawn(Shell(WaitForFile(dir / "go") + "; exit 3"));
    ASSERT_TRUE(child);
    EXPECT_EQ(child->ExitCode(), std::nullopt);
    ASSERT_GE(child->ReadinessFd(), 0);
    EXPECT_FALSE(IsReadable(child->ReadinessFd(), 0));
    WriteFile(dir / "go", "");
    // Readable means ended: the exit code is there at once.
    EXPECT_TRUE(IsReadable(child->ReadinessFd(), -1));
    EXPECT_EQ(child->ExitCode(), 3);
}

TEST(ChildProcess, DroppingAnEndedChildLeavesNoZombie) {
    auto child = Spawn(Shell("exit 0"));
    ASSERT_TRUE(child);
    const int watch = ::dup(child->ReadinessFd());
    ASSERT_GE(watch, 0);
    ASSERT_TRUE(IsReadable(watch, -1));
    child.reset();
    EXPECT_TRUE(IsReaped(watch));
    ::close(watch);
}

TEST(ChildProcess, DroppingARunningChildLeavesItRunningAndReapsItLater) {
    TempDir dir;
    auto child = Spawn(Shell(WaitForFile(dir / "go") + "; echo done > '" + (dir / "done").string() + "'"));
    ASSERT_TRUE(child);
    const int watch = ::dup(child->ReadinessFd());
    ASSERT_GE(watch, 0);
    child.reset();
    EXPECT_FALSE(IsReadable(watch, 0));
    WriteFile(dir / "go", "");
    EXPECT_TRUE(IsReadable(watch, -1));
    EXPECT_EQ(ReadFile(dir / "done"), "done\n");
    EXPECT_TRUE(PollUntil([&] { return IsReaped(watch); }));
    ::close(watch);
}

TEST(Spawn, FailsForAProgramThatCannotBeExecuted) {
    TempDir dir;
    WriteFile(dir / "not-executable", "#!/bin/sh\n");
    for (const std::string& program : std::vector<std::string>{
             "/nonexistent/program", "tavox-no-such-command", (dir / "not-executable").string()}) {
        LaunchPlan plan;
        plan.argv = {program};
        EXPECT_FALSE(Spawn(plan)) << program;
    }
}

TEST(Spawn, GivesTheChildItsDirectoryAndEnvironmentButNoOtherDescriptors) {
    TempDir dir;
    std::filesystem::create_directories(dir / "work");
    int pipe_ends[2] = {-1, -1};
    ASSERT_EQ(::pipe(pipe_ends), 0); // inheritable, as a careless library might leave one
    LaunchPlan plan =
        Shell("{ pwd -P; echo \"$WINEPREFIX\"; echo \"$HOME\"; [ -e /proc/self/fd/" +
              std::to_string(pipe_ends[1]) + " ] && echo leaked; } > '" + (dir / "out").string() + "'");
    plan.working_dir = dir / "work";
    plan.environment = {{"WINEPREFIX", "/the/machine"}, {"HOME", "/elsewhere"}};
    auto child = Spawn(plan);
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    ASSERT_TRUE(child);
    child->Wait();
    EXPECT_EQ(ReadFile(dir / "out"), fs::canonical(dir / "work").string() + "\n/the/machine\n/elsewhere\n");
}

TEST_F(PlanLaunchTest, OpensDocumentsWithTheOpener) {
    const fs::path record = dir_ / "opened";
    WriteScript(dir_ / "opener", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.string() + ".tmp'\nmv '" +
                                     record.string() + ".tmp' '" + record.string() + "'\n");
    const ProcessConfig config = WithOpener("'" + (dir_ / "opener").string() + "' --new-window");

    ASSERT_TRUE(OpenDocument(*machine_, config, "d:\\demos\\readme.txt"));
    ASSERT_TRUE(PollUntil([&] { return fs::exists(record); }));
    EXPECT_EQ(ReadFile(record), "--new-window\n" + (dir_ / "cd" / "DEMOS" / "README.TXT").string() + "\n");

    EXPECT_FALSE(OpenDocument(*machine_, config, "D:\\DEMOS\\MISSING.TXT"));
    EXPECT_FALSE(OpenDocument(*machine_, WithOpener("/nonexistent/opener"), "D:\\DEMOS\\README.TXT"));
}

} // namespace
} // namespace tavox
