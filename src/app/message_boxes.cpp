#include "app/message_boxes.h"

#include <QMessageBox>

#include <cstdio>

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

namespace {

void WriteToStandardError(const QString& caption, const QString& text) {
    std::fputs((caption + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

} // namespace

void UnattendedMessageBoxes::Show(MessageKind /*kind*/, const QString& caption, const QString& text) {
    WriteToStandardError(caption, text);
}

bool UnattendedMessageBoxes::Ask(const QString& caption, const QString& text) {
    WriteToStandardError(caption, text);
    return false;
}

std::unique_ptr<MessageBoxes> MakeMessageBoxes(bool watched) {
    if (watched) {
        return std::make_unique<ScreenMessageBoxes>(nullptr);
    }
    return std::make_unique<UnattendedMessageBoxes>();
}

} // namespace tavox
