// make-raw-image ISO RAW mode1|mode2 [LEAD_SECTORS]: writes an ISO image's sectors as a raw 2352-byte image.
// make-raw-image --shape SHAPE ISO BASE: writes the disc in another shape beside BASE (a path without
// extension) and prints the file to open; SHAPE is nrg, nrg-old, nrg-tao, mds, ccd or cue-per-track.
// For the end-to-end tests' and the benchmarks' discs.
#include "support/disc_images.h"

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

namespace {

int Usage() {
    std::fputs("usage: make-raw-image ISO RAW mode1|mode2 [LEAD_SECTORS]\n"
               "       make-raw-image --shape nrg|nrg-old|nrg-tao|mds|ccd|cue-per-track ISO BASE\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    using enum tavox::test::DiscShape;
    if (argc == 5 && std::string_view(argv[1]) == "--shape") {
        const std::map<std::string_view, tavox::test::DiscShape> shapes = {{"nrg", NrgDiscAtOnce},
                                                                           {"nrg-old", NrgDiscAtOnceOld},
                                                                           {"nrg-tao", NrgTrackAtOnce},
                                                                           {"mds", Mds},
                                                                           {"ccd", Ccd},
                                                                           {"cue-per-track", CueOnePerTrack}};
        const auto shape = shapes.find(argv[2]);
        if (shape == shapes.end()) {
            return Usage();
        }
        const auto made = tavox::test::MakeDiscShape(argv[3], argv[4], shape->second);
        std::printf("%s\n", made.c_str());
        return 0;
    }
    if (argc < 4 || (std::string_view(argv[3]) != "mode1" && std::string_view(argv[3]) != "mode2")) {
        return Usage();
    }
    const auto format = std::string_view(argv[3]) == "mode1" ? tavox::test::RawFormat::Mode1
                                                             : tavox::test::RawFormat::Mode2Form1;
    const unsigned lead = argc > 4 ? static_cast<unsigned>(std::stoul(argv[4])) : 0;
    return tavox::test::MakeRawImage(argv[1], argv[2], format, 2352, lead) ? 0 : 1;
}
