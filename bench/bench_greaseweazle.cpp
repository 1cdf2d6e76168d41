// What a read through a Greaseweazle costs the disk: revolutions per track
// side, counted by the simulated device, for a clean 40-track disk (at most
// 1.25 a side: one revolution and the longest sector's worth) and for a disk
// with one sector that never reads, whose side still gets every try. And
// what a verified write costs: one revolution written and the read back, at
// most 2.5 a side; a 40-track disk in an 80-track drive adds the revolution
// that erases the cylinder beside each track.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "floppy/DiskReader.h"
#include "floppy/DiskWriter.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/GreaseweazleDriver.h"
#include "gwsim/PtyServer.h"

namespace {

constexpr double kCleanBudget = 1.25;  // revolutions per track side
constexpr double kWriteBudget = 2.5;   // the same, written and read back

class SilentPrompter : public Prompter {
public:
    MsgAnswer message(const std::string&, const std::string&, MsgIcon, MsgButtons) override {
        return MsgAnswer::Ok;
    }
};

void readDisk(benchmark::State& state, const char* faults, double budget) {
    double revolutions = 0;
    for (auto _ : state) {
        gwsim::Options options;
        options.image = floppyfix::patternDisk(1);
        options.faults = gwsim::ParseFaults(faults);
        gwsim::PtyServer server(std::move(options));
        server.start();
        GreaseweazleDriver::Settings settings;
        settings.port = server.path();
        GreaseweazleDriver driver(settings);
        SilentPrompter prompter;
        DiskImage image;
        const ReadReport report = DiskReader(driver, prompter).ReadDisk("A", {}, image);
        benchmark::DoNotOptimize(report);
        revolutions += server.revolutionsRead();
    }
    const double iterations = state.iterations() > 0 ? static_cast<double>(state.iterations()) : 1.0;
    const double perSide = revolutions / iterations / DiskReader::kTrackCount;
    state.counters["revolutions_per_side"] = perSide;
    if (budget > 0) {
        reportBudget(state, perSide, budget);
    }
}

void BM_GreaseweazleCleanRead(benchmark::State& state) {
    readDisk(state, "", kCleanBudget);
}
BENCHMARK(BM_GreaseweazleCleanRead)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GreaseweazleReadWithOneBadSector(benchmark::State& state) {
    readDisk(state, "crc:0:5:9", 0);
}
BENCHMARK(BM_GreaseweazleReadWithOneBadSector)->Unit(benchmark::kMillisecond)->Iterations(1);

// Writes the 80 sides of an 80 x 1 disk (single steps: nothing to erase) or
// the 40 of a 40 x 1 disk with double steps, verified.
void writeDisk(benchmark::State& state, int tracks, double budget) {
    double revolutions = 0;
    for (auto _ : state) {
        gwsim::Options options;
        options.image = floppyfix::patternDisk(1);
        gwsim::PtyServer server(std::move(options));
        server.start();
        GreaseweazleDriver::Settings settings;
        settings.port = server.path();
        GreaseweazleDriver driver(settings);
        SilentPrompter prompter;
        WriteOptions write;
        write.shape = {tracks, 1};
        const WriteReport report =
            DiskWriter(driver, prompter).WriteDisk("A", write, floppyfix::patternDisk(1, tracks));
        if (report.outcome != WriteOutcome::Finished) {
            state.SkipWithError("the write did not finish");
        }
        revolutions += server.revolutionsRead() + server.revolutionsWritten();
    }
    const double iterations = state.iterations() > 0 ? static_cast<double>(state.iterations()) : 1.0;
    const double perSide = revolutions / iterations / tracks;
    state.counters["revolutions_per_side"] = perSide;
    if (budget > 0) {
        reportBudget(state, perSide, budget);
    }
}

void BM_GreaseweazleVerifiedWrite(benchmark::State& state) {
    writeDisk(state, 80, kWriteBudget);
}
BENCHMARK(BM_GreaseweazleVerifiedWrite)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GreaseweazleVerifiedWriteWithErase(benchmark::State& state) {
    writeDisk(state, 40, 0);
}
BENCHMARK(BM_GreaseweazleVerifiedWriteWithErase)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
