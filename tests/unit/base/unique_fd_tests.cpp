#include "base/unique_fd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <utility>

namespace tavox {
namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

// Both ends of a pipe, each owned.
std::array<UniqueFd, 2> Pipe() {
    std::array<int, 2> fds{-1, -1};
    EXPECT_EQ(::pipe2(fds.data(), O_CLOEXEC), 0);
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

TEST(UniqueFd, ClosesWhatItOwnsExactlyOnce) {
    auto [read_end, write_end] = Pipe();
    const int read_fd = read_end.Get();
    const int write_fd = write_end.Get();
    {
        UniqueFd moved(std::move(read_end));
        EXPECT_FALSE(read_end.Valid());
        UniqueFd assigned;
        assigned = std::move(moved);
        EXPECT_EQ(assigned.Get(), read_fd);
        EXPECT_TRUE(IsOpen(read_fd));
    }
    EXPECT_FALSE(IsOpen(read_fd));

    write_end.Reset(::dup(write_fd));
    EXPECT_FALSE(IsOpen(write_fd));
    EXPECT_TRUE(write_end.Close());
    EXPECT_FALSE(write_end.Valid());
    EXPECT_TRUE(write_end.Close());
}

TEST(UniqueFd, ReleaseHandsTheDescriptorOverOpen) {
    auto [read_end, write_end] = Pipe();
    const int fd = read_end.Release();
    read_end.Reset();
    EXPECT_TRUE(IsOpen(fd));
    const UniqueFd owner(fd);
    EXPECT_EQ(owner.Get(), fd);
}

} // namespace
} // namespace tavox
