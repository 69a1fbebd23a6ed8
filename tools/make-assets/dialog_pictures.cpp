#include "dialog_pictures.h"

#include "logotype.h"
#include "paint_kit.h"
#include "palette_image.h"

#include <QLinearGradient>
#include <QPainterPath>

#include <array>

namespace make_assets {
namespace {

void FrameGlow(QImage& image, const QRect& rect, int centre, int reach) {
    GlowMask glow(image.size());
    const std::array<QPoint, 5> corners{rect.topLeft(), rect.topRight(), rect.bottomRight(),
                                        rect.bottomLeft(), rect.topLeft()};
    glow.AddPolyline(corners, centre, reach);
    glow.Apply(image, colours::kTeal);
}

} // namespace

QImage PaintCopyBackground() {
    QImage image(426, 166, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        FillGradient(painter, image.rect(), colours::kChassisTop, colours::kChassisBottom);
        // The header with the item, "in" and the target directory.
        FillPanel(painter, QRect(4, 3, 418, 47), QColor(24, 40, 64), QColor(11, 21, 37));
        painter.fillRect(QRect(4, 3, 2, 47), colours::kTeal);
        // The source and target discs, faint, on either side of the animation.
        for (const int x : {40, 386}) {
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(QPen(QColor(38, 182, 170, 60), 1.5));
            painter.setBrush(QColor(38, 182, 170, 18));
            painter.drawEllipse(QPointF(x, 95), 22, 22);
            painter.drawEllipse(QPointF(x, 95), 6, 6);
            painter.setRenderHint(QPainter::Antialiasing, false);
        }
        // The animation's well, a little larger than the animation itself.
        painter.fillRect(QRect(75, 62, 278, 66), QColor(16, 60, 70));
        FillWell(painter, QRect(76, 63, 276, 64));
        painter.fillRect(QRect(78, 65, 272, 60), Qt::black);
        // A progress rail through the percentage plate.
        QLinearGradient rail(14, 0, 412, 0);
        rail.setColorAt(0.0, QColor(38, 182, 170, 0));
        rail.setColorAt(0.5, QColor(38, 182, 170, 170));
        rail.setColorAt(1.0, QColor(38, 182, 170, 0));
        painter.fillRect(QRect(14, 148, 398, 2), rail);
        FillPanel(painter, QRect(189, 139, 51, 20), QColor(16, 60, 70), QColor(8, 32, 40));
        // The magazine's name, small, in the lower left corner.
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QPainterPath logo = LogoPath("TAVOX CD", 7);
        painter.fillPath(logo.translated(13, 154), QColor(0, 0, 0, 140));
        painter.fillPath(logo.translated(12, 153), QColor(110, 200, 195, 200));
    }
    FrameGlow(image, QRect(0, 0, 426, 166).adjusted(1, 1, -2, -2), 200, 2);
    FrameGlow(image, QRect(75, 62, 278, 66), 120, 2);
    return image;
}

QImage PaintKola() {
    QImage image(232, 181, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        FillGradient(painter, image.rect(), QColor(72, 74, 72), QColor(58, 60, 60));
        // Wheels, faintly: arcs of circles whose centres lie beyond the lower right corner.
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setClipRect(QRect(0, 92, 232, 89));
        for (int i = 0; i < 6; ++i) {
            const double radius = 52.0 + 22.0 * i;
            painter.setPen(QPen(QColor(150, 154, 150, 70 - 8 * i), 1.2));
            painter.drawEllipse(QPointF(196, 214), radius, radius);
            painter.setPen(QPen(QColor(150, 154, 150, 34 - 4 * i), 1.0));
            painter.drawEllipse(QPointF(-30, 250), radius + 40, radius + 40);
        }
        painter.setClipping(false);
        painter.setRenderHint(QPainter::Antialiasing, false);
        // Teal rules under the full-screen row and above the DirectX row.
        for (const int y : {48, 150}) {
            QLinearGradient rule(6, 0, 224, 0);
            rule.setColorAt(0.0, QColor(38, 182, 170, 200));
            rule.setColorAt(1.0, QColor(38, 182, 170, 0));
            painter.fillRect(QRect(6, y, 218, 1), rule);
        }
        // The O.K plate.
        painter.fillRect(QRect(189, 154, 39, 21), QColor(46, 48, 47));
        painter.fillRect(QRect(189, 154, 39, 1), QColor(110, 114, 112));
        painter.fillRect(QRect(189, 154, 2, 21), QColor(38, 182, 170));
    }
    // Exactly 35 colours: a neutral ramp for the grey and a short teal ramp for the rules.
    QList<QRgb> palette;
    for (int i = 0; i < 28; ++i) {
        const QColor grey = Mix(QColor(36, 38, 37), QColor(150, 154, 152), i / 27.0);
        palette.push_back(grey.rgb());
    }
    for (int i = 0; i < 7; ++i) {
        palette.push_back(Mix(QColor(45, 78, 76), colours::kTeal, i / 6.0).rgb());
    }
    return ToIndexed(image, palette);
}

} // namespace make_assets
