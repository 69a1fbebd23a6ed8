#include "presentation/frames.h"

#include <QWidget>

namespace tavox {

Rect LabelFrame(const QWidget* label) {
    const QRect g = label->geometry();
    return {g.left() - 1, g.top(), g.left() + g.width() + 1, g.top() + g.height()};
}

void SetPixel(QImage& image, int x, int y, QRgb colour) {
    if (image.valid(x, y)) {
        image.setPixel(x, y, colour);
    }
}

QRect DrawFramePixels(QImage& surface, const Rect& r, QRgb colour) {
    for (int x = r.left - 1; x <= r.right; ++x) {
        SetPixel(surface, x, r.top - 1, colour);
        SetPixel(surface, x, r.bottom, colour);
    }
    for (int y = r.top - 1; y <= r.bottom; ++y) {
        SetPixel(surface, r.left - 1, y, colour);
        SetPixel(surface, r.right, y, colour);
    }
    return QRect(QPoint(r.left - 1, r.top - 1), QPoint(r.right, r.bottom));
}

} // namespace tavox
