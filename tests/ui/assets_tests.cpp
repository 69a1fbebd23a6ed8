// The compiled-in pictures, marks, cursors and sounds, read back through Qt's resource system as the menu
// reads them: names, sizes, formats, the lit-button look, legibility of white labels, and sound files that a
// player of the time accepts.

#include "resources/resource_names.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace tavox {
namespace {

// SVG text needs the font database, which needs an application object. The window tests' main makes one;
// linked with a plain GoogleTest main, this makes its own, and takes it down before exit, as Qt cannot be
// taken down from a static destructor.
class QtApplication : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance()) {
            return;
        }
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            // Qt would otherwise make a runtime directory of its own under /tmp and leave it there.
            runtime_dir_ = std::make_unique<QTemporaryDir>();
            qputenv("XDG_RUNTIME_DIR", runtime_dir_->path().toLocal8Bit());
        }
        app_ = std::make_unique<QGuiApplication>(argc_, argv_.data());
    }
    void TearDown() override {
        app_.reset();
        runtime_dir_.reset();
    }

private:
    int argc_ = 1;
    char name_[13] = "assets_tests";
    std::array<char*, 2> argv_{name_, nullptr};
    std::unique_ptr<QTemporaryDir> runtime_dir_;
    std::unique_ptr<QGuiApplication> app_;
};

// GoogleTest owns registered environments.
[[maybe_unused]] ::testing::Environment* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplication);

QImage Load(const char* path) {
    return QImage(QString::fromLatin1(path));
}

QByteArray Bytes(const char* path) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double Luminance(QRgb pixel) {
    return 0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel);
}

struct Mean {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

Mean MeanColour(const QImage& image, const QRect& rect) {
    Mean mean;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            mean.red += qRed(pixel);
            mean.green += qGreen(pixel);
            mean.blue += qBlue(pixel);
        }
    }
    const double count = static_cast<double>(rect.width()) * rect.height();
    return {mean.red / count, mean.green / count, mean.blue / count};
}

// Average absolute difference per channel between two equally sized areas.
double MeanDifference(const QImage& a, const QRect& in_a, const QImage& b, QPoint in_b) {
    double total = 0.0;
    for (int y = 0; y < in_a.height(); ++y) {
        for (int x = 0; x < in_a.width(); ++x) {
            const QRgb p = a.pixel(in_a.left() + x, in_a.top() + y);
            const QRgb q = b.pixel(in_b.x() + x, in_b.y() + y);
            total +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return total / (3.0 * in_a.width() * in_a.height());
}

QImage RenderSvg(const char* path, QSize size) {
    QSvgRenderer renderer(QString::fromLatin1(path));
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    return count;
}

// ---------------------------------------------------------------------------------------------------------

TEST(Resources, EveryNameTheMenuAsksForIsCompiledIn) {
    for (const char* name : {":/MAINBMP",
                             ":/MAINBMP256",
                             ":/I",
                             ":/I256",
                             ":/COPY",
                             ":/COPY256",
                             ":/KOLA",
                             ":/SLOGAN_E",
                             ":/SLOGAN_C",
                             ":/SLOGAN_T",
                             ":/SLOGAN_R",
                             ":/BYE",
                             ":/NO",
                             ":/STUPID",
                             ":/cursors/CURL",
                             ":/cursors/CURLN",
                             ":/cursors/CURP",
                             ":/cursors/CURPN",
                             ":/cursors/CURN",
                             ":/marks/up",
                             ":/marks/up2",
                             ":/marks/down",
                             ":/marks/down2",
                             ":/marks/left",
                             ":/marks/left2",
                             ":/marks/right",
                             ":/marks/right2",
                             ":/marks/thumb",
                             ":/marks/image3",
                             ":/WORM",
                             ":/TORNIK",
                             ":/anim/folder",
                             ":/anim/page"}) {
        EXPECT_TRUE(QFile::exists(QString::fromLatin1(name))) << name;
    }
}

struct PictureCase {
    const char* path;
    int width;
    int height;
};

TEST(Resources, BitmapsHaveTheSizesOfTheirComponents) {
    for (const PictureCase& picture :
         {PictureCase{":/MAINBMP", 640, 480}, PictureCase{":/MAINBMP256", 640, 480},
          PictureCase{":/I", 133, 183}, PictureCase{":/I256", 133, 183}, PictureCase{":/COPY", 426, 166},
          PictureCase{":/COPY256", 426, 166}, PictureCase{":/KOLA", 232, 181}, PictureCase{":/WORM", 89, 105},
          PictureCase{":/TORNIK", 51, 62}, PictureCase{":/anim/folder", 40, 32},
          PictureCase{":/anim/page", 16, 20}}) {
        const QImage image = Load(picture.path);
        ASSERT_FALSE(image.isNull()) << picture.path;
        EXPECT_EQ(image.size(), QSize(picture.width, picture.height)) << picture.path;
    }
}

TEST(Resources, TrueColourBitmapsAreOpaqueAndFull) {
    for (const char* path : {":/MAINBMP", ":/I", ":/COPY"}) {
        const QImage image = Load(path);
        EXPECT_FALSE(image.hasAlphaChannel()) << path;
        EXPECT_GT(image.depth(), 8) << path;
    }
}

TEST(Resources, LowColourVariantsAreEightBitPaletteImages) {
    for (const char* path : {":/MAINBMP256", ":/I256", ":/COPY256"}) {
        const QImage image = Load(path);
        EXPECT_EQ(image.format(), QImage::Format_Indexed8) << path;
        EXPECT_GT(image.colorCount(), 16) << path;
        EXPECT_LE(image.colorCount(), 256) << path;
    }
    const QImage kola = Load(":/KOLA");
    EXPECT_EQ(kola.format(), QImage::Format_Indexed8);
    EXPECT_EQ(kola.colorCount(), 35);
}

TEST(Resources, LowColourVariantsLookLikeTheirTrueColourOriginals) {
    const std::vector<std::pair<const char*, const char*>> pairs = {
        {":/MAINBMP", ":/MAINBMP256"}, {":/I", ":/I256"}, {":/COPY", ":/COPY256"}};
    for (const auto& [original_path, copy_path] : pairs) {
        const QImage original = Load(original_path).convertToFormat(QImage::Format_RGB32);
        const QImage copy = Load(copy_path).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(original.size(), copy.size()) << copy_path;
        EXPECT_LT(MeanDifference(original, original.rect(), copy, {0, 0}), 3.0) << copy_path;
    }
}

TEST(Resources, LowColourVariantsShareOnePalette) {
    // At 256 colours the background and the lit buttons are on screen together.
    EXPECT_EQ(Load(":/MAINBMP256").colorTable(), Load(":/I256").colorTable());
}

// ---------------------------------------------------------------------------------------------------------

struct SectionButton {
    int number;
    int top;
    int height;
};

constexpr SectionButton kButtons[] = {{1, 81, 22},  {2, 104, 21}, {3, 126, 22}, {4, 149, 22},
                                      {5, 172, 21}, {6, 194, 22}, {7, 217, 24}, {8, 242, 22}};

TEST(LitButtons, EveryButtonIsLitLightBlueSoBlackCaptionsRead) {
    for (const char* path : {":/I", ":/I256"}) {
        const QImage lit = Load(path).convertToFormat(QImage::Format_RGB32);
        for (const SectionButton& button : kButtons) {
            // The copied rectangle: picture row 0 is screen row 81.
            const Mean mean = MeanColour(lit, QRect(0, button.top - 81, 133, button.height));
            EXPECT_GE(mean.red, 95) << path << " button " << button.number;
            EXPECT_LE(mean.red, 165) << path << " button " << button.number;
            EXPECT_GE(mean.green, 125) << path << " button " << button.number;
            EXPECT_LE(mean.green, 195) << path << " button " << button.number;
            EXPECT_GE(mean.blue, 210) << path << " button " << button.number;
            EXPECT_LE(mean.blue, 250) << path << " button " << button.number;
        }
    }
}

TEST(LitButtons, LightingAButtonVisiblyChangesItsRectangle) {
    const std::vector<std::pair<const char*, const char*>> pairs = {{":/MAINBMP", ":/I"},
                                                                    {":/MAINBMP256", ":/I256"}};
    for (const auto& [background_path, lit_path] : pairs) {
        const QImage background = Load(background_path).convertToFormat(QImage::Format_RGB32);
        const QImage lit = Load(lit_path).convertToFormat(QImage::Format_RGB32);
        for (const SectionButton& button : kButtons) {
            const QRect on_screen(507, button.top, 133, button.height);
            const QPoint in_lit(0, button.top - 81);
            EXPECT_GT(MeanDifference(background, on_screen, lit, in_lit), 60.0)
                << lit_path << " button " << button.number;
            // Unlit buttons are dark, so their white captions read.
            const Mean unlit = MeanColour(background, on_screen);
            EXPECT_LT(0.299 * unlit.red + 0.587 * unlit.green + 0.114 * unlit.blue, 60.0)
                << background_path << " button " << button.number;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------

struct LabelArea {
    const char* picture;
    const char* what;
    QRect rect;
};

// Where white captions are drawn over each picture; the ground there must stay dark.
const LabelArea kLabelAreas[] = {
    {":/MAINBMP", "list rows", QRect(22, 68, 89, 261)},
    {":/MAINBMP", "item title and maker", QRect(197, 63, 308, 11)},
    {":/MAINBMP", "CD number", QRect(568, 24, 51, 13)},
    {":/MAINBMP", "date", QRect(260, 243, 193, 13)},
    {":/MAINBMP", "commands", QRect(256, 265, 90, 60)},
    {":/MAINBMP", "3Dfx, Netplay, language", QRect(412, 263, 54, 45)},
    {":/MAINBMP", "technical line", QRect(455, 338, 71, 9)},
    {":/MAINBMP", "description", QRect(223, 367, 238, 101)},
    {":/MAINBMP", "Explorer", QRect(116, 350, 64, 13)},
    {":/MAINBMP", "Settings", QRect(7, 454, 69, 13)},
    {":/MAINBMP", "Exit", QRect(596, 454, 28, 13)},
    {":/MAINBMP", "section captions", QRect(514, 85, 120, 175)},
    {":/COPY", "item and target", QRect(8, 5, 410, 42)},
    {":/COPY", "percentage", QRect(197, 142, 35, 14)},
    {":/KOLA", "full screen", QRect(27, 13, 72, 12)},
    {":/KOLA", "languages", QRect(27, 69, 48, 28)},
    {":/KOLA", "DirectX", QRect(9, 159, 157, 13)},
    {":/KOLA", "O.K", QRect(193, 156, 31, 17)},
};

TEST(Legibility, WhiteLabelsStandOnDarkGround) {
    for (const LabelArea& area : kLabelAreas) {
        const QImage image = Load(area.picture).convertToFormat(QImage::Format_RGB32);
        int bright = 0;
        double total = 0.0;
        for (int y = area.rect.top(); y <= area.rect.bottom(); ++y) {
            for (int x = area.rect.left(); x <= area.rect.right(); ++x) {
                const double luminance = Luminance(image.pixel(x, y));
                total += luminance;
                bright += luminance > 140.0 ? 1 : 0;
            }
        }
        const int pixels = area.rect.width() * area.rect.height();
        EXPECT_LT(total / pixels, 90.0) << area.picture << " " << area.what;
        EXPECT_LT(bright, pixels / 50) << area.picture << " " << area.what;
    }
}

TEST(Legibility, SettingsPictureIsDarkGreyAroundSixtyFour) {
    const QImage kola = Load(":/KOLA").convertToFormat(QImage::Format_RGB32);
    const Mean mean = MeanColour(kola, kola.rect());
    for (const double channel : {mean.red, mean.green, mean.blue}) {
        EXPECT_NEAR(channel, 64.0, 12.0);
    }
}

// ---------------------------------------------------------------------------------------------------------

struct SoundCase {
    const char* path;
    std::int64_t size_bytes;
};

constexpr SoundCase kSounds[] = {{":/BYE", 41492}, {":/NO", 9716}, {":/STUPID", 34644}};

std::uint32_t U32(const QByteArray& bytes, int at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

std::uint16_t U16(const QByteArray& bytes, int at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                      (static_cast<std::uint8_t>(bytes[at + 1]) << 8));
}

std::vector<int> Samples(const QByteArray& bytes) {
    std::vector<int> samples;
    for (int at = 44; at + 1 < bytes.size(); at += 2) {
        samples.push_back(static_cast<std::int16_t>(U16(bytes, at)));
    }
    return samples;
}

TEST(Sounds, FilesHaveExactlyTheirDocumentedSizes) {
    for (const SoundCase& sound : kSounds) {
        EXPECT_EQ(Bytes(sound.path).size(), sound.size_bytes) << sound.path;
    }
}

TEST(Sounds, HeadersDescribeMonoPcmAt22050HzWith16Bits) {
    for (const SoundCase& sound : kSounds) {
        const QByteArray bytes = Bytes(sound.path);
        ASSERT_GE(bytes.size(), 44) << sound.path;
        EXPECT_EQ(bytes.left(4), "RIFF") << sound.path;
        EXPECT_EQ(U32(bytes, 4), static_cast<std::uint32_t>(bytes.size() - 8)) << sound.path;
        EXPECT_EQ(bytes.mid(8, 8), "WAVEfmt ") << sound.path;
        EXPECT_EQ(U32(bytes, 16), 16u) << sound.path;
        EXPECT_EQ(U16(bytes, 20), 1u) << sound.path << " is not PCM";
        EXPECT_EQ(U16(bytes, 22), 1u) << sound.path << " is not mono";
        EXPECT_EQ(U32(bytes, 24), 22050u) << sound.path;
        EXPECT_EQ(U32(bytes, 28), 44100u) << sound.path;
        EXPECT_EQ(U16(bytes, 32), 2u) << sound.path;
        EXPECT_EQ(U16(bytes, 34), 16u) << sound.path;
        EXPECT_EQ(bytes.mid(36, 4), "data") << sound.path;
        EXPECT_EQ(U32(bytes, 40), static_cast<std::uint32_t>(bytes.size() - 44)) << sound.path;
    }
}

TEST(Sounds, AreClearlyAudibleWithoutClipping) {
    for (const SoundCase& sound : kSounds) {
        const std::vector<int> samples = Samples(Bytes(sound.path));
        ASSERT_FALSE(samples.empty()) << sound.path;
        double energy = 0.0;
        int peak = 0;
        for (const int sample : samples) {
            energy += static_cast<double>(sample) * sample;
            peak = std::max(peak, std::abs(sample));
        }
        const double rms = std::sqrt(energy / static_cast<double>(samples.size()));
        EXPECT_GT(rms, 0.05 * 32768) << sound.path;
        EXPECT_LT(peak, 0.95 * 32768) << sound.path;
    }
}

TEST(Sounds, StartAndEndInSilenceSoThatPlaybackDoesNotClick) {
    for (const SoundCase& sound : kSounds) {
        const std::vector<int> samples = Samples(Bytes(sound.path));
        ASSERT_GT(samples.size(), 40u) << sound.path;
        for (std::size_t i = 0; i < 8; ++i) {
            EXPECT_LT(std::abs(samples[i]), 300) << sound.path << " sample " << i;
            EXPECT_LT(std::abs(samples[samples.size() - 1 - i]), 300) << sound.path << " from the end " << i;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------

TEST(VectorPictures, EveryLanguageHasItsOwnSloganStrip) {
    std::vector<QImage> rendered;
    for (const char* path : {":/SLOGAN_E", ":/SLOGAN_C", ":/SLOGAN_T", ":/SLOGAN_R"}) {
        const QSvgRenderer renderer{QString::fromLatin1(path)};
        ASSERT_TRUE(renderer.isValid()) << path;
        EXPECT_EQ(renderer.defaultSize(), QSize(555, 17)) << path;
        rendered.push_back(RenderSvg(path, QSize(555, 17)));
        EXPECT_GT(OpaquePixels(rendered.back()), 400) << path;
    }
    for (std::size_t i = 1; i < rendered.size(); ++i) {
        EXPECT_NE(rendered[0], rendered[i]) << "slogan " << i << " repeats the English one";
    }
}

TEST(VectorPictures, MarksFitTheirComponents) {
    for (const PictureCase& mark :
         {PictureCase{":/marks/up", 16, 13}, PictureCase{":/marks/up2", 16, 13},
          PictureCase{":/marks/down", 16, 13}, PictureCase{":/marks/down2", 16, 13},
          PictureCase{":/marks/left", 8, 16}, PictureCase{":/marks/left2", 8, 16},
          PictureCase{":/marks/right", 8, 16}, PictureCase{":/marks/right2", 8, 16},
          PictureCase{":/marks/thumb", 19, 16}, PictureCase{":/marks/image3", 68, 14}}) {
        const QSvgRenderer renderer{QString::fromLatin1(mark.path)};
        ASSERT_TRUE(renderer.isValid()) << mark.path;
        EXPECT_EQ(renderer.defaultSize(), QSize(mark.width, mark.height)) << mark.path;
        EXPECT_GT(OpaquePixels(RenderSvg(mark.path, QSize(mark.width, mark.height))),
                  mark.width * mark.height / 5)
            << mark.path;
    }
}

TEST(VectorPictures, PlainArrowsAreWhiteAndTheirLitTwinsBlack) {
    struct Arrow {
        const char* plain;
        const char* lit;
        QSize size;
    };
    for (const Arrow& arrow :
         {Arrow{":/marks/up", ":/marks/up2", {16, 13}}, Arrow{":/marks/down", ":/marks/down2", {16, 13}},
          Arrow{":/marks/left", ":/marks/left2", {8, 16}},
          Arrow{":/marks/right", ":/marks/right2", {8, 16}}}) {
        // The centre of the triangle lies inside the filled area of every arrow.
        const QPoint centre(arrow.size.width() / 2, arrow.size.height() / 2);
        const QRgb plain = RenderSvg(arrow.plain, arrow.size).pixel(centre);
        const QRgb lit = RenderSvg(arrow.lit, arrow.size).pixel(centre);
        EXPECT_EQ(qAlpha(plain), 255) << arrow.plain;
        EXPECT_GT(Luminance(plain), 240.0) << arrow.plain;
        EXPECT_EQ(qAlpha(lit), 255) << arrow.lit;
        EXPECT_LT(Luminance(lit), 20.0) << arrow.lit;
    }
}

// ---------------------------------------------------------------------------------------------------------

struct CursorCase {
    int number;
    const char* name;
    int hot_x;
    int hot_y;
};

constexpr CursorCase kCursors[] = {{11, "CURL", 6, 13},
                                   {12, "CURLN", 6, 13},
                                   {13, "CURP", 20, 15},
                                   {14, "CURPN", 14, 10},
                                   {15, "CURN", 14, 10}};

TEST(Cursors, ViewerCursorsAreRegisteredWithTheirHotSpots) {
    for (const CursorCase& expected : kCursors) {
        const auto cursor = resources::ViewerCursor(expected.number);
        ASSERT_TRUE(cursor.has_value()) << expected.number;
        EXPECT_EQ(cursor->name, expected.name);
        EXPECT_EQ(cursor->hot_x, expected.hot_x) << expected.name;
        EXPECT_EQ(cursor->hot_y, expected.hot_y) << expected.name;
        EXPECT_EQ(cursor->path, std::string(":/cursors/") + expected.name);
    }
    EXPECT_FALSE(resources::ViewerCursor(10).has_value());
    EXPECT_FALSE(resources::ViewerCursor(16).has_value());
}

TEST(Cursors, AreThirtyTwoSquareInBlackAndWhiteOnly) {
    for (const CursorCase& expected : kCursors) {
        const QImage image = QImage(QStringLiteral(":/cursors/%1").arg(QLatin1String(expected.name)))
                                 .convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(32, 32)) << expected.name;
        int black = 0;
        int white = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 0) {
                    continue;
                }
                ASSERT_EQ(qAlpha(pixel), 255) << expected.name << " at " << x << "," << y;
                const bool is_black = (pixel & 0xFFFFFFu) == 0;
                const bool is_white = (pixel & 0xFFFFFFu) == 0xFFFFFFu;
                ASSERT_TRUE(is_black || is_white) << expected.name << " at " << x << "," << y;
                black += is_black ? 1 : 0;
                white += is_white ? 1 : 0;
            }
        }
        EXPECT_GT(black, 20) << expected.name;
        EXPECT_GT(white, 50) << expected.name;
    }
}

TEST(Cursors, ArrowTipsSitOnTheirHotSpots) {
    // Previous: nothing of the cursor lies left of its hot spot's column; next: nothing to the right.
    const QImage previous = QImage(QStringLiteral(":/cursors/CURL")).convertToFormat(QImage::Format_ARGB32);
    const QImage next = QImage(QStringLiteral(":/cursors/CURP")).convertToFormat(QImage::Format_ARGB32);
    EXPECT_GT(qAlpha(previous.pixel(6, 13)), 0);
    EXPECT_GT(qAlpha(next.pixel(20, 15)), 0);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(qAlpha(previous.pixel(x, y)), 0) << "CURL at " << x << "," << y;
        }
        for (int x = 21; x < 32; ++x) {
            EXPECT_EQ(qAlpha(next.pixel(x, y)), 0) << "CURP at " << x << "," << y;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------

TEST(SmallPictures, HaveTransparentGroundAndVisibleContent) {
    for (const char* path : {":/WORM", ":/TORNIK", ":/anim/folder", ":/anim/page"}) {
        const QImage image = Load(path).convertToFormat(QImage::Format_ARGB32);
        ASSERT_TRUE(image.hasAlphaChannel()) << path;
        EXPECT_EQ(qAlpha(image.pixel(0, image.height() - 1)), 0) << path;
        EXPECT_GT(OpaquePixels(image), image.width() * image.height() / 10) << path;
    }
}

TEST(SmallPictures, TheWormIsPaintedIntoTheBackgroundWhereItCatchesClicks) {
    // WormImage itself shows nothing; the background carries the worm at its bounds.
    const QImage worm = Load(":/WORM").convertToFormat(QImage::Format_ARGB32);
    const QImage background = Load(":/MAINBMP").convertToFormat(QImage::Format_RGB32);
    int checked = 0;
    for (int y = 0; y < worm.height(); ++y) {
        for (int x = 0; x < worm.width(); ++x) {
            const QRgb pixel = worm.pixel(x, y);
            if (qAlpha(pixel) != 255) {
                continue;
            }
            const QRgb screen = background.pixel(124 + x, 368 + y);
            EXPECT_NEAR(qGreen(screen), qGreen(pixel), 40) << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 300);
}

} // namespace
} // namespace tavox
