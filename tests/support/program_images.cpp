#include "support/program_images.h"

namespace tavox::test {

namespace {

void Put16(std::string& image, std::size_t at, std::uint16_t value) {
    image[at] = static_cast<char>(value & 0xFF);
    image[at + 1] = static_cast<char>(value >> 8);
}

} // namespace

std::string DosImage(std::size_t size, std::uint32_t new_header_at) {
    std::string image(size, '\x90');
    image.replace(0, 0x40, 0x40, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put16(image, 2, static_cast<std::uint16_t>(size % 512));
    Put16(image, 4, static_cast<std::uint16_t>((size + 511) / 512));
    Put16(image, 8, 4);
    Put16(image, 0x18, 0x40);
    Put16(image, 0x3C, static_cast<std::uint16_t>(new_header_at & 0xFFFF));
    Put16(image, 0x3E, static_cast<std::uint16_t>(new_header_at >> 16));
    return image;
}

std::string WindowsImage(std::string_view signature, std::uint16_t machine, std::uint16_t magic) {
    std::string image = DosImage(0x100, 0x80);
    image.replace(0x80, signature.size(), signature);
    Put16(image, 0x84, machine);
    Put16(image, 0x80 + 24, magic);
    return image;
}

} // namespace tavox::test
