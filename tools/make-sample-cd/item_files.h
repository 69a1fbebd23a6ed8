#pragma once

// The files of one demo or readers' item on the CD: its readme, the programs that run from the CD, and its
// installer with the payload that it copies: real Windows programs where they were built, else stand-ins.

#include "cd_files.h"
#include "sample_tables.h"
#include "setup_steps.h"
#include "stand_in_scripts.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sample_cd {

// What demos and readers' items have in common, for writing their files.
struct ItemView {
    std::string_view page_dir{}; // "DEMOS" or "Readers"
    std::string_view name{};
    std::string_view firm{};
    std::string_view describe0{};
    std::string_view describe1{};
    std::string_view install_dir{};
    std::string_view install_name{};
    std::string_view setup_name{};
    std::string_view gamename{};
    std::string_view readmename{};
    std::string_view reg_uninstall{};
    int install_type = 0;
    std::string_view files_in_archive{}; // the file count the catalogue gives for an archive
    const StandIn* stand_in = nullptr;
};

ItemView ViewOf(const SampleDemo& demo);
ItemView ViewOf(const SampleReader& reader);

// The program files of a Gamename value: one program, or every file of a "FILE:label;FILE:label" list.
std::vector<std::string> ProgramsOf(std::string_view gamename);

// The content of a data file that an installer copies; its size is what a SearchFile entry names.
std::string DataFileContent(std::string_view name);

// What the installer copies into the game's directory, each name once.
std::vector<PayloadFile> PayloadOf(const ItemView& item);

// A recipe that contradicts its item (a registered uninstaller that is not where the installer puts it, a
// target off drive C:) would make a CD on which the menu finds nothing; say what is wrong.
std::optional<std::string> CheckItem(const ItemView& item);

// The real DOS programs of the CD, built with nasm.
struct DosPrograms {
    std::string installer; // INSTALL.EXE of the DOS game
    std::string game;      // the DOS game itself
    std::string write_ini; // WRITEINI.EXE
};
// Nothing when one of them cannot be read.
std::optional<DosPrograms> ReadDosPrograms(const std::filesystem::path& dir);

// `windows` null: the stand-in scripts take the place of the Windows programs.
void WriteItemFiles(const ItemView& item, std::string_view reg_tool, const DosPrograms& dos,
                    const WindowsPrograms* windows, CdFiles& files);

// A Windows program that only has to run and show itself (a game, shareware, an update): the real one, or
// a stand-in that ends.
void WriteShownProgram(CdFiles& files, const WindowsPrograms* windows, std::string_view cd_path,
                       std::string_view what);

bool IsArchiveName(std::string_view name);

// A program of an archive: the real game program, or a Windows program to the menu (it starts with "MZ")
// whose second line on is the stand-in script that the sample runner carries out in Wine's place.
std::string ArchivedProgram(const WindowsPrograms* windows, std::string_view file_name,
                            std::string_view what);

// The RAR archive of an item that unpacks: its programs, setup, readme and data files, as many files in all
// as the catalogue says it holds.
std::string ItemArchive(const ItemView& item, const WindowsPrograms* windows);

} // namespace sample_cd
