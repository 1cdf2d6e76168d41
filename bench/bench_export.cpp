// Speed of the byte viewer, the search and the screen renderer.
//
//   BM_HexCliVsXxd   quillmar-cli hex on a 65,535-byte CODE file against xxd on
//                    the same bytes: both times side by side and their ratio
//   BM_HexLines      the same print lines built in-process
//   BM_RenderScreen  a SCREEN$ at 100/200/300 %   (target at 300 %: <= 1 ms)
//   BM_Search        a search across 65,535 bytes (target: <= 1 ms)

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include "BenchSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "bytes/ByteGrid.h"
#include "bytes/ByteSearch.h"
#include "disk/DiskBuilder.h"
#include "screen/ScreenRenderer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

Bytes randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) {
        x = static_cast<std::uint8_t>(rng());
    }
    return b;
}

// A disk with one 65,535-byte CODE file and the same bytes as a plain file.
struct HexFixture {
    fs::path dir;
    std::string image;
    std::string raw;
    HexFixture() : dir(fs::temp_directory_path() / ("quillmar-bench-" + std::to_string(::getpid()))) {
        fs::create_directories(dir);
        const Bytes data = randomBytes(65535, 42);
        image = (dir / "big.opu").string();
        raw = (dir / "big.bin").string();
        const Bytes disk = DiskBuilder("BENCH").addFile("big", 3, data, 0x8000).build();
        std::ofstream(image, std::ios::binary)
            .write(reinterpret_cast<const char*>(disk.data()), static_cast<std::streamsize>(disk.size()));
        std::ofstream(raw, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    ~HexFixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

HexFixture& fixture() {
    static HexFixture f;
    return f;
}

void BM_HexCliVsXxd(benchmark::State& state) {
    const HexFixture& f = fixture();
    double ours = 0;
    double theirs = 0;
    for (auto _ : state) {
        const double a = timedRun({QUILLMAR_CLI_PATH, "hex", f.image, "1"});
        const double b = timedRun({"xxd", f.raw});
        if (a < 0 || b < 0) {
            state.SkipWithError(a >= 0 ? "xxd failed or is missing" : "quillmar-cli hex failed");
            return;
        }
        ours += a;
        theirs += b;
        state.SetIterationTime(a);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["quillmar_ms"] = ours / n * 1e3;
    state.counters["xxd_ms"] = theirs / n * 1e3;
    state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
    reportBudget(state, ours / theirs, 1.0);
}
BENCHMARK(BM_HexCliVsXxd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_HexLines(benchmark::State& state) {
    const ByteGrid grid(randomBytes(65535, 7), 0x8000);
    for (auto _ : state) {
        std::string text = ByteGrid::PrintHeaderLine();
        text += '\n';
        for (int r = 1; r <= grid.dataRows(); ++r) {
            grid.appendPrintLine(text, r);
            text += '\n';
        }
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
