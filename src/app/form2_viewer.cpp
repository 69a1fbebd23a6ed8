#include "app/form2_viewer.h"

#include "app/form1.h"
#include "catalogue/picture_names.h"
#include "platform/machine.h"
#include "presentation/busy_pointer.h"
#include "presentation/picture_files.h"
#include "resources/resource_names.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>

#include <filesystem>
#include <map>

namespace tavox {

namespace {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;

// The viewer's cursor numbers.
constexpr int kCursorPrevious = 11;
constexpr int kCursorNoPrevious = 12;
constexpr int kCursorNext = 13;
constexpr int kCursorNoNext = 14;
constexpr int kCursorClose = 15;

std::map<int, QCursor>& CursorTable() {
    static std::map<int, QCursor> table;
    return table;
}

void SetCursorNumber(QWidget* control, int number) {
    if (const std::optional<QCursor> cursor = RegisteredCursor(number)) {
        control->setCursor(*cursor);
    } else {
        control->unsetCursor();
    }
}

} // namespace

std::optional<QCursor> RegisteredCursor(int number) {
    const auto found = CursorTable().find(number);
    if (found == CursorTable().end()) {
        return std::nullopt;
    }
    return found->second;
}

ViewerCursorRegistration::ViewerCursorRegistration() {
    for (const resources::CursorResource& resource : resources::kViewerCursors) {
        const QPixmap pixmap(
            QString::fromLatin1(resource.path.data(), static_cast<qsizetype>(resource.path.size())));
        if (!pixmap.isNull()) {
            CursorTable()[resource.number] = QCursor(pixmap, resource.hot_x, resource.hot_y);
        }
    }
}

ViewerCursorRegistration::~ViewerCursorRegistration() {
    for (const resources::CursorResource& resource : resources::kViewerCursors) {
        CursorTable().erase(resource.number);
    }
}

QPoint ViewerPlacement(int screen_width, int screen_height) {
    return {(screen_width - kClientWidth) / 2, (screen_height - kClientHeight) / 2};
}

TForm2::TForm2(TForm1& owner) : QDialog(&owner), owner_(owner) {
    setObjectName(QStringLiteral("Form2"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFocusPolicy(Qt::StrongFocus);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    CreateComponents();

    const QScreen* screen = QGuiApplication::primaryScreen();
    move(ViewerPlacement(owner_.screen_state.ScreenWidth,
                         screen ? screen->geometry().height() : kClientHeight));
    FormCreate();
}

TForm2::~TForm2() = default;

void TForm2::CreateComponents() {
    const auto image = [this](const char* name, QRect bounds) {
        // Qt's parent owns the control.
        auto* box = new ImageBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(bounds);
        return box;
    };
    BigImage = image("BigImage", QRect(0, 0, kClientWidth, kClientHeight));
    BigImage->center = true;
    BigImage->installEventFilter(this);
    Image1 = image("Image1", QRect(0, 0, 640, 41));
    Image2 = image("Image2", QRect(0, 41, 77, 438));
    Image3 = image("Image3", QRect(564, 41, 77, 438));
    Image1->events.click = [this] { Image1Click(); };
    Image2->events.click = [this] { Image2Click(); };
    Image3->events.click = [this] { Image3Click(); };
}

void TForm2::FormCreate() {
    setFixedSize(kClientWidth, kClientHeight);
    PictureReady = 1;
    PictureBase = owner_.CurrentPictureBase();
    cursors_.emplace();
    SetCursorNumber(Image1, kCursorClose);
    SetCursorNumber(Image2, kCursorPrevious);
    SetCursorNumber(Image3, kCursorNext);
    if (!LoadBigPicture()) {
        return;
    }
    if (owner_.navigation.PictureNumber == 1) {
        SetCursorNumber(Image2, kCursorNoPrevious);
    }
    if (!owner_.NextPicture(PictureBase)) {
        SetCursorNumber(Image3, kCursorNoNext);
    }
}

bool TForm2::LoadBigPicture() {
    if (HasNoPictures(PictureBase) || PictureReady == 0) {
        return true;
    }
    PictureReady = 0;
    const std::string file =
        PictureJpegPath(owner_.folders.CdMenuDir, PictureBase, owner_.navigation.PictureNumber);
    std::optional<JpegError> error;
    {
        const BusyPointer busy;
        JpegDecoder decoder;
        decoder.SetScale(JpegScale::Full);
        decoder.SetPixelFormat(JpegPixelFormat::Rgb32);
        decoder.SetProgress([this](JpegStage stage, int) { ProgressProc(stage); });
        const std::optional<std::filesystem::path> host = owner_.services.machine.Files().HostPath(file);
        // A path outside every drive fails to open like a missing file.
        JpegDecodeResult decoded = decoder.DecodeFile(host.value_or(std::filesystem::path()));
        if (decoded.error) {
            error = std::move(decoded.error);
        } else {
            // A 256-colour screen would flash while the palette of the new picture is realised.
            const bool low_colour = owner_.screen_state.ColorDepth <= 8;
            if (low_colour) {
                BigImage->hide();
            }
            BigImage->SetImage(ToQImage(std::move(decoded.image)));
            if (low_colour) {
                BigImage->show();
            }
        }
    }
    if (error) {
        owner_.services.messages.Show(MessageKind::Error, QStringLiteral("Error"),
                                      PictureErrorText(*error, file));
        return false;
    }
    return true;
}

void TForm2::ProgressProc(JpegStage stage) {
    if (stage == JpegStage::Ending) {
        PictureReady = 1;
    }
}

void TForm2::StepNext(bool from_picture) {
    if (owner_.NextPicture(PictureBase) && PictureReady == 1) {
        ++owner_.navigation.PictureNumber;
        if (!LoadBigPicture()) {
            return;
        }
        SetCursorNumber(Image2, kCursorPrevious);
        SetCursorNumber(Image3, kCursorNext);
        if (!owner_.NextPicture(PictureBase)) {
            SetCursorNumber(Image3, kCursorNoNext);
        }
        return;
    }
    if (from_picture) {
        SetCursorNumber(Image3, kCursorNoNext);
    }
    owner_.PlayWAV("NO");
}

void TForm2::StepPrevious() {
    if (owner_.PrevPicture(PictureBase) && PictureReady == 1) {
        --owner_.navigation.PictureNumber;
        if (!LoadBigPicture()) {
            return;
        }
        SetCursorNumber(Image2, kCursorPrevious);
        SetCursorNumber(Image3, kCursorNext);
        if (!owner_.PrevPicture(PictureBase)) {
            SetCursorNumber(Image2, kCursorNoPrevious);
        }
        return;
    }
    owner_.PlayWAV("NO");
}

void TForm2::BigImageMouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        reject();
        return;
    }
    StepNext(true);
}

void TForm2::Image1Click() {
    reject();
}

void TForm2::Image2Click() {
    StepPrevious();
}

void TForm2::Image3Click() {
    StepNext(false);
}

void TForm2::FormKeyUp(int key) {
    switch (key) {
    case Qt::Key_Right:
        StepNext(false);
        break;
    case Qt::Key_Left:
        StepPrevious();
        break;
    case Qt::Key_Escape:
    case Qt::Key_Up:
        reject();
        break;
    default:
        break;
    }
}

void TForm2::FormClose() {
    cursors_.reset();
    const std::uint8_t depth = owner_.screen_state.ColorDepth;
    if (depth < 16) {
        owner_.navigation.PictureNumber = 1;
    }
    if (!owner_.LoadSmallPicture(PictureBase) || depth < 16) {
        return;
    }
    if (owner_.PrevPicture(PictureBase)) {
        owner_.LeftSpot->show();
    } else {
        owner_.LeftSpot->hide();
        owner_.LeftSpot2->hide();
    }
    if (owner_.NextPicture(PictureBase)) {
        owner_.RightSpot->show();
    } else {
        owner_.RightSpot->hide();
        owner_.RightSpot2->hide();
    }
}

void TForm2::done(int result) {
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    QDialog::done(result);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // Keys act when released; Escape must not close the dialog on its way down.
    event->accept();
}

void TForm2::keyReleaseEvent(QKeyEvent* event) {
    // X repeats both press and release while a key is held; Windows sent one release per stroke, and
    // so one step per stroke it stays.
    if (!event->isAutoRepeat()) {
        FormKeyUp(event->key());
    }
    event->accept();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == BigImage && event->type() == QEvent::MouseButtonRelease) {
        BigImageMouseUp(static_cast<QMouseEvent*>(event)->button());
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tavox
