#include "installer/event_pump.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace tavox {

bool PollPump::WaitUntil(const std::function<bool()>& ended, int ready_fd,
                         std::optional<std::chrono::milliseconds> limit) {
    using Clock = std::chrono::steady_clock;
    const std::optional<Clock::time_point> deadline =
        limit ? std::optional(Clock::now() + *limit) : std::nullopt;
    while (!ended()) {
        std::chrono::milliseconds timeout(-1); // poll's "no limit"
        if (ready_fd < 0) {
            timeout = kReadinessPollInterval;
        }
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
            if (left <= std::chrono::milliseconds::zero()) {
                break;
            }
            timeout = timeout.count() < 0 ? left : std::min(timeout, left);
        }
        pollfd ready{ready_fd, POLLIN, 0}; // poll ignores a negative descriptor
        if (::poll(&ready, 1, static_cast<int>(timeout.count())) < 0 && errno != EINTR) {
            std::this_thread::sleep_for(kReadinessPollInterval); // out of kernel memory: never spin
        }
    }
    return ended();
}

} // namespace tavox
