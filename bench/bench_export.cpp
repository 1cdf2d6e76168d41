// Speed of the byte viewer, the search and the screen renderer.
//
//   BM_HexLines      the byte viewer's print lines of 65,535 bytes, as quillmar-cli
//                    hex prints them (bench_cli runs it against xxd)
//   BM_RenderScreen  a SCREEN$ at 100/200/300 %   (target at 300 %: <= 1 ms)
//   BM_Search        a search across 65,535 bytes (target: <= 1 ms)

#include <benchmark/benchmark.h>

#include <random>

#include "BenchSupport.h"
#include "bytes/ByteGrid.h"
#include "bytes/ByteSearch.h"
#include "screen/ScreenRenderer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) {
        x = static_cast<std::uint8_t>(rng());
    }
    return b;
}

void BM_HexLines(benchmark::State& state) {
    const ByteGrid grid(randomBytes(65535, 7), 0x8000);
    for (auto _ : state) {
        const std::string text = grid.PrintText();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 65535);
}
BENCHMARK(BM_HexLines)->Unit(benchmark::kMicrosecond);

void BM_RenderScreen(benchmark::State& state) {
    ScreenRenderer renderer;
    renderer.setScreenData(randomBytes(6912, 3));
    RgbPicture picture;
    const int zoom = static_cast<int>(state.range(0));
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        renderer.renderInto(picture, zoom, ScreenRenderer::FlashPhase::Steady);
        benchmark::DoNotOptimize(picture.rgb.data());
    }
    if (zoom == 3) {
        reportTimeBudget(state, start, 1.0);
    }
    state.SetLabel(zoom == 3 ? "300 %, target <= 1 ms" : std::to_string(zoom * 100) + " %");
}
BENCHMARK(BM_RenderScreen)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// The worst case: a needle that is not there, so the whole form is scanned
// after being built, as each search of the viewer does.
void BM_Search(benchmark::State& state) {
    const Bytes data = randomBytes(65535, 9);
    const auto type = static_cast<std::int32_t>(state.range(0));
    const std::string needle = type == kSearchText      ? "QUILLMAR"
                               : type == kSearchDecimal ? "001 002 003 004"
                                                        : "01 02 03 04";
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        ByteSearch search;
        const ByteSearch::Result r = search.Search(data, type, needle);
        benchmark::DoNotOptimize(r.found);
    }
    reportTimeBudget(state, start, 1.0);
    static const char* kNames[] = {"text", "decimal", "hex"};
    state.SetLabel(std::string(kNames[type]) + ", target <= 1 ms");
}
BENCHMARK(BM_Search)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
