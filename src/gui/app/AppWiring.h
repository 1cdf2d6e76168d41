#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/FileChooser.h"
#include "core/FontChooser.h"
#include "core/Prompter.h"
#include "core/Startup.h"
#include "core/clsLocalLogger.h"
#include "disk/DiskBrowser.h"
#include "export/PrinterChooser.h"

class frmDisk;
class modFDRawCmd;
class QtPrompter;
class QtFileChooser;
class QtPrinterChooser;
class QtFontChooser;
struct ViewerContext;
class BackgroundDiskOpener;

// What a run is made of. The program uses the defaults (Qt dialogs, the
// driver chosen by QUILLMAR_FLOPPY, the settings and log folders); tests
// hand in scripted ones.
struct AppOptions {
    Prompter* prompter = nullptr;              // nullptr: Qt message boxes
    FileChooser* chooser = nullptr;            // nullptr: Qt file dialogs
    PrinterChooser* printerChooser = nullptr;  // nullptr: Qt printer dialog
    FontChooser* fontChooser = nullptr;        // nullptr: Qt font dialog
    std::optional<StartupEnvironment> environment;
    modFDRawCmd* driver = nullptr;  // nullptr: the driver chosen by QUILLMAR_FLOPPY
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
    // The viewer windows of the run that are still open.
    [[nodiscard]] std::vector<QWidget*> viewers() const;

    // ViewerFactory
    void ShowOpusProgram(int lIndex) override;
    void ShowOpusBytes(int lIndex) override;
    bool ShowOpusScreen(int lIndex) override;

    // DiskReadLauncher
    DiskReadEnd ReadDisk(DiskImage& image) override;

private:
    [[nodiscard]] ViewerContext viewerContext();
    // Viewers close themselves; the ones still open go with the run.
    void adoptViewer(QWidget* viewer);

    AppOptions m_options;
    DiskSession m_session;
    clsLocalLogger m_logger;
    std::string m_settingsFilePath;
    std::unique_ptr<QtPrompter> m_qtPrompter;
    std::unique_ptr<QtFileChooser> m_qtChooser;
    std::unique_ptr<QtPrinterChooser> m_qtPrinterChooser;
    std::unique_ptr<QtFontChooser> m_qtFontChooser;
    Prompter* m_prompter = nullptr;
    FileChooser* m_chooser = nullptr;
    PrinterChooser* m_printerChooser = nullptr;
    FontChooser* m_fontChooser = nullptr;
    std::unique_ptr<modFDRawCmd> m_ownDriver;
    modFDRawCmd* m_driver = nullptr;
    std::unique_ptr<BackgroundDiskOpener> m_opener;  // images and flux recordings for the browser
    std::unique_ptr<frmDisk> m_frmDisk;
    std::vector<QPointer<QWidget>> m_viewers;
};
