#pragma once

// The look shared by every picture: the colours, the panels and the teal glow along frame lines.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <span>
#include <vector>

namespace make_assets {

namespace colours {
inline const QColor kChassisTop{12, 17, 27};
inline const QColor kChassisBottom{6, 9, 15};
inline const QColor kPanelTop{22, 36, 58};
inline const QColor kPanelBottom{11, 21, 37};
inline const QColor kWell{3, 6, 11};
inline const QColor kTeal{38, 182, 170};
inline const QColor kTealDeep{10, 74, 78};
inline const QColor kLitTop{156, 190, 242};
inline const QColor kLitBottom{110, 143, 228};
} // namespace colours

QColor Mix(const QColor& a, const QColor& b, double t);

// A vertical gradient filling `rect` exactly.
void FillGradient(QPainter& painter, const QRect& rect, const QColor& top, const QColor& bottom);

// A raised panel: gradient face, a faint light rim along its top and left, a dark rim along bottom and right.
void FillPanel(QPainter& painter, const QRect& rect, const QColor& top = colours::kPanelTop,
               const QColor& bottom = colours::kPanelBottom);

// A sunken well: near black with a soft shadow inside its top edge.
void FillWell(QPainter& painter, const QRect& rect);

// A soft glow around polylines, built as a mask first so that crossings do not brighten twice. `centre` is
// the opacity on the line itself, falling off over `reach` pixels to each side.
class GlowMask {
public:
    explicit GlowMask(QSize size);
    void AddPolyline(std::span<const QPoint> points, int centre = 255, int reach = 3);
    void AddSegment(QPoint from, QPoint to, int centre = 255, int reach = 3);
    // Blends `colour` over `target` through the mask.
    void Apply(QImage& target, const QColor& colour) const;

private:
    void Raise(int x, int y, int alpha);
    QImage mask_;
};

} // namespace make_assets
