#pragma once

// The full-screen screenshot viewer TForm2: the pictures of the current demo or hotshot at full size, browsed
// with the mouse or the arrow keys. It shares the picture counter with the main window's small view and hands
// the small view back the picture last seen when it closes.

#include "media/jpeg_decoder.h"
#include "presentation/widgets.h"

#include <QCursor>
#include <QDialog>
#include <QPoint>

#include <cstdint>
#include <optional>
#include <string>

namespace tavox {

class TForm1;

// The application's cursor table: numbered cursors that controls can show. A number that is not registered
// stands for the default pointer.
std::optional<QCursor> RegisteredCursor(int number);

// Keeps the viewer's five cursors (11 to 15) in the cursor table for as long as it lives.
class ViewerCursorRegistration {
public:
    ViewerCursorRegistration();
    ~ViewerCursorRegistration();
    ViewerCursorRegistration(const ViewerCursorRegistration&) = delete;
    ViewerCursorRegistration& operator=(const ViewerCursorRegistration&) = delete;
};

// Where the 640×480 viewer opens: centred on a screen of the given size, halves rounded towards zero as
// Windows centres a form.
QPoint ViewerPlacement(int screen_width, int screen_height);

class TForm2 : public QDialog {
public:
    // FormCreate: builds the controls, registers the cursors and shows the owner's current picture. It reads
    // and writes the owner's picture counter directly.
    explicit TForm2(TForm1& owner);
    ~TForm2() override;

    // Decodes picture PictureNumber of PictureBase at full size into BigImage. False when the picture could
    // not be read: the error box has been shown and the calling handler must stop there.
    bool LoadBigPicture();
    // The decoder's progress: only the end of a decode makes the viewer ready for the next step.
    void ProgressProc(JpegStage stage);

    void BigImageMouseUp(Qt::MouseButton button);
    void Image1Click();
    void Image2Click();
    void Image3Click();
    void FormKeyUp(int key);
    // Hands the picture back to the main window's small view; runs once, however the viewer closes.
    void FormClose();

    void done(int result) override;

    std::string PictureBase;       // the picture series of the item current at opening
    std::uint8_t PictureReady = 1; // 1 when the last decode has finished

    // Controls, bottom to top. Image1, Image2 and Image3 show nothing: they are click areas told apart by
    // their pointers.
    ImageBox* BigImage = nullptr;
    ImageBox* Image1 = nullptr;
    ImageBox* Image2 = nullptr;
    ImageBox* Image3 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void CreateComponents();
    void StepNext(bool from_picture);
    void StepPrevious();

    TForm1& owner_;
    std::optional<ViewerCursorRegistration> cursors_;
    bool closed_ = false;
};

} // namespace tavox
