#pragma once

// The pictures of the issue, all drawn here: a screenshot series for every demo and hotshot that names a
// picture base, ready first pictures in the colour-depth directories for a few demos, the films page's
// picture and the disk magazine's.

#include "cd_files.h"

#include <optional>
#include <string>
#include <string_view>

namespace sample_cd {

// The Picture value of an item without screenshots.
inline constexpr std::string_view kNoPictures = "NUL";

// "01" to "09", then "10", "11": the number part of a picture file's name.
std::string PictureNumberText(int number);

// An error text when an item names a picture base that has no look here, or when encoding fails.
std::optional<std::string> WriteSamplePictures(CdFiles& files);

} // namespace sample_cd
