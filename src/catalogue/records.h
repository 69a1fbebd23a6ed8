#pragma once

#include "catalogue/one_based_array.h"

#include <cstdint>
#include <string>

namespace tavox {

// A demo, a shareware item, a readers' item or an entry of the Installed page. Texts are bytes in the
// catalogue's code page.
struct TDemos {
    std::string ListName;           // shown in the list; the item's key in the settings file
    std::string FullName;           // full title, shown instead of Name when not empty
    std::string Name;               // title as the catalogue holds it
    std::string Firm;               // maker ("Autor: " + Firm on the readers' page)
    std::string Describe0;          // English description
    std::string Describe;           // description in the edition's language
    std::string Techinfo;           // technical note; on the Installed page the label of the recording issue
    std::string UnInstallName;      // command line that uninstalls the item
    std::string InstalledDir;       // where the item is installed or runs from, without a trailing backslash
    std::string Gamename;           // program to run, relative to InstalledDir; may list several versions
    std::string Date;               // release date text
    std::string RegUninstall;       // the item's key under the system's Uninstall key
    std::string Uninstall;          // uninstall instruction list
    std::string Picture;            // base name of the screenshots
    std::string InstallDir;         // the item's directory on the CD, with the CD drive
    std::string InstallName;        // installer, archive or program inside InstallDir
    std::string SetupName;          // setup program, relative to InstalledDir
    std::string Readmename;         // readme file name
    std::string InstallParam;       // parameter shared by the install recipe and the detection rule
    std::int32_t InstallType = 0;   // install recipe, an InstallType value
    std::int32_t DirDetect = 0;     // rule that finds the installed directory, a DirDetect value
    std::int32_t Flags = 0;         // badges: 1/11 3Dfx, 2/12 Direct3D, 3 Czech version, 10..12 Netplay
    std::uint8_t NotInstalled = 0;  // 1: Install installs it; 0: Install runs SetupName
    std::uint8_t Runnable = 0;      // 1: Run is offered
    std::uint8_t Removable = 0;     // 1: Uninstall is offered; shown in bold
    std::uint8_t PictureCached = 0; // 1: the first picture is in DemoPictures

    bool operator==(const TDemos&) const = default;
};

// Install recipes, the catalogue's InstallType. The field keeps the catalogue's number as read, so a value
// outside these (a broken or newer catalogue) stays what it was and is passed over by every rule.
namespace InstallType {
inline constexpr std::int32_t RunsFromCd = 0;
// A DOS installer run through a generated INSTALL.BAT.
inline constexpr std::int32_t DosBatch = 1;
// The item's archive, unpacked where the user chooses or into its ForcedDir only.
inline constexpr std::int32_t ArchiveToChosenDir = 2;
inline constexpr std::int32_t ArchiveToForcedDir = 3;
// A setup started without waiting; the install watch notices when it has registered its uninstall entry.
inline constexpr std::int32_t SetupWatched = 4;
// Setups that are waited for: found through the uninstall entry (5), sierra.ini (6), the uninstaller's
// directory (7), or by no rule of their own (8 and 9, which the catalogues use alike).
inline constexpr std::int32_t SetupWithUninstaller = 5;
inline constexpr std::int32_t SierraSetup = 6;
inline constexpr std::int32_t SetupInUninstallerDir = 7;
inline constexpr std::int32_t UntrackedSetup = 8;
inline constexpr std::int32_t UntrackedSetupToo = 9;
// Runs from the CD once the file named by TestName exists.
inline constexpr std::int32_t RunsFromCdWhenFilePresent = 10;
} // namespace InstallType

// Detection rules, the catalogue's DirDetect: how the installed directory is found. Kept as read, like
// InstallType; 2, 4 and unknown values find nothing, and so do the two shortcut rules, which only choose
// the parameter key.
namespace DirDetect {
// The install recipe alone decides.
inline constexpr std::int32_t FromInstallType = 0;
inline constexpr std::int32_t UninstallEntryDir = 1;
inline constexpr std::int32_t ShortCut = 3;
inline constexpr std::int32_t RecordedDir = 5;
inline constexpr std::int32_t IniFile = 6;
inline constexpr std::int32_t DesktopShortCut = 7;
// Recorded like 5; the install searches the drives for the SearchFile first.
inline constexpr std::int32_t SearchFile = 8;
inline constexpr std::int32_t UninstallerDir = 9;
// Installed as soon as a directory is found, whether or not the program is there.
inline constexpr std::int32_t FoundDirIsEnough = 10;
} // namespace DirDetect

// An update, from one comma-separated catalogue value.
struct TUpdate {
    std::string Name;        // shown in the list
    std::string VersionText; // shown after the name, one blank between
    std::string SetupFile;   // relative to the CD's "\Updates\"; empty hides Install
    std::string ReadmeFile;  // in the directory of SetupFile; empty hides Readme
    std::uint8_t Kind = 0;   // how it installs, an UpdateKind value

    bool operator==(const TUpdate&) const = default;
};

// How an update installs, the fifth field of its catalogue value. Kept as read: other values install nothing.
namespace UpdateKind {
inline constexpr std::uint8_t StartedFromCd = 0;
// Copied into a chosen directory, run there and deleted again.
inline constexpr std::uint8_t CopiedAndRun = 1;
// Unpacked into a chosen directory.
inline constexpr std::uint8_t Unpacked = 2;
} // namespace UpdateKind

// A hotshot: a preview of a coming game.
struct TShot {
    std::string Name;
    std::string Firm;
    std::string Date;
    std::string Describe0;
    std::string Describe;
    std::string Picture;

    bool operator==(const TShot&) const = default;
};

// Page kinds of the page bar. None is no page: what CurrentPage holds before the first page opens.
namespace PageKind {
inline constexpr std::uint8_t None = 0;
inline constexpr std::uint8_t Demos = 1;
inline constexpr std::uint8_t Shareware = 2;
inline constexpr std::uint8_t Updates = 3;
inline constexpr std::uint8_t Films = 4;
inline constexpr std::uint8_t Vyrniste = 5;
inline constexpr std::uint8_t Readers = 6;
inline constexpr std::uint8_t Hotshots = 7;
inline constexpr std::uint8_t Installed = 9;
inline constexpr std::uint8_t Custom = 10;
} // namespace PageKind

// One entry of the page bar.
struct TPage {
    std::string Caption;
    std::uint8_t Kind = 0;

    bool operator==(const TPage&) const = default;
};

using DemosArray = OneBasedArray<TDemos, 25>;
using UpdatesArray = OneBasedArray<TUpdate, 25>;
using SharesArray = OneBasedArray<TDemos, 20>;
using ShotsArray = OneBasedArray<TShot, 15>;
using ReadersArray = OneBasedArray<TDemos, 15>;
using PagesArray = OneBasedArray<TPage, 15>;
using InstalledArray = OneBasedArray<TDemos, 50>;

} // namespace tavox
