#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavox {

// One item of one page of a disc, as `--select PAGE:ITEM` names it.
struct PageItem {
    std::uint8_t page = 0; // a PageKind
    int number = 1;        // 1-based, on its page
};

// "Demos:3", "readers:1" (page names as the shelf prints them, in any case); nothing for anything else.
std::optional<PageItem> ReadPageItem(std::string_view text);

} // namespace tavox
