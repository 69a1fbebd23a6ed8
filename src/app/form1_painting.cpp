#include "app/form1.h"

#include "presentation/frame_lines.h"
#include "presentation/frames.h"

#include <QPainter>

namespace tavox {

namespace {

constexpr QRgb kSilver = 0xFFC0C0C0;
const Rect kImage1Bounds{255, 84, 455, 234};

} // namespace

FormLabel* TForm1::AssignObject(int n) const {
    if (n >= CursorObject::FirstRow && n <= CursorObject::LastRow) {
        return Row(n);
    }
    switch (n) {
    case CursorObject::Run:
        return RunButton;
    case CursorObject::Readme:
        return ReadmeButton;
    case CursorObject::Install:
        return InstallButton;
    case CursorObject::Uninstall:
        return UnButton;
    case CursorObject::Exit:
        return ExitLabel;
    case CursorObject::Setup:
        return SetupLabel;
    case CursorObject::Explorer:
        return ExplorerLabel;
    default:
        return nullptr;
    }
}

void TForm1::DrawBorder(const Rect& r, QColor color) {
    PaintBox1->Present(DrawFramePixels(Surface(), r, color.rgba()));
}

void TForm1::ClearBorder(const Rect& r, bool keep) {
    if (screen_state.ColorDepth <= 8 && !keep) {
        // At 256 colours the area is repainted instead of restored pixel by pixel.
        PaintBox1->Invalidate(QRect(QPoint(r.left - 2, r.top - 2), QPoint(r.right + 2, r.bottom + 2)));
        return;
    }
    PaintBox1->Present(RestoreFramePixels(Surface(), r, BackgroundImage->Image(), std::nullopt));
}

void TForm1::ShowListBorder(int n) {
    if (n == 0) {
        return;
    }
    if ((navigation.CurrentPage == PageKind::Vyrniste || navigation.CurrentPage == PageKind::Custom) &&
        n >= 2) {
        return;
    }
    const FormLabel* label = AssignObject(n);
    if (!label) {
        return;
    }
    DrawBorder(LabelFrame(label), QColor::fromRgba(kSilver));
    navigation.ListBorderShown = static_cast<std::uint8_t>(n);
}

bool TForm1::ShowCursor(int n) {
    if (n == CursorObject::None) {
        return false;
    }
    if (n >= CursorObject::FirstRow && n <= CursorObject::LastRow) {
        navigation.FocusZone = FocusZone::List;
        const std::uint8_t page = navigation.CurrentPage;
        const bool single_row =
            page == PageKind::Vyrniste || page == PageKind::Custom || page == PageKind::Films;
        if ((single_row && n > 1) || (!single_row && page != PageKind::None && n > PageItemCount())) {
            return false;
        }
    }
    const FormLabel* label = AssignObject(n);
    if (!label || !label->isVisible()) {
        return false;
    }
    if (n != navigation.CursorItem) {
        CursorOff();
    }
    DrawBorder(LabelFrame(label), QColor::fromRgba(kWhite));
    navigation.CursorItem = static_cast<std::uint8_t>(n);
    return true;
}

void TForm1::CursorOff() {
    if (navigation.CursorItem == CursorObject::None) {
        return;
    }
    if (navigation.CurrentPage == PageKind::Films && navigation.CursorItem < CursorObject::Run) {
        return;
    }
    const FormLabel* label = AssignObject(navigation.CursorItem);
    navigation.CursorItem = CursorObject::None;
    if (label) {
        ClearBorder(LabelFrame(label), false);
    }
}

void TForm1::SetListOff() {
    if (navigation.ListBorderShown == 0 || navigation.ListBorderShown == navigation.CursorItem) {
        return;
    }
    const FormLabel* label = AssignObject(navigation.ListBorderShown);
    navigation.ListBorderShown = 0;
    if (label) {
        ClearBorder(LabelFrame(label), false);
    }
}

void TForm1::SelectSmallImage() {
    if (navigation.CurrentPage != PageKind::Demos && navigation.CurrentPage != PageKind::Hotshots) {
        return;
    }
    CursorOff();
    navigation.FocusZone = FocusZone::SmallPicture;
    navigation.PictureFocused = 1;
    DrawBorder(kImage1Bounds, QColor::fromRgba(kWhite));
}

void TForm1::PaintBox1Paint(const QRect& clip) {
    // What lies under the paint box shows again where the window is repainted, and the section captions
    // there show their own white over whatever was drawn onto them.
    {
        QPainter background(&Surface());
        background.drawImage(clip.topLeft(), BackgroundImage->Image(), clip);
    }
    for (int n = 1; n <= 9; ++n) {
        if (SectionLabel(n)->geometry().intersects(clip)) {
            SectionLabel(n)->SetTextColor(Qt::white);
        }
    }
    if (navigation.ListBorderShown >= CursorObject::FirstRow &&
        navigation.ListBorderShown <= CursorObject::LastRow) {
        ShowListBorder(navigation.ListBorderShown);
    }
    Invert(navigation.ActiveButton);
    QPainter painter(&Surface());
    painter.setPen(QColor::fromRgba(kWhite));
    if (!TechLabel->Caption().empty()) {
        const QRect tech = TechLabel->geometry();
        paint.BorderRect = {tech.left() - 6, tech.top() - 2, tech.left() - 6 + tech.width() + 12,
                            tech.top() - 2 + tech.height() + 4};
        painter.end();
        DrawBorder(paint.BorderRect, QColor::fromRgba(kWhite));
        painter.begin(&Surface());
        painter.setPen(QColor::fromRgba(kWhite));
        painter.drawLine(244, 342, paint.BorderRect.left - 1, 342);
    } else {
        painter.drawLine(244, 342, 505, 342);
        painter.drawLine(506, 333, 506, 349);
    }
    painter.end();
    if (navigation.FocusZone == FocusZone::SmallPicture) {
        SelectSmallImage();
    }
    if (Image1->isVisible() && (clip.contains(255, 84) || clip.contains(455, 234)) &&
        !paint.WorkBitmap.isNull()) {
        QPainter picture(&Surface());
        picture.drawImage(Image1->geometry(), paint.WorkBitmap);
    }
    DrawLines();
}

void TForm1::DrawLines() {
    // Each polyline's last point is not painted, as the platform's polyline leaves it.
    SurfacePixels surface(Surface());
    for (const std::vector<QPoint>& line : FrameLines()) {
        for (std::size_t i = 0; i + 1 < line.size(); ++i) {
            const QPoint from = line[i];
            const QPoint to = line[i + 1];
            const int dx = (to.x() > from.x()) - (to.x() < from.x());
            const int dy = (to.y() > from.y()) - (to.y() < from.y());
            for (QPoint p = from; p != to; p += QPoint(dx, dy)) {
                surface.Set(p.x(), p.y(), kWhite);
            }
        }
    }
}

void TForm1::BackgroundImageMouseMove() {
    for (QWidget* twin : std::initializer_list<QWidget*>{LeftSpot2, RightSpot2, DownSpot2, UpSpot2}) {
        twin->hide();
    }
    CursorOff();
    InvertingProc(0);
    navigation.FocusZone = FocusZone::List;
    if (navigation.PictureFocused == 1) {
        navigation.PictureFocused = 0;
        ClearBorder(kImage1Bounds, true);
    }
    if (!(navigation.CurrentPage == PageKind::Installed && catalogue.InstalledCount == 0)) {
        ShowListBorder(navigation.CurrentItem - navigation.FirstVisible + 1);
    }
}

} // namespace tavox
