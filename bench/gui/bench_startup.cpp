// Start-up to the main window shown, and opening the demo disk to its rows
// listed, under the offscreen platform. Targets: 150 ms each.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <filesystem>

#include "GuiBenchSupport.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "gui/app/AppWiring.h"
#include "gui/disk/frmDisk.h"

namespace {

class QuietPrompter : public Prompter {
public:
    MsgAnswer message(const std::string&, const std::string&, MsgIcon, MsgButtons) override {
        return MsgAnswer::Ok;
    }
};

class DemoChooser : public FileChooser {
public:
    std::optional<std::string> openFile(const std::string&, const std::vector<FileFilter>&) override {
        return std::string(QUILLMAR_BINARY_DIR "/samples/demo.opu");
    }
    std::optional<std::string> saveFile(const std::string&, const std::vector<FileFilter>&,
                                        const std::string&) override {
        return std::nullopt;
    }
};

struct Fixture {
    QuietPrompter prompter;
    DemoChooser chooser;
    SimulatedFloppyDriver driver{std::string(QUILLMAR_BINARY_DIR "/samples/demo.opu"), {}};
    std::string home = (std::filesystem::temp_directory_path() / "quillmar-bench-startup").string();

    AppOptions options() {
        std::filesystem::create_directories(home);
        AppOptions o;
        o.prompter = &prompter;
        o.chooser = &chooser;
        o.environment = StartupEnvironment{home + "/Quillmar.Ini", home};
        o.driver = &driver;
        return o;
    }
};

void BM_StartupToMainWindow(benchmark::State& state) {
    Fixture f;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        AppWiring app(f.options());
        if (!app.Main()) {
            state.SkipWithError("start-up failed");
            break;
        }
        QApplication::processEvents();
        benchmark::DoNotOptimize(app.mainWindow()->isVisible());
    }
    reportTimeBudget(state, start, 150.0);
}
BENCHMARK(BM_StartupToMainWindow)->Unit(benchmark::kMillisecond);

void BM_OpenDemoDisk(benchmark::State& state) {
    Fixture f;
    AppWiring app(f.options());
    app.Main();
    QAction* open = app.mainWindow()->findChild<QAction*>(QStringLiteral("mnuFileOpenExistingOpusImageFile"));
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        open->trigger();
        QApplication::processEvents();
        if (app.mainWindow()->lvuDisk()->topLevelItemCount() != 5) {
            state.SkipWithError("the demo disk did not list its five files");
            break;
        }
    }
    reportTimeBudget(state, start, 150.0);
}
BENCHMARK(BM_OpenDemoDisk)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv);
}
