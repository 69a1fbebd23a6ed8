// Which handler each component's mouse events go to; the sounds and the install watch.
#include "app/form1.h"

#include "media/sound_output.h"
#include "platform/machine.h"

#include <QEvent>
#include <QFile>

#include <span>

namespace tavox {

void TForm1::WireHandlers() {
    const auto background = [this](int, int) { BackgroundImageMouseMove(); };
    for (Component* component : std::initializer_list<Component*>{
             BackgroundImage, MetaImage, PaintBox1, Image3, DemoNameLabel, DateLabel, WormImage, Image2,
             JezdecPicture, UpdatesVersionLabel}) {
        component->events.mouse_move = background;
    }
    PaintBox1->paint = [this](const QRect& clip) { PaintBox1Paint(clip); };
    PaintBox1->Invalidate(PaintBox1->rect());

    for (int r = 1; r <= 15; ++r) {
        Row(r)->events.click = [this, r] { DemosLabelClick(r); };
        Row(r)->events.mouse_move = [this, r](int, int) { ShowCursor(r); };
    }
    for (int n = 1; n <= 9; ++n) {
        const auto click = [this, n] { MainButtonClick(n); };
        SectionButton(n)->events.click = click;
        SectionLabel(n)->events.click = click;
        if (n <= 8) {
            const auto move = [this, n](int, int) { MainButtonMouseMove(n); };
            SectionButton(n)->events.mouse_move = move;
            SectionLabel(n)->events.mouse_move = move;
        }
    }
    const auto command_move = [this](int object) {
        return [this, object](int, int) {
            navigation.FocusZone = FocusZone::Commands;
            ShowCursor(object);
        };
    };
    RunButton->events.mouse_move = command_move(CursorObject::Run);
    ReadmeButton->events.mouse_move = command_move(CursorObject::Readme);
    InstallButton->events.mouse_move = command_move(CursorObject::Install);
    UnButton->events.mouse_move = command_move(CursorObject::Uninstall);
    RunButton->events.click = [this] { RunButtonClick(); };
    ReadmeButton->events.click = [this] { ReadmeButtonClick(); };
    InstallButton->events.click = [this] { InstallButtonClick(); };
    UnButton->events.click = [this] { UnButtonClick(); };
    ExitLabel->events.mouse_move = [this](int, int) { ShowCursor(CursorObject::Exit); };
    ExitLabel->events.click = [this] { close(); };
    SetupLabel->events.mouse_move = [this](int, int) { ShowCursor(CursorObject::Setup); };
    SetupLabel->events.click = [this] { SetSetupPage(); };
    ExplorerLabel->events.mouse_move = [this](int, int) { ShowCursor(CursorObject::Explorer); };
    ExplorerLabel->events.click = [this] { ExplorerLabelClick(); };
    TornikBitmap->events.click = [this] { TornikBitmapClick(); };
    WormImage->events.click = [this] { WormImageClick(); };

    LeftSpot->events.mouse_move = [this](int, int) { LeftSpot2->show(); };
    RightSpot->events.mouse_move = [this](int, int) { RightSpot2->show(); };
    LeftSpot2->events.click = [this] { LeftSpot2Click(); };
    RightSpot2->events.click = [this] { RightSpot2Click(); };
    UpSpot->events.mouse_move = [this](int, int) { UpSpot2->show(); };
    DownSpot->events.mouse_move = [this](int, int) { DownSpot2->show(); };
    UpSpot2->events.mouse_down = [this](Qt::MouseButton, int, int) { ScrollListUp(); };
    DownSpot2->events.mouse_down = [this](Qt::MouseButton, int, int) { ScrollListDown(); };

    Image1->events.click = [this] { SmallImageClick(); };
    Image1->events.mouse_move = [this](int, int) {
        SelectSmallImage();
        InvertingProc(0);
    };
    Image1->installEventFilter(this);

    Image2->events.mouse_down = [this](Qt::MouseButton, int, int y) { UpdateScrollBar(y); };
    // Dragging the thumb selects what lies under the pointer on the track; the thumb itself follows the
    // selection, not the pointer.
    JezdecPicture->events.mouse_down = [this](Qt::MouseButton button, int, int) {
        thumb_dragging_ = button == Qt::LeftButton;
    };
    JezdecPicture->events.mouse_move = [this](int x, int y) {
        // The thumb and the track are siblings: map through the form.
        const QPoint on_track = Image2->mapFrom(this, JezdecPicture->mapTo(this, QPoint(x, y)));
        if (thumb_dragging_ && Image2->rect().contains(on_track)) {
            UpdateScrollBar(on_track.y());
        } else if (!thumb_dragging_) {
            BackgroundImageMouseMove();
        }
    };
    JezdecPicture->installEventFilter(this);

    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        // The small picture is drawn on the paint surface beneath: showing or hiding it repaints that area.
        PaintBox1->Invalidate(Image1->geometry());
    } else if (watched == JezdecPicture && event->type() == QEvent::MouseButtonRelease) {
        thumb_dragging_ = false;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::PlayWAV(const char* resource) {
    QFile file(QStringLiteral(":/") + QString::fromLatin1(resource));
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray wave = file.readAll();
    services.sound.PlayWav(std::as_bytes(std::span(wave.constData(), static_cast<std::size_t>(wave.size()))));
}

void TForm1::WormImageClick() {
    PlayWAV("STUPID");
}

DetectionContext TForm1::Detection() {
    return {services.machine, *Settings,          catalogue.CdIssue,
            folders.CdDrive,  folders.WindowsDir, folders.CdMenuDir};
}

void TForm1::Timer1Timer() {
    TDemos* item = nullptr;
    if (navigation.WatchedPage == PageKind::Demos) {
        item = &catalogue.Demos[navigation.WatchedItem];
    } else if (navigation.WatchedPage == PageKind::Readers) {
        item = &catalogue.Readers[navigation.WatchedItem];
    } else {
        return;
    }
    CheckDemo(Detection(), *item);
    if (item->NotInstalled == 0) {
        navigation.CurrentItem = navigation.WatchedItem;
        PageSelect();
        Timer1->stop();
    }
}

} // namespace tavox
