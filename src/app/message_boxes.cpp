#include "app/message_boxes.h"

#include <QMessageBox>

namespace tavox {

void ScreenMessageBoxes::Show(MessageKind kind, const QString& caption, const QString& text) {
    const QMessageBox::Icon icon = kind == MessageKind::Error         ? QMessageBox::Critical
                                   : kind == MessageKind::Information ? QMessageBox::Information
                                                                      : QMessageBox::NoIcon;
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner_);
    box.exec();
}

bool ScreenMessageBoxes::Ask(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner_);
    return box.exec() == QMessageBox::Yes;
}

} // namespace tavox
