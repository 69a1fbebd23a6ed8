#include "main_screen.h"

#include "frame_lines.h"
#include "logotype.h"
#include "paint_kit.h"
#include "small_pictures.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <cmath>

namespace make_assets {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Rows of the item list (label tops); each row is 13 pixels high.
constexpr std::array<int, 15> kListRowTops{68,  86,  103, 121, 139, 157, 174, 192,
                                           210, 227, 245, 263, 281, 298, 316};

// A rectangle between frame lines at x0/x1 and y0/y1, the line pixels included.
QRect Between(int x0, int y0, int x1, int y1) {
    return QRect(QPoint(x0, y0), QPoint(x1, y1));
}

void PaintChassis(QPainter& painter) {
    FillGradient(painter, QRect(0, 0, kWidth, kHeight), colours::kChassisTop, colours::kChassisBottom);
    // A broad, faint sheen from the upper left keeps the large dark areas from looking flat.
    QRadialGradient sheen(QPointF(150, 120), 520);
    sheen.setColorAt(0.0, QColor(40, 70, 110, 38));
    sheen.setColorAt(1.0, QColor(40, 70, 110, 0));
    painter.fillRect(QRect(0, 0, kWidth, kHeight), sheen);
}

void PaintHeader(QPainter& painter) {
    const QColor top(27, 45, 72);
    const QColor bottom(11, 20, 35);
    FillGradient(painter, Between(0, 0, kWidth - 1, 31), top, bottom);
    FillGradient(painter, Between(0, 31, 96, 57), Mix(top, bottom, 0.9), QColor(8, 14, 25));
    // A bright hairline along the very top, as on a printed masthead.
    painter.fillRect(QRect(0, 0, kWidth, 1), QColor(70, 200, 190, 120));
    painter.fillRect(QRect(0, 1, kWidth, 1), QColor(70, 200, 190, 35));
    // Thin speed bars under the slogan, fading to the right.
    for (int i = 0; i < 3; ++i) {
        QLinearGradient fade(0, 0, 560, 0);
        fade.setColorAt(0.0, QColor(38, 182, 170, 90 - 25 * i));
        fade.setColorAt(1.0, QColor(38, 182, 170, 0));
        painter.fillRect(QRect(4, 27 + i * 2 - 1, 556 - i * 120, 1), fade);
    }
    // Bars rushing toward the issue badge, clear of the longest slogan.
    for (int i = 0; i < 3; ++i) {
        const int length = 70 - 18 * i;
        QLinearGradient rush(558 - length, 0, 558, 0);
        rush.setColorAt(0.0, QColor(38, 182, 170, 0));
        rush.setColorAt(1.0, QColor(38, 182, 170, 150));
        painter.fillRect(QRect(558 - length, 11 + 4 * i, length, 2), rush);
    }
}

// The issue badge: the CD number sits centred in it, white on deep teal.
void PaintIssueBadge(QPainter& painter) {
    const QRect badge = Between(564, 19, 622, 42);
    FillGradient(painter, badge, QColor(18, 104, 108), QColor(7, 52, 58));
    painter.fillRect(QRect(badge.left(), badge.top(), badge.width(), 1), QColor(160, 240, 230, 70));
    // The tag's cord up to the top edge, with a small eyelet where it meets the badge.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(12, 60, 66));
    painter.drawEllipse(QPointF(593.5, 19.5), 3.5, 3.5);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // A dark shadow to the right and below lifts the badge off the header.
    painter.fillRect(QRect(623, 21, 2, 23), QColor(0, 0, 0, 90));
    painter.fillRect(QRect(566, 43, 59, 2), QColor(0, 0, 0, 90));
}

void PaintDisc(QPainter& painter, QPointF centre, double radius, int alpha) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    QConicalGradient shine(centre, 35);
    const QColor cool(90, 140, 190, alpha);
    const QColor teal(60, 190, 180, alpha);
    const QColor violet(120, 100, 190, alpha);
    const QColor dark(25, 40, 65, alpha);
    shine.setColorAt(0.00, cool);
    shine.setColorAt(0.12, teal);
    shine.setColorAt(0.25, dark);
    shine.setColorAt(0.40, violet);
    shine.setColorAt(0.50, cool);
    shine.setColorAt(0.62, teal);
    shine.setColorAt(0.75, dark);
    shine.setColorAt(0.90, violet);
    shine.setColorAt(1.00, cool);
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    QPainterPath hole;
    hole.addEllipse(centre, radius * 0.16, radius * 0.16);
    painter.fillPath(disc.subtracted(hole), shine);
    // The clear hub ring and the rim.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(200, 230, 255, alpha / 3), 1.0));
    painter.drawEllipse(centre, radius - 0.5, radius - 0.5);
    painter.setPen(QPen(QColor(8, 14, 24, alpha), radius * 0.12));
    painter.drawEllipse(centre, radius * 0.3, radius * 0.3);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void PaintCornerEmblem(QPainter& painter) {
    PaintDisc(painter, QPointF(22, 44), 10.5, 255);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPainterPath word = LogoPath("CD", 10);
    painter.fillPath(word.translated(38, 39), QColor(0, 0, 0, 120));
    painter.fillPath(word.translated(37, 38), QColor(120, 215, 205));
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Three stepped bars leading into the list's top edge.
    for (int i = 0; i < 3; ++i) {
        painter.fillRect(QRect(64 + i * 9, 41, 6, 6), QColor(38, 182, 170, 200 - 60 * i));
    }
}

void PaintList(QPainter& painter) {
    FillPanel(painter, Between(16, 57, 172, 340), QColor(20, 34, 56), QColor(9, 18, 32));
    // Every other row carries a faint band, so the eye follows a row across.
    for (std::size_t i = 0; i < kListRowTops.size(); i += 2) {
        painter.fillRect(QRect(19, kListRowTops[i] - 2, 151, 17), QColor(120, 170, 230, 9));
    }
    // The scroll track: a groove between its two caps.
    FillPanel(painter, Between(172, 57, 188, 71), QColor(30, 50, 78), QColor(16, 30, 50));
    FillPanel(painter, Between(172, 324, 188, 340), QColor(30, 50, 78), QColor(16, 30, 50));
    FillWell(painter, Between(173, 72, 187, 323));
    painter.fillRect(QRect(179, 74, 3, 248), QColor(38, 182, 170, 28));
}

void PaintNameBar(QPainter& painter) {
    FillPanel(painter, Between(188, 59, 371, 77), QColor(24, 40, 64), QColor(13, 24, 41));
    FillPanel(painter, Between(371, 59, 586, 77), QColor(16, 52, 64), QColor(8, 29, 39));
    // The strip between the maker's box and the page bar.
    FillGradient(painter, Between(470, 77, 586, 80), QColor(8, 29, 39), QColor(7, 20, 30));
}

void PaintDetailBox(QPainter& painter) {
    FillPanel(painter, Between(238, 77, 470, 259));
    // The picture's well; its one-pixel rim is where the focus frame is drawn.
    painter.fillRect(Between(254, 83, 455, 234), QColor(16, 60, 70));
    FillWell(painter, Between(255, 84, 454, 233));
    // A faint disc marks the empty picture area.
    PaintDisc(painter, QPointF(354.5, 158.5), 34, 26);
    // Recesses for the previous/next arrows.
    for (const QRect& recess : {QRect(241, 151, 12, 24), QRect(458, 150, 12, 24)}) {
        painter.fillRect(recess, QColor(5, 10, 18, 150));
    }
    // The date runs on a darker band under the picture.
    FillGradient(painter, Between(255, 240, 454, 257), QColor(7, 14, 25), QColor(12, 22, 38));
}

void PaintCommandPanel(QPainter& painter) {
    FillPanel(painter, Between(244, 259, 470, 342), QColor(19, 32, 52), QColor(10, 19, 33));
    FillGradient(painter, Between(470, 309, 506, 342), QColor(14, 25, 42), QColor(10, 19, 33));
    // The badge side (3Dfx, Netplay, language) sits on a slightly cooler face.
    FillGradient(painter, Between(400, 260, 469, 308), QColor(16, 40, 56), QColor(10, 26, 40));
}

// A dark well for the technical line, which the menu frames in white; it reaches over the side panel.
void PaintTechnicalWell(QPainter& painter) {
    FillGradient(painter, Between(454, 336, 531, 348), QColor(4, 9, 16), QColor(8, 15, 26));
}

void PaintDescription(QPainter& painter) {
    FillPanel(painter, Between(218, 365, 463, 470), QColor(15, 27, 45), QColor(8, 15, 27));
}

// The section buttons, unlit: dark faces with a teal tab behind the digit.
void PaintPageBar(QPainter& painter) {
    FillGradient(painter, Between(506, 80, 639, 264), QColor(7, 14, 24), QColor(7, 14, 24));
    for (const SectionButton& button : kSectionButtons) {
        const QRect face = ButtonRect(button);
        FillGradient(painter, face, QColor(22, 42, 66), QColor(10, 22, 38));
        painter.fillRect(QRect(face.left(), face.top(), face.width(), 1), QColor(255, 255, 255, 18));
        // The digit's tab: a teal block fading into the face.
        QLinearGradient tab(face.left(), 0, face.left() + 26, 0);
        tab.setColorAt(0.0, QColor(24, 120, 120, 200));
        tab.setColorAt(1.0, QColor(24, 120, 120, 0));
        painter.fillRect(QRect(face.left(), face.top() + 1, 26, face.height() - 1), tab);
        painter.fillRect(QRect(face.left(), face.top(), 2, face.height()), QColor(38, 182, 170, 220));
    }
}

void PaintSidePanels(QPainter& painter) {
    // Under the page bar: the issue's disc, half hidden behind the right spine.
    FillPanel(painter, Between(506, 264, 581, 427), QColor(14, 26, 44), QColor(8, 15, 27));
    painter.save();
    painter.setClipRect(Between(507, 265, 580, 426));
    PaintDisc(painter, QPointF(572, 346), 58, 120);
    painter.restore();
    // The right spine, with the Exit plate at its foot.
    FillGradient(painter, Between(581, 264, 639, 479), QColor(16, 28, 46), QColor(8, 14, 24));
    for (int y = 280; y < 430; y += 6) {
        painter.fillRect(QRect(590, y, 40, 1), QColor(90, 150, 200, 16));
    }
    FillPanel(painter, QRect(588, 447, 44, 27), QColor(30, 52, 80), QColor(14, 27, 45));
    painter.fillRect(QRect(588, 447, 2, 27), QColor(38, 182, 170, 200));
    // The gap between the description box and the spine.
    FillGradient(painter, Between(463, 427, 581, 479), QColor(11, 20, 34), QColor(7, 12, 20));
}

void PaintBottomLeft(QPainter& painter) {
    // The strip under the list that carries the Explorer command.
    FillGradient(painter, Between(16, 341, 188, 423), QColor(9, 17, 29), QColor(7, 13, 22));
    // The worm's ground: the line it pokes out of, and the soil below.
    FillGradient(painter, Between(39, 424, 218, 479), QColor(14, 22, 30), QColor(7, 11, 17));
    // The Settings plate.
    FillPanel(painter, Between(0, 440, 82, 479), QColor(30, 52, 80), QColor(13, 25, 43));
    painter.fillRect(QRect(0, 441, 2, 39), QColor(38, 182, 170, 200));
}

void PaintWormInPlace(QPainter& painter) {
    painter.drawImage(QPoint(124, 368), PaintWorm());
}

} // namespace

QImage PaintMainScreen() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PaintChassis(painter);
        PaintHeader(painter);
        PaintCornerEmblem(painter);
        PaintList(painter);
        PaintNameBar(painter);
        PaintDetailBox(painter);
        PaintCommandPanel(painter);
        PaintDescription(painter);
        PaintSidePanels(painter);
        PaintPageBar(painter);
        PaintTechnicalWell(painter);
        PaintBottomLeft(painter);
        PaintIssueBadge(painter);
        PaintWormInPlace(painter);
    }
    GlowMask glow(image.size());
    for (const auto& line : FrameLines()) {
        glow.AddPolyline(line, 230, 3);
    }
    glow.Apply(image, colours::kTeal);
    return image;
}

QImage PaintLitColumn() {
    QImage image(kButtonWidth, 183, QImage::Format_RGB32);
    image.fill(QColor(7, 14, 24));
    QPainter painter(&image);
    for (const SectionButton& button : kSectionButtons) {
        const QRect face(0, button.top - 81, kButtonWidth, button.height);
        FillGradient(painter, face, colours::kLitTop, colours::kLitBottom);
        // A gloss over the upper half and crisp edges, as a pressed key catching the light.
        painter.fillRect(QRect(0, face.top(), face.width(), face.height() / 2), QColor(255, 255, 255, 22));
        painter.fillRect(QRect(0, face.top(), face.width(), 1), QColor(214, 230, 255));
        painter.fillRect(QRect(0, face.bottom(), face.width(), 1), QColor(84, 112, 206));
        painter.fillRect(QRect(0, face.top(), 2, face.height()), QColor(38, 182, 170));
    }
    return image;
}

} // namespace make_assets
