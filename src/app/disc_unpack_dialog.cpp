#include "app/disc_unpack_dialog.h"

#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>

namespace tavox {

DiscCacheFill RunDiscUnpackDialog(const DiscCache& cache, const DiscImage& image, const DiscCheck& check) {
    return RunDiscUnpackDialog(
        "the disc \"" + image.volume.label + "\"",
        [&](const UnpackProgress& progress) { return cache.Fill(image, progress, check); });
}

DiscCacheFill RunDiscUnpackDialog(const std::string& what, const DiscCacheWork& work) {
    QProgressDialog dialog(QStringLiteral("Reading %1...").arg(QString::fromStdString(what)),
                           QStringLiteral("Cancel"), 0, 100);
    dialog.setObjectName(QStringLiteral("DiscUnpackDialog"));
    dialog.setWindowTitle(QStringLiteral("TAVOX CD: reading the disc"));
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);

    std::atomic<int> percent = 0;
    std::atomic<bool> cancel = false;
    std::atomic<bool> finished = false;
    DiscCacheFill result;
    std::jthread worker([&] {
        result = work([&](std::uint64_t done, std::uint64_t total) {
            percent = total == 0 ? 100 : static_cast<int>(std::min(done, total) * 100 / total);
            return !cancel;
        });
        finished = true;
    });

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        dialog.setValue(percent);
        if (finished) {
            dialog.accept();
        }
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] { cancel = true; });
    poll.start(50);
    dialog.exec();
    // Closed by Cancel or the window's close button: the unpack stops at its next block.
    cancel = !finished.load();
    worker.join();
    return result;
}

} // namespace tavox
