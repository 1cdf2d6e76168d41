#include "app/AppWiring.h"

#include <QCoreApplication>

#include "app/QtFileChooser.h"
#include "app/QtPrinterChooser.h"
#include "app/QtPrompter.h"
#include "disk/frmDisk.h"
#include "screen/frmScreen.h"

AppWiring::AppWiring(AppOptions options)
    : m_options(std::move(options)), m_printerChooser(std::make_unique<QtPrinterChooser>()) {
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
}

AppWiring::~AppWiring() = default;

bool AppWiring::Main() {
    const StartupEnvironment env = m_options.environment.value_or(defaultStartupEnvironment());
    DriverProbe probe = m_options.probe;
    if (!probe) {
        probe = [](std::uint32_t&) { return false; };
    }
    const StartupResult started = RunStartup(env, m_logger, *m_prompter, probe);
    if (!started.proceed) {
        return false;
    }
    m_frmDisk = std::make_unique<frmDisk>(m_session, *m_prompter, *m_chooser, m_logger, *this, *this);
    if (m_qtPrompter) {
        m_qtPrompter->setParent(m_frmDisk.get());
    }
    if (m_qtChooser) {
        *m_qtChooser = QtFileChooser(m_frmDisk.get());
    }
    m_frmDisk->StartUp(started.driverPresent);
    return true;
}

void AppWiring::ShowOpusProgram(int) {}

void AppWiring::ShowOpusBytes(int) {}

bool AppWiring::ShowOpusScreen(int lIndex) {
    const ViewerContext context{m_session.catalogue,
                                *m_prompter,
                                *m_chooser,
                                m_logger,
                                *m_printerChooser,
                                nullptr,
                                m_options.environment.value_or(defaultStartupEnvironment()).settingsFilePath,
                                [] { QCoreApplication::processEvents(); }};
    auto* window = new frmScreen(context);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->ShowOpusScreen(lIndex)) {
        delete window;
        return false;
    }
    return true;
}

bool AppWiring::ReadDisk(DiskImage&) {
    return true;
}
