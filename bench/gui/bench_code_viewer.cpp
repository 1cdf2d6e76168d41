// Opening the byte viewer on a 65,535-byte file, offscreen.
//
//   BM_OpenByteViewer   make the window, ShowOpusBytes (grid model, show) and
//                       its first paint; target 50 ms or less (wall clock).
//                       The table asks only for the cells it shows, so the
//                       time must not grow with the file: /16 (one row) is
//                       there to compare with.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>

#include "GuiBenchSupport.h"
#include "gui/bytes/frmCode.h"
#include "gui/qt/ViewerContext.h"

namespace {

Catalogue codeCatalogue(std::size_t length) {
    CatalogueEntry disk;
    disk.Name = "BENCH     ";
    CatalogueEntry code;
    code.EntryKind = 1;
    code.Name = "bytes     ";
    code.Type = 3;
    code.Length = static_cast<std::int32_t>(length);
    code.Data.resize(length);
    for (std::size_t i = 0; i < length; ++i) {
        code.Data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return {disk, code};
}

void BM_OpenByteViewer(benchmark::State& state) {
    const Catalogue catalogue = codeCatalogue(static_cast<std::size_t>(state.range(0)));
    NullLog log;
    SilentPrompter prompter;
    NoFiles chooser;
    NoPrinter printers;
    const ViewerContext context{catalogue, prompter, chooser, log,
                                printers,  nullptr,  {},      [] { QCoreApplication::processEvents(); }};
    int rows = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        frmCode window(context);
        window.ShowOpusBytes(1);
        QCoreApplication::processEvents();
        rows = window.degBytes()->model()->rowCount();
        benchmark::DoNotOptimize(rows);
    }
    reportTimeBudget(state, start, 50.0);
    state.counters["rows"] = rows;
    state.counters["widgets"] = static_cast<double>(frmCode(context).findChildren<QWidget*>().size());
}
BENCHMARK(BM_OpenByteViewer)->Arg(65535)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv);
}
