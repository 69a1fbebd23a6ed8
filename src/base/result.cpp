#include "base/result.h"

namespace tavox {

FailureKind FailureKindOf(int error_number) {
    switch (error_number) {
    case ENOENT:
    case ENOTDIR:
        return FailureKind::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return FailureKind::Denied;
    case EEXIST:
    case ENOTEMPTY:
        return FailureKind::Exists;
    case ENOSPC:
    case EDQUOT:
        return FailureKind::NoSpace;
    default:
        return FailureKind::Io;
    }
}

} // namespace tavox
