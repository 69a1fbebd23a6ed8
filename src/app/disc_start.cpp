#include "app/disc_start.h"

#include "app/archive_disc_chooser.h"
#include "app/disc_unpack_dialog.h"
#include "app/message_boxes.h"
#include "disc/archive_image.h"
#include "disc/archive_reader.h"
#include "disc/disc_cache.h"
#include "disc/disc_search.h"
#include "disc/drive_label.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tavox {

namespace {

const QString kCaption = QStringLiteral("TAVOX CD");

DiscCheck CatalogueCheck(const std::filesystem::path& path) {
    return [path](const std::filesystem::path& unpacked) -> std::optional<std::string> {
        if (HoldsMenuCatalogue(unpacked)) {
            return std::nullopt;
        }
        return "The disc image \"" + path.string() +
               "\" does not hold the menu's catalogue (TAVOX\\TAVOX95.INI).";
    };
}

std::optional<std::filesystem::path> Filled(const DiscCacheFill& filled, MessageBoxes& messages) {
    if (filled.status == UnpackStatus::Failed) {
        messages.Show(MessageKind::Error, kCaption, QString::fromStdString(filled.error));
    }
    if (filled.status != UnpackStatus::Done) {
        return std::nullopt;
    }
    return filled.root;
}

std::string ChoiceName(const ArchiveDiscEntry& disc) {
    return disc.kind == ArchiveDiscKind::Folder && disc.name.empty()
               ? std::string("(the archive's top folder)")
               : disc.name;
}

// The disc inside an archive: the one named (a shelf's choice), else chosen from a list when there are
// several; found in the cache by its identity before more than its first bytes are unpacked.
std::optional<std::filesystem::path> PrepareArchive(const std::filesystem::path& path, const DiscCache& cache,
                                                    MessageBoxes& messages, std::string_view name = {}) {
    const ArchiveDiscs found = FindArchiveDiscs(path);
    if (found.discs.empty()) {
        messages.Show(MessageKind::Error, kCaption, QString::fromStdString(found.error));
        return std::nullopt;
    }
    std::size_t chosen = 0;
    if (!name.empty()) {
        const ArchiveDiscEntry* named = ArchiveDiscNamed(found, name);
        if (named == nullptr) {
            messages.Show(MessageKind::Error, kCaption, QString::fromStdString(NoDiscNamed(path, name)));
            return std::nullopt;
        }
        chosen = static_cast<std::size_t>(named - found.discs.data());
    } else if (found.discs.size() > 1) {
        std::vector<std::string> names;
        for (const ArchiveDiscEntry& disc : found.discs) {
            names.push_back(ChoiceName(disc));
        }
        const auto choice = ChooseArchiveDisc(path.filename().string(), names);
        if (!choice) {
            return std::nullopt;
        }
        chosen = *choice;
    }
    const ArchiveDiscEntry& entry = found.discs[chosen];
    const DiscCheck check = CatalogueCheck(path / entry.name);
    const auto work = [&](const UnpackProgress& progress) -> DiscCacheFill {
        const ArchiveDiscOpen opened = OpenArchiveDisc(path, entry, cache.Root(), progress);
        if (!opened.disc) {
            return {opened.status, {}, opened.error};
        }
        if (auto cached = cache.Find(opened.disc->Volume())) {
            return {UnpackStatus::Done, *cached, {}};
        }
        return opened.disc->Fill(cache, progress, check);
    };
    return Filled(RunDiscUnpackDialog("the disc in \"" + path.filename().string() + "\"", work), messages);
}

std::optional<std::filesystem::path> PrepareImage(const std::filesystem::path& path, const DiscCache& cache,
                                                  MessageBoxes& messages) {
    if (const auto inside = SplitArchiveDiscPath(path)) {
        return PrepareArchive(inside->archive, cache, messages, inside->name);
    }
    if (ArchiveKindOf(path)) {
        return PrepareArchive(path, cache, messages);
    }
    const Result<DiscImage> opened = OpenDiscImage(path);
    if (!opened) {
        messages.Show(MessageKind::Error, kCaption, QString::fromStdString(opened.Error().text));
        return std::nullopt;
    }
    if (auto cached = cache.Find(opened->volume)) {
        return cached;
    }
    return Filled(RunDiscUnpackDialog(cache, *opened, CatalogueCheck(path)), messages);
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
                "Disc images (*.iso *.cue *.bin *.img *.mdf *.mds *.nrg *.ccd *.7z *.zip *.rar *.ISO *.CUE "
                "*.BIN *.IMG *.MDF *.MDS *.NRG *.CCD *.7Z *.ZIP *.RAR);;All files (*)"));
    }
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(chosen.toStdString());
}

} // namespace tavox
