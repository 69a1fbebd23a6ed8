#include "app/disc_start.h"

#include "app/disc_unpack_dialog.h"
#include "app/message_boxes.h"
#include "disc/disc_cache.h"
#include "disc/disc_search.h"
#include "disc/drive_label.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tavox {

namespace {

const QString kCaption = QStringLiteral("TAVOX CD");

std::optional<std::filesystem::path> PrepareImage(const std::filesystem::path& path, const DiscCache& cache,
                                                  MessageBoxes& messages) {
    const DiscImageResult opened = OpenDiscImage(path);
    if (!opened.image) {
        messages.Show(MessageKind::Error, kCaption, QString::fromStdString(opened.error));
        return std::nullopt;
    }
    if (auto cached = cache.Find(opened.image->volume)) {
        return cached;
    }
    const DiscCheck check = [&path](const std::filesystem::path& unpacked) -> std::optional<std::string> {
        if (HoldsMenuCatalogue(unpacked)) {
            return std::nullopt;
        }
        return "The disc image \"" + path.string() +
               "\" does not hold the menu's catalogue (TAVOX\\TAVOX95.INI).";
    };
    const DiscCacheFill filled = RunDiscUnpackDialog(cache, *opened.image, check);
    if (filled.status == UnpackStatus::Failed) {
        messages.Show(MessageKind::Error, kCaption, QString::fromStdString(filled.error));
    }
    if (filled.status != UnpackStatus::Done) {
        return std::nullopt;
    }
    return filled.root;
}

} // namespace

std::optional<std::filesystem::path> PrepareCdDirectory(const std::filesystem::path& disc,
                                                        const DiscCache& cache, MessageBoxes& messages) {
    std::error_code ec;
    if (!std::filesystem::is_directory(disc, ec)) {
        return PrepareImage(disc, cache, messages);
    }
    // The disc's own directory stays the drive when no label can be had for it, as before.
    if (const auto label = MountedDiscLabel(disc)) {
        if (auto links = MakeLabelledLinkDir(cache.Root().parent_path() / "mounts", disc, *label)) {
            return links;
        }
    }
    return disc;
}

std::optional<std::filesystem::path> ChooseDisc(QWidget* parent) {
    QMessageBox box(
        QMessageBox::Question, kCaption,
        QStringLiteral(
            "No TAVOX CD was found. Choose the disc's folder, a folder of discs or an image of the disc."),
        QMessageBox::Cancel, parent);
    box.setObjectName(QStringLiteral("ChooseDiscBox"));
    QPushButton* folder = box.addButton(QStringLiteral("Disc folder..."), QMessageBox::AcceptRole);
    QPushButton* image = box.addButton(QStringLiteral("Image file..."), QMessageBox::AcceptRole);
    box.exec();
    QString chosen;
    if (box.clickedButton() == folder) {
        chosen = QFileDialog::getExistingDirectory(parent, QStringLiteral("The disc's folder"));
    } else if (box.clickedButton() == image) {
        chosen = QFileDialog::getOpenFileName(
            parent, QStringLiteral("An image of the disc"), QString(),
            QStringLiteral(
                "Disc images (*.iso *.cue *.bin *.img *.mdf *.mds *.nrg *.ccd *.ISO *.CUE *.BIN *.IMG "
                "*.MDF *.MDS *.NRG *.CCD);;All files (*)"));
    }
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(chosen.toStdString());
}

} // namespace tavox
