#pragma once

// Which section buttons the page bar carries in each language, and their captions.

#include <cstdint>
#include <string>
#include <vector>

namespace tavox {

// What the bar's composition depends on, taken from the loaded catalogue.
struct PageBarInputs {
    std::int32_t ShotCount = 0;
    std::int32_t MovieCount = 0;
    std::int32_t ReaderCount = 0;
    std::int32_t Vyrniste = 0; // [Main] Vyrniste of the catalogue, 0 when the key is missing
    std::string CdIssue;       // "MMYY"
};

// The page kinds of the bar in button order: the English bar for English and Turkish, the Czech and the
// Romanian bars for their languages, nothing for any other language (the bar then stays as it was).
std::vector<std::uint8_t> PageBarKinds(int language, const PageBarInputs& inputs);

// The section button caption of a page kind in the language's code page; empty for the custom page and for
// kinds the bar does not know.
std::string PageCaption(int language, std::uint8_t kind);

} // namespace tavox
