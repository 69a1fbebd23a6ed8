// Images with track information at their end, from arbitrary bytes: every chunk and track read lies inside
// the file before the track information, no read leaves the file, and no more tracks than a CD holds.

#include "disc/nrg_footer.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstring>

namespace {

using tavox::fuzz::Require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bool inside = true;
    const tavox::ReadAt read = [&](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t {
        inside = inside && offset <= size && out.size() <= size - offset;
        if (offset >= size) {
            return 0;
        }
        const std::size_t count = std::min<std::size_t>(out.size(), size - offset);
        std::memcpy(out.data(), data + offset, count);
        return count;
    };
    const tavox::TrackPlaces places = tavox::NrgTracks(read, size);
    Require(inside, "no read beyond the file");
    Require(places.tracks.size() <= tavox::kMaxTracks, "no more tracks than a CD holds");
    Require(places.problem.empty() || places.tracks.empty(), "a refused image names no track");
    for (const tavox::TrackPlace& track : places.tracks) {
        Require(track.file.empty() && track.start_byte < size, "a track inside the image");
    }
    return 0;
}
