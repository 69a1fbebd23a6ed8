// The least a Qt program does to show what the menu shows at start: a 640x480 picture in a frameless
// window, written to a PNG file once the window is up, the same way the menu's --snapshot does; then it ends.
// The start-up benchmark compares the menu against it.
// Usage: bare_picture PICTURE SNAPSHOT.png
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: bare_picture PICTURE SNAPSHOT.png\n", stderr);
        return 2;
    }
    const QString snapshot = QString::fromLocal8Bit(argv[2]);
    QLabel window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(640, 480);
    window.setPixmap(QPixmap(QString::fromLocal8Bit(argv[1])));
    window.show();
    QMetaObject::invokeMethod(
        &window,
        [&window, snapshot] {
            const bool written = window.grab().toImage().copy(0, 0, 640, 480).save(snapshot, "PNG");
            QApplication::exit(written ? 0 : 1);
        },
        Qt::QueuedConnection);
    return QApplication::exec();
}
