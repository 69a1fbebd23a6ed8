#pragma once

// The settings dialog TForm4: the interface language (English or the edition's own), the full-screen flag and
// the DirectX installer. The main window prepares it and applies its result (TForm1::SetSetupPage).

#include "presentation/widgets.h"

#include <QDialog>
#include <QPoint>

#include <string>

class QCheckBox;
class QRadioButton;

namespace tavox {

class TForm1;

// Where the dialog opens on the screen: at (240, 79) inside a 640×480 main window centred on the screen, or
// on a full screen at (240, 79) itself. Halves round to even.
QPoint SettingsDialogPlacement(bool full_screen, int screen_width, int screen_height);

// The caption of the local-language choice for an edition (DescribeVariant), in code page 1250: the dialog's
// labels are Central European whatever the language.
std::string LocalLanguageName(int describe_variant);

// Numbers of the labels that can carry the dialog's cursor frame.
namespace SetupCursor {
inline constexpr int None = 0;
inline constexpr int OK = 100;
inline constexpr int FullScreen = 101;
inline constexpr int LocalLanguage = 110;
inline constexpr int English = 111;
inline constexpr int DirectX = 120;
} // namespace SetupCursor

class TForm4 : public QDialog {
public:
    // FormCreate: builds the controls and places the dialog. It reads and writes the owner's state directly.
    explicit TForm4(TForm1& owner);
    ~TForm4() override;

    // Commands.
    void SetupLabelOKClick();
    void SetupLabel1Click();
    void SetupLang1Click();
    void SetupLang2Click();
    void SetupXENGLabelClick();
    // Hands the choices to the main window; runs once, however the dialog closes.
    void FormClose();

    // The cursor frame around label `n` (SetupCursor numbers); 0 or the framed label does nothing.
    void ShowSetupCursor(int n);
    void SetupCursorOff();
    int CursorNumber() const { return cursor_; }

    // The radio buttons take this colour at more than 8 bits per pixel, black otherwise.
    static constexpr QRgb kButtonColour = 0xFF4A4D4B;

    // Components, bottom to top.
    PaintBox* PaintBox1 = nullptr;
    ImageBox* SetupImage = nullptr;
    FormLabel* SetupLabelOK = nullptr;
    FormLabel* SetupXENGLabel = nullptr;
    FormLabel* SetupXCZLabel = nullptr;
    FormLabel* SetupLang2 = nullptr;
    FormLabel* SetupLang1 = nullptr;
    FormLabel* SetupLabel1 = nullptr;
    FormLabel* SetupLabel2 = nullptr;
    QCheckBox* SetupCheck1 = nullptr;
    QCheckBox* SetupCheck2 = nullptr;
    QRadioButton* SetupRad1 = nullptr;
    QRadioButton* SetupRad2 = nullptr;
    QWidget* SetupAnimation = nullptr;

    // Every way of closing ends here, so that FormClose always runs.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    void WireHandlers();
    FormLabel* CursorLabel(int n) const;
    void DrawFrame(int n, QRgb colour);
    void PaintSurface(const QRect& clip);

    TForm1& owner_;
    int cursor_ = SetupCursor::None;
    bool closed_ = false;
};

} // namespace tavox
