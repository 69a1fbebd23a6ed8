#pragma once

#include "app/main_window_state.h"
#include "app/message_boxes.h"
#include "app/qt_event_pump.h"
#include "app/string_table.h"
#include "catalogue/detection.h"
#include "presentation/widgets.h"
#include "shelf/page_item.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <optional>
#include <string>

namespace tavox {

class Launcher;
class Machine;
class SoundOutput;

// How the program was started, as the start-up rules need it.
struct StartupOptions {
    std::string first_argument; // "A", "T" or anything else
    std::string program_path;   // the program's own Windows path ("D:\TAVOX\TAVOX95.EXE")
    std::optional<int> depth;   // bits per pixel instead of the screen's
    std::optional<int> screen_width;
};

// The services the main window works through: the machine (files, registry, drives), the sound output and
// the message boxes. Tests pass their own.
struct FormServices {
    Machine& machine;
    Launcher& launcher;
    SoundOutput& sound;
    MessageBoxes& messages;
};

// The menu's main window: every component of the form as a widget named after it, and the main window state.
// Its operations are defined in app/form1*.cpp, and beside the dialog each of two opens; every group below
// names the file that holds it.
class TForm1 : public QWidget, public MainWindowState {
public:
    TForm1(FormServices services, StartupOptions options);
    ~TForm1() override;

    // Start-up and end (form1.cpp).
    bool FormCreate();   // false when the program must end (no CD)
    bool FormActivate(); // false when the program must end (no catalogue)
    // Opens the page of that kind, when the bar has it, and moves to the item as the Down key would.
    void SelectPageItem(const PageItem& select);
    // The item to show once the first activation has loaded the catalogue.
    void SelectOnStart(const PageItem& select) { select_on_start_ = select; }
    void FormDestroy();

    // Texts (form1.cpp).
    std::string LoadString(StringId text) const;
    void ChangeLanguage();

    // The page bar and the pages (form1_page_openers.cpp).
    void ResetPages();
    void AddPage(std::uint8_t kind);
    void DisplayPages();
    void MainButtonClick(int n);
    void HideLabels();
    void SetDemosPage();
    void SetSharewarePage();
    void SetUpdatesPage();
    void SetFilmsPage();
    void SetVyrnistePage();
    void SetReadersPage();
    void SetHotshotsPage();
    void SetInstalledPage();
    void SetCustomPage();

    // The list and the keyboard (form1_item_list.cpp).
    void FillList();
    void ClearList();
    void ScrollListUp();
    void ScrollListDown();
    void UpdateScrollBar(int y);
    void PageSelect();
    void InvalidateLine();
    bool DemosLabelTest(int r) const;
    void DemosLabelClick(int row);
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    int PageItemCount() const;

    // The detail panel (form1_detail_panel.cpp).
    void SetDemos();
    void SetShare();
    void SetUpdates();
    void SetShots();
    void SetReaders();
    void SetInstalled();
    void PlaceThumb(int count, int k);

    // Lit section buttons (form1_button_lighting.cpp).
    void Invert(int n);
    void UnInvert(int n);
    void InvertingProc(int n);
    void MainButtonMouseMove(int n);

    // Frames and painting (form1_painting.cpp).
    void DrawBorder(const Rect& r, QColor color);
    void ClearBorder(const Rect& r, bool keep);
    void ShowListBorder(int n);
    bool ShowCursor(int n);
    void CursorOff();
    void SetListOff();
    void SelectSmallImage();
    void PaintBox1Paint(const QRect& clip);
    void DrawLines();
    void BackgroundImageMouseMove();
    // The component of an object number (1..15 rows, 20..26 commands and fixed labels).
    FormLabel* AssignObject(int n) const;

    // The small picture (form1_small_picture.cpp).
    // False when the picture could not be loaded: the box was shown and the picture area and the marks
    // keep what they showed.
    bool LoadSmallPicture(const std::string& base);
    bool PrevPicture(const std::string& base) const;
    bool NextPicture(const std::string& base) const;
    // The picture base of the current demo or hotshot; empty on other pages.
    std::string CurrentPictureBase() const;
    void LeftSpot2Click();
    void RightSpot2Click();

    // The screenshot viewer over the small picture (form1_viewer_open.cpp).
    void SmallImageClick();

    // The settings dialog (form1_setup_page.cpp).
    void SetSetupPage();

    // Sounds and the install watch (form1_events.cpp).
    // Plays a sound resource ("BYE", "NO", "STUPID") and returns when it has finished.
    void PlayWAV(const char* resource);
    void WormImageClick();
    void Timer1Timer();
    // What detection of installed items reads, from the window's state.
    DetectionContext Detection();

    // Commands that open something (form1_commands.cpp).
    void CommandClick(int object);
    void ReadmeButtonClick();
    void ExplorerLabelClick();
    void TornikBitmapClick();

    // Run (form1_run_flow.cpp).
    void RunButtonClick();
    void RunProc(TDemos record);

    // Install (form1_install_flow.cpp).
    void InstallButtonClick();
    void InstallProc(TDemos& record);

    // Uninstall (form1_uninstall_flow.cpp).
    void UnButtonClick();
    void UninstallProc(TDemos& record);
    bool DeleteQuestion(const std::string& path);
    void RemoveTree(const std::string& path);
    void RemoveStartFolder(const std::string& name);
    void ApplyDelete();

    // The directory chooser (TForm3), modal; its answer is left in folders.ChosenDir (empty: cancelled).
    // Beside the dialog (form3_directory_chooser.cpp).
    void ShowDirectoryChooser();

    // The unpack dialog (TUnpackForm), modal; it empties folders.ChosenDir when the unpacking failed.
    // Beside the dialog (unpack_form.cpp).
    void ShowUnpackDialog();

    // Components by number (defined here).
    // The list row label r (1..15).
    FormLabel* Row(int r) const { return rows_[static_cast<std::size_t>(r - 1)]; }
    ImageBox* SectionButton(int n) const { return section_buttons_[static_cast<std::size_t>(n - 1)]; }
    FormLabel* SectionLabel(int n) const { return section_labels_[static_cast<std::size_t>(n - 1)]; }

    // Components, named as the form names them.
    ImageBox* BackgroundImage = nullptr;
    ImageBox* MetaImage = nullptr;
    PaintBox* PaintBox1 = nullptr;
    ImageBox* Image3 = nullptr;
    ImageBox* LeftSpot = nullptr;
    ImageBox* RightSpot = nullptr;
    FormLabel* TechLabel = nullptr;
    FormLabel* TextLabel = nullptr;
    FormLabel* CDNumberLabel = nullptr;
    FormLabel* DemoNameLabel = nullptr;
    ImageBox* LeftSpot2 = nullptr;
    ImageBox* RightSpot2 = nullptr;
    ImageBox* UpSpot = nullptr;
    ImageBox* UpSpot2 = nullptr;
    ImageBox* DownSpot = nullptr;
    FormLabel* InstallButton = nullptr;
    FormLabel* RunButton = nullptr;
    FormLabel* UnButton = nullptr;
    FormLabel* ReadmeButton = nullptr;
    FormLabel* FirmLabel = nullptr;
    FormLabel* DateLabel = nullptr;
    ImageBox* DownSpot2 = nullptr;
    FormLabel* Label3D = nullptr;
    FormLabel* LabelNet = nullptr;
    ImageBox* WormImage = nullptr;
    ImageBox* Image1 = nullptr;
    FormLabel* ExplorerLabel = nullptr;
    ImageBox* Image2 = nullptr;
    ImageBox* JezdecPicture = nullptr;
    ImageBox* SloganImage = nullptr;
    FormLabel* ExitLabel = nullptr;
    FormLabel* SetupLabel = nullptr;
    ImageBox* TempImage = nullptr;
    FormLabel* LabelCZ = nullptr;
    FormLabel* UpdatesVersionLabel = nullptr;
    ImageBox* TornikBitmap = nullptr;
    QTimer* Timer1 = nullptr;

    FormServices services;
    StartupOptions options;

protected:
    // The window's own events (form1.cpp).
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The events of the components that WireHandlers watches (form1_events.cpp).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateComponents(); // form1_layout.cpp
    void WireHandlers();     // form1_events.cpp
    // form1.cpp.
    void LoadMainBitmaps();
    void ReadUserFolders();
    void ShowCatalogueError(const std::string& message);
    void WaitChanged(bool waiting);
    // form1_item_list.cpp.
    std::string RowText(int index) const;
    bool RowBold(int index) const;
    QImage& Surface() { return PaintBox1->Surface(); }

    std::array<FormLabel*, 15> rows_{};
    std::array<ImageBox*, 9> section_buttons_{};
    std::array<FormLabel*, 9> section_labels_{};
    QColor text_color_ = Qt::black;
    bool activated_ = false;
    std::optional<PageItem> select_on_start_;
    bool destroyed_ = false;
    int waits_ = 0;          // started programs being waited for, nested
    QtEventPump event_pump_; // keeps the window alive while the launcher waits
    bool close_pending_ = false;
    bool thumb_dragging_ = false;
};

} // namespace tavox
