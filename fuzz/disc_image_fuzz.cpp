// Raw sector images and cue sheets from arbitrary bytes. A cue sheet's data track is a piece of the sheet
// with a sector size the track can have, starting on a whole sector; a sniffed image reads the same user data
// whether it is read in one piece or in small ones across sector ends, never more than the image holds; and
// a disc's identity is a name that stays inside the cache.

#include "fuzz_support.h"
#include "platform/disc/cue_sheet.h"
#include "platform/disc/sector_image.h"
#include "platform/disc/volume_descriptors.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tavox::fuzz::Require;

void CheckCueSheet(std::string_view text) {
    tavox::LooksLikeCueSheet(text);
    const auto track = tavox::FirstDataTrack(text);
    if (!track) {
        return;
    }
    Require(!track->file.empty() && text.find(track->file) != std::string_view::npos,
            "the file is named in the sheet");
    Require(track->sector_size == 2048 || track->sector_size == 2336 || track->sector_size == 2352 ||
                track->sector_size == 2448,
            "a data track's sector size");
    Require(track->start_byte % track->sector_size == 0, "a track starts on a whole sector");
}

void CheckImage(std::string_view bytes, std::size_t step, std::uint64_t start) {
    const tavox::ReadAt read = [bytes](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t {
        if (offset >= bytes.size()) {
            return 0;
        }
        const std::size_t count = std::min<std::size_t>(out.size(), bytes.size() - offset);
        std::memcpy(out.data(), bytes.data() + offset, count);
        return count;
    };
    const auto layout = tavox::SniffTrack(read, start, step % 2 ? 2352 : 0);
    if (!layout) {
        return;
    }
    Require(layout->start_byte == start, "the track starts where it was looked for");
    tavox::UserDataReader whole_reader(read, *layout);
    std::vector<std::uint8_t> whole(bytes.size());
    whole.resize(whole_reader.Read(0, whole));
    const std::uint64_t sectors =
        (bytes.size() - std::min<std::uint64_t>(start, bytes.size())) / layout->sector_size;
    Require(whole.size() <=
                std::max<std::uint64_t>(sectors * tavox::kUserSectorBytes,
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

    if (whole.size() > 16 * tavox::kUserSectorBytes) {
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
    if (kind % 2 == 0) {
        CheckCueSheet(input.Rest());
    } else {
        CheckImage(input.Rest(), step, start);
    }
    return 0;
}
