#include "svg_pictures.h"

#include "logotype.h"

#include <QPainterPath>

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

} // namespace make_assets
