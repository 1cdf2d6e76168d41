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

// The simulated device holding a one-sided 40-track disk, and the driver on it.
struct Rig {
    gwsim::PtyServer server;
    GreaseweazleDriver driver;

    explicit Rig(const char* faults) : server(simOptions(faults)), driver(settings(server.path())) {
        server.start();
    }
    static gwsim::Options simOptions(const char* faults) {
        gwsim::Options options;
        options.image = floppyfix::patternDisk(1);
        options.faults = gwsim::ParseFaults(faults);
        return options;
    }
    static GreaseweazleDriver::Settings settings(const std::string& port) {
        GreaseweazleDriver::Settings s;
        s.port = port;
        return s;
    }
};

// The revolutions each iteration's work cost, per track side.
void reportPerSide(benchmark::State& state, double revolutions, int sides, double budget) {
    const double iterations = state.iterations() > 0 ? static_cast<double>(state.iterations()) : 1.0;
    const double perSide = revolutions / iterations / sides;
    state.counters["revolutions_per_side"] = perSide;
    if (budget > 0) {
        reportBudget(state, perSide, budget);
    }
}

void readDisk(benchmark::State& state, const char* faults, double budget) {
    double revolutions = 0;
    for (auto _ : state) {
        Rig rig(faults);
        SilentPrompter prompter;
        DiskImage image;
        const ReadReport report = DiskReader(rig.driver, prompter).ReadDisk("A", {}, image);
        benchmark::DoNotOptimize(report);
        revolutions += rig.server.revolutionsRead();
    }
    reportPerSide(state, revolutions, DiskReader::kTrackCount, budget);
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
        Rig rig("");
        SilentPrompter prompter;
        WriteOptions write;
        write.shape = {tracks, 1};
        const WriteReport report =
            DiskWriter(rig.driver, prompter).WriteDisk("A", write, floppyfix::patternDisk(1, tracks));
        if (report.outcome != WriteOutcome::Finished) {
            state.SkipWithError("the write did not finish");
        }
        revolutions += rig.server.revolutionsRead() + rig.server.revolutionsWritten();
    }
    reportPerSide(state, revolutions, tracks, budget);
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
