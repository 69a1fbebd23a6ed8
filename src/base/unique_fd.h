#pragma once

#include <unistd.h>

#include <utility>

namespace tavox {

// Owns one file descriptor and closes it when it goes. Kept to the header: the RAR worker process, which
// links no library of ours, holds its pipes and archive in it too.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const noexcept { return fd_; }
    bool Valid() const noexcept { return fd_ >= 0; }
    // Hands the descriptor over; this one then owns none.
    int Release() noexcept { return std::exchange(fd_, -1); }
    // Closes the descriptor held and owns `fd` instead.
    void Reset(int fd = -1) noexcept {
        const int old = std::exchange(fd_, fd);
        if (old >= 0 && old != fd) {
            ::close(old);
        }
    }
    // For a file just written: a failed close can mean lost data. True when nothing was held.
    bool Close() noexcept {
        const int fd = Release();
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_ = -1;
};

} // namespace tavox
