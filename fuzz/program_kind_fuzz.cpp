// The program classifier on arbitrary files: it gives the same answer from memory and from disk, calls
// nothing a Windows program that lacks its header, and the .PIF reader takes its fields from the file.

#include "fuzz_support.h"
#include "launch/program_kind.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using tavox::ProgramKind;
using tavox::fuzz::Require;

std::uint32_t NewHeaderOffset(std::string_view image) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i > 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(image[0x3C + i - 1]);
    }
    return value;
}

void CheckKind(std::string_view image, std::string_view name) {
    const ProgramKind kind = tavox::ClassifyProgram(image, false, name);

    const bool mz = image.starts_with("MZ") || image.starts_with("ZM");
    if (kind == ProgramKind::Windows32 || kind == ProgramKind::Windows64) {
        Require(mz && image.size() >= 0x40, "a Windows program has a DOS header");
        const std::uint32_t at = NewHeaderOffset(image);
        Require(at < image.size() && image.substr(at, 4) == std::string_view("PE\0\0", 4),
                "a 32- or 64-bit Windows program has its PE signature where the DOS header points");
        Require(image.size() - at >= 26, "a PE header is whole");
    }
    if (kind == ProgramKind::Windows16) {
        const std::uint32_t at = mz && image.size() >= 0x40 ? NewHeaderOffset(image) : 0;
        Require(at < image.size() && image.substr(at, 2) == "NE" && image.size() - at >= 0x40,
                "a 16-bit Windows program has a whole NE header");
    }
    if (!mz && !image.starts_with("\x7F"
                                  "ELF")) {
        Require(kind != ProgramKind::Host, "a file that is no program of the host and has no #! with the "
                                           "execute bit is not run on the host");
        Require(kind == tavox::ClassifyProgram(std::string_view(), false, name),
                "without a header the extension alone decides");
    }
}

void CheckFile(std::string_view image) {
    const std::filesystem::path file = tavox::fuzz::ScratchDir() / "PROGRAM.EXE";
    tavox::fuzz::WriteBytes(file, image);
    Require(tavox::ClassifyProgramFile(file, "C:\\PROGRAM.EXE") ==
                tavox::ClassifyProgram(image, false, "C:\\PROGRAM.EXE"),
            "the same kind from a file as from its bytes");
}

void CheckPif(std::string_view image) {
    if (const auto target = tavox::ReadPif(image)) {
        Require(!target->program.empty(), "a .PIF names a program");
        for (const std::string* field : {&target->program, &target->arguments, &target->working_dir}) {
            Require(field->find('\0') == std::string::npos, "a .PIF field ends at its NUL");
            Require(image.find(*field) != std::string_view::npos, "a .PIF field is taken from the file");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 65536) {
        return 0;
    }
    tavox::fuzz::InputReader input(data, size);
    const std::uint8_t extension = input.Byte();
    const std::string_view image = input.Rest();
    const std::string_view names[] = {"C:\\GAME.EXE", "C:\\GAME.COM", "C:\\INSTALL.BAT", "C:\\GAME.PIF"};
    CheckKind(image, names[extension % 4]);
    CheckFile(image);
    CheckPif(image);
    return 0;
}
