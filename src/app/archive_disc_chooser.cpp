#include "app/archive_disc_chooser.h"

#include "presentation/widgets.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace tavox {

namespace {

// The directory chooser's size and places.
constexpr int kClientWidth = 323;
constexpr int kClientHeight = 199;

} // namespace

ArchiveDiscChooser::ArchiveDiscChooser(const std::string& archive_name, const std::vector<std::string>& names,
                                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ArchiveDiscChooser"));
    setWindowTitle(QStringLiteral("TAVOX CD: %1").arg(QString::fromStdString(archive_name)));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(ArialFont(12));

    auto* background = new ImageBox(this);
    background->setGeometry(0, 0, kClientWidth, kClientHeight);
    background->stretch = true;
    background->SetImage(QImage(QStringLiteral(":/MAINBMP")));

    auto* caption = new QLabel(QStringLiteral("The archive holds several discs:"), this);
    caption->setGeometry(48, 10, 170, 16); // beside the picture's mark in its corner
    QPalette caption_palette = caption->palette();
    caption_palette.setColor(QPalette::WindowText, Qt::white);
    caption->setPalette(caption_palette);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("DiscList"));
    list_->setGeometry(24, 32, 190, 148);
    list_->setFont(ArialFont(11));
    QPalette list_palette = list_->palette();
    list_palette.setColor(QPalette::Base, Qt::white);
    list_palette.setColor(QPalette::Text, Qt::black);
    list_->setPalette(list_palette);
    for (const std::string& name : names) {
        list_->addItem(QString::fromStdString(name));
    }
    list_->setCurrentRow(0);

    const auto button = [this](const char* name, const QString& caption_text, int top) {
        auto* push = new QPushButton(caption_text, this);
        push->setObjectName(QString::fromLatin1(name));
        push->setGeometry(226, top, 75, 25);
        return push;
    };
    QPushButton* ok = button("OKButton", QStringLiteral("&OK"), 32);
    ok->setDefault(true);
    QPushButton* cancel = button("CancelButton", QStringLiteral("&Cancel"), 64);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
    list_->setFocus();
}

std::optional<std::size_t> ArchiveDiscChooser::Chosen() const {
    if (result() != QDialog::Accepted || list_->currentRow() < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(list_->currentRow());
}

std::optional<std::size_t> ChooseArchiveDisc(const std::string& archive_name,
                                             const std::vector<std::string>& names) {
    ArchiveDiscChooser chooser(archive_name, names);
    chooser.exec();
    return chooser.Chosen();
}

} // namespace tavox
