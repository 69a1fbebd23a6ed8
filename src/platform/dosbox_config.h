#pragma once

// The configuration that DOSBox is started with for one program: every drive of the machine at its own
// letter, the program started from its directory, and DOSBox left when it ends, so that whoever waits for
// DOSBox waits for the program. It is a file of its own; the user's DOSBox settings are neither read nor
// changed.

#include "platform/drive_map.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

struct DosboxMount {
    char letter = 'C';
    std::filesystem::path host_dir;
    DriveType type = DriveType::Fixed;
    std::string label; // a CD's volume label; empty: none
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
std::vector<DosboxMount> DosboxMounts(const DriveMap& drives);

// The disc's volume label as Wine reads it (".windows-label" in the drive's directory), in the characters a
// DOS label may hold; empty when there is none.
std::string DiscLabel(const std::filesystem::path& drive_dir);

// The configuration file's text. Mounts whose host path cannot be written into a DOSBox command (a quote or a
// line break in it) are left out; line breaks in the arguments end them.
std::string DosboxConfiguration(const DosboxStart& start);

} // namespace tavox
