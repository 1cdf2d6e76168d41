// Opening the BASIC viewer on a 40 KB program (about 2,100 lines), offscreen.
//
//   BM_OpenBasicViewer   make the window, ShowOpusProgram (split, font,
//                        listing, variables, show) and its first paint;
//                        target 100 ms or less (wall clock).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>

#include "GuiBenchSupport.h"
#include "basic/ZxFixtures.h"
#include "core/FontChooser.h"
#include "gui/basic/frmBasic.h"
#include "gui/qt/ViewerContext.h"

namespace {

Catalogue programCatalogue() {
    zx::Bytes data = zx::longProgram(40 * 1024);
    data.push_back(0x80);
    CatalogueEntry disk;
    disk.Name = "BENCH     ";
    CatalogueEntry program;
    program.EntryKind = 1;
    program.Name = "long      ";
    program.Type = 0;
    program.Length = static_cast<std::int32_t>(data.size());
    program.Data = std::move(data);
    return {disk, program};
}

void BM_OpenBasicViewer(benchmark::State& state) {
    const Catalogue catalogue = programCatalogue();
    NullLog log;
    SilentPrompter prompter;
    NoFiles chooser;
    NoPrinter printers;
    const ViewerContext context{catalogue, prompter, chooser, log,
                                printers,  nullptr,  {},      [] { QCoreApplication::processEvents(); }};
    std::size_t lines = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        frmBasic window(context);
        window.ShowOpusProgram(1);
        QCoreApplication::processEvents();
        lines = window.program().m_colLines.size();
        benchmark::DoNotOptimize(window.listingText().data());
    }
    reportTimeBudget(state, start, 100.0);
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["bytes"] = static_cast<double>(catalogue[1].Data.size());
}
BENCHMARK(BM_OpenBasicViewer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv);
}
