#include "logotype.h"

#include <QPolygonF>
#include <QTransform>

#include <initializer_list>

namespace make_assets {
namespace {

// Glyphs are drawn on a grid 10 units high; each returns its outline and advance.
struct Glyph {
    QPainterPath outline;
    double advance = 0.0;
};

QPainterPath Polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath Rounded(double x, double y, double w, double h, double radius) {
    QPainterPath path;
    path.addRoundedRect(x, y, w, h, radius, radius);
    return path;
}

QPainterPath Box(double x, double y, double w, double h) {
    QPainterPath path;
    path.addRect(x, y, w, h);
    return path;
}

Glyph MakeGlyph(char letter) {
    switch (letter) {
    case 'T':
        return {Box(0, 0, 8.4, 2.5).united(Box(2.95, 0, 2.5, 10)), 8.4};
    case 'A':
        return {Polygon({{0, 10}, {3.3, 0}, {5.7, 0}, {9, 10}, {6.45, 10}, {5.85, 8}, {3.15, 8}, {2.55, 10}})
                    .subtracted(Polygon({{3.7, 5.9}, {4.5, 3.1}, {5.3, 5.9}})),
                9};
    case 'V':
        return {Polygon({{0, 0}, {2.5, 0}, {4.5, 6.9}, {6.5, 0}, {9, 0}, {5.8, 10}, {3.2, 10}}), 9};
    case 'O':
        return {Rounded(0, 0, 9.6, 10, 4.3).subtracted(Rounded(2.5, 2.5, 4.6, 5, 1.8)), 9.6};
    case 'X':
        return {Polygon({{0, 0},
                         {2.7, 0},
                         {4.5, 3.0},
                         {6.3, 0},
                         {9, 0},
                         {5.9, 5},
                         {9, 10},
                         {6.3, 10},
                         {4.5, 7.0},
                         {2.7, 10},
                         {0, 10},
                         {3.1, 5}}),
                9};
    case 'C':
        return {Rounded(0, 0, 9.2, 10, 4.3)
                    .subtracted(Rounded(2.5, 2.5, 4.4, 5, 1.8))
                    .subtracted(Box(5.6, 3.6, 4, 2.8)),
                8.6};
    case 'D':
        return {Box(0, 0, 5, 10)
                    .united(Rounded(0, 0, 9.4, 10, 4.5))
                    .subtracted(Box(2.5, 2.5, 2.6, 5).united(Rounded(2.5, 2.5, 4.4, 5, 1.8))),
                9.4};
    default:
        return {QPainterPath(), 3.6};
    }
}

} // namespace

QPainterPath LogoPath(std::string_view text, double cap_px, double slant) {
    constexpr double kLetterGap = 1.3;
    QPainterPath units;
    double x = 0.0;
    for (const char letter : text) {
        const Glyph glyph = MakeGlyph(letter);
        units.addPath(glyph.outline.translated(x, 0));
        x += glyph.advance + kLetterGap;
    }
    // Counters are separate subpaths inside their letters; letters never overlap, so even-odd keeps them
    // open.
    units.setFillRule(Qt::OddEvenFill);
    const double scale = cap_px / 10.0;
    // Forward slant about the baseline, shifted so that nothing reaches left of the origin.
    const QTransform transform(scale, 0, -slant * scale, scale, slant * cap_px, 0);
    return transform.map(units.simplified());
}

QString SvgPathData(const QPainterPath& path) {
    QString data;
    const auto number = [](double value) { return QString::number(value, 'f', 2); };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        if (element.isMoveTo()) {
            if (!data.isEmpty()) {
                data += QStringLiteral("Z");
            }
            data += QStringLiteral("M%1 %2").arg(number(element.x), number(element.y));
        } else if (element.isLineTo()) {
            data += QStringLiteral("L%1 %2").arg(number(element.x), number(element.y));
        } else if (element.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            data += QStringLiteral("C%1 %2 %3 %4 %5 %6")
                        .arg(number(element.x), number(element.y), number(c2.x), number(c2.y), number(end.x),
                             number(end.y));
            i += 2;
        }
    }
    if (!data.isEmpty()) {
        data += QStringLiteral("Z");
    }
    return data;
}

} // namespace make_assets
