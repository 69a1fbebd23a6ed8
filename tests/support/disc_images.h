#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavox::test {

// Disc images made at test time: ISO 9660 by xorriso, every other shape from such an image by our own
// writers, as the programs that make those shapes lay them out.

// Runs a program with its output thrown away; true when it ran and exited with 0.
bool RunQuietly(const std::vector<std::string>& command);

// True when xorriso is installed (tests that need it skip otherwise).
bool HaveXorriso();

// Runs xorriso to make an image of `tree` with the given volume id; `options` are extra xorriso commands
// ("-joliet", "on"). False when xorriso failed.
bool MakeIso(const std::filesystem::path& tree, const std::filesystem::path& iso,
             const std::string& volume_id, const std::vector<std::string>& options);

// As MakeIso with Joliet names, for a session that starts at `first_sector` of a disc (after audio): its
// addresses count from the disc's start.
bool MakeLaterSessionIso(const std::filesystem::path& tree, const std::filesystem::path& iso,
                         const std::string& volume_id, unsigned first_sector);

enum class RawFormat { Mode1, Mode2Form1 };

// Writes the 2048-byte sectors of `iso` as raw sectors (sync, header, user data, zeroed error correction)
// of `sector_size` bytes (2352, or 2448 with an empty subchannel), after `lead_sectors` sectors of silence
// (an audio track before the data in the same file).
// `first_sector` is the data's address on the disc that the sector headers give (after a first session).
bool MakeRawImage(const std::filesystem::path& iso, const std::filesystem::path& raw, RawFormat format,
                  unsigned sector_size = 2352, unsigned lead_sectors = 0, unsigned first_sector = 0);

// The other shapes of a disc of one data track, each in the files its maker writes beside `base` (a path
// without extension): the image and its descriptor.
enum class DiscShape {
    NrgDiscAtOnce,    // base.nrg: 2-second pregap and data, "DAOX" and "CUEX" chunks, "NER5" footer
    NrgDiscAtOnceOld, // base.nrg: as above with 32-bit "DAOI" and "CUES" chunks and the "NERO" footer
    NrgTrackAtOnce,   // base.nrg: an audio track, then the data track, "ETN2" chunk
    Mds,              // base.mds and base.mdf (raw Mode 1 sectors)
    Ccd,              // base.ccd, base.img (raw Mode 1 sectors) and base.sub
    CueOnePerTrack,   // base.cue naming "base (Track 1).bin" (data) and "base (Track 2).bin" (audio)
    CueAudioFirst,    // base.cue: audio, then the data in a second session; the disc's addresses count on
};

// Writes `shape` of `iso`; the file to open is returned (base with the descriptor's extension). For
// CueAudioFirst, `iso` must have been made for sector kAudioFirstDataSector (MakeIso's "-displacement").
std::filesystem::path MakeDiscShape(const std::filesystem::path& iso, const std::filesystem::path& base,
                                    DiscShape shape);

// Where CueAudioFirst's data track starts on the disc: after ten seconds of audio, the gap between the
// sessions and the data track's pregap.
constexpr unsigned kAudioFirstDataSector = 750 + 11400 + 150;

// Packs `members` (paths relative to `dir`, kept as they are) into `archive`: a .7z by 7z, anything else a
// .zip by bsdtar. False when the program is missing or failed.
bool MakeArchive(const std::filesystem::path& archive, const std::filesystem::path& dir,
                 const std::vector<std::string>& members);

// A ZIP archive of one stored member holding `data` whose headers claim `claimed_bytes` unpacked.
void WriteLyingZip(const std::filesystem::path& archive, const std::string& name, std::uint32_t claimed_bytes,
                   const std::string& data);

} // namespace tavox::test
