#pragma once

// The shelf: the discs of a folder shown as the issues they are, and every item of every disc searched as
// one. The first scan runs beside the window and fills it as discs are read; Enter starts the menu on the
// chosen disc (and item) as a process of its own, and the shelf comes back with its installed marks brought
// up to date when the menu ends.

#include "shelf/shelf_index.h"
#include "shelf/shelf_marks.h"

#include <QHash>
#include <QPixmap>
#include <QWidget>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProcess;

namespace tavox {

class ShelfWindow : public QWidget {
public:
    // `menu_arguments` go to every menu the shelf starts (the machine, the runners).
    ShelfWindow(std::filesystem::path folder, std::filesystem::path machine_dir, QStringList menu_arguments);

    // Called once the first scan has ended.
    void OnScanned(std::function<void()> scanned) { scanned_ = std::move(scanned); }
    ~ShelfWindow() override;
    ShelfWindow(const ShelfWindow&) = delete;
    ShelfWindow& operator=(const ShelfWindow&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void StartScan();
    void ShowRows();
    void OpenRow(const QListWidgetItem* row);
    void ShowStatus();
    // Shows the rows again soon: a scan reports every disc, and the list is rebuilt at most a few times a
    // second.
    void ShowRowsSoon();
    QPixmap Icon(const std::string& path);

    std::filesystem::path folder_;
    std::filesystem::path machine_dir_;
    QStringList menu_arguments_;
    int language_ = 0;
    ShelfIndex index_;
    InstalledMarks marks_;
    QLabel* title_ = nullptr;
    QLineEdit* search_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QProcess* menu_ = nullptr;
    QString progress_;
    bool rows_due_ = false;
    QHash<QString, QPixmap> icons_; // by the disc's path; read once, as the disc is shown first
    std::atomic<bool> stop_{false};
    std::function<void()> scanned_;
    std::thread scan_;
};

// Shows the shelf of `folder` (and remembers it) until it is closed; returns the exit status. With a snapshot
// file, writes the window to it (PNG) once the shelf is read, and ends.
int RunShelfWindow(const std::filesystem::path& folder, const std::filesystem::path& machine_dir,
                   const std::optional<QString>& snapshot);

} // namespace tavox
