#include "gui/app/AppWiring.h"

#include <QCoreApplication>

#include "core/ProgramInfo.h"
#include "floppy/NoFloppyDriver.h"
#include "floppy/modFDRawCmd.h"
#include "gui/basic/frmBasic.h"
#include "gui/bytes/frmCode.h"
#include "gui/disk/frmDisk.h"
#include "gui/floppy/frmFDRead.h"
#include "gui/floppy/frmFDWrite.h"
#include "gui/flux/BackgroundDiskOpener.h"
#include "gui/qt/QtFileChooser.h"
#include "gui/qt/QtFontChooser.h"
#include "gui/qt/QtPrinterChooser.h"
#include "gui/qt/QtPrompter.h"
#include "gui/qt/ViewerContext.h"
#include "gui/qt/WindowPlacement.h"
#include "gui/screen/frmScreen.h"

AppWiring::AppWiring(AppOptions options) : m_options(std::move(options)) {
    if (m_options.prompter == nullptr) {
        m_qtPrompter = std::make_unique<QtPrompter>();
        m_prompter = m_qtPrompter.get();
    } else {
        m_prompter = m_options.prompter;
    }
    if (m_options.chooser == nullptr) {
        m_qtChooser = std::make_unique<QtFileChooser>();
        m_chooser = m_qtChooser.get();
    } else {
        m_chooser = m_options.chooser;
    }
    if (m_options.printerChooser == nullptr) {
        m_qtPrinterChooser = std::make_unique<QtPrinterChooser>();
        m_printerChooser = m_qtPrinterChooser.get();
    } else {
        m_printerChooser = m_options.printerChooser;
    }
    if (m_options.fontChooser == nullptr) {
        m_qtFontChooser = std::make_unique<QtFontChooser>();
        m_fontChooser = m_qtFontChooser.get();
    } else {
        m_fontChooser = m_options.fontChooser;
    }
}

AppWiring::~AppWiring() {
    // A read that Cancel left waiting on the device still holds the driver.
    frmFDRead::WaitForAbandonedReads();
    for (const QPointer<QWidget>& viewer : m_viewers) {
        delete viewer.data();
    }
}

bool AppWiring::Main() {
    const StartupEnvironment env = m_options.environment.value_or(defaultStartupEnvironment());
    m_settingsFilePath = env.settingsFilePath;
    m_driver = m_options.driver;
    std::string driverProblem;
    if (m_driver == nullptr) {
        try {
            m_ownDriver = CreateFloppyDriver(&m_logger);
        } catch (const Failure& f) {
            // A mistyped QUILLMAR_FLOPPY must not stop the program: it runs
            // without a driver and says why once the log is there.
            driverProblem = f.description();
            m_ownDriver = std::make_unique<NoFloppyDriver>(&m_logger);
        }
        m_driver = m_ownDriver.get();
    }
    const StartupResult started = RunStartup(env, m_logger, *m_prompter, MakeDriverProbe(*m_driver));
    if (!started.proceed) {
        return false;
    }
    m_frmDisk = std::make_unique<frmDisk>(m_session, *m_prompter, *m_chooser, m_logger, *this, *this);
    if (m_qtPrompter) {
        m_qtPrompter->setParent(m_frmDisk.get());
    }
    if (m_qtChooser) {
        *m_qtChooser = QtFileChooser(m_frmDisk.get(), m_settingsFilePath);
    }
    if (m_qtPrinterChooser) {
        *m_qtPrinterChooser = QtPrinterChooser(m_frmDisk.get());
    }
    if (m_qtFontChooser) {
        m_qtFontChooser->setParent(m_frmDisk.get());
    }
    m_frmDisk->setSettingsFile(m_settingsFilePath);
    QObject::connect(m_frmDisk.get(), &frmDisk::writeImageRequested, m_frmDisk.get(), [this] {
        frmFDWrite dialog(*m_driver, *m_prompter, m_session.image.bytes,
                          m_frmDisk->browser().CurrentDiskName(), m_frmDisk.get());
        dialog.exec();
    });
    WindowPlacement::keep(m_frmDisk.get(), "Main", m_settingsFilePath);
    m_opener = std::make_unique<BackgroundDiskOpener>(*m_prompter, m_logger, m_frmDisk.get());
    m_frmDisk->browser().setFileOpener(m_opener.get());
    m_frmDisk->StartUp(started.driverPresent);
    if (!driverProblem.empty()) {
        m_logger.LogThis(driverProblem, kSeverityWARNING, false);
        m_prompter->message(driverProblem, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    }
    return true;
}

ViewerContext AppWiring::viewerContext() {
    ViewerContext context{
        m_session.catalogue, *m_prompter,   *m_chooser,         m_logger,
        *m_printerChooser,   m_fontChooser, m_settingsFilePath, [] { QCoreApplication::processEvents(); }};
    // A viewer's dialogs stand over the viewer, not the main window; the
    // scripted ones a test hands in are left as they are.
    context.windowDialogs = [qtPrompter = m_qtPrompter != nullptr, qtChooser = m_qtChooser != nullptr,
                             qtPrinter = m_qtPrinterChooser != nullptr, qtFont = m_qtFontChooser != nullptr,
                             settings = m_settingsFilePath](QWidget* window) {
        WindowDialogs own;
        if (qtPrompter) {
            own.prompter = std::make_unique<QtPrompter>(window);
        }
        if (qtChooser) {
            own.chooser = std::make_unique<QtFileChooser>(window, settings);
        }
        if (qtPrinter) {
            own.printerChooser = std::make_unique<QtPrinterChooser>(window);
        }
        if (qtFont) {
            own.fontChooser = std::make_unique<QtFontChooser>(window);
        }
        return own;
    };
    return context;
}

void AppWiring::adoptViewer(QWidget* viewer) {
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    std::erase_if(m_viewers, [](const QPointer<QWidget>& w) { return w.isNull(); });
    m_viewers.emplace_back(viewer);
}

std::vector<QWidget*> AppWiring::viewers() const {
    std::vector<QWidget*> open;
    for (const QPointer<QWidget>& w : m_viewers) {
        if (!w.isNull()) {
            open.push_back(w.data());
        }
    }
    return open;
}

void AppWiring::ShowOpusProgram(int lIndex) {
    if (lIndex < 0 || static_cast<std::size_t>(lIndex) >= m_session.catalogue.size()) {
        return;
    }
    auto* viewer = new frmBasic(viewerContext());
    adoptViewer(viewer);
    WindowPlacement::keep(viewer, "BASIC Viewer", m_settingsFilePath);
    viewer->ShowOpusProgram(lIndex);
}

void AppWiring::ShowOpusBytes(int lIndex) {
    if (lIndex < 0 || static_cast<std::size_t>(lIndex) >= m_session.catalogue.size()) {
        return;
    }
    auto* viewer = new frmCode(viewerContext());
    adoptViewer(viewer);
    WindowPlacement::keep(viewer, "Bytes Viewer", m_settingsFilePath);
    viewer->ShowOpusBytes(lIndex);
}

bool AppWiring::ShowOpusScreen(int lIndex) {
    auto* window = new frmScreen(viewerContext());
    if (!window->ShowOpusScreen(lIndex)) {
        // A refused entry leaves no window behind.
        delete window;
        return false;
    }
    adoptViewer(window);
    // Its size follows the zoom.
    WindowPlacement::keep(window, "Screen Viewer", m_settingsFilePath, false);
    return true;
}

DiskReadEnd AppWiring::ReadDisk(DiskImage& image) {
    frmFDRead dialog(*m_driver, *m_prompter, image, m_frmDisk.get(), m_settingsFilePath);
    dialog.exec();
    if (dialog.Canceled()) {
        return DiskReadEnd::Canceled;
    }
    return dialog.Published() ? DiskReadEnd::Read : DiskReadEnd::NothingRead;
}
