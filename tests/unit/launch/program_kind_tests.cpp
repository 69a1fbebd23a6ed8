#include "launch/program_kind.h"

#include "support/program_images.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::DosImage;
using test::TempDir;
using test::WindowsImage;
using test::WriteFile;
using test::WriteScript;

constexpr std::string_view kPe = test::kPeSignature;
const fs::path kPrograms = fs::path(TAVOX_SHARED_DIR) / "fixtures" / "windows-programs";

TEST(ClassifyProgram, TellsTheRealProgramsOfEachKindApart) {
    if (!fs::exists(kPrograms)) {
        GTEST_SKIP() << "no fixtures at " << kPrograms;
    }
    // The names say nothing: the content decides.
    TempDir dir;
    const struct {
        const char* file;
        ProgramKind expected;
    } cases[] = {
        {"pe32-console.exe", ProgramKind::Windows32},
        {"pe64-console.exe", ProgramKind::Windows64},
        {"ne16-hello.exe", ProgramKind::Windows16},
    };
    for (const auto& [file, expected] : cases) {
        EXPECT_EQ(ClassifyProgramFile(kPrograms / file, "C:\\GAME.EXE"), expected) << file;
        fs::copy_file(kPrograms / file, dir / file);
        EXPECT_EQ(ClassifyProgramFile(dir / file, "C:\\GAME.BAT"), expected) << file;
    }
}

TEST(ClassifyProgram, DecidesByContentAndByExtensionOnlyForHeaderlessFiles) {
    const std::string elf("\x7F"
                          "ELF\x02\x01",
                          6);
    const struct {
        std::string bytes;
        bool executable;
        std::string_view name;
        ProgramKind expected;
    } cases[] = {
        {elf, false, "D:\\LINUX\\GAME", ProgramKind::Host},
        {"#!/bin/sh\n", true, "D:\\SETUP.EXE", ProgramKind::Host},
        {"#!/bin/sh\n", false, "D:\\SETUP.EXE", ProgramKind::Unknown},
        {"#!/bin/sh\n", false, "D:\\INSTALL.BAT", ProgramKind::Batch},
        {"@echo off\r\n", false, "D:\\install.bat", ProgramKind::Batch},
        {"", false, "D:\\GAME.COM", ProgramKind::Dos},
        {"\xB4\x4C\xCD\x21", false, "D:\\GAME.com", ProgramKind::Dos},
        {"\x00\x78", false, "D:\\GAME.Pif", ProgramKind::Pif},
        {"Hello", true, "D:\\README.TXT", ProgramKind::Unknown},
        {"", false, "D:\\SETUP.EXE", ProgramKind::Unknown},
        {"text", false, "D:\\GAME.COMMAND", ProgramKind::Unknown},
        {DosImage(), false, "D:\\GAME.EXE", ProgramKind::Dos},
        {DosImage(), false, "D:\\GAME.BAT", ProgramKind::Dos},
        {"ZM" + DosImage().substr(2), false, "D:\\GAME.EXE", ProgramKind::Dos},
        {WindowsImage(kPe), false, "D:\\SETUP.COM", ProgramKind::Windows32},
        {WindowsImage(kPe, 0x8664, 0x20B), false, "D:\\SETUP", ProgramKind::Windows64},
        {WindowsImage("NE"), false, "D:\\SETUP.EXE", ProgramKind::Windows16},
        // A DOS extender's program, and a DOS program whose data happens to lie where the pointer would be.
        {WindowsImage("LE"), false, "D:\\DOOM.EXE", ProgramKind::Dos},
        {WindowsImage("\x90\x90"), false, "D:\\GAME.EXE", ProgramKind::Dos},
        // Other processors, and a 64-bit header on a 32-bit machine type and the other way round.
        {WindowsImage(kPe, 0x1C0, 0x10B), false, "D:\\ARM.EXE", ProgramKind::Unknown},
        {WindowsImage(kPe, 0x14C, 0x20B), false, "D:\\ODD.EXE", ProgramKind::Unknown},
        {WindowsImage(kPe, 0x8664, 0x10B), false, "D:\\ODD64.EXE", ProgramKind::Unknown},
        // A size-optimising linker's program: the PE header straight after the DOS header, with no stub.
        {DosImage(0x40, 0x40) + WindowsImage(kPe).substr(0x80), false, "D:\\TINY.EXE",
         ProgramKind::Windows32},
        // A script behind "MZ", as the sample CD's archives carry them.
        {"MZ\n#!/bin/sh\nexit 0\n", false, "D:\\MLOK.EXE", ProgramKind::Unknown},
    };
    for (const auto& [bytes, executable, name, expected] : cases) {
        EXPECT_EQ(ClassifyProgram(std::string_view(bytes), executable, name), expected) << name;
    }
}

TEST(ClassifyProgram, DamagedHeadersAreNeverTakenForWindowsPrograms) {
    // Every cut of a Windows program: up to its DOS header nothing runs, past it a DOS program is seen until
    // the Windows header is whole, which no engine can run while it is cut.
    for (const auto& [image, kind] : {std::pair{WindowsImage(kPe), ProgramKind::Windows32},
                                      std::pair{WindowsImage("NE"), ProgramKind::Windows16}}) {
        const bool pe = kind == ProgramKind::Windows32;
        const std::size_t signature_end = pe ? 0x84 : 0x82;
        const std::size_t header_end = pe ? 0x80 + 26 : 0x80 + 0x40;
        for (std::size_t size = 0; size <= image.size(); ++size) {
            const std::string_view cut = std::string_view(image).substr(0, size);
            const ProgramKind got = ClassifyProgram(cut, false, "D:\\SETUP.EXE");
            const ProgramKind expected = size < 0x40            ? ProgramKind::Unknown
                                         : size < signature_end ? ProgramKind::Dos
                                         : size < header_end    ? ProgramKind::Unknown
                                                                : kind;
            EXPECT_EQ(got, expected) << size;
        }
    }
    // Pointers and sizes that lead past the end of the file.
    std::string far_pointer = DosImage(0x80, 0xFFFFFFF0);
    EXPECT_EQ(ClassifyProgram(std::string_view(far_pointer), false, "D:\\A.EXE"), ProgramKind::Dos);
    std::string big_header = DosImage();
    big_header[8] = big_header[9] = '\xFF';
    EXPECT_EQ(ClassifyProgram(std::string_view(big_header), false, "D:\\A.EXE"), ProgramKind::Unknown);
    big_header[8] = big_header[9] = '\0';
    EXPECT_EQ(ClassifyProgram(std::string_view(big_header), false, "D:\\A.EXE"), ProgramKind::Unknown);
}

TEST(ClassifyProgram, ReadsAFileOnlyWhereItHasBytes) {
    TempDir dir;
    WriteFile(dir / "SETUP.EXE", WindowsImage(kPe).substr(0, 0x90));
    WriteScript(dir / "RUN.EXE", "#!/bin/sh\n");
    EXPECT_EQ(ClassifyProgramFile(dir / "SETUP.EXE", "C:\\SETUP.EXE"), ProgramKind::Unknown);
    EXPECT_EQ(ClassifyProgramFile(dir / "RUN.EXE", "C:\\RUN.EXE"), ProgramKind::Host);
    EXPECT_EQ(ClassifyProgramFile(dir / "MISSING.BAT", "C:\\MISSING.BAT"), ProgramKind::Unknown);
    EXPECT_EQ(ClassifyProgramFile(dir.Path(), "C:\\DIR.COM"), ProgramKind::Unknown);
}

TEST(ReadPif, GivesTheProgramItsArgumentsAndItsDirectory) {
    std::string pif(0x171, '\0');
    pif.replace(0x24, 17, "C:\\GAMES\\ZUBR.EXE");
    pif.replace(0x65, 10, "C:\\GAMES  ");
    pif.replace(0xA5, 6, " /NOSOUND");
    const std::optional<PifTarget> target = ReadPif(pif);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->program, "C:\\GAMES\\ZUBR.EXE");
    EXPECT_EQ(target->working_dir, "C:\\GAMES");
    EXPECT_EQ(target->arguments, "/NOSOUND");
    EXPECT_FALSE(ReadPif(pif.substr(0, 0x24)));
    EXPECT_FALSE(ReadPif(std::string(0x171, '\0')));
    EXPECT_FALSE(ReadPif("DOS window settings of the sample TAVOX CD.\r\n"));
}

} // namespace
} // namespace tavox
