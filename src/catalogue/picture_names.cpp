#include "catalogue/picture_names.h"

namespace tavox {

std::string PictureNumberText(int number) {
    const std::string digits = std::to_string(number);
    return number < 10 && number >= 0 ? "0" + digits : digits;
}

std::string PictureJpegPath(std::string_view menu_dir, std::string_view base, int number) {
    return std::string(menu_dir) + std::string(base) + PictureNumberText(number) + ".JPG";
}

std::string FirstPictureBitmapPath(std::string_view menu_dir, std::string_view base, int color_depth) {
    return std::string(menu_dir) + (color_depth <= 8 ? "256\\" : "RGB\\") + std::string(base) +
           PictureNumberText(1) + ".BMP";
}

} // namespace tavox
