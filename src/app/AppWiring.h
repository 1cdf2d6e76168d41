#pragma once

#include <memory>
#include <optional>

#include "core/FileChooser.h"
#include "core/Prompter.h"
#include "core/Startup.h"
#include "core/clsLocalLogger.h"
#include "disk/DiskBrowser.h"

class frmDisk;
class QtPrompter;
class QtFileChooser;
class QtPrinterChooser;

// What a run is made of. The program uses the defaults (Qt dialogs, the
// driver chosen by QUILLMAR_FLOPPY, the settings and log folders); tests
// hand in scripted ones.
struct AppOptions {
    Prompter* prompter = nullptr;    // nullptr: Qt message boxes
    FileChooser* chooser = nullptr;  // nullptr: Qt file dialogs
    std::optional<StartupEnvironment> environment;
    DriverProbe probe;  // empty: the driver chosen by the environment
};

// The program-wide objects of one run, and the start-up sequence that makes
// them: title, settings path, logger, start line, driver check, main window.
class AppWiring : public ViewerFactory, public DiskReadLauncher {
public:
    explicit AppWiring(AppOptions options = {});
    ~AppWiring() override;

    // False when the program must end (the logger could not write its start line).
    bool Main();

    [[nodiscard]] frmDisk* mainWindow() const { return m_frmDisk.get(); }
    [[nodiscard]] DiskSession& session() { return m_session; }
    [[nodiscard]] clsLocalLogger& logger() { return m_logger; }

    // ViewerFactory
    void ShowOpusProgram(int lIndex) override;
    void ShowOpusBytes(int lIndex) override;
    bool ShowOpusScreen(int lIndex) override;

    // DiskReadLauncher
    bool ReadDisk(DiskImage& image) override;

private:
    AppOptions m_options;
    DiskSession m_session;
    clsLocalLogger m_logger;
    std::unique_ptr<QtPrompter> m_qtPrompter;
    std::unique_ptr<QtFileChooser> m_qtChooser;
    Prompter* m_prompter = nullptr;
    FileChooser* m_chooser = nullptr;
    std::unique_ptr<QtPrinterChooser> m_printerChooser;
    std::unique_ptr<frmDisk> m_frmDisk;
};
