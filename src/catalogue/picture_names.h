#pragma once

#include <string>
#include <string_view>

namespace tavox {

// "01" … "09", then "10", "11" …: the number part of every picture file name.
std::string PictureNumberText(int number);

// The JPEG of picture `number` of a series: menu dir + base + number + ".JPG".
std::string PictureJpegPath(std::string_view menu_dir, std::string_view base, int number);

// The ready bitmap of a series' first picture, in the colour directory of the screen's depth.
std::string FirstPictureBitmapPath(std::string_view menu_dir, std::string_view base, int color_depth);

// "NUL" marks an item without pictures.
inline bool HasNoPictures(std::string_view base) {
    return base == "NUL";
}

} // namespace tavox
