#include "paint_kit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace make_assets {

QColor Mix(const QColor& a, const QColor& b, double t) {
    const auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return {channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()),
            channel(a.alpha(), b.alpha())};
}

void FillGradient(QPainter& painter, const QRect& rect, const QColor& top, const QColor& bottom) {
    // Row by row, so that the result is the same whatever the painter's gradient interpolation does.
    const int rows = std::max(1, rect.height() - 1);
    for (int y = 0; y < rect.height(); ++y) {
        painter.fillRect(QRect(rect.left(), rect.top() + y, rect.width(), 1),
                         Mix(top, bottom, static_cast<double>(y) / rows));
    }
}

void FillPanel(QPainter& painter, const QRect& rect, const QColor& top, const QColor& bottom) {
    FillGradient(painter, rect, top, bottom);
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), QColor(255, 255, 255, 22));
    painter.fillRect(QRect(rect.left(), rect.top() + 1, 1, rect.height() - 1), QColor(255, 255, 255, 14));
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), QColor(0, 0, 0, 70));
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), QColor(0, 0, 0, 50));
}

void FillWell(QPainter& painter, const QRect& rect) {
    painter.fillRect(rect, colours::kWell);
    for (int i = 0; i < 4; ++i) {
        painter.fillRect(QRect(rect.left(), rect.top() + i, rect.width(), 1), QColor(0, 0, 0, 90 - 20 * i));
    }
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), QColor(60, 110, 140, 40));
}

GlowMask::GlowMask(QSize size) : mask_(size, QImage::Format_Grayscale8) {
    mask_.fill(0);
}

void GlowMask::Raise(int x, int y, int alpha) {
    if (x < 0 || y < 0 || x >= mask_.width() || y >= mask_.height()) {
        return;
    }
    uchar& cell = mask_.scanLine(y)[x];
    cell = static_cast<uchar>(std::max<int>(cell, alpha));
}

void GlowMask::AddSegment(QPoint from, QPoint to, int centre, int reach) {
    // Frame lines are horizontal or vertical; the glow is a band of falling opacity on both sides.
    const QRect span = QRect(from, to).normalized();
    for (int y = span.top() - reach; y <= span.bottom() + reach; ++y) {
        for (int x = span.left() - reach; x <= span.right() + reach; ++x) {
            const int dx = std::max({span.left() - x, x - span.right(), 0});
            const int dy = std::max({span.top() - y, y - span.bottom(), 0});
            const double distance = std::hypot(dx, dy);
            if (distance > reach) {
                continue;
            }
            const double falloff = distance == 0.0 ? 1.0 : 0.42 * std::pow(0.42, distance - 1.0);
            Raise(x, y, static_cast<int>(std::lround(centre * falloff)));
        }
    }
}

void GlowMask::AddPolyline(std::span<const QPoint> points, int centre, int reach) {
    for (std::size_t i = 1; i < points.size(); ++i) {
        AddSegment(points[i - 1], points[i], centre, reach);
    }
}

void GlowMask::Apply(QImage& target, const QColor& colour) const {
    for (int y = 0; y < target.height() && y < mask_.height(); ++y) {
        const uchar* alpha = mask_.constScanLine(y);
        auto* row = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (int x = 0; x < target.width() && x < mask_.width(); ++x) {
            if (alpha[x] == 0) {
                continue;
            }
            const double t = alpha[x] / 255.0;
            const QColor blended = Mix(QColor::fromRgb(row[x]), colour, t);
            row[x] = qRgb(blended.red(), blended.green(), blended.blue());
        }
    }
}

} // namespace make_assets
