// Media descriptors from arbitrary bytes: no read outside the descriptor, no more tracks than a CD holds,
// each track in a named file, and a refused descriptor names no track.

#include "disc/mds_descriptor.h"
#include "fuzz_support.h"

namespace {

using tavox::fuzz::Require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tavox::TrackPlaces places = tavox::MdsTracks(std::span(data, size));
    // Each data track may come with a second place: after its stored pregap.
    Require(places.tracks.size() <= 2 * tavox::kMaxTracks, "no more tracks than a CD holds");
    Require(places.problem.empty() || places.tracks.empty(), "a refused descriptor names no track");
    for (const tavox::TrackPlace& track : places.tracks) {
        Require(!track.file.empty() && track.first_sector.has_value(), "a track's file and address");
    }
    return 0;
}
