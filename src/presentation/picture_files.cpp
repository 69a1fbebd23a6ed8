#include "presentation/picture_files.h"

#include "media/jpeg_decoder.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace tavox {

QImage ToQImage(DecodedImage decoded) {
    const auto stride = static_cast<qsizetype>(decoded.Stride());
    if (decoded.format == JpegPixelFormat::Rgb) {
        const QImage view(decoded.pixels.data(), decoded.width, decoded.height, stride,
                          QImage::Format_RGB888);
        return view.convertToFormat(QImage::Format_RGB32);
    }
    // 32-bit pixels are already what the screen takes: the image adopts the buffer and frees it with its last
    // copy.
    using Pixels = std::vector<std::uint8_t>;
    auto owned = std::make_unique<Pixels>(std::move(decoded.pixels));
    QImage image(
        owned->data(), decoded.width, decoded.height, stride, QImage::Format_RGB32,
        [](void* pixels) { delete static_cast<Pixels*>(pixels); }, owned.get());
    if (!image.isNull()) {
        static_cast<void>(owned.release());
    }
    return image;
}

QString PictureErrorText(const JpegError& error, const std::string& windows_path) {
    if (error.kind == JpegError::Kind::CannotOpen) {
        return QStringLiteral("Cannot open file %1").arg(QString::fromStdString(windows_path));
    }
    return QStringLiteral("JPEG error #%1").arg(error.number);
}

} // namespace tavox
