#pragma once

#include "installer/event_pump.h"

namespace tavox {

// The window's events while the menu waits for a program: Qt's event loop runs, sleeping until an event,
// the program's end or the limit, and the application's Quit events are held back until the wait is over.
class QtEventPump final : public EventPump {
public:
    bool WaitUntil(const std::function<bool()>& ended, int ready_fd,
                   std::optional<std::chrono::milliseconds> limit) override;
    void ProcessPendingEvents() override;
};

} // namespace tavox
