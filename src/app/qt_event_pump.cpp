#include "app/qt_event_pump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace tavox {

namespace {

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

bool QtEventPump::WaitUntil(const std::function<bool()>& ended, int ready_fd,
                            std::optional<std::chrono::milliseconds> limit) {
    const QuitDeferral deferral;
    bool timed_out = false;
    QTimer limit_timer;
    if (limit) {
        limit_timer.setSingleShot(true);
        QObject::connect(&limit_timer, &QTimer::timeout, [&timed_out] { timed_out = true; });
        limit_timer.start(*limit);
    }
    // Either wakes the event loop when the program ended; the loop sleeps in between.
    std::optional<QSocketNotifier> readable;
    std::optional<QTimer> poll;
    if (ready_fd >= 0) {
        readable.emplace(ready_fd, QSocketNotifier::Read);
    } else {
        poll.emplace();
        poll->start(kReadinessPollInterval);
    }
    while (!ended() && !timed_out) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return ended();
}

void QtEventPump::ProcessPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace tavox
