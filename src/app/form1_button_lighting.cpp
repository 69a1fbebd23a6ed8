#include "app/form1.h"

#include <QPainter>

namespace tavox {

namespace {
// Row 0 of the lit picture lies at screen row 81.
constexpr int kLitPictureTop = 81;
} // namespace

void TForm1::Invert(int n) {
    if (n < 1 || n > 9) {
        return;
    }
    const ImageBox* button = SectionButton(n);
    FormLabel* caption = SectionLabel(n);
    const QRect bounds = button->geometry();
    {
        QPainter painter(&Surface());
        painter.drawImage(bounds.topLeft(), TempImage->Image(),
                          QRect(0, bounds.top() - kLitPictureTop, bounds.width(), bounds.height()));
    }
    // A caption drawn straight onto the window covers the label's own white one until the next repaint; a
    // repaint draws the label above the lit rectangle again, so the active section rests with a white
    // caption.
    if (!PaintBox1->Painting()) {
        caption->SetTextColor(text_color_);
    }
    PaintBox1->Present(bounds);
}

void TForm1::UnInvert(int n) {
    if (n < 1 || n > 9) {
        return;
    }
    FormLabel* caption = SectionLabel(n);
    caption->show();
    const QRect bounds = SectionButton(n)->geometry();
    {
        QPainter painter(&Surface());
        painter.drawImage(bounds.topLeft(), BackgroundImage->Image(), bounds);
    }
    caption->SetTextColor(Qt::white);
    PaintBox1->Present(bounds);
}

void TForm1::InvertingProc(int n) {
    if (n == navigation.HoverButton) {
        return;
    }
    if (navigation.HoverButton != navigation.ActiveButton) {
        UnInvert(navigation.HoverButton);
    }
    if (navigation.PreviousButton != navigation.ActiveButton) {
        UnInvert(navigation.PreviousButton);
        navigation.PreviousButton = navigation.ActiveButton;
    }
    text_color_ = n == navigation.ActiveButton ? Qt::black : Qt::white;
    Invert(navigation.ActiveButton);
    text_color_ = Qt::black;
    if (n <= catalogue.PageCount) {
        if (n >= 1) {
            Invert(n);
        }
        navigation.HoverButton = n;
    }
}

void TForm1::MainButtonMouseMove(int n) {
    navigation.FocusZone = FocusZone::PageBar;
    InvertingProc(n);
}

} // namespace tavox
