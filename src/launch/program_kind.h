#pragma once

// What a program file is, read from its content the way the systems of its time decided how to load it, so
// that each kind goes to the engine that can run it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavox {

enum class ProgramKind {
    Host,      // ELF, or a "#!" script with the execute bit: runs on this machine as it is
    Dos,       // an MZ program without a Windows header (a DOS extender's LE/LX included), or a .COM file
    Batch,     // a .BAT file
    Pif,       // a DOS program information file: starts the program it names
    Windows16, // NE
    Windows32, // PE32 for the i386
    Windows64, // PE32+ for the x86-64
    Unknown,   // nothing here can run it: text, damaged headers, other processors
};

// Up to `count` bytes of the file from `offset`; fewer, or none, at and past its end.
using ReadAtFunction = std::function<std::string(std::uint64_t offset, std::size_t count)>;

// The kind of a program from its bytes. The extension decides only for files that carry no header (.COM,
// .BAT, .PIF); `executable` is the host's execute bit. Reads nothing past the end that `read` reports.
ProgramKind ClassifyProgram(const ReadAtFunction& read, bool executable, std::string_view file_name);
// The same over a whole file held in memory.
ProgramKind ClassifyProgram(std::string_view image, bool executable, std::string_view file_name);
// The same over a host file, named for the extension by its Windows name. Unknown when it cannot be read.
ProgramKind ClassifyProgramFile(const std::filesystem::path& host_path, std::string_view windows_name);

// What a .PIF starts: its program (a DOS path), the arguments and the directory to start in (may be empty).
struct PifTarget {
    std::string program;
    std::string arguments;
    std::string working_dir;
};
// Nothing when the file is shorter than a .PIF's basic section or names no program.
std::optional<PifTarget> ReadPif(std::string_view bytes);

} // namespace tavox
