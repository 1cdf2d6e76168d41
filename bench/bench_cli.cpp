// quillmar-cli as whole processes, next to the plain tools that do the same
// amount of reading and writing.
//
//   BM_HexCliVsXxd    hex of a 65,535-byte CODE file against xxd of the same bytes
//                     (target: ratio <= 1.0)
//   BM_ListCliVsCat   list of a 184,320-byte image against cat of the image
//                     (target: ratio <= 1.2)
//   BM_ExtractMany    extract of an image whose catalogue runs on for 11,503
//                     entries (target: well under 1 s)
//
// Each iteration runs the two programs one after the other, so both see the
// same load; a shared machine still makes single runs jump about, so the
// ratio is taken between the medians, and cpu_ratio between the CPU times.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "disk/Catalogue.h"
#include "disk/DiskBuilder.h"
#include "disk/DiskImage.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An image whose every 16 bytes from the catalogue's start are slots of one
// name: the catalogue never ends and holds 11,503 files. Every slot's Word1
// names block 256, whose "header" (the slot bytes there) reads as an empty
// CODE file: type 03 from Word0, length 0 from the next two bytes.
Bytes endlessCatalogue() {
    Bytes image(kNominalImageLength);
    for (std::size_t s = kBlockSize; s + kSlotSize <= image.size(); s += kSlotSize) {
        const std::uint8_t slot[kSlotSize] = {0x03, 0x00, 0x00, 0x01, 0x00, 0x00, 's', 'a',
                                              'm',  'e',  ' ',  ' ',  ' ',  ' ',  ' ', ' '};
        std::copy(std::begin(slot), std::end(slot), image.begin() + static_cast<std::ptrdiff_t>(s));
    }
    return image;
}

struct Fixture {
    fs::path dir = fs::temp_directory_path() / ("quillmar-bench-cli-" + std::to_string(::getpid()));
    std::string image;  // one 65,535-byte CODE file
    std::string raw;    // the same bytes on their own
    std::string endless;
    Fixture() {
        fs::create_directories(dir);
        Bytes data(65535);
        std::mt19937 rng(42);
        for (auto& b : data) {
            b = static_cast<std::uint8_t>(rng());
        }
        image = (dir / "big.opu").string();
        raw = (dir / "big.bin").string();
        endless = (dir / "endless.opu").string();
        writeFile(image, DiskBuilder("BENCH").addFile("big", 3, data, 0x8000).build());
        writeFile(raw, data);
        writeFile(endless, endlessCatalogue());
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Counters: both medians of the wall time and their ratio, and the ratio of
// the CPU times, which a busy machine disturbs less.
void sideBySide(benchmark::State& state, const std::vector<std::string>& ours,
                const std::vector<std::string>& theirs) {
    std::vector<double> wallOurs;
    std::vector<double> wallTheirs;
    std::vector<double> cpuOurs;
    std::vector<double> cpuTheirs;
    for (auto _ : state) {
        const RunTime a = runOnce(ours);
        const RunTime b = runOnce(theirs);
        if (a.wall < 0 || b.wall < 0) {
            const std::string why = (a.wall < 0 ? ours[0] : theirs[0]) + " failed or is missing";
            state.SkipWithError(why.c_str());
            return;
        }
        wallOurs.push_back(a.wall);
        wallTheirs.push_back(b.wall);
        cpuOurs.push_back(a.cpu);
        cpuTheirs.push_back(b.cpu);
        state.SetIterationTime(a.wall);
    }
    state.counters["quillmar_ms"] = median(wallOurs) * 1e3;
    state.counters[theirs[0] + "_ms"] = median(wallTheirs) * 1e3;
    state.counters["ratio"] = median(wallOurs) / median(wallTheirs);
    const double cpuSum = std::accumulate(cpuTheirs.begin(), cpuTheirs.end(), 0.0);
    state.counters["cpu_ratio"] =
        cpuSum > 0 ? std::accumulate(cpuOurs.begin(), cpuOurs.end(), 0.0) / cpuSum : 0;
}

void BM_HexCliVsXxd(benchmark::State& state) {
    const Fixture& f = fixture();
    sideBySide(state, {QUILLMAR_CLI_PATH, "hex", f.image, "1"}, {"xxd", f.raw});
    state.SetLabel("target: ratio <= 1.0");
}
BENCHMARK(BM_HexCliVsXxd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(101);

void BM_ListCliVsCat(benchmark::State& state) {
    const Fixture& f = fixture();
    sideBySide(state, {QUILLMAR_CLI_PATH, "list", f.image}, {"cat", f.image});
    state.SetLabel("target: ratio <= 1.2");
}
BENCHMARK(BM_ListCliVsCat)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(101);

void BM_ExtractMany(benchmark::State& state) {
    const Fixture& f = fixture();
    const std::string out = (f.dir / "out").string();
    for (auto _ : state) {
        const RunTime t = runOnce({QUILLMAR_CLI_PATH, "extract", f.endless, out, "--force"});
        if (t.wall < 0) {
            state.SkipWithError("quillmar-cli extract failed");
            return;
        }
        state.SetIterationTime(t.wall);
    }
    state.SetLabel("11,503 entries, target: well under 1 s");
}
BENCHMARK(BM_ExtractMany)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
