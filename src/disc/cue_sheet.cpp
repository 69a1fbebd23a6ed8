#include "disc/cue_sheet.h"

#include "base/ascii.h"

#include <charconv>
#include <vector>

namespace tavox {

namespace {

constexpr std::size_t kMaxCueBytes = 1 << 20;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The words of one line; a "quoted" word keeps its blanks (file names).
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsBlank(line[at])) {
            ++at;
        }
        if (at == line.size()) {
            break;
        }
        if (line[at] == '"') {
            const std::size_t close = line.find('"', at + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close;
            words.push_back(line.substr(at + 1, end - at - 1));
            at = end + 1;
        } else {
            const std::size_t start = at;
            while (at < line.size() && !IsBlank(line[at])) {
                ++at;
            }
            words.push_back(line.substr(start, at - start));
        }
    }
    return words;
}

template <typename Visit> void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!visit(Words(line))) {
            return;
        }
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

std::optional<std::uint32_t> Number(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// "mm:ss:ff" in frames of 1/75 s, the sector count of a cue sheet's positions.
std::optional<std::uint64_t> Frames(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    const auto minutes = Number(text.substr(0, first));
    const auto seconds = Number(text.substr(first + 1, second - first - 1));
    const auto frames = Number(text.substr(second + 1));
    if (!minutes || !seconds || !frames || *seconds >= 60 || *frames >= 75) {
        return std::nullopt;
    }
    return (std::uint64_t{*minutes} * 60 + *seconds) * 75 + *frames;
}

// The sector size of a data track's mode ("MODE1/2352"); nothing for audio and unknown modes.
std::optional<std::uint32_t> DataSectorSize(std::string_view mode) {
    if (mode.size() < 7 || !(EqualsIgnoringAsciiCase(mode.substr(0, 6), "MODE1/") ||
                             EqualsIgnoringAsciiCase(mode.substr(0, 6), "MODE2/"))) {
        return std::nullopt;
    }
    const auto size = Number(mode.substr(6));
    if (!size || (*size != 2048 && *size != 2336 && *size != 2352 && *size != 2448)) {
        return std::nullopt;
    }
    return size;
}

} // namespace

bool LooksLikeCueSheet(std::string_view text) {
    if (text.size() > kMaxCueBytes) {
        return false;
    }
    for (const char c : text) {
        if (c == '\0') {
            return false;
        }
    }
    bool file_seen = false;
    bool track_seen = false;
    ForEachLine(text, [&](const std::vector<std::string_view>& words) {
        if (!words.empty()) {
            file_seen = file_seen || EqualsIgnoringAsciiCase(words[0], "FILE");
            track_seen = track_seen || (file_seen && EqualsIgnoringAsciiCase(words[0], "TRACK"));
        }
        return !track_seen;
    });
    return track_seen;
}

TrackPlaces CueSheetTracks(std::string_view text) {
    if (text.size() > kMaxCueBytes) {
        return {{}, "it is too large for a cue sheet."};
    }
    std::string file;
    std::optional<TrackPlace> track; // a data track waiting for its INDEX 01
    std::size_t track_lines = 0;
    TrackPlaces places;
    ForEachLine(text, [&](const std::vector<std::string_view>& words) {
        if (words.size() >= 2 && EqualsIgnoringAsciiCase(words[0], "FILE")) {
            file = std::string(words[1]);
            track.reset();
        } else if (words.size() >= 3 && EqualsIgnoringAsciiCase(words[0], "TRACK")) {
            track.reset();
            if (++track_lines > kMaxTracks) {
                return false;
            }
            if (const auto size = DataSectorSize(words[2]); size && !file.empty()) {
                track = TrackPlace{file, 0, *size, std::nullopt};
            }
        } else if (words.size() >= 3 && EqualsIgnoringAsciiCase(words[0], "INDEX") && track &&
                   Number(words[1]) == 1u) {
            if (const auto frames = Frames(words[2])) {
                track->start_byte = *frames * track->sector_size;
                places.tracks.push_back(*track);
            }
            track.reset();
        }
        return true;
    });
    if (track_lines > kMaxTracks) {
        return {{}, "it lists more than " + std::to_string(kMaxTracks) + " tracks, more than a CD holds."};
    }
    return places;
}

} // namespace tavox
