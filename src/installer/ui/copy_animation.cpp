#include "installer/ui/copy_animation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tavox {

namespace {

constexpr QColor kFolderBack(196, 150, 52);
constexpr QColor kFolderFront(238, 196, 88);
constexpr QColor kFolderEdge(120, 86, 24);
constexpr QColor kPaper(248, 248, 240);
constexpr QColor kPaperLines(150, 160, 190);

// A folder standing open, its front flap lower than its back.
void DrawFolder(QPainter& painter, QPointF bottom_left, qreal width, qreal height) {
    const QRectF back(bottom_left.x(), bottom_left.y() - height, width, height);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(back.left(), back.top() - 5, width * 0.4, 8), 2, 2);
    painter.setPen(QPen(kFolderEdge, 1));
    painter.setBrush(kFolderBack);
    painter.drawPath(tab);
    painter.drawRoundedRect(back, 2, 2);
    QPolygonF front;
    front << QPointF(back.left(), back.bottom()) << QPointF(back.left() + 4, back.top() + height * 0.35)
          << QPointF(back.right() + 4, back.top() + height * 0.35) << QPointF(back.right(), back.bottom());
    painter.setBrush(kFolderFront);
    painter.drawPolygon(front);
}

// A sheet of paper with a few text lines, turned by `angle` degrees around its centre.
void DrawSheet(QPainter& painter, QPointF centre, qreal angle) {
    painter.save();
    painter.translate(centre);
    painter.rotate(angle);
    const QRectF sheet(-8, -10, 16, 20);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(kPaper);
    painter.drawRect(sheet);
    painter.setPen(QPen(kPaperLines, 1));
    for (int line = 0; line < 4; ++line) {
        const qreal y = sheet.top() + 5 + line * 4;
        painter.drawLine(QPointF(sheet.left() + 3, y), QPointF(sheet.right() - (line == 3 ? 7 : 3), y));
    }
    painter.restore();
}

} // namespace

CopyAnimation::CopyAnimation(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_.setInterval(kFrameIntervalMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { NextFrame(); });
}

void CopyAnimation::Start() {
    timer_.start();
}

void CopyAnimation::Stop() {
    timer_.stop();
}

void CopyAnimation::NextFrame() {
    frame_ = frame_ >= kStopFrame ? 0 : frame_ + 1;
    update();
}

void CopyAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal folder_width = 44;
    const qreal folder_height = 30;
    const qreal ground = height() - 6;
    const QPointF from(22, ground);
    const QPointF to(width() - 22 - folder_width, ground);
    DrawFolder(painter, from, folder_width, folder_height);
    DrawFolder(painter, to, folder_width, folder_height);

    // Two sheets in flight, half a loop apart, along an arc from one folder's mouth to the other's.
    const QPointF start(from.x() + folder_width / 2, ground - folder_height * 0.7);
    const QPointF end(to.x() + folder_width / 2, ground - folder_height * 0.7);
    for (const int offset : {0, (kStopFrame + 1) / 2}) {
        const qreal t = static_cast<qreal>((frame_ + offset) % (kStopFrame + 1)) / kStopFrame;
        const QPointF along = start + (end - start) * t;
        const qreal lift = std::sin(t * M_PI) * (height() - 22);
        DrawSheet(painter, QPointF(along.x(), along.y() - lift), -25 + 50 * t);
    }
}

} // namespace tavox
