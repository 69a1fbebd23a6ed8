#pragma once

#include "catalogue/records.h"

#include <cstdint>
#include <string>

namespace tavox {

// The CD's catalogue as loaded, and the pages built from it.
struct CatalogueState {
    std::string CdIssue;              // four digits, month and year ("1197")
    std::int32_t DescribeVariant = 0; // the catalogue's edition number, 1..5
    std::uint8_t DiskmagIssue = 0;    // disk-magazine issue of the Vyrniste page
    std::int32_t DemoCount = 0;
    std::int32_t InstalledCount = 0;
    std::int32_t ReaderCount = 0;
    std::int32_t MovieCount = 0;
    std::int32_t ShareCount = 0;
    std::int32_t UpdateCount = 0;
    std::int32_t ShotCount = 0;
    std::uint8_t PageCount = 0;
    DemosArray Demos;
    UpdatesArray Updates;
    SharesArray Shares;
    ShotsArray Shots;
    ReadersArray Readers;
    PagesArray Pages;
    InstalledArray Installed;
};

} // namespace tavox
