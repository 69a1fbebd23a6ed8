#include "app/qt_event_pump.h"

#include "installer/launcher.h"
#include "support/launch_fixture.h"

#include <signal.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::CpuTime;
using test::Quoted;
using test::ReadFile;
using test::WaitForFile;
using test::WriteFile;
using test::WriteScript;
using Log = std::vector<std::string>;

enum class Dispatcher { Glib, Unix };

// The launcher as the window drives it: through Qt's event loop, with the window's pump installed.
class QtEventPumpTest : public test::LaunchFixture, public testing::WithParamInterface<Dispatcher> {
protected:
    // Qt picks its event dispatcher when the application is made, so each test makes its own.
    bool StartApplication(Dispatcher dispatcher) {
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

    Launcher MakePumpedLauncher(ProcessConfig config = {}) {
        Launcher launcher = MakeLauncher(std::move(config));
        launcher.SetEventPump(&pump_);
        return launcher;
    }

    static inline int argc_ = 1;
    static inline char arg0_[] = "unit_app";
    static inline char* argv_[] = {arg0_, nullptr};

    std::unique_ptr<QCoreApplication> app_;
    QtEventPump pump_;
};

TEST_P(QtEventPumpTest, WaitExecProcessesEventsUntilTheProgramEnded) {
    if (!StartApplication(GetParam())) {
        GTEST_SKIP() << "another event dispatcher is in use";
    }
    WriteScript(games_ / "RUN.EXE",
                "#!/bin/sh\n" + WaitForFile(go_) + "echo done > " + Quoted(marker_) + "\nexit 7\n");
    Launcher launcher = MakePumpedLauncher();
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

    QTimer::singleShot(0, [&] { log.emplace_back("pending event"); });
    launcher.PumpMessages();
    EXPECT_EQ(log.back(), "pending event");
}

TEST_P(QtEventPumpTest, TheWaitForTheServerIsBounded) {
    if (!StartApplication(GetParam())) {
        GTEST_SKIP() << "another event dispatcher is in use";
    }
    WriteFile(games_ / "SETUP.EXE", "MZ\x90");
    const fs::path bin = dir_ / "wine bin";
    const fs::path pid_file = dir_ / "server.pid";
    WriteScript(bin / "wine", "#!/bin/sh\n");
    // Other programs of the machine keep this server running.
    WriteScript(bin / "wineserver",
                "#!/bin/sh\necho $$ > " + Quoted(pid_file) + "\n" + WaitForFile(dir_ / "never"));
    ProcessConfig config;
    config.runner = Quoted(bin / "wine");
    config.server_wait = std::chrono::milliseconds(300);
    Launcher launcher = MakePumpedLauncher(config);

    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(launcher.WaitExec("C:\\GAMES\\SETUP.EXE", 1));
    const auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_GE(waited, config.server_wait / 2); // Qt's coarse timers may fire early
    EXPECT_LT(waited, std::chrono::seconds(20));
    ASSERT_TRUE(fs::exists(pid_file));
    EXPECT_EQ(::kill(std::stoi(ReadFile(pid_file)), 0), -1) << "the waiting \"wineserver -w\" was ended";
}

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

TEST_P(QtEventPumpTest, AQuitDuringTheWaitTakesEffectAfterTheProgramEnded) {
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
        Launcher launcher = MakePumpedLauncher();
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

TEST_P(QtEventPumpTest, WaitingKeepsNoCoreBusy) {
    if (!StartApplication(GetParam())) {
        GTEST_SKIP() << "another event dispatcher is in use";
    }
    WriteScript(games_ / "SLEEP.EXE", "#!/bin/sh\nsleep 1\n");
    for (const bool use_pidfd : {true, false}) {
        ProcessConfig config;
        config.use_pidfd = use_pidfd;
        Launcher launcher = MakePumpedLauncher(config);
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

INSTANTIATE_TEST_SUITE_P(Dispatchers, QtEventPumpTest, testing::Values(Dispatcher::Glib, Dispatcher::Unix),
                         [](const testing::TestParamInfo<Dispatcher>& param_info) {
                             return param_info.param == Dispatcher::Glib ? std::string("Glib")
                                                                         : std::string("Unix");
                         });

} // namespace
} // namespace tavox
