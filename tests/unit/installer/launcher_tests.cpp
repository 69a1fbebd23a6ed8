#include "installer/launcher.h"

#include "platform/engines.h"
#include "platform/machine.h"
#include "support/poll.h"
#include "support/program_images.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <signal.h>
#include <sys/resource.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

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
using Log = std::vector<std::string>;

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// The child gives up when the test's directory is gone, so that a failed test leaves no process behind.
std::string WaitForFile(const fs::path& path) {
    return "while [ ! -e " + Quoted(path) + " ]; do [ -d " + Quoted(path.parent_path()) +
           " ] || exit 99; sleep 0.01; done\n";
}

std::chrono::microseconds CpuTime() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto to_us = [](const timeval& time) {
        return std::chrono::seconds(time.tv_sec) + std::chrono::microseconds(time.tv_usec);
    };
    return to_us(usage.ru_utime) + to_us(usage.ru_stime);
}

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

enum class Dispatcher { Glib, Unix };

class LauncherTest : public testing::Test {
protected:
    LauncherTest() {
        EXPECT_FALSE(CreateMachineLayout(root_));
        machine_ = std::make_unique<Machine>(root_);
        machine_->MapDrive('D', dir_ / "cd", DriveType::CdRom);
        fs::create_directories(dir_ / "cd" / "DEMOS" / "X");
        WriteScript(opener_, "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + Quoted(opened_) + ".tmp\nmv " +
                                 Quoted(opened_) + ".tmp " + Quoted(opened_) + "\n");
    }

    // Qt picks its event dispatcher when the application is made, so each test makes its own.
    bool StartApplication(Dispatcher dispatcher = Dispatcher::Glib) {
        if (QCoreApplication::instance() == nullptr) {
            if (dispatcher == Dispatcher::Unix) {
                ::setenv("QT_NO_GLIB", "1", 1);
            }
            app_ = std::make_unique<QCoreApplication>(argc_, argv_);
            ::unsetenv("QT_NO_GLIB");
        }
        const bool is_glib =
            std::string_view(QAbstractEventDispatcher::instance()->metaObject()->className()).find("Glib") !=
            std::string_view::npos;
        return is_glib == (dispatcher == Dispatcher::Glib);
    }

    Launcher MakeLauncher(ProcessConfig config = {}, std::string working_dir = "C:\\WINDOWS") {
        config.opener = Quoted(opener_);
        return Launcher(*machine_, std::move(config), [this, working_dir](std::string_view command_line) {
            command_dirs_asked_.emplace_back(command_line);
            return working_dir;
        });
    }

    std::string Opened() {
        EXPECT_TRUE(PollUntil([&] { return fs::exists(opened_); }));
        std::string opened = ReadFile(opened_);
        fs::remove(opened_);
        return opened;
    }

    static inline int argc_ = 1;
    static inline char arg0_[] = "unit_installer";
    static inline char* argv_[] = {arg0_, nullptr};

    TempDir dir_;
    const fs::path root_ = dir_ / "machine";
    const fs::path go_ = dir_ / "go";
    const fs::path marker_ = dir_ / "marker";
    const fs::path opener_ = dir_ / "opener";
    const fs::path opened_ = dir_ / "opened";
    const fs::path games_ = root_ / "drive_c" / "GAMES";
    std::unique_ptr<Machine> machine_;
    std::unique_ptr<QCoreApplication> app_;
    std::vector<std::string> command_dirs_asked_;
};

TEST_F(LauncherTest, WaitExecProcessesEventsUntilTheProgramEnded) {
    ASSERT_TRUE(StartApplication());
    WriteScript(games_ / "RUN.EXE",
                "#!/bin/sh\n" + WaitForFile(go_) + "echo done > " + Quoted(marker_) + "\nexit 7\n");
    Launcher launcher = MakeLauncher();
    Log log;
    launcher.SetWaitHook([&](bool waiting) {
        log.emplace_back(waiting ? "wait begins" : "wait ends");
        if (waiting) {
            // Only an event processed during the wait lets the program end.
            QTimer::singleShot(0, [&] {
                log.emplace_back("event");
                WriteFile(go_, "");
            });
        }
    });

    EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\RUN.EXE /x", 1));
    EXPECT_EQ(ReadFile(marker_), "done\n");
    EXPECT_EQ(log, (Log{"wait begins", "event", "wait ends"}));
    EXPECT_EQ(command_dirs_asked_, std::vector<std::string>{"C:\\GAMES\\RUN.EXE /x"});
}

TEST_F(LauncherTest, WaitExecRunsTheProgramInItsWorkingDirectory) {
    ASSERT_TRUE(StartApplication());
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
    ASSERT_TRUE(StartApplication());
    WriteFile(games_ / "README.EXE", "Just text.\n");
    WriteFile(games_ / "NOEXEC.EXE", "#!/bin/sh\n");
    WriteFile(games_ / "SETUP.EXE", "MZ\x90");
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

TEST_F(LauncherTest, WindowsProgramsRunThroughTheRunner) {
    ASSERT_TRUE(StartApplication());
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
    ASSERT_TRUE(StartApplication());
    WriteScript(games_ / "SETUP.EXE",
                "#!/bin/sh\n" + WaitForFile(go_) + "echo done > " + Quoted(marker_) + "\n");
    Launcher launcher = MakeLauncher();

    EXPECT_TRUE(launcher.NormalExec("C:\\GAMES\\SETUP.EXE", 1));
    EXPECT_FALSE(fs::exists(marker_));
    WriteFile(go_, "");
    EXPECT_TRUE(PollUntil([&] { return fs::exists(marker_); }));
}

TEST_F(LauncherTest, ExplorerCommandsOpenTheFolderWithTheOpener) {
    ASSERT_TRUE(StartApplication());
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
    ASSERT_TRUE(StartApplication());
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
    ASSERT_TRUE(StartApplication());
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
    ASSERT_TRUE(StartApplication());
    // Like Wine's server, this one writes the registry file when it ends; it ends only once an event of the
    // menu was processed while it was being waited for.
    Launcher launcher = MakeLauncher(
        Wine("echo \"server $* $WINEPREFIX\" >> " + Quoted(log_) + "\n" + WaitForFile(go_) +
             R"(printf '\n[Software\\\\Tiny] 1\n"Done"="yes"\n')" + " >> \"$WINEPREFIX/system.reg\"\n"));
    QTimer server_seen;
    QObject::connect(&server_seen, &QTimer::timeout, [&] {
        if (ReadFile(log_).find("server") != std::string::npos) {
            WriteFile(go_, "");
        }
    });
    server_seen.start(10);
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
    for (const bool event_loop : {false, true}) {
        if (event_loop) {
            ASSERT_TRUE(StartApplication());
        }
        Launcher launcher = MakeLauncher(config);
        const auto before = std::chrono::steady_clock::now();
        EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\SETUP.EXE", 1));
        const auto waited = std::chrono::steady_clock::now() - before;
        EXPECT_GE(waited, config.server_wait / 2) << event_loop; // Qt's coarse timers may fire early
        EXPECT_LT(waited, std::chrono::seconds(20)) << event_loop;
        // The waiting "wineserver -w" was ended; the server itself is not the menu's to end.
        ASSERT_TRUE(fs::exists(pid_file)) << event_loop;
        const pid_t server = std::stoi(ReadFile(pid_file));
        EXPECT_EQ(::kill(server, 0), -1) << event_loop;
        fs::remove(pid_file);
    }
}

class WaitingLauncherTest : public LauncherTest, public testing::WithParamInterface<Dispatcher> {};

enum class QuitBy { Quit, Exit, QuitEvent };

// Sees the application's Quit events where its own handling of them begins (a GUI application closes every
// window there).
class QuitWatch : public QObject {
public:
    explicit QuitWatch(Log& log) : log_(log) { QCoreApplication::instance()->installEventFilter(this); }
    ~QuitWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
    QuitWatch(const QuitWatch&) = delete;
    QuitWatch& operator=(const QuitWatch&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
            log_.emplace_back("Quit delivered");
        }
        return false;
    }

private:
    Log& log_;
};

TEST_P(WaitingLauncherTest, AQuitDuringTheWaitTakesEffectAfterTheProgramEnded) {
    if (!StartApplication(GetParam())) {
        GTEST_SKIP() << "another event dispatcher is in use";
    }
    const Log quit_event_after_wait = {"quit", "program runs", "wait returned", "Quit delivered",
                                       "exec returned"};
    const struct {
        QuitBy quit_by;
        int expected_code;
        Log expected_log;
    } cases[] = {
        {QuitBy::Quit, 0, quit_event_after_wait},
        {QuitBy::QuitEvent, 0, quit_event_after_wait},
        {QuitBy::Exit, 3, {"quit", "program runs", "wait returned", "exec returned"}},
    };
    for (const auto& [quit_by, expected_code, expected_log] : cases) {
        // A program of its own each time, so that one left running by a failure cannot meddle with the next.
        const std::string name = "RUN" + std::to_string(static_cast<int>(quit_by));
        const fs::path go = dir_ / (name + ".go");
        const fs::path ended = dir_ / (name + ".done");
        WriteScript(games_ / (name + ".EXE"),
                    "#!/bin/sh\n" + WaitForFile(go) + "echo done > " + Quoted(ended) + "\n");
        Launcher launcher = MakeLauncher();
        Log log;
        const QuitWatch quit_watch(log);
        bool ended_when_wait_returned = false;
        launcher.SetWaitHook([&, quit = quit_by](bool waiting) {
            if (!waiting) {
                return;
            }
            QTimer::singleShot(0, [&, quit] {
                log.emplace_back("quit");
                if (quit == QuitBy::Quit) {
                    QCoreApplication::quit();
                } else if (quit == QuitBy::Exit) {
                    QCoreApplication::exit(3);
                } else {
                    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
                }
                QTimer::singleShot(0, [&] {
                    log.emplace_back(fs::exists(ended) ? "program ended" : "program runs");
                    WriteFile(go, "");
                });
            });
        });
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\" + name + ".EXE", 1));
            ended_when_wait_returned = fs::exists(ended);
            log.emplace_back("wait returned");
        });
        QTimer watchdog; // a lost quit request would keep exec() running
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(std::chrono::seconds(60));

        const int code = QCoreApplication::exec();
        log.emplace_back("exec returned");
        EXPECT_EQ(code, expected_code);
        EXPECT_TRUE(ended_when_wait_returned);
        EXPECT_EQ(log, expected_log);
        WriteFile(go, "");
    }
}

TEST_P(WaitingLauncherTest, WaitingKeepsNoCoreBusy) {
    if (!StartApplication(GetParam())) {
        GTEST_SKIP() << "another event dispatcher is in use";
    }
    WriteScript(games_ / "SLEEP.EXE", "#!/bin/sh\nsleep 1\n");
    for (const bool use_pidfd : {true, false}) {
        Launcher launcher = MakeLauncher(Watching(use_pidfd));
        const auto cpu_before = CpuTime();
        const auto wall_before = std::chrono::steady_clock::now();
        EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\SLEEP.EXE", 1));
        const auto cpu = CpuTime() - cpu_before;
        const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - wall_before);
        RecordProperty(use_pidfd ? "cpu_us_pidfd" : "cpu_us_polling", std::to_string(cpu.count()));
        RecordProperty(use_pidfd ? "wall_us_pidfd" : "wall_us_polling", std::to_string(wall.count()));
        EXPECT_GE(wall, std::chrono::seconds(1));
        EXPECT_LT(cpu * 2, wall) << "pidfd " << use_pidfd;
    }
}

INSTANTIATE_TEST_SUITE_P(Dispatchers, WaitingLauncherTest,
                         testing::Values(Dispatcher::Glib, Dispatcher::Unix),
                         [](const testing::TestParamInfo<Dispatcher>& param_info) {
                             return param_info.param == Dispatcher::Glib ? std::string("Glib")
                                                                         : std::string("Unix");
                         });

} // namespace
} // namespace tavox
