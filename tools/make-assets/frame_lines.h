#pragma once

// Where the menu draws its white frame lines over the background, and the section buttons between them. The
// background's panels and accents are laid out along these, so that the lines land on panel edges.

#include <array>
#include <initializer_list>
#include <vector>

#include "presentation/frame_lines.h"
#include <QPoint>
#include <QRect>

namespace make_assets {

// The menu's line drawing, and the line under the command labels that runs on to the technical frame.
inline const std::vector<std::vector<QPoint>>& FrameLines() {
    static const std::vector<std::vector<QPoint>> lines = [] {
        std::vector<std::vector<QPoint>> all = tavox::FrameLines();
        all.push_back({{244, 342}, {506, 342}});
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
