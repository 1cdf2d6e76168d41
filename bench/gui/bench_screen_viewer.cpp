// Speed of the screen viewer window, offscreen.
//
//   BM_OpenScreenViewer    ShowOpusScreen at the zoom of the settings file
//                          (1 to 3) up to the first painted picture
//                          (target at 300 %: <= 50 ms)
//   BM_RepaintScreenPane   a palette change redrawn over the whole pane at
//                          100/200/300 %

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QPixmap>

#include <filesystem>
#include <fstream>

#include "GuiBenchSupport.h"
#include "gui/qt/ViewerContext.h"
#include "gui/screen/RasterPaneWidget.h"
#include "gui/screen/frmScreen.h"

namespace {

namespace fs = std::filesystem;

// A busy screen: every bitmap byte different, every attribute used, FLASH
// cells included, so the clock runs as it would on a real picture.
CatalogueEntry busyScreen() {
    CatalogueEntry e;
    e.EntryKind = 1;
    e.Name = "busy";
    e.Type = 3;
    e.Length = 6912;
    e.Data.resize(6912);
    for (std::size_t i = 0; i < e.Data.size(); ++i) {
        e.Data[i] = static_cast<std::uint8_t>(i * 37 + (i >> 8));
    }
    return e;
}

struct Fixture {
    fs::path home = fs::temp_directory_path() /
                    ("quillmar-bench-gui-" + std::to_string(QCoreApplication::applicationPid()));
    Catalogue catalogue{CatalogueEntry{}, busyScreen()};
    SilentPrompter prompter;
    NoFiles chooser;
    NullLog log;
    NoPrinter printers;

    Fixture() {
        fs::create_directories(home);
        qputenv("QUILLMAR_HOME", QByteArray::fromStdString(home.string()));
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(home, ec);
    }
    void setZoom(int zoom) const {
        std::ofstream(home / "Quillmar.Ini", std::ios::binary)
            << "[ScreenViewer]\r\nDefaultSize=" << zoom << "\r\n";
    }
    [[nodiscard]] ViewerContext context() {
        return ViewerContext{
            catalogue, prompter, chooser, log, printers, nullptr, (home / "Quillmar.Ini").string(), [] {
                QCoreApplication::processEvents();
            }};
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_OpenScreenViewer(benchmark::State& state) {
    Fixture& f = fixture();
    const int zoom = static_cast<int>(state.range(0));
    f.setZoom(zoom);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        frmScreen w(f.context());
        if (!w.ShowOpusScreen(1)) {
            state.SkipWithError("the screen was refused");
            break;
        }
        const QPixmap shown = w.rpnScr()->grab();
        benchmark::DoNotOptimize(shown.cacheKey());
        if (shown.width() != zoom * 256) {
            state.SkipWithError("the viewer did not open at the zoom of the settings file");
            break;
        }
    }
    if (zoom == 3) {
        reportTimeBudget(state, start, 50.0);
    }
}
BENCHMARK(BM_OpenScreenViewer)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_RepaintScreenPane(benchmark::State& state) {
    Fixture& f = fixture();
    const int zoom = static_cast<int>(state.range(0));
    f.setZoom(zoom);
    frmScreen w(f.context());
    if (!w.ShowOpusScreen(1)) {
        state.SkipWithError("the screen was refused");
        return;
    }
    std::uint8_t red = 0;
    for (auto _ : state) {
        w.rpnScr()->SetColorColor(1, ++red, 0, 0xD7);
        const QPixmap shown = w.rpnScr()->grab();
        benchmark::DoNotOptimize(shown.cacheKey());
    }
}
BENCHMARK(BM_RepaintScreenPane)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv);
}
