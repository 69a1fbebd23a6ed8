#include "app/form1.h"

#include "menu/list_rules.h"

#include <QCoreApplication>

namespace tavox {

namespace {

bool IsListPage(std::uint8_t page) {
    return page == PageKind::Demos || page == PageKind::Shareware || page == PageKind::Updates ||
           page == PageKind::Readers || page == PageKind::Hotshots || page == PageKind::Installed;
}

void PumpEvents() {
    QCoreApplication::processEvents();
}

} // namespace

int TForm1::PageItemCount() const {
    switch (navigation.CurrentPage) {
    case PageKind::Demos:
        return catalogue.DemoCount;
    case PageKind::Shareware:
        return catalogue.ShareCount;
    case PageKind::Updates:
        return catalogue.UpdateCount;
    case PageKind::Readers:
        return catalogue.ReaderCount;
    case PageKind::Hotshots:
        return catalogue.ShotCount;
    case PageKind::Installed:
        return catalogue.InstalledCount;
    default:
        return 0;
    }
}

std::string TForm1::RowText(int index) const {
    if (index > PageItemCount()) {
        return {};
    }
    switch (navigation.CurrentPage) {
    case PageKind::Demos:
        return catalogue.Demos[index].ListName;
    case PageKind::Shareware:
        return catalogue.Shares[index].ListName;
    case PageKind::Updates:
        return catalogue.Updates[index].Name;
    case PageKind::Readers:
        return catalogue.Readers[index].ListName;
    case PageKind::Hotshots:
        return catalogue.Shots[index].Name;
    case PageKind::Installed:
        return catalogue.Installed[index].ListName;
    default:
        return {};
    }
}

bool TForm1::RowBold(int index) const {
    if (index > PageItemCount()) {
        return false;
    }
    if (navigation.CurrentPage == PageKind::Demos) {
        return catalogue.Demos[index].Removable == 1;
    }
    return navigation.CurrentPage == PageKind::Readers && catalogue.Readers[index].Removable == 1;
}

void TForm1::FillList() {
    const std::uint8_t page = navigation.CurrentPage;
    if (IsListPage(page)) {
        for (int r = 1; r <= 15; ++r) {
            const int index = navigation.FirstVisible + r - 1;
            Row(r)->SetBold(RowBold(index));
            Row(r)->SetCaption(RowText(index));
        }
    } else if (page == PageKind::Films) {
        for (int r = 1; r <= 15; ++r) {
            Row(r)->SetBold(false);
        }
        ClearList();
        Row(1)->SetCaption("UBIK");
    } else if (page == PageKind::Vyrniste) {
        ClearList();
    }
}

void TForm1::ClearList() {
    for (int r = 1; r <= 15; ++r) {
        Row(r)->SetCaption("");
    }
}

void TForm1::ScrollListUp() {
    if (!IsListPage(navigation.CurrentPage) || navigation.CurrentItem == 1 ||
        (navigation.CurrentPage == PageKind::Installed && catalogue.InstalledCount == 0)) {
        return;
    }
    --navigation.CurrentItem;
    if (navigation.CurrentItem == navigation.FirstVisible - 1 && navigation.FirstVisible != 1) {
        SetListOff();
        CursorOff();
        --navigation.FirstVisible;
        FillList();
    }
    PumpEvents();
    PageSelect();
}

void TForm1::ScrollListDown() {
    const int count = PageItemCount();
    if (!IsListPage(navigation.CurrentPage) ||
        (navigation.CurrentPage == PageKind::Installed && catalogue.InstalledCount == 0) ||
        navigation.CurrentItem >= count) {
        return;
    }
    SetListOff();
    CursorOff();
    ++navigation.CurrentItem;
    if (navigation.CurrentItem == navigation.FirstVisible + 15 && navigation.FirstVisible != count - 14) {
        ++navigation.FirstVisible;
        FillList();
    }
    PumpEvents();
    PageSelect();
}

void TForm1::UpdateScrollBar(int y) {
    const int count = PageItemCount();
    if (!IsListPage(navigation.CurrentPage) || count == 0) {
        return;
    }
    const TrackSelection selection = TrackRule(count, y);
    if (selection.current_item == navigation.CurrentItem &&
        selection.first_visible == navigation.FirstVisible) {
        return;
    }
    navigation.CurrentItem = selection.current_item;
    navigation.FirstVisible = selection.first_visible;
    SetListOff();
    CursorOff();
    FillList();
    PumpEvents();
    PageSelect();
}

void TForm1::PageSelect() {
    switch (navigation.CurrentPage) {
    case PageKind::Demos:
        SetDemos();
        break;
    case PageKind::Shareware:
        SetShare();
        break;
    case PageKind::Updates:
        SetUpdates();
        break;
    case PageKind::Readers:
        SetReaders();
        break;
    case PageKind::Hotshots:
        SetShots();
        break;
    case PageKind::Installed:
        SetInstalled();
        break;
    default:
        break;
    }
}

void TForm1::InvalidateLine() {
    PaintBox1->Invalidate(QRect(QPoint(258, 331), QPoint(535, 351)));
}

bool TForm1::DemosLabelTest(int r) const {
    if (navigation.FirstVisible + r == navigation.CurrentItem) {
        return false;
    }
    return !IsListPage(navigation.CurrentPage) || r + 1 <= PageItemCount();
}

void TForm1::DemosLabelClick(int row) {
    if (!DemosLabelTest(row - 1)) {
        return;
    }
    navigation.CurrentItem = navigation.FirstVisible + row - 1;
    PageSelect();
}

void TForm1::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    // The keypad's Enter comes with the keypad flag, which is no key held down.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (shift & ~Qt::KeypadModifier) == Qt::AltModifier) {
        // Full-screen mode is stored and shown only; switching it changes nothing on the window.
        return;
    }
    const int current_row = navigation.CurrentItem - navigation.FirstVisible + 1;
    const int first_command = RunButton->isVisible() ? CursorObject::Run : CursorObject::Install;
    const auto try_cursor = [this](std::initializer_list<int> objects) {
        for (const int object : objects) {
            if (ShowCursor(object)) {
                return true;
            }
        }
        return false;
    };
    const auto to_page_bar = [this] {
        navigation.FocusZone = FocusZone::PageBar;
        CursorOff();
        navigation.HoverButton = 0;
        InvertingProc(navigation.ActiveButton);
    };
    switch (navigation.FocusZone) {
    case FocusZone::List:
        switch (key) {
        case Qt::Key_Home:
            if (IsListPage(navigation.CurrentPage)) {
                navigation.CurrentItem = 1;
                navigation.FirstVisible = 1;
                FillList();
                PageSelect();
            }
            break;
        case Qt::Key_End:
            if (IsListPage(navigation.CurrentPage)) {
                navigation.CurrentItem = PageItemCount();
                navigation.FirstVisible = LastWindowStart(PageItemCount());
                FillList();
                PageSelect();
            }
            break;
        case Qt::Key_Up:
            ScrollListUp();
            break;
        case Qt::Key_Down:
            ScrollListDown();
            break;
        case Qt::Key_Left:
            ShowListBorder(current_row);
            navigation.FocusZone = FocusZone::PageBar;
            navigation.HoverButton = 0;
            InvertingProc(navigation.ActiveButton);
            break;
        case Qt::Key_Right:
            if (navigation.CurrentPage == PageKind::Hotshots) {
                to_page_bar();
            } else {
                navigation.FocusZone = FocusZone::Commands;
                ShowCursor(first_command);
                ShowListBorder(current_row);
            }
            break;
        default:
            break;
        }
        break;
    case FocusZone::Commands:
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            CommandClick(navigation.CursorItem);
            break;
        case Qt::Key_Up:
            switch (navigation.CursorItem) {
            case CursorObject::Run:
                SelectSmallImage();
                break;
            case CursorObject::Readme:
                if (!try_cursor({CursorObject::Run})) {
                    SelectSmallImage();
                }
                break;
            case CursorObject::Install:
                if (!try_cursor({CursorObject::Readme, CursorObject::Run})) {
                    SelectSmallImage();
                }
                break;
            case CursorObject::Uninstall:
                if (!try_cursor({CursorObject::Install, CursorObject::Readme, CursorObject::Run})) {
                    SelectSmallImage();
                }
                break;
            default:
                break;
            }
            break;
        case Qt::Key_Down:
            switch (navigation.CursorItem) {
            case CursorObject::Run:
                try_cursor({CursorObject::Readme, CursorObject::Install, CursorObject::Uninstall,
                            CursorObject::Run});
                break;
            case CursorObject::Readme:
                try_cursor({CursorObject::Install, CursorObject::Uninstall, CursorObject::Run,
                            CursorObject::Readme});
                break;
            case CursorObject::Install:
                try_cursor({CursorObject::Uninstall, CursorObject::Run, CursorObject::Readme});
                break;
            case CursorObject::Uninstall:
                try_cursor({CursorObject::Run, CursorObject::Readme});
                break;
            default:
                break;
            }
            break;
        case Qt::Key_Left:
            SetListOff();
            ShowCursor(current_row);
            navigation.FocusZone = FocusZone::List;
            break;
        case Qt::Key_Right:
            to_page_bar();
            break;
        default:
            break;
        }
        break;
    case FocusZone::SmallPicture:
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            SmallImageClick();
            break;
        case Qt::Key_Left:
            if (LeftSpot->isVisible()) {
                LeftSpot2Click();
            }
            break;
        case Qt::Key_Right:
            if (RightSpot->isVisible()) {
                RightSpot2Click();
            }
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
            navigation.PictureFocused = 0;
            ClearBorder(Rect{255, 84, 455, 234}, false);
            navigation.FocusZone = FocusZone::Commands;
            ShowCursor(first_command);
            break;
        default:
            break;
        }
        break;
    case FocusZone::PageBar:
        switch (key) {
        case Qt::Key_Up:
            MainButtonClick(navigation.ActiveButton == 1 ? catalogue.PageCount : navigation.ActiveButton - 1);
            navigation.FocusZone = FocusZone::PageBar;
            break;
        case Qt::Key_Down:
            MainButtonClick(navigation.ActiveButton == catalogue.PageCount ? 1 : navigation.ActiveButton + 1);
            navigation.FocusZone = FocusZone::PageBar;
            break;
        case Qt::Key_Right:
            navigation.FocusZone = FocusZone::List;
            SetListOff();
            ShowCursor(current_row);
            InvertingProc(0);
            break;
        case Qt::Key_Left:
            if (navigation.CurrentPage == PageKind::Hotshots) {
                SetListOff();
                ShowCursor(current_row);
                InvertingProc(0);
                navigation.FocusZone = FocusZone::List;
            } else {
                navigation.FocusZone = FocusZone::Commands;
                ShowListBorder(current_row);
                ShowCursor(first_command);
                InvertingProc(0);
            }
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

} // namespace tavox
