// make-raw-image ISO RAW mode1|mode2 [LEAD_SECTORS]: writes an ISO image's sectors as a raw 2352-byte image,
// for the end-to-end tests' .bin/.cue discs.
#include "support/disc_images.h"

#include <cstdio>
#include <string>
#include <string_view>

int main(int argc, char* argv[]) {
    if (argc < 4 || (std::string_view(argv[3]) != "mode1" && std::string_view(argv[3]) != "mode2")) {
        std::fputs("usage: make-raw-image ISO RAW mode1|mode2 [LEAD_SECTORS]\n", stderr);
        return 2;
    }
    const auto format = std::string_view(argv[3]) == "mode1" ? tavox::test::RawFormat::Mode1
                                                             : tavox::test::RawFormat::Mode2Form1;
    const unsigned lead = argc > 4 ? static_cast<unsigned>(std::stoul(argv[4])) : 0;
    return tavox::test::MakeRawImage(argv[1], argv[2], format, 2352, lead) ? 0 : 1;
}
