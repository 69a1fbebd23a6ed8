#include "small_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRadialGradient>

#include <array>
#include <cmath>
#include <utility>

namespace make_assets {
namespace {

QImage Transparent(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Finished pictures are stored straight (not premultiplied), as PNG keeps them.
QImage Straight(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QImage PaintWorm() {
    QImage image = Transparent(89, 105);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);

    // The hole in the ground line (screen y 424 is local y 56).
    QRadialGradient hole(QPointF(34, 57), 16);
    hole.setColorAt(0.0, QColor(0, 0, 0, 255));
    hole.setColorAt(0.7, QColor(2, 4, 8, 230));
    hole.setColorAt(1.0, QColor(2, 4, 8, 0));
    painter.setBrush(hole);
    painter.drawEllipse(QPointF(34, 57), 17, 5.5);

    // The body: overlapping rings along an S, thinning toward the hole.
    const QColor skin(122, 196, 72);
    const QColor shade(64, 128, 44);
    const QColor belly(186, 230, 120);
    constexpr int kSegments = 9;
    for (int i = 0; i < kSegments; ++i) {
        const double t = static_cast<double>(i) / (kSegments - 1);
        const double y = 55.0 - 34.0 * t;
        const double x = 34.0 + 5.0 * std::sin(t * 3.3);
        const double radius = 6.2 + 1.4 * t;
        QRadialGradient body(QPointF(x - 2, y - 2), radius * 1.6);
        body.setColorAt(0.0, belly);
        body.setColorAt(0.55, skin);
        body.setColorAt(1.0, shade);
        painter.setBrush(body);
        painter.drawEllipse(QPointF(x, y), radius, radius * 0.8);
    }
    // The head, a little big for the body, as comic worms have.
    const QPointF head(39, 17);
    QRadialGradient face(head - QPointF(3, 4), 15);
    face.setColorAt(0.0, belly);
    face.setColorAt(0.5, skin);
    face.setColorAt(1.0, shade);
    painter.setBrush(face);
    painter.drawEllipse(head, 11.5, 10.5);
    // Goggle eyes looking at the reader's pointer on the right.
    for (const double dx : {-4.5, 4.5}) {
        painter.setBrush(QColor(255, 255, 255));
        painter.setPen(QPen(QColor(30, 60, 20), 0.8));
        painter.drawEllipse(head + QPointF(dx, -3.5), 4.2, 5.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(10, 10, 14));
        painter.drawEllipse(head + QPointF(dx + 1.6, -2.8), 2.0, 2.3);
        painter.setBrush(QColor(255, 255, 255));
        painter.drawEllipse(head + QPointF(dx + 2.2, -3.6), 0.7, 0.7);
    }
    // A lopsided grin and a blush.
    QPainterPath grin;
    grin.moveTo(head + QPointF(-5, 4));
    grin.quadTo(head + QPointF(0, 9.5), head + QPointF(6, 3.5));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(40, 70, 24), 1.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(grin);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(240, 120, 120, 110));
    painter.drawEllipse(head + QPointF(-8, 3), 2.2, 1.5);
    painter.drawEllipse(head + QPointF(8.5, 2), 2.2, 1.5);
    // A tiny teal cap with a peak, the magazine's colours.
    QPainterPath cap;
    cap.moveTo(head + QPointF(-9, -6));
    cap.cubicTo(head + QPointF(-8, -15), head + QPointF(7, -16), head + QPointF(9, -6));
    cap.closeSubpath();
    painter.setBrush(QColor(30, 160, 150));
    painter.drawPath(cap);
    painter.setBrush(QColor(20, 110, 104));
    painter.drawRoundedRect(QRectF(head.x() + 2, head.y() - 7.5, 13, 3), 1.5, 1.5);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawEllipse(head + QPointF(0, -14.2), 1.8, 1.8);
    painter.end();
    return Straight(image);
}

QImage PaintTornik() {
    QImage image = Transparent(51, 62);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    // A boxed program, seen from the front right: face, side and top.
    const QPolygonF face({QPointF(4, 14), QPointF(36, 14), QPointF(36, 58), QPointF(4, 58)});
    const QPolygonF side({QPointF(36, 14), QPointF(47, 6), QPointF(47, 50), QPointF(36, 58)});
    const QPolygonF top({QPointF(4, 14), QPointF(15, 6), QPointF(47, 6), QPointF(36, 14)});
    QLinearGradient front(0, 14, 0, 58);
    front.setColorAt(0.0, QColor(40, 120, 190));
    front.setColorAt(1.0, QColor(16, 52, 100));
    painter.setBrush(front);
    painter.drawPolygon(face);
    painter.setBrush(QColor(12, 38, 74));
    painter.drawPolygon(side);
    painter.setBrush(QColor(90, 160, 220));
    painter.drawPolygon(top);
    // The teal band and a disc on the face.
    painter.setBrush(QColor(38, 182, 170));
    painter.drawRect(QRectF(4, 20, 32, 6));
    QRadialGradient disc(QPointF(20, 42), 10);
    disc.setColorAt(0.0, QColor(230, 240, 255));
    disc.setColorAt(0.6, QColor(160, 190, 230));
    disc.setColorAt(1.0, QColor(110, 140, 200));
    painter.setBrush(disc);
    painter.drawEllipse(QPointF(20, 42), 10, 10);
    painter.setBrush(QColor(16, 52, 100));
    painter.drawEllipse(QPointF(20, 42), 2.5, 2.5);
    painter.end();
    return Straight(image);
}

QImage PaintAnimFolder() {
    QImage image = Transparent(40, 32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(120, 90, 20), 1.0));
    // The back with its tab, then the front flap a shade lighter.
    QPainterPath back;
    back.moveTo(2.5, 6.5);
    back.lineTo(14.5, 6.5);
    back.lineTo(17.5, 9.5);
    back.lineTo(37.5, 9.5);
    back.lineTo(37.5, 29.5);
    back.lineTo(2.5, 29.5);
    back.closeSubpath();
    painter.setBrush(QColor(214, 168, 60));
    painter.drawPath(back);
    QLinearGradient flap(0, 13, 0, 30);
    flap.setColorAt(0.0, QColor(255, 222, 120));
    flap.setColorAt(1.0, QColor(230, 180, 70));
    painter.setBrush(flap);
    painter.drawRect(QRectF(2.5, 13.5, 35, 16));
    painter.end();
    return Straight(image);
}

QImage PaintAnimPage() {
    QImage image = Transparent(16, 20);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath sheet;
    sheet.moveTo(1.5, 1.5);
    sheet.lineTo(10.5, 1.5);
    sheet.lineTo(14.5, 5.5);
    sheet.lineTo(14.5, 18.5);
    sheet.lineTo(1.5, 18.5);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(90, 100, 120), 1.0));
    painter.setBrush(QColor(250, 252, 255));
    painter.drawPath(sheet);
    painter.setBrush(QColor(200, 210, 225));
    painter.drawPolygon(QPolygonF({QPointF(10.5, 1.5), QPointF(10.5, 5.5), QPointF(14.5, 5.5)}));
    painter.setPen(QPen(QColor(140, 160, 190), 1.0));
    for (int y = 8; y <= 16; y += 2) {
        painter.drawLine(QPointF(4, y + 0.5), QPointF(y == 16 ? 9 : 12, y + 0.5));
    }
    painter.end();
    return Straight(image);
}

QImage PaintCursor(std::string_view name) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPolygon shape;
    bool crossed = false;
    bool bar = false;
    if (name == "CURL" || name == "CURLN") {
        shape << QPoint(6, 13) << QPoint(25, 2) << QPoint(25, 24); // tip on the hot spot
        crossed = name == "CURLN";
    } else if (name == "CURP" || name == "CURPN") {
        shape << QPoint(20, 15) << QPoint(2, 4) << QPoint(2, 26);
        crossed = name == "CURPN";
    } else if (name == "CURN") {
        shape << QPoint(14, 3) << QPoint(25, 17) << QPoint(3, 17);
        bar = true;
    } else {
        return {};
    }
    // Two colours only, as a cursor of the time: no antialiasing anywhere.
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(shape);
    if (bar) {
        painter.drawRect(QRect(3, 21, 22, 4));
    }
    if (crossed) {
        // A bold X with a white halo, so that it reads over any picture.
        const QPoint centre = shape.boundingRect().center();
        const QPoint reach(7, 7);
        const QPoint mirrored(7, -7);
        for (const auto& [colour, width] : {std::pair{Qt::white, 5}, std::pair{Qt::black, 3}}) {
            painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::SquareCap));
            painter.drawLine(centre - reach, centre + reach);
            painter.drawLine(centre - mirrored, centre + mirrored);
        }
    }
    painter.end();
    return image;
}

} // namespace make_assets
