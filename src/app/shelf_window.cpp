#include "app/shelf_window.h"

#include "app/string_table.h"
#include "catalogue/catalogue_load.h"
#include "catalogue/records.h"
#include "presentation/widgets.h"
#include "shelf/last_shelf.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QProcess>
#include <QTimer>
#include <QVBoxLayout>

namespace tavox {

namespace {

// The menu's own colours: the night-blue ground, white frame lines and text, the teal of its marks.
constexpr QRgb kGround = 0xFF0C141F;
constexpr QRgb kFrame = 0xFFFFFFFF;
constexpr QRgb kTeal = 0xFF116062;

enum class Text { Search, Reading, Discs, NotADisc, Installed, Counts, NothingFound, Count };

// English and the languages of the menu's string table, in the order of its language numbers.
constexpr const char* kTexts[][static_cast<int>(Text::Count)] = {
    {"Type to search every disc", "Reading disc %1 of %2…", "%1 discs", "not a TAVOX disc", "installed",
     "%1 demos, %2 shareware, %3 updates", "Nothing found"},
    {"Pište a hledejte na všech discích", "Čtu disk %1 z %2…", "Disků: %1", "není disk TAVOX",
     "nainstalováno", "dema: %1, shareware: %2, updaty: %3", "Nic nenalezeno"},
    {"Tüm disklerde aramak için yazın", "Disk okunuyor: %1 / %2…", "%1 disk", "TAVOX diski değil", "kuruldu",
     "%1 demo, %2 shareware, %3 update", "Hiçbir şey bulunamadı"},
    {"Tastați pentru a căuta pe toate discurile", "Se citește discul %1 din %2…", "%1 discuri",
     "nu este un disc TAVOX", "instalat", "%1 demo-uri, %2 shareware, %3 update-uri", "Nimic găsit"},
};

int DesktopLanguage() {
    switch (QLocale::system().language()) {
    case QLocale::Czech:
        return kCzech;
    case QLocale::Turkish:
        return kTurkish;
    case QLocale::Romanian:
        return kRomanian;
    default:
        return kEnglish;
    }
}

QString Tr(int language, Text text) {
    return QString::fromUtf8(kTexts[language][static_cast<int>(text)]);
}

QString PageText(int language, std::uint8_t page) {
    switch (page) {
    case PageKind::Demos:
        return QString::fromUtf8(StringTableText(TextId(language, StringId::DemosPage)));
    case PageKind::Shareware:
        return QString::fromUtf8(StringTableText(TextId(language, StringId::SharewarePage)));
    case PageKind::Updates:
        return QString::fromUtf8(StringTableText(TextId(language, StringId::UpdatesPage)));
    case PageKind::Hotshots:
        return QString::fromUtf8(StringTableText(TextId(language, StringId::HotshotsPage)));
    default:
        return QStringLiteral("Od čtenářů"); // the readers' page has this one name on every bar
    }
}

// More results than a reader looks through; the first ones, by issue, are shown as typing narrows them.
constexpr std::size_t kShownHits = 300;

// What a row opens: a disc, and on it an item.
constexpr int kPathRole = Qt::UserRole;
constexpr int kSelectRole = Qt::UserRole + 1;

QLabel* MenuLabel(QWidget* parent, int pixel_height, bool bold) {
    auto* label = new QLabel(parent);
    label->setFont(LabelFont(pixel_height, bold));
    return label;
}

} // namespace

ShelfWindow::ShelfWindow(std::filesystem::path folder, std::filesystem::path machine_dir,
                         QStringList menu_arguments)
    : folder_(std::move(folder)), machine_dir_(std::move(machine_dir)),
      menu_arguments_(std::move(menu_arguments)), language_(DesktopLanguage()),
      index_(ShelfIndex::DefaultFile()), marks_(ReadInstalledMarks(machine_dir_)) {
    setObjectName(QStringLiteral("Shelf"));
    setWindowTitle(QStringLiteral("TAVOX CD"));
    resize(640, 480);
    setMinimumSize(400, 300);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor::fromRgba(kGround));
    palette.setColor(QPalette::Base, QColor::fromRgba(kGround));
    palette.setColor(QPalette::WindowText, QColor::fromRgba(kFrame));
    palette.setColor(QPalette::Text, QColor::fromRgba(kFrame));
    palette.setColor(QPalette::PlaceholderText, QColor(0x96, 0x9D, 0xA8));
    palette.setColor(QPalette::Highlight, QColor::fromRgba(kTeal));
    palette.setColor(QPalette::HighlightedText, QColor::fromRgba(kFrame));
    setPalette(palette);
    setAutoFillBackground(true);

    title_ = MenuLabel(this, 20, true);
    title_->setText(QStringLiteral("TAVOX CD  ") + QString::fromStdString(folder_.filename().string()));
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("ShelfSearch"));
    search_->setFont(LabelFont(16, false));
    search_->setPlaceholderText(Tr(language_, Text::Search));
    search_->setFrame(false);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ShelfList"));
    list_->setFont(LabelFont(14, false));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setIconSize(QSize(80, 60));
    list_->setFocusPolicy(Qt::NoFocus);
    status_ = MenuLabel(this, 13, false);
    status_->setObjectName(QStringLiteral("ShelfStatus"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(8);
    layout->addWidget(title_);
    layout->addWidget(search_);
    layout->addWidget(list_, 1);
    layout->addWidget(status_);
    search_->installEventFilter(this);
    search_->setFocus();
    connect(search_, &QLineEdit::textChanged, this, [this] { ShowRows(); });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* row) { OpenRow(row); });
    ShowRows();
    ShowStatus();
    StartScan();
}

ShelfWindow::~ShelfWindow() {
    stop_ = true;
    if (scan_.joinable()) {
        scan_.join();
    }
}

void ShelfWindow::StartScan() {
    scan_ = std::thread([this] {
        index_.Refresh(folder_, [this](std::size_t done, std::size_t total, const std::filesystem::path&) {
            QMetaObject::invokeMethod(
                this,
                [this, done, total] {
                    progress_ = Tr(language_, Text::Reading).arg(done + 1).arg(total);
                    ShowRowsSoon();
                    ShowStatus();
                },
                Qt::QueuedConnection);
            return !stop_;
        });
        QMetaObject::invokeMethod(
            this,
            [this] {
                progress_.clear();
                ShowRows();
                ShowStatus();
                if (scanned_) {
                    scanned_();
                }
            },
            Qt::QueuedConnection);
    });
}

void ShelfWindow::ShowStatus() {
    QStringList parts;
    if (!progress_.isEmpty()) {
        parts << progress_;
    }
    if (!index_.Notice().empty()) {
        parts << QString::fromStdString(index_.Notice());
    }
    status_->setText(parts.join(QStringLiteral("  ")));
}

void ShelfWindow::ShowRows() {
    const QString words = search_->text().trimmed();
    const int current = list_->currentRow();
    list_->clear();
    if (words.isEmpty()) {
        int discs = 0;
        for (const ShelfListing& listing : index_.Listings(folder_, false)) {
            const QString path = QString::fromStdString(listing.path);
            auto* row = new QListWidgetItem(list_);
            row->setData(kPathRole, path);
            if (!listing.reason.empty()) {
                row->setText(QString::fromStdString(std::filesystem::path(listing.path).filename().string()) +
                             QStringLiteral("  —  ") + Tr(language_, Text::NotADisc) + QStringLiteral("\n") +
                             QString::fromStdString(listing.reason));
                row->setForeground(QColor(0x96, 0x9D, 0xA8));
                row->setFlags(Qt::ItemIsEnabled);
                continue;
            }
            ++discs;
            const ShelfDisc& disc = listing.disc;
            QString date;
            if (listing.date) {
                date = QLocale(QLocale::system().language())
                           .standaloneMonthName(listing.date->month, QLocale::LongFormat) +
                       QStringLiteral(" ") + QString::number(listing.date->year);
            }
            row->setText(QString::fromStdString(IssueLabel(disc.cd_issue)) + QStringLiteral("    ") + date +
                         QStringLiteral("\n") +
                         Tr(language_, Text::Counts).arg(disc.demos).arg(disc.shareware).arg(disc.updates));
            row->setIcon(Icon(listing.path));
        }
        title_->setText(QStringLiteral("TAVOX CD  ") + QString::fromStdString(folder_.filename().string()) +
                        QStringLiteral("  ·  ") + Tr(language_, Text::Discs).arg(discs));
    } else {
        for (const ShelfHit& hit : index_.Search(folder_, words.toStdString(), kShownHits)) {
            auto* row = new QListWidgetItem(list_);
            row->setData(kPathRole, QString::fromStdString(hit.path));
            row->setData(kSelectRole,
                         QString::fromUtf8(ShelfPageName(hit.page).data(),
                                           static_cast<qsizetype>(ShelfPageName(hit.page).size())) +
                             QStringLiteral(":") + QString::number(hit.number));
            const bool installed = marks_.Contains(hit.cd_issue, hit.page, hit.list_key);
            row->setText(QString::fromStdString(hit.name) + QStringLiteral("\n") +
                         QString::fromStdString(IssueLabel(hit.cd_issue)) + QStringLiteral("  ·  ") +
                         PageText(language_, hit.page) +
                         (installed ? QStringLiteral("  ·  ") + Tr(language_, Text::Installed) : QString()));
            if (installed) {
                row->setFont(LabelFont(14, true));
            }
        }
        if (list_->count() == 0) {
            auto* row = new QListWidgetItem(Tr(language_, Text::NothingFound), list_);
            row->setFlags(Qt::ItemIsEnabled);
        }
    }
    list_->setCurrentRow(words.isEmpty() && current >= 0 ? std::min(current, list_->count() - 1) : 0);
}

void ShelfWindow::ShowRowsSoon() {
    if (rows_due_) {
        return;
    }
    rows_due_ = true;
    QTimer::singleShot(250, this, [this] {
        rows_due_ = false;
        ShowRows();
    });
}

QPixmap ShelfWindow::Icon(const std::string& path) {
    const QString key = QString::fromStdString(path);
    if (const auto found = icons_.constFind(key); found != icons_.constEnd()) {
        return *found;
    }
    const std::string bytes = index_.Picture(path);
    QImage picture;
    QPixmap icon;
    if (picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()))) {
        // Drawn at the screen's own pixel size, so that it stays sharp under a scale factor.
        const qreal ratio = list_->devicePixelRatioF();
        icon = QPixmap::fromImage(
            picture.scaled(list_->iconSize() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        icon.setDevicePixelRatio(ratio);
    }
    icons_.insert(key, icon);
    return icon;
}

void ShelfWindow::OpenRow(const QListWidgetItem* row) {
    if (row == nullptr || !row->data(kPathRole).isValid() || menu_ != nullptr) {
        return;
    }
    const auto listing_is_disc = (row->flags() & Qt::ItemIsSelectable) != 0;
    if (!listing_is_disc) {
        return;
    }
    QStringList arguments = {row->data(kPathRole).toString()};
    if (row->data(kSelectRole).isValid()) {
        arguments << QStringLiteral("--select") << row->data(kSelectRole).toString();
    }
    arguments << menu_arguments_;
    menu_ = new QProcess(this);
    menu_->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(menu_, &QProcess::finished, this, [this] {
        menu_->deleteLater();
        menu_ = nullptr;
        marks_ = ReadInstalledMarks(machine_dir_);
        ShowRows();
        show();
        activateWindow();
        search_->setFocus();
    });
    menu_->start(QCoreApplication::applicationFilePath(), arguments);
    if (menu_->waitForStarted()) {
        hide();
    }
}

bool ShelfWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != search_ || event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        QKeyEvent forwarded(QEvent::KeyPress, key->key(), key->modifiers());
        QCoreApplication::sendEvent(list_, &forwarded);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OpenRow(list_->currentItem());
        return true;
    case Qt::Key_Escape:
        if (search_->text().isEmpty()) {
            close();
        } else {
            search_->clear();
        }
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void ShelfWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // The menu's frame lines: one white line round the search and one round the list.
    QPainter painter(this);
    painter.setPen(QColor::fromRgba(kFrame));
    for (const QWidget* framed : {static_cast<QWidget*>(search_), static_cast<QWidget*>(list_)}) {
        painter.drawRect(framed->geometry().adjusted(-4, -3, 3, 2));
    }
    painter.setPen(QColor::fromRgba(kTeal));
    painter.drawLine(12, title_->geometry().bottom() + 2, width() - 12, title_->geometry().bottom() + 2);
}

int RunShelfWindow(const std::filesystem::path& folder, const std::filesystem::path& machine_dir,
                   const std::optional<QString>& snapshot) {
    RememberShelf(folder);
    // The menus it starts get the options it was given, the folder left out.
    QStringList menu_arguments = QCoreApplication::arguments().mid(1);
    menu_arguments.removeAll(QString::fromStdString(folder.string()));
    ShelfWindow window(std::filesystem::absolute(folder), machine_dir, menu_arguments);
    if (snapshot) {
        window.OnScanned(
            [&window, file = *snapshot] { QCoreApplication::exit(window.grab().save(file, "PNG") ? 0 : 1); });
    }
    window.show();
    return QApplication::exec();
}

} // namespace tavox
