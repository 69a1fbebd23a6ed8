// Windows-to-host path lookups on the sample CD as a demo selection makes them: a picture that exists as
// spelled, a ready bitmap that does not (its directory's listing answers), and a picture spelled in another
// case than the disc's.
#include "platform/drive_map.h"

#include <benchmark/benchmark.h>

#include <string_view>

namespace tavox {
namespace {

namespace fs = std::filesystem;

void LocateRepeatedly(benchmark::State& state, std::string_view windows_path, fs::file_type expected) {
    DriveMap drives;
    drives.Map('D', TAVOX_SAMPLE_CD, DriveType::CdRom);
    for (auto _ : state) {
        const std::optional<HostEntry> entry = drives.Locate(windows_path);
        if (!entry || entry->type != expected) {
            state.SkipWithError("the lookup did not find what the sample CD holds");
            return;
        }
        benchmark::DoNotOptimize(entry->path.native().data());
    }
}

void BM_LocateExisting(benchmark::State& state) {
    LocateRepeatedly(state, "D:\\TAVOX\\MLOK01.JPG", fs::file_type::regular);
}
BENCHMARK(BM_LocateExisting);

void BM_LocateMissing(benchmark::State& state) {
    LocateRepeatedly(state, "D:\\TAVOX\\RGB\\MLOK01.BMP", fs::file_type::not_found);
}
BENCHMARK(BM_LocateMissing);

void BM_LocateInAnotherCase(benchmark::State& state) {
    LocateRepeatedly(state, "D:\\tavox\\mlok01.jpg", fs::file_type::regular);
}
BENCHMARK(BM_LocateInAnotherCase);

} // namespace
} // namespace tavox

BENCHMARK_MAIN();
