#include "installer/launcher.h"

#include "platform/command_line.h"
#include "platform/machine.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace tavox {

namespace {

constexpr int kPollIntervalMs = 50;

bool EqualsAsciiIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Windows Explorer opens folders; here the host's opener stands in for it, wherever the command names it.
bool IsExplorer(std::string_view program) {
    const std::size_t slash = program.find_last_of("\\/");
    const std::string_view name = slash == std::string_view::npos ? program : program.substr(slash + 1);
    return EqualsAsciiIgnoringCase(name, "explorer") || EqualsAsciiIgnoringCase(name, "explorer.exe");
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

// Holds back the menu's Quit events while a started program runs. QGuiApplication answers a Quit event by
// closing every window at once, which would end the menu in front of the user while the program is still
// running; the event is delivered again when the wait is over.
class QuitDeferral : public QObject {
public:
    QuitDeferral() { QCoreApplication::instance()->installEventFilter(this); }
    QuitDeferral(const QuitDeferral&) = delete;
    QuitDeferral& operator=(const QuitDeferral&) = delete;
    ~QuitDeferral() override {
        QCoreApplication* app = QCoreApplication::instance();
        app->removeEventFilter(this);
        if (quit_requested_) {
            QCoreApplication::postEvent(app, new QEvent(QEvent::Quit));
        }
        // QCoreApplication::exit during the wait told the outer loops to end, but the processEvents of the
        // wait consumed the dispatcher's interrupt (Qt's own non-glib dispatcher then keeps the outer loop
        // sleeping); interrupt again so they look at their exit flag.
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
            dispatcher->interrupt();
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
            quit_requested_ = true;
            return true;
        }
        return false;
    }

private:
    bool quit_requested_ = false;
};

} // namespace

Launcher::Launcher(const Machine& machine, ProcessConfig config, CommandDirFunction command_dir)
    : machine_(machine), config_(std::move(config)), command_dir_(std::move(command_dir)) {}

Launcher::Start Launcher::StartCommand(std::string_view command_line,
                                       std::optional<std::string_view> working_dir,
                                       std::optional<ChildProcess>& child) {
    const CommandParts word = SplitProgramWord(command_line);
    if (word.program.empty()) {
        return Start::Failed;
    }
    if (IsExplorer(word.program)) {
        return OpenDocument(machine_, config_, ExplorerTarget(word.arguments)) ? Start::Opened
                                                                               : Start::Failed;
    }
    const std::string dir = working_dir    ? std::string(*working_dir)
                            : command_dir_ ? command_dir_(command_line)
                                           : std::string();
    child = StartProgram(machine_, config_, command_line, dir);
    return child ? Start::Started : Start::Failed;
}

bool Launcher::WaitExec(std::string_view command_line, int /*show_mode*/) {
    std::optional<ChildProcess> child;
    const Start start = StartCommand(command_line, std::nullopt, child);
    if (start != Start::Started) {
        // The opener hands the folder to a program of the desktop and ends; nothing to wait for.
        return start == Start::Opened;
    }
    if (wait_hook_) {
        wait_hook_(true);
    }
    WaitWhileProcessingEvents(*child);
    if (wait_hook_) {
        wait_hook_(false);
    }
    return true;
}

void Launcher::WaitWhileProcessingEvents(ChildProcess& child) {
    if (QCoreApplication::instance() == nullptr) {
        child.Wait(); // no event loop to serve
        return;
    }
    const QuitDeferral deferral;
    // Either wakes the event loop when the child ended; the loop sleeps in between.
    std::optional<QSocketNotifier> ended;
    std::optional<QTimer> poll;
    if (child.ReadinessFd() >= 0) {
        ended.emplace(child.ReadinessFd(), QSocketNotifier::Read);
    } else {
        poll.emplace();
        poll->start(kPollIntervalMs);
    }
    while (!child.ExitCode()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool Launcher::NormalExec(std::string_view command_line, int /*show_mode*/) {
    std::optional<ChildProcess> child;
    return StartCommand(command_line, std::nullopt, child) != Start::Failed;
}

bool Launcher::NormalExecIn(std::string_view command_line, std::string_view working_dir, int /*show_mode*/) {
    std::optional<ChildProcess> child;
    return StartCommand(command_line, working_dir, child) != Start::Failed;
}

void Launcher::ShellExec(std::string_view document, int /*show_mode*/) {
    OpenDocument(machine_, config_, document);
}

void Launcher::PumpMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace tavox
