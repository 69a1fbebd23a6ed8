#pragma once

// The sample issue as data: every item of the catalogue and what its stand-in installer does. Texts are UTF-8
// here and become code page 1250 when written.

#include <cstdint>
#include <string_view>
#include <vector>

namespace sample_cd {

// The issue itself: [Main] of the catalogue.
inline constexpr std::string_view kIssue = "1298";
inline constexpr std::string_view kSettingsSection = "CD1298"; // where the menu records this issue's items
inline constexpr int kEdition = 1;                             // Czech
inline constexpr int kDiskmagIssue = 12;
inline constexpr int kMovies = 1;

// Where a stand-in uninstaller lives.
enum class UninstallerPlace : std::uint8_t {
    None,      // the menu removes the directory itself
    Installed, // copied into the game's directory by the installer
    OnCd,      // stays in the item's CD directory
};

// A profile entry that points at the installed directory: [section] key = the target directory.
struct ProfileEntry {
    std::string_view file{}; // in the Windows directory
    std::string_view section{};
    std::string_view key{};
};

// A string value that an installer writes: KEY starts with HKLM\ or HKCU\.
struct RegistryValue {
    std::string_view key{};
    std::string_view name{};
    std::string_view data{};
};

// A Windows 3.1 program group: its file in the Windows directory, and the values under GrpConv that tell
// Windows 95 to convert it into a Start-menu folder.
struct ProgramGroup {
    std::string_view name{};
    std::string_view file{};
};

// What a stand-in installer does on the machine, and what its uninstaller takes away again. Windows paths
// are on drive C:.
struct StandIn {
    std::string_view installer{}; // the program in the item's CD directory that installs
    std::string_view target{};    // where the game goes ("C:\HRY\VORTEX"); empty: no game copied
    std::vector<std::string_view> data_files{}; // copied besides the programs, the readme and the uninstaller
    std::string_view uninstaller{};             // file name of the stand-in uninstaller
    UninstallerPlace uninstaller_place = UninstallerPlace::None;
    std::string_view uninstall_switch{};  // the uninstaller removes only when given this ("/U")
    std::string_view uninstall_command{}; // registered as UninstallString under the item's RegUninstall
    std::string_view user_key{};          // HKCU key with the game's "Path", left behind on removal
    std::string_view saves_dir{};         // a second directory for saved games, left behind on removal
    std::string_view windows_ini{};       // a file the game writes into the Windows directory, left behind
    std::string_view system_file{};       // a runtime copied into the Windows system directory
    ProfileEntry profile{};               // the game's own profile file, removed with the game
    bool sierra_ini = false;              // records the directory in sierra.ini, as that maker's games did
    std::string_view menu_record_key{};   // a setup made for the CD records the directory for the menu
    bool dos =
        false; // the installer and the game are the real DOS programs; WRITEINI.EXE records the directory
    // What the game leaves behind on removal, for the catalogue's uninstall list to clean up:
    std::vector<std::string_view> loose_files{};  // further files, as Windows paths on drive C:
    std::vector<RegistryValue> registry_values{}; // values in keys of its own
    std::string_view desktop_shortcut{};          // a shortcut file on the desktop
    std::string_view start_menu_shortcut{}; // a shortcut below the Start menu's programs ("Maker\Game.lnk")
    ProgramGroup program_group{};           // an old program group, registered for conversion
};

struct SampleDemo {
    std::string_view name{};
    std::string_view full_name{};
    std::string_view firm{};
    std::string_view date{}; // "MMYY", "nQYY" season, "00YY" out now, "?" unknown
    std::string_view picture{};
    std::string_view describe0{}; // English
    std::string_view describe1{}; // Czech
    std::string_view techinfo{};
    std::string_view install_dir{}; // below \DEMOS\ on the CD
    std::string_view install_name{};
    std::string_view setup_name{};
    std::string_view gamename{}; // a program, or "FILE:label;FILE:label" versions
    std::string_view readmename{};
    std::string_view reg_uninstall{};
    std::string_view uninstall_name{};
    std::string_view uninstall{}; // the menu's instruction list
    int install_type = 0;
    int dir_detect = 0;
    int flags = 0;
    std::string_view files_in_archive{}; // install type 2
    std::string_view forced_dir{};       // install type 3
    std::string_view test_name{};        // install types 4 and 10
    std::string_view ini_file{};         // detection rules 6 and 10
    std::string_view search_marker{};    // detection rule 8: a data file whose name and size mark the game
    StandIn stand_in{};
};

struct SampleShare {
    std::string_view name{};
    std::string_view install_name{}; // in \Shareware\ on the CD
    std::string_view describe0{};
    std::string_view describe1{};
};

struct SampleUpdate {
    std::string_view name{};
    std::string_view version{};
    std::string_view setup_file{}; // below \Updates\ on the CD
    std::string_view readme_file{};
    int kind = 0;            // 0 started from the CD, 1 copied and run, 2 unpacked
    bool semicolons = false; // written with ";" between the fields and without the kind, as older issues did
};

struct SampleShot {
    std::string_view name{};
    std::string_view firm{};
    std::string_view date{};
    std::string_view picture{};
    std::string_view describe0{};
    std::string_view describe1{};
};

struct SampleReader {
    std::string_view name{};
    std::string_view firm{};
    std::string_view describe1{};
    std::string_view install_dir{}; // below \Readers\ on the CD
    std::string_view install_name{};
    std::string_view setup_name{};
    std::string_view gamename{};
    std::string_view readmename{};
    std::string_view reg_uninstall{};
    int install_type = 0;
    int dir_detect = 0;
    StandIn stand_in{};
};

const std::vector<SampleDemo>& SampleDemos();
const std::vector<SampleShare>& SampleShares();
const std::vector<SampleUpdate>& SampleUpdates();
const std::vector<SampleShot>& SampleShots();
const std::vector<SampleReader>& SampleReaders();

// What \Shareware\popisy.txt says, in Czech.
std::string_view SharewareOverview();

} // namespace sample_cd
