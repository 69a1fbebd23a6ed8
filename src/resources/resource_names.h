#pragma once

// The pictures, marks, cursors and sounds compiled into the program, by their Qt resource paths. Bitmaps and
// sounds are written at build time by tools/make-assets; the marks and slogans are SVG files in svg/.
// Bitmaps carry no file extension in their names: QImage recognises the format from the bytes.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavox::resources {

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The window background: true colour, and the 256-colour copy that shares I256's palette.
inline constexpr std::string_view kMainBmp = ":/MAINBMP";
inline constexpr std::string_view kMainBmp256 = ":/MAINBMP256";
inline constexpr PictureSize kMainBmpSize{640, 480};

// The lit section-button column; its row 0 is screen row 81 and its column 0 screen column 507.
inline constexpr std::string_view kLitButtons = ":/I";
inline constexpr std::string_view kLitButtons256 = ":/I256";
inline constexpr PictureSize kLitButtonsSize{133, 183};
inline constexpr int kLitButtonsScreenLeft = 507;
inline constexpr int kLitButtonsScreenTop = 81;

// The unpack dialog's background.
inline constexpr std::string_view kCopy = ":/COPY";
inline constexpr std::string_view kCopy256 = ":/COPY256";
inline constexpr PictureSize kCopySize{426, 166};

// The settings dialog's background: 8 bits per pixel with a 35-colour palette.
inline constexpr std::string_view kKola = ":/KOLA";
inline constexpr PictureSize kKolaSize{232, 181};
inline constexpr int kKolaColourCount = 35;

// The slogan strips (SVG, 555×17, transparent), one per interface language.
inline constexpr std::string_view kSloganEnglish = ":/SLOGAN_E";
inline constexpr std::string_view kSloganCzech = ":/SLOGAN_C";
inline constexpr std::string_view kSloganTurkish = ":/SLOGAN_T";
inline constexpr std::string_view kSloganRomanian = ":/SLOGAN_R";
inline constexpr PictureSize kSloganSize{555, 17};

// The small vector marks (SVG). The plain arrows are white; their lit twins ("…2", as UpSpot2 is to UpSpot)
// are black with a light rim so that they still read on the dark panels.
inline constexpr std::string_view kMarkUp = ":/marks/up";
inline constexpr std::string_view kMarkUpLit = ":/marks/up2";
inline constexpr std::string_view kMarkDown = ":/marks/down";
inline constexpr std::string_view kMarkDownLit = ":/marks/down2";
inline constexpr std::string_view kMarkLeft = ":/marks/left";
inline constexpr std::string_view kMarkLeftLit = ":/marks/left2";
inline constexpr std::string_view kMarkRight = ":/marks/right";
inline constexpr std::string_view kMarkRightLit = ":/marks/right2";
inline constexpr std::string_view kMarkThumb = ":/marks/thumb";
inline constexpr std::string_view kMarkImage3 = ":/marks/image3";
inline constexpr PictureSize kMarkUpDownSize{16, 13};   // drawn centred in UpSpot/DownSpot
inline constexpr PictureSize kMarkLeftRightSize{8, 16}; // stretched into LeftSpot/RightSpot
inline constexpr PictureSize kMarkThumbSize{19, 16};    // stretched into JezdecPicture
inline constexpr PictureSize kMarkImage3Size{68, 14};   // stretched into Image3

// The picture over which WormImage catches clicks (it is also painted into MAINBMP at 124, 368), and the
// shareware page's TornikBitmap. PNG with transparency.
inline constexpr std::string_view kWorm = ":/WORM";
inline constexpr PictureSize kWormSize{89, 105};
inline constexpr std::string_view kTornik = ":/TORNIK";
inline constexpr PictureSize kTornikSize{51, 62};

// The pieces of the unpack dialog's copy animation: a folder (source and target) and a page flying between
// them, both with transparency, meant for a black background.
inline constexpr std::string_view kAnimFolder = ":/anim/folder";
inline constexpr PictureSize kAnimFolderSize{40, 32};
inline constexpr std::string_view kAnimPage = ":/anim/page";
inline constexpr PictureSize kAnimPageSize{16, 20};

// The sounds: complete RIFF WAVE files, PCM mono 22050 Hz 16-bit, to be played from memory.
inline constexpr std::string_view kSoundBye = ":/BYE";
inline constexpr std::string_view kSoundNo = ":/NO";
inline constexpr std::string_view kSoundStupid = ":/STUPID";
inline constexpr std::int64_t kSoundByeBytes = 41492;
inline constexpr std::int64_t kSoundNoBytes = 9716;
inline constexpr std::int64_t kSoundStupidBytes = 34644;

// The viewer's cursors, registered as numbers 11 to 15 while it is open. 32×32 PNG in black, white and
// transparent; the hot spot goes to QCursor(QPixmap, x, y).
struct CursorResource {
    int number = 0;
    std::string_view name;
    std::string_view path;
    int hot_x = 0;
    int hot_y = 0;
};

inline constexpr int kCursorSide = 32;
inline constexpr std::array<CursorResource, 5> kViewerCursors{{
    {11, "CURL", ":/cursors/CURL", 6, 13},    // previous picture
    {12, "CURLN", ":/cursors/CURLN", 6, 13},  // no previous picture
    {13, "CURP", ":/cursors/CURP", 20, 15},   // next picture
    {14, "CURPN", ":/cursors/CURPN", 14, 10}, // no next picture
    {15, "CURN", ":/cursors/CURN", 14, 10},   // close the viewer
}};

// The viewer cursor registered under `number` (11 to 15); nothing for any other number.
std::optional<CursorResource> ViewerCursor(int number);

} // namespace tavox::resources
