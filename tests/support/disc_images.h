#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavox::test {

// Disc images made at test time: ISO 9660 by xorriso, raw sector images and cue sheets by our own writer.

// True when xorriso is installed (tests that need it skip otherwise).
bool HaveXorriso();

// Runs xorriso to make an image of `tree` with the given volume id; `options` are extra xorriso commands
// ("-joliet", "on"). False when xorriso failed.
bool MakeIso(const std::filesystem::path& tree, const std::filesystem::path& iso,
             const std::string& volume_id, const std::vector<std::string>& options);

enum class RawFormat { Mode1, Mode2Form1 };

// Writes the 2048-byte sectors of `iso` as raw sectors (sync, header, user data, zeroed error correction)
// of `sector_size` bytes (2352, or 2448 with an empty subchannel), after `lead_sectors` sectors of silence
// (an audio track before the data in the same file).
bool MakeRawImage(const std::filesystem::path& iso, const std::filesystem::path& raw, RawFormat format,
                  unsigned sector_size = 2352, unsigned lead_sectors = 0);

} // namespace tavox::test
