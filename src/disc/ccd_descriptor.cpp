#include "disc/ccd_descriptor.h"

#include "base/ascii.h"

#include <charconv>
#include <map>

namespace tavox {

namespace {

constexpr std::size_t kMaxCcdBytes = 1 << 20;
constexpr std::uint32_t kRawSectorBytes = 2352;
// A CD holds at most 100 minutes of sectors; an address beyond is damage.
constexpr std::int64_t kMaxSector = 100 * 60 * 75;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::int64_t> Integer(std::string_view text) {
    text = Trimmed(text);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

struct Track {
    std::optional<std::int64_t> mode;
    std::optional<std::int64_t> index1;
};

} // namespace

bool LooksLikeCcd(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    text = Trimmed(text.substr(0, text.find('\n')));
    return EqualsIgnoringAsciiCase(text, "[CloneCD]");
}

TrackPlaces CcdTracks(std::string_view text) {
    if (!LooksLikeCcd(text)) {
        return {};
    }
    if (text.size() > kMaxCcdBytes) {
        return {{}, "it is too large for a clone descriptor."};
    }
    std::string section;
    bool scrambled = false;
    std::map<std::int64_t, Track> tracks;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.starts_with('[') && line.ends_with(']')) {
            section = LowerCaseAscii(Trimmed(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string key = LowerCaseAscii(Trimmed(line.substr(0, equals)));
        const auto value = Integer(line.substr(equals + 1));
        if (section == "disc" && key == "datatracksscrambled") {
            scrambled = value.value_or(1) != 0;
        } else if (section.starts_with("track ")) {
            const auto number = Integer(std::string_view(section).substr(6));
            if (!number || *number < 1 || *number > static_cast<std::int64_t>(kMaxTracks)) {
                return {{}, "it names a track numbered " + section.substr(6) + ", which a CD cannot hold."};
            }
            if (key == "mode") {
                tracks[*number].mode = value;
            } else if (key == "index 1") {
                tracks[*number].index1 = value;
            }
        }
    }
    if (scrambled) {
        return {{},
                "it is a clone image whose data tracks are stored scrambled, which this menu does not read. "
                "Make the image again from the disc with the scrambling of data tracks switched off."};
    }
    TrackPlaces places;
    for (const auto& [number, track] : tracks) {
        if (!track.mode || *track.mode == 0) {
            continue; // audio
        }
        if (!track.index1 || *track.index1 < 0 || *track.index1 > kMaxSector) {
            return {{}, "track " + std::to_string(number) + " has no start on the disc."};
        }
        const auto sector = static_cast<std::uint32_t>(*track.index1);
        places.tracks.push_back(
            TrackPlace{"*.img", std::uint64_t{sector} * kRawSectorBytes, kRawSectorBytes, sector});
    }
    return places;
}

} // namespace tavox
