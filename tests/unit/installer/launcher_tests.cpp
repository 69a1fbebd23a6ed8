#include "installer/launcher.h"

#include "launch/engines.h"
#include "support/captured_log.h"
#include "support/launch_fixture.h"
#include "support/poll.h"
#include "support/program_images.h"
#include "support/scoped_environment.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::CpuTime;
using test::PollUntil;
using test::Quoted;
using test::ReadFile;
using test::ScopedEnvironmentVariable;
using test::WaitForFile;
using test::WriteFile;
using test::WriteScript;
using Log = std::vector<std::string>;

ProcessConfig WithRunner(std::string runner) {
    ProcessConfig config;
    config.runner = std::move(runner);
    return config;
}

ProcessConfig Watching(bool use_pidfd) {
    ProcessConfig config;
    config.use_pidfd = use_pidfd;
    return config;
}

// A window's pump as the launcher sees it: tells each wait that begins, then sleeps as the plain wait does.
class ScriptedPump : public EventPump {
public:
    using WaitBegins = std::function<void(std::optional<std::chrono::milliseconds> limit)>;

    explicit ScriptedPump(WaitBegins wait_begins) : wait_begins_(std::move(wait_begins)) {}

    bool WaitUntil(const std::function<bool()>& ended, int ready_fd,
                   std::optional<std::chrono::milliseconds> limit) override {
        wait_begins_(limit);
        return plain_.WaitUntil(ended, ready_fd, limit);
    }
    void ProcessPendingEvents() override { ++pending_processed; }

    int pending_processed = 0;

private:
    WaitBegins wait_begins_;
    PollPump plain_;
};

class LauncherTest : public test::LaunchFixture {
protected:
    std::string Opened() {
        EXPECT_TRUE(PollUntil([&] { return fs::exists(opened_); }));
        std::string opened = ReadFile(opened_);
        fs::remove(opened_);
        return opened;
    }
};

TEST_F(LauncherTest, WaitExecWaitsThroughTheWindowsPumpUntilTheProgramEnded) {
    WriteScript(games_ / "RUN.EXE",
                "#!/bin/sh\n" + WaitForFile(go_) + "echo done > " + Quoted(marker_) + "\nexit 7\n");
    Launcher launcher = MakeLauncher();
    Log log;
    launcher.SetWaitHook([&](bool waiting) { log.emplace_back(waiting ? "wait begins" : "wait ends"); });
    ScriptedPump pump([&](std::optional<std::chrono::milliseconds> limit) {
        log.emplace_back(limit ? "pump waits with a limit" : "pump waits for the program");
        WriteFile(go_, ""); // only the pump's turn lets the program end
    });
    launcher.SetEventPump(&pump);

    EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\RUN.EXE /x", 1));
    EXPECT_EQ(ReadFile(marker_), "done\n");
    EXPECT_EQ(log, (Log{"wait begins", "pump waits for the program", "wait ends"}));
    EXPECT_EQ(command_dirs_asked_, std::vector<std::string>{"C:\\GAMES\\RUN.EXE /x"});

    launcher.PumpMessages();
    EXPECT_EQ(pump.pending_processed, 1);
    launcher.SetEventPump(nullptr); // the plain wait again: nothing asks the pump
    fs::remove(go_);
    fs::remove(marker_);
    WriteScript(games_ / "GO.EXE", "#!/bin/sh\necho done > " + Quoted(marker_) + "\n");
    EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\GO.EXE", 1));
    launcher.PumpMessages();
    EXPECT_EQ(ReadFile(marker_), "done\n");
    EXPECT_EQ(log.size(), 5U);
    EXPECT_EQ(pump.pending_processed, 1);
}

TEST_F(LauncherTest, WaitExecRunsTheProgramInItsWorkingDirectory) {
    WriteScript(games_ / "PWD.EXE", "#!/bin/sh\npwd -P > " + Quoted(marker_) + "\n");
    const struct {
        std::string working_dir;
        fs::path expected;
    } cases[] = {
        {"d:\\demos\\x", dir_ / "cd" / "DEMOS" / "X"},
        {"C:\\NOWHERE", games_}, // the program's own directory instead
    };
    for (const auto& [working_dir, expected] : cases) {
        Launcher launcher = MakeLauncher({}, working_dir);
        EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\PWD.EXE", 1));
        EXPECT_EQ(ReadFile(marker_), fs::canonical(expected).string() + "\n") << working_dir;
    }
}

TEST_F(LauncherTest, FailsAtOnceForWhatCannotBeStarted) {
    WriteFile(games_ / "README.EXE", "Just text.\n");
    WriteFile(games_ / "NOEXEC.EXE", "#!/bin/sh\n");
    WriteFile(games_ / "SETUP.EXE", "MZ\x90");
    std::filesystem::remove(opener_); // a folder that is there, handed to an opener that is not
    Launcher launcher = MakeLauncher(WithRunner("/nonexistent/wine"));
    bool waited = false;
    launcher.SetWaitHook([&](bool) { waited = true; });
    const struct {
        std::string_view command;
        std::optional<LaunchFailure> failure; // none for an empty command
        int error_number;
    } cases[] = {
        {"", std::nullopt, 0},
        {"   ", std::nullopt, 0},
        {"C:\\GAMES\\MISSING.EXE", LaunchFailure::NoSuchProgram, 0},
        {"C:\\GAMES\\README.EXE", LaunchFailure::NotRunnable, 0},
        {"C:\\GAMES\\NOEXEC.EXE", LaunchFailure::NotRunnable, 0},
        {"C:\\GAMES\\SETUP.EXE", LaunchFailure::SystemError, ENOENT},
        {"explorer D:\\NOWHERE", LaunchFailure::NoSuchProgram, 0},
        {"explorer C:\\GAMES", LaunchFailure::SystemError, ENOENT}, // the opener is missing, not the folder
    };
    for (const auto& [command, failure, error_number] : cases) {
        for (const LaunchResult& result : {launcher.WaitExec(command, 1), launcher.NormalExec(command, 1)}) {
            EXPECT_FALSE(result) << command;
            ASSERT_EQ(result.error.has_value(), failure.has_value()) << command;
            if (failure) {
                EXPECT_EQ(result.error->failure, *failure) << command;
                EXPECT_EQ(result.error->error_number, error_number) << command;
            }
        }
    }
    EXPECT_FALSE(waited);
}

TEST_F(LauncherTest, TheLogTellsWhatStartedWhatItPrintedAndWhatFailed) {
    const test::CapturedLog log;
    WriteScript(games_ / "SETUP.EXE", "#!/bin/sh\necho copying files\necho disk full >&2\n");
    Launcher launcher = MakeLauncher();
    launcher.SetSubject([] { return std::string("Vortex Rally"); });
    EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\SETUP.EXE /S", 1));
    EXPECT_FALSE(launcher.NormalExec("C:\\GAMES\\MISSING.EXE", 1));
    // The output comes through a pipe that is read beside the menu.
    EXPECT_TRUE(PollUntil([&] { return log.Has("info Vortex Rally: disk full\n"); })) << log.Text();
    EXPECT_TRUE(log.Has("info Vortex Rally: copying files\n"));
    EXPECT_TRUE(log.Has("info launch: Vortex Rally: start C:\\GAMES\\SETUP.EXE /S in "));
    EXPECT_TRUE(log.Has("error launch: cannot start C:\\GAMES\\MISSING.EXE: no such program\n"));
}

TEST_F(LauncherTest, WindowsProgramsRunThroughTheRunner) {
    const fs::path runner = dir_ / "runner dir" / "fake wine";
    WriteScript(runner, "#!/bin/sh\n{ printf '%s\\n' \"$@\"; echo \"WINEPREFIX=$WINEPREFIX\"; } > " +
                            Quoted(marker_) + "\n");
    WriteFile(games_ / "SETUP.EXE", "MZ\x90");
    WriteFile(dir_ / "cd" / "INSTALL.BAT", "@echo off\r\n");
    const std::string prefix = "WINEPREFIX=" + root_.string() + "\n";
    const struct {
        std::string_view command;
        std::string expected;
    } cases[] = {
        {R"(C:\GAMES\SETUP.EXE /S "D:\My Dir")", "--flag\nC:\\GAMES\\SETUP.EXE\n/S\nD:\\My Dir\n" + prefix},
        {R"(D:\INSTALL.BAT x)", "--flag\nD:\\INSTALL.BAT\nx\n" + prefix},
    };
    Launcher launcher = MakeLauncher(WithRunner(Quoted(runner) + " --flag"));
    for (const auto& [command, expected] : cases) {
        EXPECT_TRUE(launcher.WaitExec(command, 1)) << command;
        EXPECT_EQ(ReadFile(marker_), expected) << command;
    }
}

TEST_F(LauncherTest, NormalExecStartsTheProgramWithoutWaiting) {
    WriteScript(games_ / "SETUP.EXE",
                "#!/bin/sh\n" + WaitForFile(go_) + "echo done > " + Quoted(marker_) + "\n");
    Launcher launcher = MakeLauncher();

    EXPECT_TRUE(launcher.NormalExec("C:\\GAMES\\SETUP.EXE", 1));
    EXPECT_FALSE(fs::exists(marker_));
    WriteFile(go_, "");
    EXPECT_TRUE(PollUntil([&] { return fs::exists(marker_); }));
}

TEST_F(LauncherTest, ExplorerCommandsOpenTheFolderWithTheOpener) {
    const std::string demos = (dir_ / "cd" / "DEMOS").string() + "\n";
    const std::string x = (dir_ / "cd" / "DEMOS" / "X").string() + "\n";
    Launcher launcher = MakeLauncher();
    for (const auto& [command, expected] :
         {std::pair<std::string_view, std::string>{"explorer D:\\Demos", demos},
          {"EXPLORER.EXE \"d:\\demos\\x\"", x},
          {"C:\\WINDOWS\\Explorer.exe D:\\DEMOS\\", demos}}) {
        EXPECT_TRUE(launcher.NormalExec(command, 1)) << command;
        EXPECT_EQ(Opened(), expected) << command;
    }
    EXPECT_TRUE(launcher.WaitExec("explorer D:\\DEMOS\\X", 1));
    EXPECT_EQ(Opened(), x);
}

TEST_F(LauncherTest, WithoutItsEngineAProgramStartsNothingAndTheReaderIsToldOnce) {
    const fs::path bin = dir_ / "usr" / "local" / "bin"; // a 64-bit Wine only, no DOSBox
    WriteScript(bin / "wine", "#!/bin/sh\necho ran > " + Quoted(marker_) + "\n");
    const ScopedEnvironmentVariable path("PATH", bin.string());
    WriteFile(games_ / "DOS.EXE", test::DosImage());
    WriteFile(games_ / "PE32.EXE", test::WindowsImage(test::kPeSignature));
    WriteFile(games_ / "NE.EXE", test::WindowsImage("NE"));
    Launcher launcher = MakeLauncher();
    Log told;
    launcher.SetNoEngineHook([&](std::string_view command, const LaunchError& error) {
        told.push_back(std::string(command) + " | " + error.missing);
    });
    bool waited = false;
    launcher.SetWaitHook([&](bool) { waited = true; });

    for (int twice = 0; twice < 2; ++twice) {
        const LaunchResult result = launcher.WaitExec("C:\\GAMES\\DOS.EXE", 1);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.error->failure, LaunchFailure::NoEngine);
        EXPECT_FALSE(launcher.NormalExec("C:\\GAMES\\DOS.EXE", 1));
        EXPECT_FALSE(launcher.WaitExec("C:\\GAMES\\PE32.EXE /S", 1));
        EXPECT_FALSE(launcher.WaitExec("C:\\GAMES\\NE.EXE", 1));
        // Not a missing engine: nothing to tell the reader.
        EXPECT_FALSE(launcher.WaitExec("C:\\GAMES\\MISSING.EXE", 1));
    }
    EXPECT_EQ(told, (Log{"C:\\GAMES\\DOS.EXE | DOSBox, package dosbox",
                         "C:\\GAMES\\PE32.EXE /S | 32-bit Wine, package wine32"}));
    EXPECT_FALSE(waited);
    EXPECT_FALSE(fs::exists(marker_));
}

TEST(NoEngineMessage, NamesTheProgramWhatItIsAndWhatToInstall) {
    const LaunchError error{LaunchFailure::NoEngine, ProgramKind::Windows32, "32-bit Wine, package wine32",
                            0};
    EXPECT_EQ(NoEngineMessage("\"C:\\My Games\\SETUP.EXE\" /S", error),
              "C:\\My Games\\SETUP.EXE is a 32-bit Windows program, which cannot be started on this computer."
              "\n\nInstall 32-bit Wine, package wine32, and try again.");
}

// DOSBox itself, without a display: a batch file of the CD runs from its own directory with every drive
// mounted, and the wait ends when the batch has ended.
TEST_F(LauncherTest, DosProgramsRunInDosboxWhichEndsWithThem) {
    if (!FindDosbox()) {
        GTEST_SKIP() << "DOSBox is not installed";
    }
    fs::create_directories(dir_ / "tmp");
    fs::create_directories(dir_ / "home");
    const ScopedEnvironmentVariable video("SDL_VIDEODRIVER", "dummy");
    const ScopedEnvironmentVariable audio("SDL_AUDIODRIVER", "dummy");
    const ScopedEnvironmentVariable tmp("TMPDIR", (dir_ / "tmp").string());
    const ScopedEnvironmentVariable home("HOME", (dir_ / "home").string());
    WriteFile(dir_ / "cd" / "DEMOS" / "X" / "INSTALL.BAT",
              "@ECHO OFF\r\nECHO ran> C:\\OUT.TXT\r\nCD >> C:\\OUT.TXT\r\nDIR D:\\ >> C:\\OUT.TXT\r\n");
    Launcher launcher = MakeLauncher({}, "D:\\DEMOS\\X\\");
    bool waited = false;
    launcher.SetWaitHook([&](bool waiting) { waited = waited || waiting; });

    EXPECT_TRUE(launcher.WaitExec("D:\\DEMOS\\X\\INSTALL.BAT", 1));
    EXPECT_TRUE(waited);
    const std::string out = ReadFile(root_ / "drive_c" / "OUT.TXT");
    EXPECT_TRUE(out.starts_with("ran\r\nD:\\DEMOS\\X\r\n")) << out;
    EXPECT_NE(out.find("DEMOS          <DIR>"), std::string::npos) << "the CD is drive D:\n" << out;
    EXPECT_TRUE(fs::is_empty(dir_ / "tmp")) << "DOSBox's configuration is removed";
    EXPECT_TRUE(fs::is_empty(dir_ / "home")) << "the user's DOSBox settings are not touched";
}

// A Wine of the test's own: the runner and, beside it, the server, as Wine installs them.
class WineLauncherTest : public LauncherTest {
protected:
    WineLauncherTest() { WriteFile(games_ / "SETUP.EXE", "MZ\x90"); }

    ProcessConfig Wine(const std::string& server_script) {
        WriteScript(bin_ / "wine", "#!/bin/sh\necho \"ran $1\" >> " + Quoted(log_) + "\n");
        WriteScript(bin_ / "wineserver", "#!/bin/sh\n" + server_script);
        return WithRunner(Quoted(bin_ / "wine"));
    }

    const fs::path bin_ = dir_ / "wine bin";
    const fs::path log_ = dir_ / "wine.log";
};

TEST_F(WineLauncherTest, AfterAWindowsProgramTheWaitLastsUntilTheServerWroteTheRegistry) {
    // Like Wine's server, this one writes the registry file when it ends; it ends only once the window's pump
    // had its turn while the server was being waited for.
    Launcher launcher = MakeLauncher(
        Wine("echo \"server $* $WINEPREFIX\" >> " + Quoted(log_) + "\n" + WaitForFile(go_) +
             R"(printf '\n[Software\\\\Tiny] 1\n"Done"="yes"\n')" + " >> \"$WINEPREFIX/system.reg\"\n"));
    ScriptedPump pump([&](std::optional<std::chrono::milliseconds> limit) {
        if (limit && PollUntil([&] { return ReadFile(log_).find("server") != std::string::npos; })) {
            WriteFile(go_, "");
        }
    });
    launcher.SetEventPump(&pump);
    const auto done = [&] {
        return machine_->Reg().ReadString(RegistryRoot::LocalMachine, "Software\\Tiny", "Done");
    };
    ASSERT_FALSE(done());

    EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\SETUP.EXE", 1));
    EXPECT_EQ(done(), "yes");
    EXPECT_EQ(ReadFile(log_), "ran C:\\GAMES\\SETUP.EXE\nserver -w " + root_.string() + "\n");

    // Host programs, and Windows programs that are not waited for, leave the server alone.
    WriteScript(games_ / "HOST.EXE", "#!/bin/sh\n");
    EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\HOST.EXE", 1));
    EXPECT_TRUE(launcher.NormalExec("C:\\GAMES\\SETUP.EXE", 1));
    EXPECT_TRUE(PollUntil([&] { return ReadFile(log_).ends_with("ran C:\\GAMES\\SETUP.EXE\n"); }));
    EXPECT_EQ(ReadFile(log_),
              "ran C:\\GAMES\\SETUP.EXE\nserver -w " + root_.string() + "\nran C:\\GAMES\\SETUP.EXE\n");
}

TEST_F(WineLauncherTest, TheWaitForTheServerIsBounded) {
    // Other programs of the machine keep this server running.
    const fs::path pid_file = dir_ / "server.pid";
    ProcessConfig config = Wine("echo $$ > " + Quoted(pid_file) + "\n" + WaitForFile(dir_ / "never"));
    config.server_wait = std::chrono::milliseconds(300);
    for (const bool use_pidfd : {true, false}) {
        config.use_pidfd = use_pidfd;
        Launcher launcher = MakeLauncher(config);
        const auto before = std::chrono::steady_clock::now();
        EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\SETUP.EXE", 1));
        const auto waited = std::chrono::steady_clock::now() - before;
        EXPECT_GE(waited, config.server_wait) << use_pidfd;
        EXPECT_LT(waited, std::chrono::seconds(20)) << use_pidfd;
        // The waiting "wineserver -w" was ended; the server itself is not the menu's to end.
        ASSERT_TRUE(fs::exists(pid_file)) << use_pidfd;
        const pid_t server = std::stoi(ReadFile(pid_file));
        EXPECT_EQ(::kill(server, 0), -1) << use_pidfd;
        fs::remove(pid_file);
    }
}

TEST_F(LauncherTest, WaitingWithoutAWindowKeepsNoCoreBusy) {
    WriteScript(games_ / "SLEEP.EXE", "#!/bin/sh\nsleep 1\n");
    for (const bool use_pidfd : {true, false}) {
        Launcher launcher = MakeLauncher(Watching(use_pidfd));
        const auto cpu_before = CpuTime();
        const auto wall_before = std::chrono::steady_clock::now();
        EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\SLEEP.EXE", 1));
        const auto cpu = CpuTime() - cpu_before;
        const auto wall = std::chrono::steady_clock::now() - wall_before;
        EXPECT_GE(wall, std::chrono::seconds(1));
        EXPECT_LT(cpu * 2, wall) << "pidfd " << use_pidfd;
    }
}

} // namespace
} // namespace tavox
