#pragma once

// The three sounds of the menu, synthesised: a farewell chime, a refusal buzz and a comic warble. Each is
// exactly as long as its file size asks, starts and ends in silence and peaks well below full scale.

#include <cstddef>
#include <vector>

namespace make_assets {

std::vector<double> FarewellChime(std::size_t sample_count); // "BYE"
std::vector<double> RefusalBuzz(std::size_t sample_count);   // "NO"
std::vector<double> ComicWarble(std::size_t sample_count);   // "STUPID"

} // namespace make_assets
