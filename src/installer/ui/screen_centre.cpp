#include "installer/ui/screen_centre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tavox {

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->geometry();
    const QRect frame = window.frameGeometry();
    window.move(area.left() + area.width() / 2 - frame.width() / 2,
                area.top() + area.height() / 2 - frame.height() / 2);
}

} // namespace tavox
