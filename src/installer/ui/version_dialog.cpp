#include "installer/ui/version_dialog.h"

#include "installer/ui/screen_centre.h"

#include <QDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace tavox {

namespace {

// Product then division, rounded to the nearest integer as Windows' MulDiv rounds.
int MulDiv(int number, int numerator, int denominator) {
    return static_cast<int>(std::llround(static_cast<double>(number) * numerator / denominator));
}

class VersionDialog : public QDialog {
public:
    VersionDialog(const QString& question, const QStringList& labels) {
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                       Qt::MSWindowsFixedSizeDialogHint);
        setWindowTitle(QStringLiteral("TAVOX CD"));

        const QSize average = AverageCharSize(font());
        const int cx = average.width();
        const int cy = average.height();
        const int horizontal_margin = MulDiv(8, cx, 4);
        const int vertical_margin = MulDiv(8, cy, 8);
        const int vertical_spacing = MulDiv(10, cy, 8);
        const int button_width = MulDiv(50, cx, 4);
        const int button_height = MulDiv(14, cy, 8);
        const int button_spacing = MulDiv(4, cx, 4);

        const QScreen* screen = QGuiApplication::primaryScreen();
        const int screen_width = screen ? screen->geometry().width() : 640;
        const QRect text =
            QFontMetrics(font()).boundingRect(QRect(0, 0, screen_width / 2, 0), Qt::TextWordWrap, question);
        const int text_width = text.right() + 1;
        const int text_height = text.bottom() + 1;

        const auto n = static_cast<int>(labels.size());
        const int group_width = n == 0 ? 0 : n * button_width + (n - 1) * button_spacing;
        const int client_width = std::max(text_width, group_width) + 2 * horizontal_margin;
        const int client_height = text_height + button_height + vertical_spacing + 2 * vertical_margin;
        setFixedSize(client_width, client_height);

        auto* message = new QLabel(this); // owned by the dialog, as every child below
        message->setObjectName(QStringLiteral("Message"));
        message->setTextFormat(Qt::PlainText);
        message->setWordWrap(true);
        message->setText(question);
        message->setGeometry(horizontal_margin, vertical_margin, text_width, text_height);

        int x = (client_width - group_width) / 2;
        const int y = text_height + vertical_margin + vertical_spacing;
        for (int i = 0; i < n; ++i) {
            auto* button = new QPushButton(labels[i], this);
            button->setGeometry(x, y, button_width, button_height);
            const int result = kFirstVersionResult + i;
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
            x += button_width + button_spacing;
        }
    }

    // Every way of closing other than a button (the close box) gives the cancel result.
    void reject() override { done(kVersionDialogClosed); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        // No button has the cancel role, so Escape has nothing to press.
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }

    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        CentreOnScreen(*this);
    }
};

} // namespace

QSize AverageCharSize(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {metrics.horizontalAdvance(letters) / 52, metrics.height()};
}

int ChooseVersion(const QString& question, const QStringList& labels) {
    VersionDialog dialog(question, labels);
    return dialog.exec();
}

} // namespace tavox
