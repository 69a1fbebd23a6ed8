// Clone descriptors from arbitrary text: no more tracks than a CD holds, each in the image named as the
// descriptor and starting on the sector the descriptor gives, within a CD's length.

#include "disc/ccd_descriptor.h"
#include "fuzz_support.h"

namespace {

using tavox::fuzz::Require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tavox::TrackPlaces places = tavox::CcdTracks(text);
    Require(places.tracks.size() <= tavox::kMaxTracks, "no more tracks than a CD holds");
    Require(places.problem.empty() || places.tracks.empty(), "a refused descriptor names no track");
    Require(tavox::LooksLikeCcd(text) || (places.tracks.empty() && places.problem.empty()),
            "only a clone descriptor is read as one");
    for (const tavox::TrackPlace& track : places.tracks) {
        Require(track.file == "*.img" && track.first_sector && *track.first_sector <= 100 * 60 * 75 &&
                    track.start_byte == std::uint64_t{*track.first_sector} * 2352,
                "a track in the image, at its sector");
    }
    return 0;
}
