// The cost of hostile and damaged recordings: crafted files of up to 10 MB
// (SCP, HFE and KryoFlux) read, decoded and turned into an image in a child
// process. Budget per file: peak memory at most 64 MB + 4 x its size and at
// most 5 s of processor time on one core.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "core/Failure.h"
#include "flux/FluxImage.h"
#include "flux/Hfe.h"
#include "flux/KryoFlux.h"
#include "flux/Mfm.h"
#include "flux/Scp.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kFileBytes = 10'000'000;
constexpr double kBudgetCpuSeconds = 5.0;

void PutU32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// 168 track sides of one revolution each, every flux word 4 µs.
Bytes DenseScp() {
    constexpr std::size_t kTracks = 168;
    const std::size_t words = (kFileBytes - 0x2B0) / kTracks / 2 - 8;
    Bytes out(0x10 + 4 * kTracks, 0);
    out[0] = 'S', out[1] = 'C', out[2] = 'P', out[5] = 1, out[7] = kTracks - 1;
    for (std::size_t t = 0; t < kTracks; ++t) {
        const std::size_t offset = out.size();
        PutU32(out, 0x10 + 4 * t, static_cast<std::uint32_t>(offset));
        out.resize(offset + 16, 0);
        out[offset] = 'T', out[offset + 1] = 'R', out[offset + 2] = 'K';
        out[offset + 3] = static_cast<std::uint8_t>(t);
        PutU32(out, offset + 4, static_cast<std::uint32_t>(words * 160));
        PutU32(out, offset + 8, static_cast<std::uint32_t>(words));
        PutU32(out, offset + 12, 16);
        for (std::size_t i = 0; i < words; ++i) {
            out.insert(out.end(), {0, 160});
        }
    }
    return out;
}

// Every track and every one of 255 revolutions pointing at the same flux.
Bytes SharedScp() {
    Bytes out(0x10 + 4 * 168, 0);
    out[0] = 'S', out[1] = 'C', out[2] = 'P', out[5] = 255, out[7] = 167;
    const std::size_t offset = out.size();
    out.resize(offset + 4 + 12 * 255 + 400'000, 0x01);
    out[offset] = 'T', out[offset + 1] = 'R', out[offset + 2] = 'K', out[offset + 3] = 0;
    for (std::size_t t = 0; t < 168; ++t) {
        PutU32(out, 0x10 + 4 * t, static_cast<std::uint32_t>(offset));
    }
    for (std::size_t r = 0; r < 255; ++r) {
        PutU32(out, offset + 4 + 12 * r, 8'000'000);
        PutU32(out, offset + 8 + 12 * r, 200'000);
        PutU32(out, offset + 12 + 12 * r, 4 + 12 * 255);
    }
    return out;
}

// 84 cylinders of two sides at the longest length the track list allows,
// a transition every other cell, at the given bit rate.
Bytes DenseHfe(int kbits) {
    Bytes out(1024, 0xFF);
    const char magic[] = "HXCPICFE";
    std::copy_n(magic, 8, out.begin());
    out[8] = 0, out[9] = 84, out[10] = 2, out[11] = 0;
    out[12] = static_cast<std::uint8_t>(kbits), out[13] = static_cast<std::uint8_t>(kbits >> 8);
    out[0x12] = 1, out[0x13] = 0;
    for (std::size_t t = 0; t < 84; ++t) {
        const std::size_t block = out.size() / 512;
        out[512 + 4 * t] = static_cast<std::uint8_t>(block),
                      out[513 + 4 * t] = static_cast<std::uint8_t>(block >> 8);
        out[514 + 4 * t] = 0xFE, out[515 + 4 * t] = 0xFF;
        out.resize(out.size() + 128 * 512, 0x55);
    }
    return out;
}

// The same sector header over and over (each ID field and its gap about
// 40 bytes of MFM), as KryoFlux flux bytes.
Bytes ManyHeadersStream() {
    flux::EncodeSector id;
    id.sizeCode = 0;
    const std::vector<flux::EncodeSector> sectors(1, id);
    const Bytes one = flux::EncodeMfmCells(sectors, 0);
    Bytes stream = {0x0D, 0x04, 0x00, 0x00};
    std::uint32_t gap = 0;
    while (stream.size() < kFileBytes) {
        for (std::uint8_t cell : one) {
            gap += 48;  // ticks per 2 µs cell at the KryoFlux sample clock
            if (cell != 0) {
                stream.push_back(gap < 0x0E ? 0x0E : static_cast<std::uint8_t>(gap));
                gap = 0;
            }
        }
    }
    return stream;
}

flux::FluxDisk ReadStream(const Bytes& bytes) {
    flux::FluxDisk disk{"kryoflux", 1, {}, {}};
    disk.tracks.push_back(flux::ReadKryoFluxStream(bytes, 0, 0, &disk.warnings));
    return disk;
}

// Reads, decodes and builds the image in a child, so that its peak memory is
// its own; a refused file (a Failure) counts as done.
void Measure(benchmark::State& state, const Bytes& bytes, flux::FluxDisk (*read)(const Bytes&)) {
    double peakMb = 0;
    double cpu = 0;
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                const auto image = flux::BuildImage(flux::DecodeFluxDisk(read(bytes)));
                benchmark::DoNotOptimize(image);
            } catch (const Failure&) {
            }
            _exit(0);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the decoding child did not finish");
            return;
        }
        peakMb = std::max(peakMb, static_cast<double>(usage.ru_maxrss) / 1024.0);
        cpu = std::max(cpu, static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6);
    }
    const double budgetMb = 64.0 + 4.0 * static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    state.counters["file_mb"] = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    state.counters["peak_mb"] = peakMb;
    state.counters["mean_ms"] = cpu * 1000.0;
    state.counters["budget"] = budgetMb;
    state.counters["over_budget"] = peakMb > budgetMb || cpu > kBudgetCpuSeconds ? 1 : 0;
}

const auto kScp = [](const Bytes& b) { return flux::ReadScp(b); };
const auto kHfe = [](const Bytes& b) { return flux::ReadHfe(b); };

void BM_DenseScp(benchmark::State& state) {
    Measure(state, DenseScp(), kScp);
}
void BM_SharedScp(benchmark::State& state) {
    Measure(state, SharedScp(), kScp);
}
void BM_DenseHfe250(benchmark::State& state) {
    Measure(state, DenseHfe(250), kHfe);
}
void BM_DenseHfe500(benchmark::State& state) {
    Measure(state, DenseHfe(500), kHfe);
}
void BM_KryoFluxManyHeaders(benchmark::State& state) {
    Measure(state, ManyHeadersStream(), ReadStream);
}
void BM_KryoFluxLongGaps(benchmark::State& state) {
    Bytes stream = {0x0D, 0x04, 0x00, 0x00};
    while (stream.size() < kFileBytes) {
        stream.insert(stream.end(), {0x0B, 0x0E});
    }
    Measure(state, stream, ReadStream);
}
BENCHMARK(BM_DenseScp)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedScp)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseHfe250)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseHfe500)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KryoFluxManyHeaders)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KryoFluxLongGaps)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
