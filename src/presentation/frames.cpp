#include "presentation/frames.h"

#include <QWidget>

namespace tavox {

Rect LabelFrame(const QWidget* label) {
    const QRect g = label->geometry();
    return {g.left() - 1, g.top(), g.left() + g.width() + 1, g.top() + g.height()};
}

SurfacePixels::SurfacePixels(QImage& surface) {
    if (surface.format() != QImage::Format_RGB32) {
        surface.convertTo(QImage::Format_RGB32);
    }
    bits_ = reinterpret_cast<QRgb*>(surface.bits());
    words_per_line_ = static_cast<std::size_t>(surface.bytesPerLine()) / sizeof(QRgb);
    width_ = surface.width();
    height_ = surface.height();
}

QRect DrawFramePixels(QImage& surface, const Rect& r, QRgb colour) {
    SurfacePixels pixels(surface);
    for (int x = r.left - 1; x <= r.right; ++x) {
        pixels.Set(x, r.top - 1, colour);
        pixels.Set(x, r.bottom, colour);
    }
    for (int y = r.top - 1; y <= r.bottom; ++y) {
        pixels.Set(r.left - 1, y, colour);
        pixels.Set(r.right, y, colour);
    }
    return QRect(QPoint(r.left - 1, r.top - 1), QPoint(r.right, r.bottom));
}

QRect RestoreFramePixels(QImage& surface, const Rect& r, const QImage& picture,
                         std::optional<QRgb> off_picture) {
    SurfacePixels pixels(surface);
    const auto restore = [&](int x, int y) {
        if (picture.valid(x, y)) {
            pixels.Set(x, y, picture.pixel(x, y));
        } else if (off_picture) {
            pixels.Set(x, y, *off_picture);
        }
    };
    for (int y = r.top - 1; y <= r.bottom + 1; ++y) {
        restore(r.left - 1, y);
        restore(r.right, y);
    }
    for (int x = r.left - 1; x <= r.right + 1; ++x) {
        restore(x, r.top - 1);
        restore(x, r.bottom);
    }
    return QRect(QPoint(r.left - 1, r.top - 1), QPoint(r.right + 1, r.bottom + 1));
}

} // namespace tavox
