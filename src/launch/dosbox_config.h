#pragma once

// The configuration that DOSBox is started with for one program: every drive of the machine at its own
// letter, the program started from its directory, and DOSBox left when it ends, so that whoever waits for
// DOSBox waits for the program. It is a file of its own; the user's DOSBox settings are neither read nor
// changed.

#include "platform/drive_map.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// A disc image that DOSBox mounts as the CD itself, so that DOS programs read the disc as DOS did: its ISO
// 9660 names, its label, its audio tracks.
enum class DosboxImageKind {
    Iso,           // 2048-byte sectors
    CueSheet,      // a cue sheet with its files, mounted as it is
    RawMode1,      // 2352-byte sectors from the file's start, mounted through a cue sheet of our own
    RawMode2Form1, // as RawMode1, Mode 2 sectors
};

struct DosboxImage {
    std::filesystem::path file;
    DosboxImageKind kind = DosboxImageKind::Iso;
};

struct DosboxMount {
    char letter = 'C';
    std::filesystem::path host_dir;
    DriveType type = DriveType::Fixed;
    std::string label;                // a CD's volume label; empty: none
    std::optional<DosboxImage> image; // mounted instead of host_dir
};

struct DosboxStart {
    std::vector<DosboxMount> mounts;
    std::string directory; // with its drive: "C:\WINDOWS\TEMP"
    std::string program;   // a DOS path
    std::string arguments;
    bool batch = false; // a batch file, called so that DOSBox is left after it too
};

// The machine's drives as DOSBox mounts them. A drive that is the host's whole file system (Wine's Z:) is
// left out, so that a DOS program cannot write anywhere on the host; a CD carries the label its disc has.
// `disc_image`, when given, is the image the CD at `disc_letter` was read from: DOSBox mounts it instead of
// the drive's directory.
std::vector<DosboxMount> DosboxMounts(const DriveMap& drives, char disc_letter = 0,
                                      const DosboxImage* disc_image = nullptr);

// How DOSBox can mount the disc image at `path` itself; nothing for an image it cannot (a descriptor it does
// not read, a data track that does not start the file) or for a directory.
std::optional<DosboxImage> DosboxImageOf(const std::filesystem::path& path);

// The cue sheet through which DOSBox mounts a raw image; empty for the other kinds.
std::string DosboxCueSheet(const DosboxImage& image);

// The disc's volume label as Wine reads it (".windows-label" in the drive's directory), in the characters a
// DOS label may hold; empty when there is none.
std::string DiscLabel(const std::filesystem::path& drive_dir);

// The cue sheet of DosboxCueSheet, which whoever starts DOSBox writes in DOSBox's working directory.
inline constexpr std::string_view kDosboxCueFile = "disc.cue";

// The configuration file's text. Mounts whose host path cannot be written into a DOSBox command (a quote or a
// line break in it) are left out; line breaks in the arguments end them.
std::string DosboxConfiguration(const DosboxStart& start);

} // namespace tavox
