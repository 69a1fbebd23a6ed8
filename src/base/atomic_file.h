#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include "base/result.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace tavox {

// Writes all of `bytes` to `fd`, going on after interrupted and partial writes. On failure errno tells why.
[[nodiscard]] bool WriteAll(int fd, std::string_view bytes);

// Reads `fd` to its end into `bytes`, in place of what it held, going on after interrupted and partial reads.
// With the file's size as `size_hint`, a file that has not changed comes in one read and the end-of-file
// read. On failure errno tells why and `bytes` holds what was read.
[[nodiscard]] bool ReadAll(int fd, std::string& bytes, std::size_t size_hint = 0);

// Replaces `target` with a file holding `content`: a new file beside it is written, flushed to disk and
// renamed over it, then the rename is flushed too, so that readers and a crash see either the old file or
// the new one, never half of one. A replaced file keeps its permissions and, where we may give it away, its
// owner; a new one gets `new_file_mode` less the umask. Returns the new file's status; on failure the old
// file is as it was and nothing is left beside it.
Result<struct stat> ReplaceFileAtomically(const std::filesystem::path& target, std::string_view content,
                                          mode_t new_file_mode);

} // namespace tavox
