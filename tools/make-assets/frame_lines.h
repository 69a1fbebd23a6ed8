#pragma once

// Where the menu draws its white frame lines over the background, and the section buttons between them. The
// background's panels and accents are laid out along these, so that the lines land on panel edges.

#include <array>
#include <initializer_list>
#include <vector>

#include <QPoint>
#include <QRect>

namespace make_assets {

// Each entry is one polyline of the menu's line drawing, in window coordinates.
inline const std::vector<std::vector<QPoint>>& FrameLines() {
    static const std::vector<std::vector<QPoint>> lines = [] {
        std::vector<std::vector<QPoint>> all = {
            {{593, 1}, {593, 19}},
            {{593, 19}, {622, 19}, {622, 42}, {564, 42}, {564, 30}},
            {{593, 19}, {564, 19}, {564, 32}},
            {{564, 31}, {96, 31}},
            {{96, 31}, {96, 57}},
            {{96, 57}, {16, 57}, {16, 340}, {188, 340}},
            {{96, 57}, {188, 57}},
            {{188, 57}, {188, 480}},
            {{172, 57}, {172, 340}},
            {{172, 71}, {188, 71}},
            {{172, 324}, {188, 324}},
            {{335, 31}, {335, 59}, {371, 59}},
            {{371, 59}, {586, 59}, {586, 80}},
            {{640, 80}, {506, 80}, {506, 334}},
            {{506, 350}, {506, 480}},
            {{581, 265}, {581, 427}},
            {{463, 470}, {218, 470}, {218, 365}, {463, 365}, {463, 470}},
            {{581, 427}, {463, 427}},
            {{218, 424}, {39, 424}, {39, 440}},
            {{0, 440}, {82, 440}, {82, 480}},
            {{371, 59}, {371, 77}},
            {{370, 77}, {470, 77}, {470, 258}},
            {{470, 258}, {470, 309}},
            {{371, 77}, {238, 77}, {238, 259}},
            {{470, 259}, {401, 259}},
            {{399, 259}, {399, 281}},
            {{401, 259}, {244, 259}},
            {{244, 259}, {244, 343}},
            // The line under the command labels that runs on to the technical frame.
            {{244, 342}, {506, 342}},
        };
        for (const int y : {103, 125, 148, 171, 193, 216, 241, 264}) {
            all.push_back({{506, y}, {640, y}});
        }
        return all;
    }();
    return lines;
}

struct SectionButton {
    int top = 0;
    int height = 0;
};

// The section buttons of the page bar: x 507, 133 wide.
inline constexpr int kButtonLeft = 507;
inline constexpr int kButtonWidth = 133;
inline constexpr std::array<SectionButton, 8> kSectionButtons{
    {{81, 22}, {104, 21}, {126, 22}, {149, 22}, {172, 21}, {194, 22}, {217, 24}, {242, 22}}};

inline QRect ButtonRect(const SectionButton& button) {
    return {kButtonLeft, button.top, kButtonWidth, button.height};
}

} // namespace make_assets
