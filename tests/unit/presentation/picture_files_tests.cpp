#include "media/jpeg_decoder.h"
#include "presentation/picture_files.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <utility>

namespace tavox {
namespace {

// 32-bit decodes go to the screen without a copy, and the image keeps the pixels alive after the decode
// result is gone; RGB bytes come out as the same colours.
TEST(ScreenImages, DecodedPixelsBecomeScreenImagesWithTheirColours) {
    constexpr QRgb kColours[] = {0xFF102030, 0xFFFFFFFF, 0xFF000000, 0xFFC08040, 0xFF0000FF, 0xFFFF0000};
    DecodedImage words{3, 2, JpegPixelFormat::Rgb32, {}};
    DecodedImage bytes{3, 2, JpegPixelFormat::Rgb, {}};
    for (const QRgb colour : kColours) {
        const std::uint32_t word = colour;
        const auto* raw = reinterpret_cast<const std::uint8_t*>(&word);
        words.pixels.insert(words.pixels.end(), raw, raw + 4);
        bytes.pixels.insert(bytes.pixels.end(), {static_cast<std::uint8_t>(qRed(colour)),
                                                 static_cast<std::uint8_t>(qGreen(colour)),
                                                 static_cast<std::uint8_t>(qBlue(colour))});
    }
    const std::uint8_t* buffer = words.pixels.data();

    QImage adopted = ToQImage(std::move(words));
    const QImage converted = ToQImage(std::move(bytes));
    ASSERT_FALSE(adopted.isNull());
    EXPECT_EQ(adopted.constBits(), buffer) << "the decoder's buffer is taken over, not copied";
    for (const QImage* image : std::array<const QImage*, 2>{&adopted, &converted}) {
        ASSERT_EQ(image->format(), QImage::Format_RGB32);
        ASSERT_EQ(image->size(), QSize(3, 2));
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(image->pixel(i % 3, i / 3), kColours[i]) << "pixel " << i;
        }
    }
    const QImage copy = adopted;
    adopted = QImage();
    EXPECT_EQ(copy.pixel(2, 1), kColours[5]) << "a copy outlives the first image";

    EXPECT_TRUE(ToQImage(DecodedImage{}).isNull());
}

} // namespace
} // namespace tavox
