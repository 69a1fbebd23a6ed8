#pragma once

// The unpack dialog TUnpackForm: a borderless progress window that extracts the current item's archive into
// the chosen directory, shows the share of files done, reports archive errors and, on the demos page, lets
// the reader abort with Escape.

#include "installer/trar.h"
#include "presentation/widgets.h"

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <string>

namespace tavox {

class CopyAnimation;
class TForm1;

class TUnpackForm : public QDialog {
public:
    explicit TUnpackForm(TForm1& owner);
    ~TUnpackForm() override;

    // The percentage shown after a file while `files_left` of `file_count` were still to come before it.
    static std::string Percentage(int files_left, int file_count);

    // Components.
    ImageBox* Image1 = nullptr;
    FormLabel* PackLabel1 = nullptr;
    FormLabel* PackLabel2 = nullptr;
    FormLabel* PackLabel3 = nullptr;
    FormLabel* Label1 = nullptr;
    CopyAnimation* Animate1 = nullptr;
    TRAR RAR;
    QTimer* Timer1 = nullptr;

    std::string ItemName;
    std::uint16_t FileCount = 0;
    std::uint16_t FilesLeft = 0;

    void FormActivate();
    void Timer1Timer();
    void RARListFile();
    void RARExtract();
    void RARError(int error);
    void FormKeyDown(int key);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateComponents();
    std::string ArchiveName() const;

    TForm1& owner_;
    bool activated_ = false;
    bool closing_ = false;  // an error or an abort asked for the close; it takes effect after the extraction
    bool finished_ = false; // the extraction has returned
};

} // namespace tavox
