#include "app/form4_settings.h"

#include "menu/list_rules.h"
#include "presentation/frames.h"

#include "app/form1.h"
#include "installer/launcher.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QRadioButton>
#include <QScreen>

#include <cmath>

namespace tavox {

namespace {

constexpr int kClientWidth = 229;
constexpr int kClientHeight = 179;
// The labels are Central European whatever the interface language.
constexpr int kLabelCharset = 238;

} // namespace

QPoint SettingsDialogPlacement(bool full_screen, int screen_width, int screen_height) {
    if (full_screen) {
        return {240, 79};
    }
    return {RoundHalfEven((screen_width - 640) * 0.5) + 240, RoundHalfEven((screen_height - 480) * 0.5) + 79};
}

std::string LocalLanguageName(int describe_variant) {
    switch (describe_variant) {
    case 2:
        return FromUtf8("Türkçe", CodePage::Windows1250);
    case 3:
        return "Romanian";
    default:
        // Edition 1, and editions without a language of their own, keep the form's caption.
        return FromUtf8("Česky", CodePage::Windows1250);
    }
}

TForm4::TForm4(TForm1& owner) : QDialog(&owner), owner_(owner) {
    setObjectName(QStringLiteral("Form4"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(kClientWidth, kClientHeight);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    CreateComponents();
    WireHandlers();

    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screen_height = screen ? screen->geometry().height() : 480;
    move(SettingsDialogPlacement(owner_.preferences.FullScreen == 1, owner_.screen_state.ScreenWidth,
                                 screen_height));
}

TForm4::~TForm4() = default;

void TForm4::CreateComponents() {
    const QRect client(0, 0, kClientWidth, kClientHeight);
    const auto label = [this](const char* name, QRect bounds, int pixels, bool bold, const char* caption) {
        // Qt's parent owns the component.
        auto* text = new FormLabel(this, pixels, bold);
        text->setObjectName(QString::fromLatin1(name));
        text->setGeometry(bounds);
        text->SetCharset(kLabelCharset);
        text->SetCaption(caption);
        text->AdjustSize();
        return text;
    };
    const auto check_box = [this](const char* name, QRect bounds) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(bounds);
        return box;
    };
    const auto radio = [this](const char* name, QRect bounds) {
        auto* button = new QRadioButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(bounds);
        button->setAutoFillBackground(true);
        return button;
    };

    PaintBox1 = new PaintBox(this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(client);
    PaintBox1->Surface() = QImage(client.size(), QImage::Format_RGB32);
    PaintBox1->Surface().fill(kBlack);
    SetupImage = new ImageBox(this);
    SetupImage->setObjectName(QStringLiteral("SetupImage"));
    SetupImage->setGeometry(client);
    SetupLabelOK = label("SetupLabelOK", QRect(193, 156, 31, 17), 13, true, "O.K");
    SetupLabelOK->alignment = LabelAlignment::Center;
    SetupXENGLabel = label("SetupXENGLabel", QRect(9, 159, 157, 13), 12, false, "DirectX 5 ENG Install");
    SetupXCZLabel = label("SetupXCZLabel", QRect(9, 143, 146, 13), 12, false, "DirectX 5 CZ Install");
    SetupXCZLabel->hide();
    SetupLang2 = label("SetupLang2", QRect(27, 85, 48, 12), 11, false, "English");
    SetupLang1 = label("SetupLang1", QRect(27, 69, 37, 12), 11, false, "");
    SetupLang1->SetCaption(LocalLanguageName(1));
    SetupLabel1 = label("SetupLabel1", QRect(27, 13, 72, 12), 11, false, "FullScreen");
    SetupLabel2 = label("SetupLabel2", QRect(27, 29, 72, 12), 11, false, "");
    SetupLabel2->hide();
    SetupCheck1 = check_box("SetupCheck1", QRect(8, 13, 12, 13));
    SetupCheck1->setEnabled(false);
    SetupCheck2 = check_box("SetupCheck2", QRect(8, 28, 12, 13));
    SetupCheck2->hide();
    SetupRad1 = radio("SetupRad1", QRect(7, 67, 15, 17));
    SetupRad2 = radio("SetupRad2", QRect(7, 83, 15, 17));
    SetupRad1->setChecked(true);
    SetupAnimation = new QWidget(this);
    SetupAnimation->setObjectName(QStringLiteral("SetupAnimation"));
    SetupAnimation->setGeometry(client);
    SetupAnimation->hide();

    // The original draws the frames straight onto the window, over the picture. Here the surface lies just
    // above the picture and shows it, so that the frames are seen.
    PaintBox1->stackUnder(SetupLabelOK);
}

void TForm4::WireHandlers() {
    const auto cursor_off = [this](int, int) { SetupCursorOff(); };
    PaintBox1->events.mouse_move = cursor_off;
    SetupImage->events.mouse_move = cursor_off;
    PaintBox1->paint = [this](const QRect& clip) { PaintSurface(clip); };

    const auto framed = [this](FormLabel* label, int n, std::function<void()> click) {
        label->events.mouse_move = [this, n](int, int) { ShowSetupCursor(n); };
        label->events.click = std::move(click);
    };
    framed(SetupLabelOK, SetupCursor::OK, [this] { SetupLabelOKClick(); });
    framed(SetupLabel1, SetupCursor::FullScreen, [this] { SetupLabel1Click(); });
    framed(SetupLang1, SetupCursor::LocalLanguage, [this] { SetupLang1Click(); });
    framed(SetupLang2, SetupCursor::English, [this] { SetupLang2Click(); });
    framed(SetupXENGLabel, SetupCursor::DirectX, [this] { SetupXENGLabelClick(); });
}

void TForm4::showEvent(QShowEvent* event) {
    // The picture is chosen after creation; the surface takes it up before it is first seen.
    PaintBox1->Invalidate(PaintBox1->rect());
    QDialog::showEvent(event);
}

void TForm4::PaintSurface(const QRect& clip) {
    SurfacePixels surface(PaintBox1->Surface());
    const QImage& picture = SetupImage->Image();
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        for (int x = clip.left(); x <= clip.right(); ++x) {
            surface.Set(x, y, picture.valid(x, y) ? picture.pixel(x, y) : kBlack);
        }
    }
    if (cursor_ != SetupCursor::None) {
        DrawFrame(cursor_, kWhite);
    }
}

FormLabel* TForm4::CursorLabel(int n) const {
    switch (n) {
    case SetupCursor::OK:
        return SetupLabelOK;
    case SetupCursor::FullScreen:
        return SetupLabel1;
    case SetupCursor::LocalLanguage:
        return SetupLang1;
    case SetupCursor::English:
        return SetupLang2;
    case SetupCursor::DirectX:
        return SetupXENGLabel;
    default:
        return nullptr;
    }
}

void TForm4::DrawFrame(int n, QRgb colour) {
    const FormLabel* label = CursorLabel(n);
    if (!label) {
        return;
    }
    const Rect r = LabelFrame(label);
    PaintBox1->Present(DrawFramePixels(PaintBox1->Surface(), r, colour));
}

void TForm4::ShowSetupCursor(int n) {
    if (n == SetupCursor::None || n == cursor_) {
        return;
    }
    SetupCursorOff();
    DrawFrame(n, kWhite);
    cursor_ = n;
}

void TForm4::SetupCursorOff() {
    const int n = cursor_;
    const FormLabel* label = CursorLabel(n);
    cursor_ = SetupCursor::None;
    if (!label) {
        return;
    }
    if (owner_.screen_state.ColorDepth <= 8) {
        // A 256-colour window has no picture behind the frame: black covers it.
        DrawFrame(n, kBlack);
        return;
    }
    PaintBox1->Present(
        RestoreFramePixels(PaintBox1->Surface(), LabelFrame(label), SetupImage->Image(), kBlack));
}

void TForm4::SetupLabelOKClick() {
    accept();
}

void TForm4::SetupLabel1Click() {
    // The box itself is disabled; its label still changes it.
    SetupCheck1->setChecked(!SetupCheck1->isChecked());
}

void TForm4::SetupLang1Click() {
    SetupRad1->setChecked(true);
}

void TForm4::SetupLang2Click() {
    SetupRad2->setChecked(true);
}

void TForm4::SetupXENGLabelClick() {
    // Started without a test for its presence; a failed start goes unreported.
    owner_.services.launcher.NormalExec(owner_.folders.CdDrive + "\\Drivers\\DirectX\\dx5eng.EXE",
                                        kShowNormal);
}

void TForm4::FormClose() {
    owner_.preferences.FullScreen = SetupCheck1->isChecked() ? 1 : 0;
    owner_.preferences.Language = SetupRad2->isChecked() ? 0 : owner_.catalogue.DescribeVariant;
    // Switching the screen mode changes nothing on this window, whichever way it goes.
}

void TForm4::done(int result) {
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    QDialog::done(result);
}

void TForm4::keyPressEvent(QKeyEvent* event) {
    // There is no way to cancel: Escape does nothing.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm4::keyReleaseEvent(QKeyEvent* event) {
    // Enter released on the dialog, the check box or a radio button (they pass it on) closes it.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        event->accept();
        SetupLabelOKClick();
        return;
    }
    QDialog::keyReleaseEvent(event);
}

} // namespace tavox
