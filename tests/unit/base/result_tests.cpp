#include "base/result.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace tavox {
namespace {

TEST(Failure, FromErrnoNamesTheKindCallersActOn) {
    const struct {
        int error_number;
        FailureKind kind;
    } cases[] = {
        {ENOENT, FailureKind::NotFound},  {ENOTDIR, FailureKind::NotFound}, {EACCES, FailureKind::Denied},
        {EPERM, FailureKind::Denied},     {EROFS, FailureKind::Denied},     {EEXIST, FailureKind::Exists},
        {ENOTEMPTY, FailureKind::Exists}, {ENOSPC, FailureKind::NoSpace},   {EDQUOT, FailureKind::NoSpace},
        {EIO, FailureKind::Io},
    };
    for (const auto& c : cases) {
        errno = c.error_number;
        const Failure failure = Failure::FromErrno("cannot write x");
        EXPECT_EQ(failure.kind, c.kind) << c.error_number;
        EXPECT_EQ(failure.error_number, c.error_number);
        EXPECT_EQ(failure.text, "cannot write x");
    }
}

} // namespace
} // namespace tavox
