#pragma once

#include <chrono>
#include <thread>

namespace tavox::test {

// Polls a condition that another process brings about, without an event loop; false when it never came.
template <typename Condition> bool PollUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace tavox::test
