#pragma once

// The directory chooser TForm3: suggests a directory for an item, lets the user browse drives and
// directories or type one, asks for confirmation, creates the directory and leaves it in the main window's
// ChosenDir (emptied when the user cancels).

#include <QDialog>
#include <QListWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tavox {

class FileSystem;
class ImageBox;
class TForm1;

// A directory and a name: a drive root ("C:\") takes the name directly, any other directory with a
// backslash between.
std::string JoinDirectory(std::string_view directory, std::string_view name);

// The classic directory list: the path from the drive's root down to the current directory, then the
// directories inside it. A double-click or Enter on an entry makes it current. Names are Windows names in
// the machine's code page; each entry keeps its full path (Qt::UserRole, as bytes).
class DirectoryListBox : public QListWidget {
public:
    DirectoryListBox(QWidget* parent, const FileSystem& files);

    // Makes a directory current ("C:\" or "C:\GAMES"). False, with nothing changed, when it does not exist
    // (for a drive's root: the drive is not ready).
    bool SetDirectory(const std::string& directory);
    const std::string& Directory() const { return directory_; }
    char Drive() const { return directory_.front(); }

    // Told after the current directory changed.
    std::function<void()> on_change;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Open(const QListWidgetItem* item);
    void AddEntry(const std::string& path, const std::string& name, int depth, bool open);

    const FileSystem& files_;
    std::string directory_ = "C:\\";
};

class TForm3 : public QDialog {
public:
    explicit TForm3(TForm1& owner);
    ~TForm3() override;

    // The last path component to suggest; in forced mode the whole forced directory.
    std::string DefaultName;
    // The main window's language when the dialog was shown.
    std::uint8_t DialogLanguage = 0;

    // Handlers.
    void FormShow();
    void FormActivate();
    void DirectoryListBox1Change();
    void DriveComboBox1Change();
    void OKButtonClick();
    void CancelButtonClick();
    // Asks whether to install into `path`; false without a question on a page that installs nothing.
    bool ConfirmTarget(const std::string& path);

    // Cancel, Escape and the close box alike: nothing was chosen.
    void reject() override;

    // Components, bottom to top.
    ImageBox* Image1 = nullptr;
    QLineEdit* EditDir1 = nullptr;
    DirectoryListBox* DirectoryListBox1 = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* NewButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    bool Forced() const;
    // Puts the suggestion back: the forced directory, or the list's directory with DefaultName.
    void ResetEditDir();
    std::string EditText() const;
    void SetEditText(const std::string& text);
    void SelectDrive(char letter);
    char SelectedDrive() const;

    TForm1& owner_;
    bool shown_ = false;
};

} // namespace tavox
