#include "app/AppWiring.h"

#include "disk/frmDisk.h"

AppWiring::AppWiring() = default;
AppWiring::~AppWiring() = default;

bool AppWiring::Main() {
    const StartupResult started =
        RunStartup(defaultStartupEnvironment(), m_logger, m_prompter, [](std::uint32_t&) { return false; });
    if (!started.proceed) {
        return false;
    }
    m_frmDisk = std::make_unique<frmDisk>(m_session, m_prompter, m_chooser, m_logger, *this, *this);
    m_prompter.setParent(m_frmDisk.get());
    m_chooser = QtFileChooser(m_frmDisk.get());
    m_frmDisk->StartUp(started.driverPresent);
    return true;
}

void AppWiring::ShowOpusProgram(int) {}

void AppWiring::ShowOpusBytes(int) {}

bool AppWiring::ShowOpusScreen(int) {
    return false;
}

bool AppWiring::ReadDisk(DiskImage&) {
    return true;
}
