#include "presentation/frames.h"

#include <gtest/gtest.h>

#include <optional>

namespace tavox {
namespace {

constexpr QRgb kGrey = 0xFF808080;
constexpr QRgb kPaper = 0xFF204060;

QImage Filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

int CountOf(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

// The frame lies one pixel outside the rectangle's left and top edges and on its right and bottom ones; a
// restore puts back exactly what the picture has there, and a copy of the surface is never drawn on.
TEST(Frames, AFrameIsDrawnAroundTheRectangleAndRestoredFromThePicture) {
    QImage surface = Filled(20, 10, kPaper);
    const QImage before = surface;
    const QRect shown = DrawFramePixels(surface, Rect{5, 3, 12, 7}, kWhite);
    EXPECT_EQ(shown, QRect(QPoint(4, 2), QPoint(12, 7)));
    EXPECT_EQ(CountOf(surface, kWhite), 2 * 9 + 2 * 4);
    for (const QPoint corner : {QPoint(4, 2), QPoint(12, 2), QPoint(4, 7), QPoint(12, 7)}) {
        EXPECT_EQ(surface.pixel(corner), kWhite) << corner.x() << "," << corner.y();
    }
    EXPECT_EQ(surface.pixel(5, 3), kPaper) << "inside stays";
    EXPECT_EQ(CountOf(before, kWhite), 0) << "a copy taken before keeps its pixels";

    const QImage picture = Filled(20, 10, kGrey);
    EXPECT_EQ(RestoreFramePixels(surface, Rect{5, 3, 12, 7}, picture, std::nullopt),
              QRect(QPoint(4, 2), QPoint(13, 8)));
    EXPECT_EQ(CountOf(surface, kWhite), 0);
    EXPECT_EQ(surface.pixel(5, 3), kPaper);
}

// Near the edges: nothing is written off the surface, and off the picture the surface is kept or painted.
TEST(Frames, EdgesOfTheSurfaceAndOfThePictureAreRespected) {
    QImage surface = Filled(10, 6, kPaper);
    DrawFramePixels(surface, Rect{0, 0, 12, 9}, kWhite); // left and top edges fall off the surface
    EXPECT_EQ(CountOf(surface, kWhite), 0);
    DrawFramePixels(surface, Rect{1, 1, 9, 5}, kWhite);
    EXPECT_EQ(surface.pixel(0, 0), kWhite);
    EXPECT_EQ(surface.pixel(9, 5), kWhite);

    const QImage small_picture = Filled(5, 6, kGrey);
    QImage kept = surface;
    RestoreFramePixels(kept, Rect{1, 1, 9, 5}, small_picture, std::nullopt);
    EXPECT_EQ(kept.pixel(0, 0), kGrey);
    EXPECT_EQ(kept.pixel(9, 5), kWhite) << "off the picture the surface is left as it is";
    RestoreFramePixels(surface, Rect{1, 1, 9, 5}, small_picture, kBlack);
    EXPECT_EQ(surface.pixel(9, 5), kBlack);
    EXPECT_EQ(CountOf(surface, kWhite), 0);
}

} // namespace
} // namespace tavox
