#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace tavox {

// How often a wait looks at a program that offers no readiness descriptor.
inline constexpr std::chrono::milliseconds kReadinessPollInterval{50};

// What keeps a window alive while the menu waits for a program it started. The window's pump processes its
// events; without a window the wait only sleeps.
class EventPump {
public:
    virtual ~EventPump() = default;

    // Processes events until `ended` answers true or `limit`, when given, ran out, sleeping in between: it
    // wakes when `ready_fd` becomes readable, or every kReadinessPollInterval when `ready_fd` is negative. A
    // request to quit made meanwhile is held back and made again on return. Answers `ended()`.
    virtual bool WaitUntil(const std::function<bool()>& ended, int ready_fd,
                           std::optional<std::chrono::milliseconds> limit) = 0;
    // Processes the events that are pending, without waiting for more.
    virtual void ProcessPendingEvents() = 0;
};

// The wait of a program without a window: poll(2) on the descriptor, nothing to process.
class PollPump final : public EventPump {
public:
    bool WaitUntil(const std::function<bool()>& ended, int ready_fd,
                   std::optional<std::chrono::milliseconds> limit) override;
    void ProcessPendingEvents() override {}
};

} // namespace tavox
