#include "sample_pictures.h"

#include "base/ascii.h"
#include "picture_encoding.h"
#include "sample_tables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>
#include <vector>

namespace sample_cd {

namespace {

// Everything is drawn at the menu's full-screen size and shrunk for smaller forms.
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kHudTop = 424;
constexpr int kJpegQuality = 80;
// The small view's size: a ready bitmap is only ever shown there, so a larger one would waste the CD.
constexpr int kBitmapWidth = 200;
constexpr int kBitmapHeight = 150;

enum class Layout : std::uint8_t { Landscape, Board, TopDown, Underground };
enum class Ground : std::uint8_t { Land, Water, Road };
enum class Decor : std::uint8_t { None, Stars, Clouds, Bubbles };
enum class Prop : std::uint8_t { None, Trees, Domes, Walls, Rocks, Blocks };
enum class Hero : std::uint8_t {
    None,
    Rover,
    Car,
    Bird,
    Submarine,
    Beast,
    Rocket,
    Cannon,
    Newt,
    Iceberg,
    Crane
};

// How one item's screenshots look; the series pans across the scene and moves the hero.
struct Look {
    std::string_view base{};
    int pictures = 3;
    int width = kWidth;
    bool bitmaps = false; // ready first pictures in RGB\ and 256\ as well
    Layout layout = Layout::Landscape;
    Rgb sky_top{};
    Rgb sky_bottom{};
    Rgb far_land{};
    Rgb near_land{};
    Rgb accent{};
    int horizon = 240;
    Ground ground = Ground::Land;
    Decor decor = Decor::None;
    Prop prop = Prop::None;
    Hero hero = Hero::None;
    std::optional<Rgb> sun{};
};

const std::vector<Look>& Looks() {
    static const std::vector<Look> looks = {
        {.base = "LUNAR",
         .pictures = 12,
         .bitmaps = true,
         .sky_top = {4, 4, 16},
         .sky_bottom = {30, 30, 70},
         .far_land = {96, 96, 108},
         .near_land = {158, 156, 150},
         .accent = {232, 196, 56},
         .horizon = 250,
         .decor = Decor::Stars,
         .prop = Prop::Domes,
         .hero = Hero::Rover,
         .sun = Rgb{70, 130, 220}},
        {.base = "ZUBR",
         .width = 320,
         .sky_top = {110, 160, 220},
         .sky_bottom = {200, 226, 240},
         .far_land = {58, 108, 64},
         .near_land = {96, 142, 52},
         .accent = {112, 72, 40},
         .horizon = 230,
         .decor = Decor::Clouds,
         .prop = Prop::Trees,
         .hero = Hero::Beast,
         .sun = Rgb{255, 236, 150}},
        {.base = "MLOK",
         .sky_top = {150, 200, 232},
         .sky_bottom = {224, 240, 248},
         .far_land = {78, 130, 72},
         .near_land = {40, 112, 150},
         .accent = {236, 120, 32},
         .horizon = 210,
         .ground = Ground::Water,
         .decor = Decor::Clouds,
         .prop = Prop::Trees,
         .hero = Hero::Newt},
        {.base = "HRADBY",
         .pictures = 4,
         .sky_top = {88, 138, 212},
         .sky_bottom = {232, 212, 172},
         .far_land = {100, 122, 82},
         .near_land = {122, 152, 72},
         .accent = {176, 164, 142},
         .horizon = 220,
         .decor = Decor::Clouds,
         .prop = Prop::Walls},
        {.base = "BUBLIN",
         .layout = Layout::Board,
         .sky_top = {184, 222, 232},
         .sky_bottom = {146, 196, 214},
         .accent = {60, 90, 150}},
        {.base = "VORTEX",
         .pictures = 4,
         .bitmaps = true,
         .sky_top = {64, 112, 200},
         .sky_bottom = {250, 200, 140},
         .far_land = {134, 90, 70},
         .near_land = {196, 154, 94},
         .accent = {204, 32, 32},
         .horizon = 200,
         .ground = Ground::Road,
         .hero = Hero::Car,
         .sun = Rgb{255, 230, 170}},
        {.base = "DRAVEC",
         .sky_top = {96, 156, 230},
         .sky_bottom = {212, 232, 250},
         .far_land = {92, 130, 164},
         .near_land = {82, 150, 62},
         .accent = {124, 82, 40},
         .horizon = 280,
         .decor = Decor::Clouds,
         .prop = Prop::Trees,
         .hero = Hero::Bird},
        {.base = "MORSKA",
         .bitmaps = true,
         .sky_top = {8, 36, 88},
         .sky_bottom = {24, 96, 136},
         .far_land = {164, 82, 112},
         .near_land = {192, 172, 112},
         .accent = {232, 200, 40},
         .horizon = 300,
         .decor = Decor::Bubbles,
         .prop = Prop::Rocks,
         .hero = Hero::Submarine},
        {.base = "LEDOVEC",
         .sky_top = {138, 188, 240},
         .sky_bottom = {232, 242, 250},
         .far_land = {204, 222, 236},
         .near_land = {30, 92, 162},
         .accent = {236, 246, 255},
         .horizon = 230,
         .ground = Ground::Water,
         .decor = Decor::Clouds,
         .hero = Hero::Iceberg,
         .sun = Rgb{255, 248, 200}},
        {.base = "JERAB",
         .sky_top = {108, 160, 222},
         .sky_bottom = {222, 222, 212},
         .far_land = {146, 148, 160},
         .near_land = {150, 120, 80},
         .accent = {242, 182, 20},
         .horizon = 260,
         .decor = Decor::Clouds,
         .prop = Prop::Blocks,
         .hero = Hero::Crane},
        {.base = "LES",
         .pictures = 4,
         .sky_top = {58, 40, 92},
         .sky_bottom = {164, 112, 150},
         .far_land = {40, 72, 62},
         .near_land = {52, 92, 52},
         .accent = {250, 220, 120},
         .horizon = 250,
         .decor = Decor::Stars,
         .prop = Prop::Trees,
         .sun = Rgb{250, 244, 214}},
        {.base = "OHNIVAK",
         .sky_top = {120, 20, 24},
         .sky_bottom = {250, 162, 44},
         .far_land = {64, 22, 24},
         .near_land = {104, 42, 22},
         .accent = {252, 204, 32},
         .horizon = 270,
         .prop = Prop::Rocks,
         .hero = Hero::Bird,
         .sun = Rgb{255, 240, 150}},
        {.base = "KANON",
         .sky_top = {128, 170, 212},
         .sky_bottom = {222, 232, 242},
         .far_land = {122, 122, 134},
         .near_land = {102, 142, 62},
         .accent = {64, 64, 70},
         .horizon = 250,
         .decor = Decor::Clouds,
         .hero = Hero::Cannon},
        {.base = "HS_STIN",
         .layout = Layout::TopDown,
         .far_land = {72, 120, 52},
         .near_land = {88, 140, 62},
         .accent = {200, 40, 40}},
        {.base = "HS_KOSMO",
         .pictures = 2,
         .sky_top = {6, 6, 30},
         .sky_bottom = {44, 32, 92},
         .far_land = {70, 70, 92},
         .near_land = {110, 110, 112},
         .accent = {232, 232, 240},
         .horizon = 300,
         .decor = Decor::Stars,
         .prop = Prop::Blocks,
         .hero = Hero::Rocket},
        {.base = "HS_PODZ",
         .layout = Layout::Underground,
         .sky_top = {120, 170, 220},
         .sky_bottom = {190, 214, 236},
         .far_land = {124, 88, 52},
         .near_land = {88, 60, 40},
         .accent = {40, 112, 204}},
    };
    return looks;
}

// ---- Drawing ----

struct Point {
    int x = 0;
    int y = 0;
};

std::uint8_t Channel(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// a, or towards b by num/den.
Rgb Mix(Rgb a, Rgb b, int num, int den) {
    return {Channel(a.r + (b.r - a.r) * num / den), Channel(a.g + (b.g - a.g) * num / den),
            Channel(a.b + (b.b - a.b) * num / den)};
}

Rgb Shade(Rgb colour, int percent) {
    return {Channel(colour.r * percent / 100), Channel(colour.g * percent / 100),
            Channel(colour.b * percent / 100)};
}

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

void FillRect(Canvas& canvas, int x, int y, int width, int height, Rgb colour) {
    for (int row = std::max(0, y); row < std::min(canvas.Height(), y + height); ++row) {
        for (int column = std::max(0, x); column < std::min(canvas.Width(), x + width); ++column) {
            canvas.Set(column, row, colour);
        }
    }
}

void Gradient(Canvas& canvas, int top, int bottom, Rgb top_colour, Rgb bottom_colour) {
    for (int y = top; y < bottom; ++y) {
        FillRect(canvas, 0, y, canvas.Width(), 1, Mix(top_colour, bottom_colour, y - top, bottom - top));
    }
}

void FillEllipse(Canvas& canvas, int cx, int cy, int rx, int ry, Rgb colour) {
    for (int dy = -ry; dy <= ry; ++dy) {
        const double half = rx * std::sqrt(1.0 - static_cast<double>(dy * dy) / (ry * ry));
        const int span = static_cast<int>(half + 0.5);
        FillRect(canvas, cx - span, cy + dy, 2 * span + 1, 1, colour);
    }
}

// The upper half of an ellipse, standing on y = cy.
void FillDome(Canvas& canvas, int cx, int cy, int rx, int ry, Rgb colour) {
    for (int dy = -ry; dy <= 0; ++dy) {
        const double half = rx * std::sqrt(1.0 - static_cast<double>(dy * dy) / (ry * ry));
        const int span = static_cast<int>(half + 0.5);
        FillRect(canvas, cx - span, cy + dy, 2 * span + 1, 1, colour);
    }
}

// Scanline fill with the even-odd rule; enough for the convex and gently concave shapes of the sprites.
void FillPolygon(Canvas& canvas, std::initializer_list<Point> points, Rgb colour) {
    const std::vector<Point> corners(points);
    int top = kHeight;
    int bottom = 0;
    for (const Point& p : corners) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    std::vector<int> crossings;
    for (int y = top; y <= bottom; ++y) {
        crossings.clear();
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const Point a = corners[i];
            const Point b = corners[(i + 1) % corners.size()];
            if ((a.y <= y && b.y > y) || (b.y <= y && a.y > y)) {
                crossings.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            FillRect(canvas, crossings[i], y, crossings[i + 1] - crossings[i] + 1, 1, colour);
        }
    }
}

void Line(Canvas& canvas, Point a, Point b, int thickness, Rgb colour) {
    const int steps = std::max({std::abs(b.x - a.x), std::abs(b.y - a.y), 1});
    for (int i = 0; i <= steps; ++i) {
        FillRect(canvas, a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps, thickness, thickness,
                 colour);
    }
}

// Rolling hills: two waves, moved sideways by `pan` so that the series looks like one journey.
int RidgeY(int x, int base, int amplitude, int wavelength, int pan) {
    const double t = 2 * std::numbers::pi * (x + pan) / wavelength;
    return base - static_cast<int>(amplitude * (0.6 * std::sin(t) + 0.4 * std::sin(t * 2.3 + 1.0)));
}

void FillRidge(Canvas& canvas, int base, int amplitude, int wavelength, int pan, Rgb colour) {
    for (int x = 0; x < kWidth; ++x) {
        const int top = RidgeY(x, base, amplitude, wavelength, pan);
        for (int y = std::max(0, top); y < kHudTop; ++y) {
            canvas.Set(x, y, Mix(colour, Shade(colour, 72), y - top, kHudTop - top));
        }
    }
}

// ---- A tiny 5x7 font for the status bar ----

constexpr std::string_view kGlyphLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .:-!&/";
constexpr std::array<std::array<std::uint8_t, 7>, 43> kGlyphs = {{
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E},
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}, {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}, {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}, {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C},
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}, {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}, {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11},
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}, {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}, {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04},
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04},
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}, {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11},
    {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C},
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}, {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00},
    {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}, {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D},
    {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00},
}};

struct Folded {
    std::string_view letter;
    char plain;
};

// The font has no accents; the status bar of a 1998 game would have dropped them the same way.
constexpr std::array<Folded, 30> kCzechLetters = {{
    {"á", 'A'}, {"č", 'C'}, {"ď", 'D'}, {"é", 'E'}, {"ě", 'E'}, {"í", 'I'}, {"ň", 'N'}, {"ó", 'O'},
    {"ř", 'R'}, {"š", 'S'}, {"ť", 'T'}, {"ú", 'U'}, {"ů", 'U'}, {"ý", 'Y'}, {"ž", 'Z'}, {"Á", 'A'},
    {"Č", 'C'}, {"Ď", 'D'}, {"É", 'E'}, {"Ě", 'E'}, {"Í", 'I'}, {"Ň", 'N'}, {"Ó", 'O'}, {"Ř", 'R'},
    {"Š", 'S'}, {"Ť", 'T'}, {"Ú", 'U'}, {"Ů", 'U'}, {"Ý", 'Y'}, {"Ž", 'Z'},
}};

std::string FontText(std::string_view utf8) {
    std::string text;
    while (!utf8.empty()) {
        const auto folded = std::find_if(kCzechLetters.begin(), kCzechLetters.end(),
                                         [utf8](const Folded& f) { return utf8.starts_with(f.letter); });
        if (folded != kCzechLetters.end()) {
            text += folded->plain;
            utf8.remove_prefix(folded->letter.size());
            continue;
        }
        const char c = utf8.front();
        text += tavox::ToUpperAscii(c);
        utf8.remove_prefix(1);
    }
    return text;
}

int TextWidth(std::string_view text, int scale) {
    return static_cast<int>(text.size()) * 6 * scale;
}

void Text(Canvas& canvas, int x, int y, int scale, std::string_view text, Rgb colour) {
    for (const char c : text) {
        const std::size_t glyph = kGlyphLetters.find(c);
        if (glyph != std::string_view::npos) {
            for (int row = 0; row < 7; ++row) {
                for (int column = 0; column < 5; ++column) {
                    if ((kGlyphs[glyph][static_cast<std::size_t>(row)] >> (4 - column)) & 1) {
                        FillRect(canvas, x + column * scale, y + row * scale, scale, scale, colour);
                    }
                }
            }
        }
        x += 6 * scale;
    }
}

// ---- Scenes ----

// Fixed per item, so that two items never share a panorama.
int SeedOf(std::string_view base) {
    int seed = 7;
    for (const char c : base) {
        seed = (seed * 31 + static_cast<unsigned char>(c)) % 9973;
    }
    return seed;
}

// A small linear congruential sequence for star fields; the same on every run.
struct Sequence {
    std::uint32_t state = 1;
    int Next(int limit) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(limit));
    }
};

void DrawDecor(Canvas& canvas, const Look& look, int seed, int frame) {
    Sequence sequence{static_cast<std::uint32_t>(seed)};
    switch (look.decor) {
    case Decor::Stars:
        for (int i = 0; i < 140; ++i) {
            const int x = sequence.Next(kWidth);
            const int y = sequence.Next(look.horizon);
            const int size = 1 + sequence.Next(3) / 2;
            FillRect(canvas, x, y, size, size, Mix(look.sky_bottom, kWhite, 3 + sequence.Next(5), 8));
        }
        break;
    case Decor::Clouds:
        for (int i = 0; i < 4; ++i) {
            const int x = (i * 190 + seed + frame * 23) % (kWidth + 160) - 80;
            const int y = 40 + (i * 53 + seed) % std::max(40, look.horizon - 120);
            const Rgb cloud = Mix(look.sky_bottom, kWhite, 3, 4);
            FillEllipse(canvas, x, y, 46, 16, cloud);
            FillEllipse(canvas, x + 30, y - 10, 30, 16, cloud);
            FillEllipse(canvas, x - 28, y + 2, 26, 11, cloud);
        }
        break;
    case Decor::Bubbles:
        for (int i = 0; i < 24; ++i) {
            const int x = (sequence.Next(kWidth) + frame * 17) % kWidth;
            const int y = (sequence.Next(kHudTop) + kHudTop - frame * 40 % kHudTop) % kHudTop;
            const int r = 2 + sequence.Next(5);
            FillEllipse(canvas, x, y, r, r, Mix(look.sky_bottom, kWhite, 1, 2));
            FillEllipse(canvas, x, y, std::max(1, r - 2), std::max(1, r - 2),
                        Mix(look.sky_bottom, kWhite, 1, 4));
        }
        break;
    case Decor::None:
        break;
    }
    if (look.sun) {
        FillEllipse(canvas, 470 - frame * 6, look.horizon / 3 + 10, 34, 34, *look.sun);
    }
}

void DrawProp(Canvas& canvas, const Look& look, int x, int ground, int index, int frame) {
    const Rgb dark = Shade(look.near_land, 60);
    switch (look.prop) {
    case Prop::Trees: {
        const int height = 60 + index * 13 % 40;
        FillRect(canvas, x - 4, ground - 20, 8, 22, Shade(look.accent, 70));
        FillPolygon(canvas, {{x, ground - height}, {x - 24, ground - 16}, {x + 24, ground - 16}}, dark);
        FillPolygon(
            canvas,
            {{x, ground - height - 22}, {x - 17, ground - height + 12}, {x + 17, ground - height + 12}},
            Shade(look.near_land, 75));
        break;
    }
    case Prop::Domes:
        if (index % 2 == 0) {
            FillDome(canvas, x, ground, 42, 30, {206, 210, 218});
            FillRect(canvas, x - 30, ground - 12, 60, 4, {90, 150, 200});
        } else {
            FillEllipse(canvas, x, ground - 2, 30, 7, Shade(look.near_land, 80)); // a crater
        }
        break;
    case Prop::Walls:
        // The town grows wall by wall through the series.
        if (index % 4 <= frame) {
            FillRect(canvas, x - 40, ground - 50, 80, 52, look.accent);
            for (int merlon = 0; merlon < 5; ++merlon) {
                FillRect(canvas, x - 40 + merlon * 18, ground - 62, 10, 12, look.accent);
            }
            for (int row = 0; row < 5; ++row) {
                FillRect(canvas, x - 40, ground - 50 + row * 10, 80, 1, Shade(look.accent, 75));
            }
            FillRect(canvas, x - 8, ground - 24, 16, 26, Shade(look.accent, 40));
        }
        break;
    case Prop::Rocks:
        FillEllipse(canvas, x, ground - 8, 26 + index * 7 % 12, 16, look.far_land);
        FillEllipse(canvas, x - 8, ground - 16, 10, 18, Mix(look.far_land, kWhite, 1, 4));
        break;
    case Prop::Blocks: {
        const int height = 50 + index * 29 % 70;
        FillRect(canvas, x - 22, look.horizon - height, 44, height + 4, Shade(look.far_land, 85));
        for (int wy = look.horizon - height + 8; wy < look.horizon - 6; wy += 12) {
            for (int wx = x - 16; wx < x + 16; wx += 10) {
                FillRect(canvas, wx, wy, 5, 6,
                         (wx + wy + index) % 3 == 0 ? Rgb{250, 220, 120} : Shade(look.far_land, 60));
            }
        }
        break;
    }
    case Prop::None:
        break;
    }
}

void DrawHero(Canvas& canvas, const Look& look, int frame, int pan) {
    const Rgb body = look.accent;
    const Rgb dark = Shade(body, 45);
    const int x = 150 + (frame * 97) % 320;
    const int ground = RidgeY(x, look.horizon + 90, 12, 110, pan);
    switch (look.hero) {
    case Hero::Rover:
        FillRect(canvas, x - 44, ground - 34, 88, 20, body);
        FillRect(canvas, x - 10, ground - 50, 34, 16, Mix(body, kWhite, 1, 3));
        FillRect(canvas, x - 4, ground - 46, 22, 8, {60, 110, 170});
        Line(canvas, {x - 30, ground - 34}, {x - 38, ground - 70}, 2, {200, 200, 200});
        for (const int wheel : {-32, 0, 32}) {
            FillEllipse(canvas, x + wheel, ground - 10, 12, 12, {40, 40, 44});
            FillEllipse(canvas, x + wheel, ground - 10, 4, 4, {150, 150, 150});
        }
        break;
    case Hero::Car: {
        const int cx = 320 + (frame % 2 == 0 ? -1 : 1) * (20 + frame * 12);
        FillRect(canvas, cx - 60, 340, 120, 44, body);
        FillPolygon(canvas, {{cx - 44, 340}, {cx - 32, 310}, {cx + 32, 310}, {cx + 44, 340}},
                    Shade(body, 80));
        FillPolygon(canvas, {{cx - 36, 338}, {cx - 28, 316}, {cx + 28, 316}, {cx + 36, 338}}, {40, 50, 70});
        FillRect(canvas, cx - 54, 352, 18, 8, {255, 220, 80});
        FillRect(canvas, cx + 36, 352, 18, 8, {255, 220, 80});
        FillRect(canvas, cx - 64, 380, 26, 22, {24, 24, 24});
        FillRect(canvas, cx + 38, 380, 26, 22, {24, 24, 24});
        Text(canvas, cx - 15, 364, 2, std::to_string(frame + 1) + "4", kWhite);
        break;
    }
    case Hero::Bird: {
        const int y = look.horizon - 110 + frame * 23 % 60;
        const int wing = frame % 2 == 0 ? -40 : 20;
        FillPolygon(canvas, {{x - 10, y}, {x - 80, y + wing}, {x - 40, y + 8}}, dark);
        FillPolygon(canvas, {{x + 10, y}, {x + 80, y + wing}, {x + 40, y + 8}}, dark);
        FillEllipse(canvas, x, y + 4, 30, 11, body);
        FillEllipse(canvas, x + 30, y, 10, 9, body);
        FillPolygon(canvas, {{x + 38, y - 2}, {x + 50, y + 3}, {x + 38, y + 6}}, {250, 210, 60});
        FillPolygon(canvas, {{x - 28, y + 2}, {x - 54, y - 6}, {x - 54, y + 14}}, dark);
        break;
    }
    case Hero::Submarine: {
        const int y = look.horizon - 90 + frame * 17 % 40;
        FillEllipse(canvas, x, y, 80, 22, body);
        FillRect(canvas, x - 14, y - 40, 34, 22, Shade(body, 85));
        FillRect(canvas, x + 6, y - 58, 4, 20, dark);
        for (const int port : {-50, -26, 30, 54}) {
            FillEllipse(canvas, x + port, y, 6, 6, {180, 230, 250});
        }
        FillPolygon(canvas, {{x - 80, y}, {x - 100, y - 16}, {x - 100, y + 16}}, dark);
        break;
    }
    case Hero::Beast:
        for (const int leg : {-34, -18, 16, 32}) {
            FillRect(canvas, x + leg, ground - 30, 8, 30, dark);
        }
        FillEllipse(canvas, x, ground - 46, 48, 26, body);
        FillEllipse(canvas, x + 22, ground - 60, 28, 22, Shade(body, 80));
        FillEllipse(canvas, x + 52, ground - 44, 16, 18, dark);
        FillPolygon(canvas, {{x + 48, ground - 58}, {x + 44, ground - 72}, {x + 54, ground - 60}},
                    {236, 230, 210});
        FillPolygon(canvas, {{x + 60, ground - 58}, {x + 66, ground - 72}, {x + 64, ground - 56}},
                    {236, 230, 210});
        break;
    case Hero::Rocket: {
        const int lift = frame * 70;
        const int rx = 420;
        FillRect(canvas, rx - 60, look.horizon + 30, 120, 10, {80, 80, 86});
        FillRect(canvas, rx + 40, look.horizon - 150, 10, 182, {200, 60, 40});
        if (frame > 0) {
            FillPolygon(canvas,
                        {{rx - 14, look.horizon + 28 - lift},
                         {rx, look.horizon + 90 - lift},
                         {rx + 14, look.horizon + 28 - lift}},
                        {255, 190, 60});
        }
        FillRect(canvas, rx - 16, look.horizon - 130 - lift, 32, 160, body);
        FillPolygon(canvas,
                    {{rx - 16, look.horizon - 130 - lift},
                     {rx, look.horizon - 172 - lift},
                     {rx + 16, look.horizon - 130 - lift}},
                    {210, 40, 40});
        FillPolygon(canvas,
                    {{rx - 16, look.horizon + 30 - lift},
                     {rx - 32, look.horizon + 30 - lift},
                     {rx - 16, look.horizon - 6 - lift}},
                    {210, 40, 40});
        FillPolygon(canvas,
                    {{rx + 16, look.horizon + 30 - lift},
                     {rx + 32, look.horizon + 30 - lift},
                     {rx + 16, look.horizon - 6 - lift}},
                    {210, 40, 40});
        break;
    }
    case Hero::Cannon: {
        for (int i = 1; i < 14; ++i) {
            const int px = x + 30 + i * 22;
            const int py = ground - 50 - (i * (14 - i) * (5 + frame));
            FillEllipse(canvas, px, py, 3, 3, {250, 250, 250});
        }
        Line(canvas, {x - 10, ground - 24}, {x + 34, ground - 56}, 10, body);
        FillEllipse(canvas, x, ground - 14, 16, 16, {110, 72, 40});
        FillEllipse(canvas, x, ground - 14, 5, 5, dark);
        FillRect(canvas, 520, RidgeY(520, look.horizon + 90, 12, 110, pan) - 30, 24, 30, {120, 40, 40});
        break;
    }
    case Hero::Newt: {
        const int y = look.horizon + 110 + frame * 19 % 50;
        FillEllipse(canvas, x + 10, y, 48, 14, {60, 130, 60});
        FillEllipse(canvas, x, y, 36, 9, body);
        FillEllipse(canvas, x + 38, y - 2, 12, 8, body);
        FillPolygon(canvas, {{x - 30, y - 4}, {x - 78, y + 2}, {x - 30, y + 6}}, body);
        for (const int leg : {-20, 18}) {
            Line(canvas, {x + leg, y + 6}, {x + leg - 6, y + 16}, 3, dark);
            Line(canvas, {x + leg, y - 6}, {x + leg - 6, y - 16}, 3, dark);
        }
        FillEllipse(canvas, x + 42, y - 5, 2, 2, kBlack);
        break;
    }
    case Hero::Iceberg: {
        const int y = look.horizon + 100;
        FillPolygon(canvas,
                    {{x - 90, y},
                     {x - 50, y - 70},
                     {x - 10, y - 110},
                     {x + 30, y - 60},
                     {x + 80, y - 40},
                     {x + 110, y}},
                    body);
        FillPolygon(canvas,
                    {{x - 10, y - 110}, {x + 30, y - 60}, {x + 80, y - 40}, {x + 110, y}, {x + 10, y}},
                    {180, 210, 236});
        FillEllipse(canvas, x + 10, y + 6, 104, 8, Shade(look.near_land, 80));
        break;
    }
    case Hero::Crane: {
        const int cx = 200 + frame * 60;
        const int top = 90;
        FillRect(canvas, cx - 10, top, 20, look.horizon + 100 - top, body);
        for (int y = top; y < look.horizon + 90; y += 20) {
            Line(canvas, {cx - 10, y}, {cx + 10, y + 20}, 2, Shade(body, 60));
        }
        FillRect(canvas, cx - 80, top, 300, 12, body);
        FillRect(canvas, cx - 90, top + 12, 40, 30, {90, 90, 96});
        const int hook = cx + 60 + frame * 50;
        FillRect(canvas, hook, top + 12, 2, 120 + frame * 20, {40, 40, 40});
        FillRect(canvas, hook - 40, top + 132 + frame * 20, 80, 24, {170, 170, 176});
        break;
    }
    case Hero::None:
        break;
    }
}

void DrawLandscape(Canvas& canvas, const Look& look, int frame) {
    const int seed = SeedOf(look.base);
    const int pan = seed % 200 + frame * 90;
    Gradient(canvas, 0, kHudTop, look.sky_top, look.sky_bottom);
    DrawDecor(canvas, look, seed, frame);
    FillRidge(canvas, look.horizon, 34, 230, pan / 3, look.far_land);
    if (look.prop == Prop::Blocks) {
        for (int i = 0; i < 8; ++i) {
            DrawProp(canvas, look, 40 + i * 80 + (i * 37) % 30, look.horizon, i + seed, frame);
        }
    }
    const int near_base = look.horizon + 90;
    switch (look.ground) {
    case Ground::Water:
        FillRidge(canvas, look.horizon + 10, 6, 180, pan / 2, Shade(look.far_land, 90));
        Gradient(canvas, look.horizon + 30, kHudTop, Mix(look.near_land, kWhite, 1, 4), look.near_land);
        for (int y = look.horizon + 44; y < kHudTop; y += 18) {
            const int shift = (y * 7 + frame * 40) % 120;
            for (int x = -shift; x < kWidth; x += 120) {
                FillRect(canvas, x, y, 46, 2, Mix(look.near_land, kWhite, 2, 5));
            }
        }
        break;
    case Ground::Road:
        FillRidge(canvas, near_base - 60, 8, 140, pan, look.near_land);
        FillPolygon(canvas,
                    {{300, look.horizon + 14}, {340, look.horizon + 14}, {600, kHudTop}, {40, kHudTop}},
                    {92, 88, 90});
        for (int i = 0; i < 8; ++i) {
            const int y0 = look.horizon + 14 + ((i * 30 + frame * 13) % 210);
            const int width = 2 + (y0 - look.horizon) / 24;
            FillRect(canvas, 320 - width / 2, y0, width, 6 + (y0 - look.horizon) / 16, {240, 240, 230});
        }
        break;
    case Ground::Land:
        FillRidge(canvas, near_base, 12, 110, pan, look.near_land);
        break;
    }
    if (look.prop != Prop::None && look.prop != Prop::Blocks) {
        const int spacing = look.prop == Prop::Walls ? 150 : 110;
        for (int i = 0; i < 8; ++i) {
            const int x = i * spacing - pan % spacing + (i * 41) % 30;
            const int ground =
                look.ground == Ground::Water ? look.horizon + 14 : RidgeY(x, near_base, 12, 110, pan) + 8;
            DrawProp(canvas, look, x, ground, i + pan / spacing, frame);
        }
    }
    DrawHero(canvas, look, frame, pan);
}

void DrawBoard(Canvas& canvas, const Look& look, int frame) {
    for (int y = 0; y < kHudTop; y += 40) {
        for (int x = 0; x < kWidth; x += 40) {
            FillRect(canvas, x, y, 40, 40, ((x + y) / 40) % 2 == 0 ? look.sky_top : look.sky_bottom);
            FillRect(canvas, x, y, 40, 2, kWhite);
            FillRect(canvas, x, y, 2, 40, kWhite);
        }
    }
    const std::array<Rgb, 5> soaps = {
        {{230, 80, 120}, {80, 170, 240}, {250, 210, 60}, {120, 210, 110}, {180, 120, 230}}};
    FillRect(canvas, 150, 20, 340, 388, look.accent);
    FillRect(canvas, 158, 28, 324, 372, Shade(look.accent, 50));
    for (int row = 0; row < 9; ++row) {
        for (int column = 0; column < 8; ++column) {
            if ((row * 3 + column * 5 + frame * 7) % 13 == 0 || row < frame) {
                continue; // popped
            }
            const Rgb soap = soaps[static_cast<std::size_t>((row * 3 + column * 2 + (row * column) % 3) % 5)];
            const int cx = 178 + column * 40 + (row % 2) * 4;
            const int cy = 48 + row * 40;
            FillEllipse(canvas, cx, cy, 18, 18, soap);
            FillEllipse(canvas, cx - 6, cy - 7, 5, 4, Mix(soap, kWhite, 3, 4));
        }
    }
    Text(canvas, 520, 60, 3, "NEXT", look.accent);
    FillEllipse(canvas, 555, 120, 22, 22, soaps[static_cast<std::size_t>(frame % 5)]);
    FillEllipse(canvas, 548, 112, 6, 5, kWhite);
}

void DrawTopDown(Canvas& canvas, const Look& look, int frame) {
    for (int y = 0; y < kHudTop; y += 32) {
        for (int x = 0; x < kWidth; x += 32) {
            FillRect(canvas, x, y, 32, 32, ((x + y) / 32) % 2 == 0 ? look.near_land : look.far_land);
        }
    }
    for (int y = 0; y < kHudTop; ++y) {
        const int river = 420 + static_cast<int>(40 * std::sin((y + frame * 30) / 60.0));
        FillRect(canvas, river, y, 46, 1, {52, 104, 170});
        FillRect(canvas, river + 8, y, 6, 1, {90, 140, 200});
    }
    for (int i = 0; i < 10; ++i) {
        const int tx = (i * 131 + 40) % 380;
        const int ty = (i * 83 + 30) % 380;
        FillEllipse(canvas, tx + 6, ty + 6, 14, 14, Shade(look.far_land, 55));
        FillEllipse(canvas, tx, ty, 14, 14, Shade(look.near_land, 70));
    }
    FillRect(canvas, 80, 300, 70, 50, {150, 130, 100});
    FillPolygon(canvas, {{74, 300}, {115, 270}, {156, 300}}, {160, 60, 50});
    for (int i = 0; i < 9; ++i) {
        const int ux = 180 + (i % 3) * 26 + frame * 40;
        const int uy = 160 + (i / 3) * 26 + frame * 10;
        FillRect(canvas, ux + 8, uy + 8, 14, 14,
                 Shade(look.near_land, 40)); // the shadow that gives them away
        FillRect(canvas, ux, uy, 14, 14, look.accent);
        FillRect(canvas, ux + 4, uy + 4, 6, 6, Mix(look.accent, kWhite, 1, 2));
    }
    const int sx = 170 + frame * 40;
    const int sy = 150 + frame * 10;
    for (const auto& [x, y, w, h] : {std::array{sx, sy, 90, 2}, std::array{sx, sy + 88, 90, 2},
                                     std::array{sx, sy, 2, 90}, std::array{sx + 88, sy, 2, 90}}) {
        FillRect(canvas, x, y, w, h, kWhite);
    }
}

void DrawUnderground(Canvas& canvas, const Look& look, int frame) {
    Gradient(canvas, 0, 60, look.sky_top, look.sky_bottom);
    FillRect(canvas, 0, 60, kWidth, 10, {90, 150, 60});
    Gradient(canvas, 70, kHudTop, look.far_land, look.near_land);
    for (int y = 120; y < kHudTop; y += 70) {
        FillRect(canvas, 0, y, kWidth, 3, Shade(look.far_land, 85));
    }
    const Rgb tunnel{46, 30, 20};
    const std::array<std::array<int, 3>, 4> tunnels = {
        {{40, 130, 380}, {200, 220, 400}, {60, 310, 300}, {330, 370, 280}}};
    for (const auto& [x, y, length] : tunnels) {
        FillRect(canvas, x, y, length, 40, tunnel);
        FillEllipse(canvas, x, y + 20, 20, 20, tunnel);
        FillEllipse(canvas, x + length, y + 20, 20, 20, tunnel);
        for (int lamp = x + 30; lamp < x + length; lamp += 70) {
            FillRect(canvas, lamp, y + 8, 18, 14, {250, 214, 110});
        }
    }
    FillRect(canvas, 300, 64, 26, 100, tunnel);
    FillRect(canvas, 380, 164, 26, 70, tunnel);
    FillRect(canvas, 120, 164, 26, 160, tunnel);
    const int flood = 8 + frame * 12;
    FillRect(canvas, 60, 350 - flood, 300, flood, look.accent);
    FillRect(canvas, 60, 350 - flood, 300, 2, Mix(look.accent, kWhite, 1, 2));
    for (int i = 0; i < 6; ++i) {
        const int wx = 240 + i * 50 + frame * 14;
        FillRect(canvas, wx, 240, 6, 14, {240, 200, 60});
        FillEllipse(canvas, wx + 3, 236, 4, 4, {240, 200, 160});
    }
}

void DrawHud(Canvas& canvas, const Look& look, std::string_view name, int frame) {
    FillRect(canvas, 0, kHudTop, kWidth, kHeight - kHudTop, Mix({20, 20, 28}, look.accent, 1, 6));
    FillRect(canvas, 0, kHudTop, kWidth, 2, Mix(look.accent, kWhite, 1, 2));
    const Rgb ink = Mix(look.accent, kWhite, 2, 3);
    Text(canvas, 12, kHudTop + 10, 2, FontText(name), ink);
    Text(canvas, 12, kHudTop + 32, 2, "LEVEL " + std::to_string(frame + 1), Shade(ink, 80));
    FillRect(canvas, 150, kHudTop + 32, 160, 14, {10, 10, 10});
    FillRect(canvas, 152, kHudTop + 34, 156 - frame * 11 % 120, 10, {80, 200, 80});
    std::string score = std::to_string((SeedOf(look.base) * 10 + frame * 1250) % 100000);
    score.insert(0, 6 - std::min<std::size_t>(6, score.size()), '0');
    const std::string line = "SCORE " + score;
    Text(canvas, kWidth - 12 - TextWidth(line, 2), kHudTop + 10, 2, line, ink);
}

Canvas DrawScreenshot(const Look& look, std::string_view name, int frame) {
    Canvas canvas(kWidth, kHeight);
    switch (look.layout) {
    case Layout::Landscape:
        DrawLandscape(canvas, look, frame);
        break;
    case Layout::Board:
        DrawBoard(canvas, look, frame);
        break;
    case Layout::TopDown:
        DrawTopDown(canvas, look, frame);
        break;
    case Layout::Underground:
        DrawUnderground(canvas, look, frame);
        break;
    }
    DrawHud(canvas, look, name, frame);
    return canvas;
}

// A still from the film, with the strip's sprocket holes down both sides.
Canvas DrawFilmStill() {
    Canvas canvas(kWidth, kHeight, {16, 12, 10});
    Gradient(canvas, 60, 300, {60, 30, 90}, {250, 140, 70});
    FillEllipse(canvas, 320, 260, 60, 60, {255, 220, 140});
    FillRidge(canvas, 300, 40, 260, 50, {30, 20, 36});
    FillRect(canvas, 0, 380, kWidth, kHeight - 380, {16, 12, 10});
    for (int y = 10; y < kHeight; y += 40) {
        FillRect(canvas, 12, y, 20, 24, {230, 226, 214});
        FillRect(canvas, kWidth - 32, y, 20, 24, {230, 226, 214});
    }
    FillRect(canvas, 44, 60, 552, 4, kBlack);
    Text(canvas, (kWidth - TextWidth("UBIK", 8)) / 2, 396, 8, "UBIK", {240, 230, 200});
    return canvas;
}

Canvas DrawDiskmagCover() {
    Canvas canvas(kWidth, kHeight);
    Gradient(canvas, 0, kHeight, {150, 20, 110}, {20, 24, 80});
    for (int i = 0; i < 12; ++i) {
        FillPolygon(canvas, {{i * 80 - 200, kHeight}, {i * 80 - 160, kHeight}, {i * 80 + 40, 0}, {i * 80, 0}},
                    Mix({150, 20, 110}, {20, 220, 230}, 1, 5 + i % 3));
    }
    Text(canvas, (kWidth - TextWidth("VYRNISTE", 11)) / 2 + 4, 64, 11, "VYRNISTE", kBlack);
    Text(canvas, (kWidth - TextWidth("VYRNISTE", 11)) / 2, 60, 11, "VYRNISTE", {250, 240, 90});
    const std::string issue = std::to_string(kDiskmagIssue);
    Text(canvas, (kWidth - TextWidth(issue, 24)) / 2, 190, 24, issue, {40, 230, 240});
    return canvas;
}

const Look* FindLook(std::string_view base) {
    const auto& looks = Looks();
    const auto found =
        std::find_if(looks.begin(), looks.end(), [base](const Look& l) { return l.base == base; });
    return found == looks.end() ? nullptr : &*found;
}

struct Series {
    std::string_view base;
    std::string_view name;
};

std::optional<std::string> WriteJpeg(CdFiles& files, const std::string& cd_path, const Canvas& canvas) {
    const auto jpeg = EncodeJpeg(canvas, kJpegQuality);
    if (!jpeg) {
        return cd_path + ": cannot encode the picture";
    }
    files.Bytes(cd_path, *jpeg);
    return std::nullopt;
}

void WriteBitmaps(CdFiles& files, const std::string& name, const Canvas& picture) {
    const Canvas small = Shrink(picture, kBitmapWidth, kBitmapHeight);
    files.Bytes("TAVOX\\RGB\\" + name, EncodeBmp24(small));
    files.Bytes("TAVOX\\256\\" + name, EncodeBmp8(small));
}

} // namespace

std::string PictureNumberText(int number) {
    return (number < 10 ? "0" : "") + std::to_string(number);
}

std::optional<std::string> WriteSamplePictures(CdFiles& files) {
    std::vector<Series> series;
    for (const SampleDemo& demo : SampleDemos()) {
        series.push_back({demo.picture, demo.name});
    }
    for (const SampleShot& shot : SampleShots()) {
        series.push_back({shot.picture, shot.name});
    }
    for (const Series& item : series) {
        if (item.base == kNoPictures) {
            continue;
        }
        const Look* look = FindLook(item.base);
        if (!look) {
            return "no look for the pictures " + std::string(item.base);
        }
        for (int number = 1; number <= look->pictures; ++number) {
            const Canvas picture = DrawScreenshot(*look, item.name, number - 1);
            const std::string name = std::string(item.base) + PictureNumberText(number);
            const Canvas stored = look->width == kWidth
                                      ? picture
                                      : Shrink(picture, look->width, look->width * kHeight / kWidth);
            if (auto error = WriteJpeg(files, "TAVOX\\" + name + ".JPG", stored)) {
                return error;
            }
            if (number == 1 && look->bitmaps) {
                WriteBitmaps(files, name + ".BMP", picture);
            }
        }
    }
    if (auto error = WriteJpeg(files, "TAVOX\\FILM01.JPG", DrawFilmStill())) {
        return error;
    }
    WriteBitmaps(files, "VYRNISTE.BMP", DrawDiskmagCover());
    return std::nullopt;
}

} // namespace sample_cd
