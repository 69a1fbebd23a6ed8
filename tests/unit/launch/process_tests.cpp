#include "launch/process.h"

#include "launch/dosbox_config.h"
#include "launch/engines.h"
#include "platform/machine.h"
#include "support/disc_images.h"
#include "support/poll.h"
#include "support/program_images.h"
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

const std::string kHostPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin";

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
        EXPECT_TRUE(CreateMachineLayout(root_));
        machine_ = std::make_unique<Machine>(root_);
        EXPECT_TRUE(machine_->MapDrive('D', dir_ / "cd", DriveType::CdRom));
        WriteScript(dir_ / "cd" / "DEMOS" / "RUN.EXE", "#!/bin/sh\n");
        WriteFile(dir_ / "cd" / "DEMOS" / "README.TXT", "Hello");
    }

    TempDir dir_;
    const fs::path root_ = dir_ / "machine";
    std::unique_ptr<Machine> machine_;
};

TEST_F(PlanLaunchTest, RunsAHostProgramDirectlyWithItsArguments) {
    const auto plan =
        PlanLaunch(*machine_, {}, "D:\\demos\\run.exe /x \"a b\" D:\\D\xC9MOS", "C:\\WINDOWS").plan;
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->argv,
              (Words{(dir_ / "cd" / "DEMOS" / "RUN.EXE").string(), "/x", "a b", "D:\\D\u00C9MOS"}));
    EXPECT_EQ(plan->working_dir, root_ / "drive_c" / "windows");
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

// A machine with programs of every kind in C:\GAMES and the engines of the test's own on PATH: DOSBox, and a
// Wine with or without its 32-bit half.
class EngineRoutingTest : public PlanLaunchTest {
protected:
    EngineRoutingTest() {
        WriteFile(games_ / "DOS.EXE", test::DosImage());
        WriteFile(games_ / "PE32.EXE", test::WindowsImage(test::kPeSignature));
        WriteFile(games_ / "PE64.EXE", test::WindowsImage(test::kPeSignature, 0x8664, 0x20B));
        WriteFile(games_ / "NE.EXE", test::WindowsImage("NE"));
        WriteFile(games_ / "INSTALL.BAT", "@ECHO OFF\r\n");
        WriteFile(games_ / "GAME.COM", "\xB4\x4C\xCD\x21");
        WriteFile(games_ / "TEXT.EXE", "Just text.\r\n");
        WriteFile(games_ / "STUB.EXE", "MZ\x90");
        WriteFile(dir_ / "cd" / ".windows-label", "Tavox 12/98\n");
        WriteScript(engines_ / "dosbox", "#!/bin/sh\n");
        WriteScript(engines_ / "wine", "#!/bin/sh\n");
    }

    void AddWine32() { WriteFile(engines_.parent_path() / "lib" / "wine" / "i386-unix" / "ntdll.so", ""); }

    PlannedLaunch Plan(std::string_view command, const ProcessConfig& config = {}) {
        return PlanLaunch(*machine_, config, command, "");
    }

    // The DOSBox configuration of a plan that starts DOSBox; empty when it does not.
    std::string DosboxConfig(const PlannedLaunch& planned) {
        if (!planned.plan || planned.plan->argv.size() != 8 || planned.plan->argv[5] != Dosbox()) {
            return {};
        }
        return planned.plan->argv[4];
    }

    std::string Dosbox() const { return (engines_ / "dosbox").string(); }
    std::string Wine() const { return (engines_ / "wine").string(); }

    const fs::path games_ = root_ / "drive_c" / "GAMES";
    // Deep enough that no prefix above it is a real Wine's.
    const fs::path engines_ = dir_ / "opt" / "engines" / "bin";
    const ScopedEnvironmentVariable path_{"PATH", engines_.string()};
};

TEST_F(EngineRoutingTest, EachKindGoesToItsEngine) {
    AddWine32();
    const std::string mounts = "mount C \"" + fs::canonical(root_ / "drive_c").string() + "\"\nmount D \"" +
                               fs::canonical(dir_ / "cd").string() + "\" -t cdrom -label TAVOX_1298\n";
    const struct {
        std::string_view command;
        std::string start; // the end of DOSBox's configuration
    } dos[] = {
        {"C:\\GAMES\\DOS.EXE /X \"a b\"", "C:\ncd \\GAMES\nC:\\GAMES\\DOS.EXE /X \"a b\"\nexit\n"},
        {"c:\\games\\install.bat", "c:\ncd \\games\ncall c:\\games\\install.bat\nexit\n"},
        {"C:\\GAMES\\GAME.COM", "C:\ncd \\GAMES\nC:\\GAMES\\GAME.COM\nexit\n"},
    };
    for (const auto& [command, start] : dos) {
        const PlannedLaunch planned = Plan(command);
        const std::string config = DosboxConfig(planned);
        EXPECT_NE(config.find("[autoexec]\n@echo off\n" + mounts + start), std::string::npos)
            << command << config;
        EXPECT_FALSE(planned.plan && planned.plan->through_runner) << command;
    }
    for (const std::string_view program : {"PE32.EXE", "PE64.EXE", "NE.EXE"}) {
        const std::string windows_path = "C:\\GAMES\\" + std::string(program);
        const PlannedLaunch planned = Plan(windows_path + " /S");
        ASSERT_TRUE(planned.plan) << program << " " << DescribeLaunchError(planned.error);
        EXPECT_EQ(planned.plan->argv, (Words{Wine(), windows_path, "/S"})) << program;
        EXPECT_TRUE(planned.plan->through_runner) << program;
    }
}

TEST_F(EngineRoutingTest, WhatNoEngineHereRunsIsNotStartedAndSaysWhatIsMissing) {
    fs::remove(engines_ / "dosbox");
    const struct {
        std::string_view command;
        LaunchFailure failure;
        ProgramKind kind;
        std::string_view missing;
    } cases[] = {
        {"C:\\GAMES\\PE32.EXE", LaunchFailure::NoEngine, ProgramKind::Windows32,
         "32-bit Wine, package wine32"},
        {"C:\\GAMES\\NE.EXE", LaunchFailure::NoEngine, ProgramKind::Windows16, "32-bit Wine, package wine32"},
        {"C:\\GAMES\\DOS.EXE", LaunchFailure::NoEngine, ProgramKind::Dos, "DOSBox, package dosbox"},
        {"C:\\GAMES\\INSTALL.BAT", LaunchFailure::NoEngine, ProgramKind::Batch, "DOSBox, package dosbox"},
        {"C:\\GAMES\\TEXT.EXE", LaunchFailure::NotRunnable, ProgramKind::Unknown, ""},
        {"C:\\GAMES\\STUB.EXE", LaunchFailure::NotRunnable, ProgramKind::Unknown, ""},
        {"C:\\GAMES\\MISSING.EXE", LaunchFailure::NoSuchProgram, ProgramKind::Unknown, ""},
    };
    for (const auto& [command, failure, kind, missing] : cases) {
        const PlannedLaunch planned = Plan(command);
        EXPECT_FALSE(planned.plan) << command;
        EXPECT_EQ(planned.error.failure, failure) << command;
        EXPECT_EQ(planned.error.kind, kind) << command;
        EXPECT_EQ(planned.error.missing, missing) << command;
    }
    EXPECT_TRUE(Plan("C:\\GAMES\\PE64.EXE").plan);

    // The fallback runner takes all of these but the missing one, and leaves the rest to the engines.
    ProcessConfig fallback;
    fallback.fallback_runner = "stand-in --x";
    for (const std::string_view program :
         {"PE32.EXE", "NE.EXE", "DOS.EXE", "INSTALL.BAT", "TEXT.EXE", "STUB.EXE"}) {
        const std::string windows_path = "C:\\GAMES\\" + std::string(program);
        const PlannedLaunch planned = Plan(windows_path, fallback);
        ASSERT_TRUE(planned.plan) << program;
        EXPECT_EQ(planned.plan->argv, (Words{"stand-in", "--x", windows_path})) << program;
    }
    EXPECT_EQ(Plan("C:\\GAMES\\PE64.EXE", fallback).plan->argv, (Words{Wine(), "C:\\GAMES\\PE64.EXE"}));
    EXPECT_FALSE(Plan("C:\\GAMES\\MISSING.EXE", fallback).plan);
}

TEST_F(EngineRoutingTest, TheRunnerGivenOverridesEveryEngine) {
    const ProcessConfig runner = WithRunner("my-runner --flag");
    for (const std::string_view program :
         {"DOS.EXE", "INSTALL.BAT", "GAME.COM", "PE32.EXE", "NE.EXE", "PE64.EXE", "STUB.EXE"}) {
        const std::string windows_path = "C:\\GAMES\\" + std::string(program);
        const PlannedLaunch planned = Plan(windows_path, runner);
        ASSERT_TRUE(planned.plan) << program;
        EXPECT_EQ(planned.plan->argv, (Words{"my-runner", "--flag", windows_path})) << program;
    }
    EXPECT_EQ(Plan("C:\\GAMES\\TEXT.EXE", runner).error.failure, LaunchFailure::NotRunnable);
    const PlannedLaunch none = Plan("C:\\GAMES\\DOS.EXE", WithRunner(""));
    EXPECT_EQ(none.error.failure, LaunchFailure::NoEngine);
}

TEST_F(EngineRoutingTest, APifStartsTheProgramItNamesInItsDirectory) {
    std::string pif(0x171, '\0');
    pif.replace(0x24, 7, "DOS.EXE");
    pif.replace(0xA5, 2, "/Y");
    WriteFile(games_ / "START.PIF", pif);
    EXPECT_NE(DosboxConfig(Plan("C:\\GAMES\\START.PIF /Z"))
                  .find("C:\ncd \\GAMES\nC:\\GAMES\\DOS.EXE /Y /Z\nexit\n"),
              std::string::npos);
    // One that names another .PIF, or nothing, starts nothing.
    pif.replace(0x24, 9, "START.PIF");
    WriteFile(games_ / "LOOP.PIF", pif);
    WriteFile(games_ / "EMPTY.PIF", std::string(0x171, '\0'));
    for (const std::string_view command : {"C:\\GAMES\\LOOP.PIF", "C:\\GAMES\\EMPTY.PIF"}) {
        const PlannedLaunch planned = Plan(command);
        EXPECT_FALSE(planned.plan) << command;
        EXPECT_EQ(planned.error.failure, LaunchFailure::NotRunnable) << command;
    }
}

TEST_F(EngineRoutingTest, DosboxGetsItsConfigurationInAFileThatLivesAsLongAsDosbox) {
    const fs::path temp = dir_ / "tmp";
    fs::create_directories(temp);
    const ScopedEnvironmentVariable tmpdir("TMPDIR", temp.string());
    const fs::path copy = dir_ / "config-seen";
    // A raw image of the disc is mounted through a cue sheet that lives beside the configuration.
    {
        // xorriso is found on the host's PATH, not on the test's.
        const ScopedEnvironmentVariable host_path("PATH", kHostPath);
        if (!test::HaveXorriso()) {
            GTEST_SKIP() << "xorriso is not installed";
        }
        WriteFile(dir_ / "tree" / "README.TXT", "disc");
        ASSERT_TRUE(test::MakeIso(dir_ / "tree", dir_ / "disc.iso", "TAVOX", {}));
        ASSERT_TRUE(test::MakeRawImage(dir_ / "disc.iso", dir_ / "disc.img", test::RawFormat::Mode1));
    }
    machine_->SetDiscImage('D', dir_ / "disc.img");
    WriteScript(engines_ / "dosbox", "#!/bin/sh\n[ \"$1\" = -conf ] && cp \"$2\" '" + copy.string() +
                                         "' && cp disc.cue '" + copy.string() + ".cue' && ls '" +
                                         temp.string() + "' > '" + copy.string() + ".list'\nexit 7\n");
    const PlannedLaunch planned = Plan("C:\\GAMES\\DOS.EXE");
    ASSERT_TRUE(planned.plan);
    auto child = Spawn(*planned.plan);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->Wait(), 7);
    EXPECT_EQ(ReadFile(copy), DosboxConfig(planned));
    EXPECT_EQ(ReadFile(copy.string() + ".cue"),
              DosboxCueSheet({dir_ / "disc.img", DosboxImageKind::RawMode1}));
    EXPECT_TRUE(ReadFile(copy.string() + ".list").starts_with("tavox95-dosbox.")) << "made in TMPDIR";
    EXPECT_TRUE(fs::is_empty(temp)) << "removed when DOSBox ended";
}

TEST(WineRuns32Bit, FindsThe32BitHalfWhereWineInstallationsPutIt) {
    TempDir dir;
    const fs::path base = dir / "a" / "b";
    const auto wine_at = [&](const std::string& prefix, const std::string& program,
                             const std::string& libraries) {
        const fs::path root = base / prefix;
        WriteScript(root / program, "#!/bin/sh\n");
        if (!libraries.empty()) {
            WriteFile(root / libraries / "ntdll.so", "");
        }
        return root / program;
    };
    EXPECT_TRUE(WineRuns32Bit(wine_at("own", "bin/wine", "lib/wine/i386-unix")));
    EXPECT_TRUE(WineRuns32Bit(wine_at("debian/usr", "bin/wine", "lib/i386-linux-gnu/wine/i386-unix")));
    EXPECT_TRUE(
        WineRuns32Bit(wine_at("debian-loader/usr", "lib/wine/wine64", "lib/i386-linux-gnu/wine/i386-unix")));
    EXPECT_TRUE(WineRuns32Bit(wine_at("lib32", "bin/wine", "lib32/wine/i386-unix")));
    EXPECT_FALSE(
        WineRuns32Bit(wine_at("wine64-only/usr", "bin/wine", "lib/x86_64-linux-gnu/wine/x86_64-unix")));
    // A link to a Wine elsewhere counts for the Wine it leads to.
    fs::create_directories(base / "links");
    fs::create_symlink(base / "own" / "bin" / "wine", base / "links" / "wine");
    EXPECT_TRUE(WineRuns32Bit(base / "links" / "wine"));
    EXPECT_FALSE(WineRuns32Bit(base / "nowhere" / "wine"));
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
    auto spawned = Spawn(Shell("exit 0"));
    ASSERT_TRUE(spawned);
    std::optional<ChildProcess> child(std::move(*spawned));
    const int watch = ::dup(child->ReadinessFd());
    ASSERT_GE(watch, 0);
    ASSERT_TRUE(IsReadable(watch, -1));
    child.reset();
    EXPECT_TRUE(IsReaped(watch));
    ::close(watch);
}

TEST(ChildProcess, DroppingARunningChildLeavesItRunningAndReapsItLater) {
    TempDir dir;
    auto spawned = Spawn(Shell(WaitForFile(dir / "go") + "; echo done > '" + (dir / "done").string() + "'"));
    ASSERT_TRUE(spawned);
    std::optional<ChildProcess> child(std::move(*spawned));
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
        const Result<ChildProcess> spawned = Spawn(plan);
        ASSERT_FALSE(spawned) << program;
        EXPECT_NE(spawned.Error().error_number, 0) << program;
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
