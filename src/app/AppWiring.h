#pragma once

#include <memory>

#include "app/QtFileChooser.h"
#include "app/QtPrompter.h"
#include "core/Startup.h"
#include "core/clsLocalLogger.h"
#include "disk/DiskBrowser.h"

class frmDisk;

// The program-wide objects of one run, and the start-up sequence that makes
// them: title, settings path, logger, start line, driver check, main window.
class AppWiring : public ViewerFactory, public DiskReadLauncher {
public:
    AppWiring();
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
    DiskSession m_session;
    clsLocalLogger m_logger;
    QtPrompter m_prompter;
    QtFileChooser m_chooser;
    std::unique_ptr<frmDisk> m_frmDisk;
};
