// One search keystroke in the shelf window over a shelf that is already indexed: the window is opened on the
// folder, and each prefix of each word list is typed into its search field as a user types it, repeatedly.
// A keystroke is timed from the key to the repaint it asks for: the search, the installed marks and the rows.
// Prints the median and the slowest keystroke, and the resident memory once the window has shown the discs
// (their pictures included) and searched.
// Usage: shelf_search FOLDER MACHINE WORDS...
#include "app/shelf_window.h"

#include <sys/resource.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: shelf_search FOLDER MACHINE WORDS...\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::absolute(argv[1]);
    const std::filesystem::path machine = argv[2];
    const std::vector<QString> word_lists(argv + 3, argv + argc);
    QApplication application(argc, argv);
    tavox::ShelfWindow window(folder, machine, {});
    bool scanned = false;
    window.OnScanned([&scanned] { scanned = true; });
    window.show();
    while (!scanned) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    auto* search = window.findChild<QLineEdit*>(QStringLiteral("ShelfSearch"));
    const auto* list = window.findChild<QListWidget*>(QStringLiteral("ShelfList"));
    const int discs = list->count();
    std::vector<double> keystrokes_ms;
    for (int round = 0; round < 5; ++round) {
        for (const QString& words : word_lists) {
            search->clear();
            QApplication::processEvents();
            for (const QChar letter : words) {
                const auto start = std::chrono::steady_clock::now();
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(letter));
                QApplication::sendEvent(search, &press);
                QApplication::processEvents();
                keystrokes_ms.push_back(
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                        .count());
            }
        }
    }
    std::sort(keystrokes_ms.begin(), keystrokes_ms.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("search keystroke over %d discs: median %.2f ms, slowest %.2f ms (%zu keystrokes, last shown "
                "%d rows)\n",
                discs, keystrokes_ms[keystrokes_ms.size() / 2], keystrokes_ms.back(), keystrokes_ms.size(),
                list->count());
    std::printf("memory with %d discs shown and searched: peak resident %ld MiB\n", discs,
                usage.ru_maxrss / 1024);
    return 0;
}
