// Raw sector images and cue sheets from arbitrary bytes. A cue sheet's data tracks are pieces of the sheet
// with a sector size the track can have, starting on a whole sector, no more than a CD holds; a sniffed image
// reads the same user data whether it is read in one piece or in small ones across sector ends, never more
// than the image holds; and a disc's identity is a name that stays inside the cache.

#include "disc/cue_sheet.h"
#include "disc/sector_image.h"
#include "disc/volume_descriptors.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tavox::fuzz::Require;

void CheckCueSheet(std::string_view text) {
    tavox::LooksLikeCueSheet(text);
    const tavox::TrackPlaces places = tavox::CueSheetTracks(text);
    Require(places.tracks.size() <= tavox::kMaxTracks, "no more tracks than a CD holds");
    Require(places.problem.empty() || places.tracks.empty(), "a refused sheet names no track");
    for (const tavox::TrackPlace& track : places.tracks) {
        Require(!track.file.empty() && text.find(track.file) != std::string_view::npos,
                "the file is named in the sheet");
        Require(track.sector_size == 2048 || track.sector_size == 2336 || track.sector_size == 2352 ||
                    track.sector_size == 2448,
                "a data track's sector size");
        Require(track.start_byte % track.sector_size == 0, "a track starts on a whole sector");
    }
}

void CheckImage(std::string_view bytes, std::size_t step, std::uint64_t start, std::uint32_t first_sector) {
    const tavox::ReadAt read = [bytes](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t {
        if (offset >= bytes.size()) {
            return 0;
        }
        const std::size_t count = std::min<std::size_t>(out.size(), bytes.size() - offset);
        std::memcpy(out.data(), bytes.data() + offset, count);
        return count;
    };
    auto layout = tavox::SniffTrack(read, start, step % 2 ? 2352 : 0);
    if (!layout) {
        return;
    }
    Require(layout->start_byte == start, "the track starts where it was looked for");
    tavox::RawHeaderFirstSector(read, *layout);
    layout->first_sector = first_sector; // a later track: zeros and its descriptors before it
    tavox::UserDataReader whole_reader(read, *layout);
    const std::uint64_t before = std::uint64_t{first_sector} * tavox::kUserSectorBytes;
    std::vector<std::uint8_t> whole(bytes.size() + before);
    whole.resize(whole_reader.Read(0, whole));
    const std::uint64_t sectors =
        (bytes.size() - std::min<std::uint64_t>(start, bytes.size())) / layout->sector_size;
    Require(whole.size() <= before + std::max<std::uint64_t>(
                                         sectors * tavox::kUserSectorBytes,
                                         layout->format == tavox::SectorFormat::Plain ? bytes.size() : 0),
            "no more user data than the image's sectors hold");

    tavox::UserDataReader piece_reader(read, *layout);
    std::vector<std::uint8_t> pieces;
    std::vector<std::uint8_t> piece(std::max<std::size_t>(step, 1));
    while (true) {
        const std::size_t got = piece_reader.Read(pieces.size(), piece);
        pieces.insert(pieces.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < piece.size()) {
            break;
        }
    }
    Require(pieces == whole, "reading in pieces gives the same user data");

    if (first_sector == 0 && whole.size() > 16 * tavox::kUserSectorBytes) {
        if (const auto info =
                tavox::ParseVolumeDescriptors(std::span(whole).subspan(16 * tavox::kUserSectorBytes))) {
            Require(!info->identity.empty() && info->identity.find('/') == std::string::npos &&
                        info->identity.front() != '.',
                    "an identity is a plain name");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavox::fuzz::InputReader input(data, size);
    const std::uint8_t kind = input.Byte();
    const std::size_t step = std::size_t{input.Byte()} * 16 + 1;
    const std::uint64_t start = std::uint64_t{input.Byte()} * 2352 % 65536;
    // The disc's first track, or (with the kind's top bit) one that starts later: before sector 16 ends or
    // after the descriptors.
    const std::uint32_t first_sector = kind < 128 ? 0 : (kind >> 1) % 64;
    if (kind % 2 == 0) {
        CheckCueSheet(input.Rest());
    } else {
        CheckImage(input.Rest(), step, start, first_sector);
    }
    return 0;
}
