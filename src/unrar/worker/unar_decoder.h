#pragma once

#include "unrar/worker/stream_decoder.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tavox::unrar::worker {

// RAR 1.5 compression, which neither library decodes, through the unar program (found on PATH). The
// stream's bytes are an archive of our own making in an anonymous memory file; unar writes the entries
// asked for to a pipe and never to the file system, so a hostile archive cannot make it create links or
// write outside anything. nullptr when the memory file cannot be made.
std::unique_ptr<StreamDecoder> MakeUnarDecoder(std::vector<std::uint8_t> bytes);

} // namespace tavox::unrar::worker
