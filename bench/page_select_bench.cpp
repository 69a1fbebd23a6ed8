// Selecting a neighbouring demo on the demos page (PageSelect: the detail panel, a small picture decoded
// from JPEG at a quarter of its size, the frames), beside the bare quarter-size decode of the same pictures,
// so that the ratio shows what the screen adds to the decode. The two demos alternate, both ways.
#include "media/jpeg_decoder.h"
#include "support/form_fixture.h"
#include "support/offscreen.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <array>
#include <chrono>
#include <filesystem>

namespace tavox {
namespace {

// Demos 3 and 4 of the sample CD have no ready first-picture bitmap, and pictures 640 pixels wide.
constexpr std::array<int, 2> kDemos = {3, 4};
const std::array<std::filesystem::path, 2> kPictures = {
    std::filesystem::path(TAVOX_SAMPLE_CD) / "TAVOX" / "MLOK01.JPG",
    std::filesystem::path(TAVOX_SAMPLE_CD) / "TAVOX" / "HRADBY01.JPG",
};

// The two benchmarks below, run in turn in short blocks: on a shared machine the speed drifts by tens of
// percent between benchmarks run seconds apart, which the ratio of two separate runs takes for the
// selection's cost. Each block is a run of selections, each followed by its repaint as above, then a run of
// bare decodes back to back, so that each meets what it meets in its own benchmark. The time is a
// selection's; the counters give a bare decode's and the ratio of the two.
// Registered first: the CSV report takes its columns from the first benchmark.
constexpr int kBlockSteps = 16;
constexpr int kBlocks = 40;

void BM_PageSelectBesideDecode(benchmark::State& state) {
    test::FormFixture fixture;
    if (!fixture.Start()) {
        state.SkipWithError("the menu did not start on the sample CD");
        return;
    }
    TForm1& form = fixture.Form();
    JpegDecoder decoder;
    decoder.SetScale(JpegScale::Quarter);
    decoder.SetPixelFormat(JpegPixelFormat::Rgb32);
    using Clock = std::chrono::steady_clock;
    Clock::duration selecting{};
    Clock::duration decoding{};
    for (auto _ : state) {
        Clock::duration block{};
        for (int step = 0; step < kBlockSteps; ++step) {
            form.navigation.CurrentItem = kDemos[step % 2];
            const Clock::time_point start = Clock::now();
            form.PageSelect();
            block += Clock::now() - start;
            QApplication::processEvents();
        }
        selecting += block;
        state.SetIterationTime(std::chrono::duration<double>(block).count() / kBlockSteps);
        const Clock::time_point start = Clock::now();
        for (int step = 0; step < kBlockSteps; ++step) {
            JpegDecodeResult decoded = decoder.DecodeFile(kPictures[step % 2]);
            if (!decoded.Ok()) {
                state.SkipWithError("the sample CD's picture does not decode");
                return;
            }
            benchmark::DoNotOptimize(decoded.image.pixels.data());
        }
        decoding += Clock::now() - start;
    }
    const double decode_ms = std::chrono::duration<double, std::milli>(decoding).count();
    state.counters["decode_ms"] = decode_ms / (kBlocks * kBlockSteps);
    state.counters["ratio"] = std::chrono::duration<double, std::milli>(selecting).count() / decode_ms;
}
BENCHMARK(BM_PageSelectBesideDecode)->UseManualTime()->Iterations(kBlocks)->Unit(benchmark::kMillisecond);

void BM_PageSelectNeighbourDemo(benchmark::State& state) {
    test::FormFixture fixture;
    if (!fixture.Start()) {
        state.SkipWithError("the menu did not start on the sample CD");
        return;
    }
    TForm1& form = fixture.Form();
    std::size_t next = 0;
    for (auto _ : state) {
        form.navigation.CurrentItem = kDemos[next];
        form.PageSelect();
        next = 1 - next;
        // The repaint that follows a selection is the window system's, not the selection's.
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PageSelectNeighbourDemo)->Unit(benchmark::kMillisecond);

void BM_BareQuarterDecode(benchmark::State& state) {
    JpegDecoder decoder;
    decoder.SetScale(JpegScale::Quarter);
    decoder.SetPixelFormat(JpegPixelFormat::Rgb32); // the screen pixels the menu decodes into
    std::size_t next = 0;
    for (auto _ : state) {
        JpegDecodeResult decoded = decoder.DecodeFile(kPictures[next]);
        if (!decoded.Ok()) {
            state.SkipWithError("the sample CD's picture does not decode");
            return;
        }
        benchmark::DoNotOptimize(decoded.image.pixels.data());
        next = 1 - next;
    }
}
BENCHMARK(BM_BareQuarterDecode)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tavox

int main(int argc, char** argv) {
    const tavox::test::TempDir runtime;
    tavox::test::UseOffscreenPlatform(runtime.Path());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
