// make-assets: writes the menu's pictures, marks, cursors and sounds into a directory at build time. The
// same program always writes the same bytes, so the build is reproducible.

#include "dialog_pictures.h"
#include "main_screen.h"
#include "palette_image.h"
#include "small_pictures.h"
#include "sounds.h"
#include "svg_pictures.h"
#include "wave_file.h"

#include "resources/resource_names.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace make_assets {
namespace {

constexpr std::string_view kUsage =
    "Usage: make-assets OUT\n"
    "\n"
    "Writes the menu's bitmaps (PNG, and BMP with a palette for the 256-colour ones), the\n"
    "slogans and the Image3 mark (SVG), the cursors (PNG) and the sounds (WAVE) into OUT, and the\n"
    "application icon into OUT/icons in the layout of the desktop's icon theme (SVG and PNG).\n";

void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

class Writer {
public:
    explicit Writer(const QString& out) : out_(out) {}

    bool Ok() const { return ok_; }

    void Image(const QString& name, const QImage& image, const char* format) {
        const QString path = Prepare(name);
        if (!path.isEmpty() && !image.save(path, format)) {
            Fail(name);
        }
    }

    void Bytes(const QString& name, const QByteArray& bytes) {
        const QString path = Prepare(name);
        if (path.isEmpty()) {
            return;
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
            Fail(name);
        }
    }

private:
    QString Prepare(const QString& name) {
        const QString path = out_ + QLatin1Char('/') + name;
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            Fail(name);
            return {};
        }
        return path;
    }

    void Fail(const QString& name) {
        Print(stderr, "make-assets: cannot write ");
        Print(stderr, name.toStdString());
        Print(stderr, "\n");
        ok_ = false;
    }

    QString out_;
    bool ok_ = true;
};

QByteArray Sound(const std::vector<double>& samples) {
    const std::string bytes = WaveFile(samples);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::size_t Samples(std::int64_t file_bytes) {
    return SamplesForFileSize(static_cast<std::size_t>(file_bytes));
}

namespace res = tavox::resources;

int Run(const std::vector<std::string_view>& arguments) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        Print(stdout, kUsage);
        return 0;
    }
    if (arguments.size() != 1 || arguments[0].empty() || arguments[0].starts_with("-")) {
        Print(stderr, kUsage);
        return 2;
    }
    Writer writer(QString::fromStdString(std::string(arguments[0])));

    const QImage main_screen = PaintMainScreen();
    const QImage lit_column = PaintLitColumn();
    const QImage copy = PaintCopyBackground();
    writer.Image(QStringLiteral("MAINBMP.png"), main_screen.convertToFormat(QImage::Format_RGB888), "PNG");
    writer.Image(QStringLiteral("I.png"), lit_column.convertToFormat(QImage::Format_RGB888), "PNG");
    writer.Image(QStringLiteral("COPY.png"), copy.convertToFormat(QImage::Format_RGB888), "PNG");

    // One palette for all 256-colour pictures, as one system palette would have served them together. The
    // colours the menu draws its frames in are kept exact.
    const std::array<QImage, 3> low_colour{main_screen, lit_column, copy};
    const std::array<QRgb, 3> frame_colours{qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(192, 192, 192)};
    const QList<QRgb> palette = SharedPalette(low_colour, frame_colours, 256);
    writer.Image(QStringLiteral("MAINBMP256.bmp"), ToIndexed(main_screen, palette), "BMP");
    writer.Image(QStringLiteral("I256.bmp"), ToIndexed(lit_column, palette), "BMP");
    writer.Image(QStringLiteral("COPY256.bmp"), ToIndexed(copy, palette), "BMP");
    writer.Image(QStringLiteral("KOLA.bmp"), PaintKola(), "BMP");

    writer.Image(QStringLiteral("WORM.png"), PaintWorm(), "PNG");
    writer.Image(QStringLiteral("TORNIK.png"), PaintTornik(), "PNG");
    writer.Image(QStringLiteral("anim/folder.png"), PaintAnimFolder(), "PNG");
    writer.Image(QStringLiteral("anim/page.png"), PaintAnimPage(), "PNG");
    for (const res::CursorResource& cursor : res::kViewerCursors) {
        writer.Image(
            QStringLiteral("cursors/%1.png")
                .arg(QString::fromUtf8(cursor.name.data(), static_cast<qsizetype>(cursor.name.size()))),
            PaintCursor(cursor.name), "PNG");
    }

    writer.Bytes(QStringLiteral("SLOGAN_E.svg"), SloganSvg(SloganLanguage::English).toUtf8());
    writer.Bytes(QStringLiteral("SLOGAN_C.svg"), SloganSvg(SloganLanguage::Czech).toUtf8());
    writer.Bytes(QStringLiteral("SLOGAN_T.svg"), SloganSvg(SloganLanguage::Turkish).toUtf8());
    writer.Bytes(QStringLiteral("SLOGAN_R.svg"), SloganSvg(SloganLanguage::Romanian).toUtf8());
    writer.Bytes(QStringLiteral("marks/image3.svg"), Image3Svg().toUtf8());
    const QString icon = AppIconSvg();
    writer.Bytes(QStringLiteral("icons/hicolor/scalable/apps/tavox95.svg"), icon.toUtf8());
    for (const int size : kAppIconSizes) {
        writer.Image(QStringLiteral("icons/hicolor/%1x%1/apps/tavox95.png").arg(size),
                     RenderSquare(icon, size), "PNG");
    }

    writer.Bytes(QStringLiteral("BYE.wav"), Sound(FarewellChime(Samples(res::kSoundByeBytes))));
    writer.Bytes(QStringLiteral("NO.wav"), Sound(RefusalBuzz(Samples(res::kSoundNoBytes))));
    writer.Bytes(QStringLiteral("STUPID.wav"), Sound(ComicWarble(Samples(res::kSoundStupidBytes))));
    return writer.Ok() ? 0 : 1;
}

} // namespace
} // namespace make_assets

int main(int argc, char** argv) {
    return make_assets::Run(std::vector<std::string_view>(argv + 1, argv + argc));
}
