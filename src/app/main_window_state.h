#pragma once

#include "catalogue/catalogue_state.h"
#include "platform/profile_file.h"
#include "presentation/frames.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tavox {

// The machine's folders and where the CD is. Every directory ends in a backslash except CdDrive ("D:").
struct FolderState {
    std::string SystemDir;           // the Windows system directory
    std::string WindowsDir;          // the Windows directory
    std::string StartMenuDir;        // the user's Start-menu program folder
    std::string DesktopDir;          // the user's desktop folder
    std::string TempDir;             // TMP's directory, or "C:\"
    std::string CdDrive;             // the CD's drive, such as "D:"
    std::string CdMenuDir;           // CdDrive + "\TAVOX\", the menu's directory on the CD
    std::uint8_t MenuOnHardDisk = 0; // 1 when "C:\TAVOXCD\TAVOX95.EXE" exists
    std::string ChosenDir; // the directory chooser's answer, no trailing backslash; empty = cancelled
};

struct ScreenState {
    std::uint8_t ColorDepth = 0;  // bits per pixel
    std::int32_t ScreenWidth = 0; // horizontal resolution in pixels
};

// What can carry the cursor frame (CursorItem, ShowCursor, AssignObject): the list rows by their number,
// and the commands and labels of the screen.
namespace CursorObject {
inline constexpr int None = 0;
inline constexpr int FirstRow = 1;
inline constexpr int LastRow = 15;
inline constexpr int Run = 20;
inline constexpr int Readme = 21;
inline constexpr int Install = 22;
inline constexpr int Uninstall = 23;
inline constexpr int Exit = 24;
inline constexpr int Setup = 25;
inline constexpr int Explorer = 26;
} // namespace CursorObject

// The screen zones that the keyboard moves between (FocusZone); 0 before the first page opens.
namespace FocusZone {
inline constexpr std::uint8_t List = 1;
inline constexpr std::uint8_t Commands = 2;
inline constexpr std::uint8_t SmallPicture = 3;
inline constexpr std::uint8_t PageBar = 4;
} // namespace FocusZone

// Which page, item, button, row and screen zone are current.
struct NavigationState {
    std::int32_t HoverButton = 0;     // section button drawn lit, 0 none; never above PageCount
    std::int32_t ActiveButton = 0;    // section button whose page is shown
    std::int32_t PreviousButton = 0;  // the one active before the last change
    std::uint8_t CurrentPage = 0;     // page kind shown; 0 before the first page opens
    std::int32_t CurrentItem = 1;     // 1-based selected item of the current page
    std::int32_t FirstVisible = 1;    // item in the list's first row
    std::uint8_t FocusZone = 0;       // the FocusZone the keyboard acts in
    std::uint8_t CursorItem = 0;      // the CursorObject carrying the cursor frame
    std::uint8_t ListBorderShown = 0; // list row 1..15 with the list border, 0 none
    std::uint8_t PictureFocused = 0;  // 1 while the small screenshot has its focus frame
    std::uint8_t PictureNumber = 0;   // screenshot shown, from 1; shared with the viewer
    std::uint8_t Locked = 0;          // 1 while start-up forces the settings page
    std::uint8_t WatchedItem = 0;     // item the last install acted on
    std::uint8_t WatchedPage = 0;     // its page kind (1 demos or 6 readers' items)
};

// Choices of the user and the fonts they select.
struct PreferenceState {
    std::int32_t Language = 0;    // 0 English, 1 Czech, 2 Turkish, 3 Romanian; 10 never chosen
    std::uint8_t FullScreen = 0;  // stored and shown only
    std::uint8_t FontCharset = 0; // 1 default, 238 Central European, 162 Turkish
};

// What the painting keeps between repaints.
struct PaintState {
    QImage WorkBitmap;                     // the decoded small screenshot
    Rect BorderRect;                       // the frame around TechLabel
    std::array<QImage, 17> DemoPictures{}; // demos' first pictures, index = demo number - 1
};

// The whole state of the main window, created once and alive for the run.
struct MainWindowState {
    FolderState folders;
    ScreenState screen_state;
    NavigationState navigation;
    CatalogueState catalogue;
    PreferenceState preferences;
    PaintState paint;
    std::optional<ProfileFile> Catalogue; // the CD's catalogue file, open from the first activation
    std::optional<ProfileFile> Settings;  // the user's settings file, open from window creation
};

} // namespace tavox
