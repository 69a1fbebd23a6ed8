// One search keystroke over a shelf that is already indexed: the shelf's folder is given, and each prefix of
// each word list (as a user types it) is searched, repeatedly; prints the median and the slowest keystroke,
// and the resident memory once the discs' listings (pictures included) and a search are held.
// Usage: shelf_search FOLDER WORDS...
#include "shelf/shelf_index.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: shelf_search FOLDER WORDS...\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    tavox::ShelfIndex index(tavox::ShelfIndex::DefaultFile());
    index.Refresh(folder);
    const std::vector<tavox::ShelfListing> listings = index.Listings(folder, true);
    std::vector<double> keystrokes_ms;
    std::size_t hits = 0;
    for (int round = 0; round < 5; ++round) {
        for (int i = 2; i < argc; ++i) {
            const std::string words = argv[i];
            for (std::size_t typed = 1; typed <= words.size(); ++typed) {
                const auto start = std::chrono::steady_clock::now();
                hits = index.Search(folder, words.substr(0, typed)).size();
                keystrokes_ms.push_back(
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                        .count());
            }
        }
    }
    std::sort(keystrokes_ms.begin(), keystrokes_ms.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "search keystroke over %zu discs: median %.2f ms, slowest %.2f ms (%zu keystrokes, last found %zu)\n",
        listings.size(), keystrokes_ms[keystrokes_ms.size() / 2], keystrokes_ms.back(), keystrokes_ms.size(),
        hits);
    std::printf("memory with %zu discs listed and searched: peak resident %ld MiB\n", listings.size(),
                usage.ru_maxrss / 1024);
    return 0;
}
