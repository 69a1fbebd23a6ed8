#include "svg_pictures.h"

#include "logotype.h"

#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace make_assets {
namespace {

QString SloganText(SloganLanguage language) {
    switch (language) {
    case SloganLanguage::English:
        return QStringLiteral("demos, shareware and updates \u2013 every month on CD");
    case SloganLanguage::Czech:
        return QStringLiteral("dema, shareware a updaty \u2013 ka\u017ed\u00fd m\u011bs\u00edc na CD");
    case SloganLanguage::Turkish:
        return QStringLiteral("demolar, shareware ve updates \u2013 her ay CD\u2019de");
    case SloganLanguage::Romanian:
        return QStringLiteral(
            "demo-uri, shareware \u0219i update-uri \u2013 \u00een fiecare lun\u0103 pe CD");
    }
    return {};
}

QString LogoGradient(const QString& id) {
    return QStringLiteral("<linearGradient id=\"%1\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
                          "<stop offset=\"0\" stop-color=\"#ffffff\"/>"
                          "<stop offset=\"1\" stop-color=\"#8fe0d6\"/></linearGradient>")
        .arg(id);
}

} // namespace

QString SloganSvg(SloganLanguage language) {
    constexpr double kCap = 11.0;
    constexpr double kLeft = 6.0;
    constexpr double kTop = 3.0;
    const QPainterPath logo = LogoPath("TAVOX CD", kCap).translated(kLeft, kTop);
    const QString logo_data = SvgPathData(logo);
    const double after_logo = logo.boundingRect().right();
    const double diamond_x = after_logo + 9.0;
    const double text_x = diamond_x + 9.0;
    QString svg;
    svg += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" "
                          "width=\"555\" height=\"17\" viewBox=\"0 0 555 17\">\n");
    svg += QStringLiteral("<defs>%1</defs>\n").arg(LogoGradient(QStringLiteral("face")));
    svg += QStringLiteral("<path transform=\"translate(1,1)\" fill-rule=\"evenodd\" fill=\"#000000\" "
                          "fill-opacity=\"0.6\" d=\"%1\"/>\n")
               .arg(logo_data);
    svg += QStringLiteral("<path fill-rule=\"evenodd\" fill=\"url(#face)\" d=\"%1\"/>\n").arg(logo_data);
    svg += QStringLiteral("<path fill=\"#26b6aa\" d=\"M%1 8.5L%2 5L%3 8.5L%2 12Z\"/>\n")
               .arg(diamond_x - 3.5, 0, 'f', 2)
               .arg(diamond_x, 0, 'f', 2)
               .arg(diamond_x + 3.5, 0, 'f', 2);
    svg +=
        QStringLiteral("<text x=\"%1\" y=\"13\" font-family=\"Arial\" font-size=\"11\" font-style=\"italic\" "
                       "fill=\"#d8e6f4\">%2</text>\n")
            .arg(text_x, 0, 'f', 2)
            .arg(SloganText(language).toHtmlEscaped());
    svg += QStringLiteral("</svg>\n");
    return svg;
}

QString Image3Svg() {
    const QPainterPath logo = LogoPath("TAVOX", 8.0).translated(5.0, 3.0);
    QString svg;
    svg += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" "
                          "width=\"68\" height=\"14\" viewBox=\"0 0 68 14\">\n");
    svg += QStringLiteral("<defs>%1</defs>\n").arg(LogoGradient(QStringLiteral("face")));
    svg += QStringLiteral("<rect x=\"0.5\" y=\"0.5\" width=\"67\" height=\"13\" rx=\"3\" ry=\"3\" "
                          "fill=\"#0b3a40\" stroke=\"#26b6aa\" stroke-width=\"1\"/>\n");
    svg +=
        QStringLiteral("<path fill-rule=\"evenodd\" fill=\"url(#face)\" d=\"%1\"/>\n").arg(SvgPathData(logo));
    // A small disc after the name.
    svg += QStringLiteral("<circle cx=\"58\" cy=\"7\" r=\"4.5\" fill=\"#8fb8e8\"/>\n"
                          "<circle cx=\"58\" cy=\"7\" r=\"1.4\" fill=\"#0b3a40\"/>\n");
    svg += QStringLiteral("</svg>\n");
    return svg;
}

QString AppIconSvg() {
    constexpr double kSize = 256.0;
    constexpr double kCap = 34.0;
    const QPainterPath raw = LogoPath("TAVOX", kCap);
    const QPainterPath logo = raw.translated((kSize - raw.boundingRect().width()) / 2.0, 194.0);
    const QString logo_data = SvgPathData(logo);
    QString svg;
    svg += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" "
                          "width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n");
    svg += QStringLiteral(
               "<defs>%1"
               "<linearGradient id=\"panel\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
               "<stop offset=\"0\" stop-color=\"#16243a\"/><stop offset=\"1\" stop-color=\"#06090f\"/>"
               "</linearGradient>"
               "<linearGradient id=\"disc\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\">"
               "<stop offset=\"0\" stop-color=\"#f2f6fb\"/><stop offset=\"0.45\" stop-color=\"#9cbef2\"/>"
               "<stop offset=\"0.7\" stop-color=\"#d8e6f4\"/><stop offset=\"1\" stop-color=\"#6e8fe4\"/>"
               "</linearGradient></defs>\n")
               .arg(LogoGradient(QStringLiteral("face")));
    svg += QStringLiteral("<rect x=\"8\" y=\"8\" width=\"240\" height=\"240\" rx=\"36\" ry=\"36\" "
                          "fill=\"url(#panel)\" stroke=\"#26b6aa\" stroke-width=\"6\"/>\n");
    // The disc, a glint across its recorded area as light catches a pressed disc, the clear inner ring and
    // the hole, through which the panel shows.
    svg += QStringLiteral("<circle cx=\"128\" cy=\"104\" r=\"78\" fill=\"url(#disc)\" stroke=\"#0b3a40\" "
                          "stroke-width=\"3\"/>\n"
                          "<path fill=\"#ffffff\" fill-opacity=\"0.55\" d=\"M128 104L84 40L112 27.6Z\"/>\n"
                          "<path fill=\"#ffffff\" fill-opacity=\"0.35\" d=\"M128 104L172 168L144 180.4Z\"/>\n"
                          "<circle cx=\"128\" cy=\"104\" r=\"27\" fill=\"#c8d4e0\" stroke=\"#8fa3b8\" "
                          "stroke-width=\"2\"/>\n"
                          "<circle cx=\"128\" cy=\"104\" r=\"11\" fill=\"#0b1525\"/>\n");
    svg += QStringLiteral("<path transform=\"translate(2,2)\" fill-rule=\"evenodd\" fill=\"#000000\" "
                          "fill-opacity=\"0.6\" d=\"%1\"/>\n")
               .arg(logo_data);
    svg += QStringLiteral("<path fill-rule=\"evenodd\" fill=\"url(#face)\" d=\"%1\"/>\n").arg(logo_data);
    svg += QStringLiteral("</svg>\n");
    return svg;
}

QImage RenderSquare(const QString& svg, int size_px) {
    QImage image(size_px, size_px, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(svg.toUtf8());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace make_assets
