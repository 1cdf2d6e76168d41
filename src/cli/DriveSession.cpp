#include "cli/DriveSession.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) {
    g_interrupted = 1;
}

}  // namespace

InterruptGuard::InterruptGuard() : m_previous(std::signal(SIGINT, onInterrupt)) {
    g_interrupted = 0;
}

InterruptGuard::~InterruptGuard() {
    std::signal(SIGINT, m_previous);
}

bool InterruptGuard::Interrupted() {
    return g_interrupted != 0;
}

std::unique_ptr<modFDRawCmd> OpenDriver(ActivityLog& log) {
    std::unique_ptr<modFDRawCmd> driver;
    try {
        driver = CreateFloppyDriver(&log);
    } catch (const Failure& f) {
        throw CliFailure(f.description());
    }
    std::uint32_t version = 0;
    if (!driver->IsDriverPresent(version)) {
        const std::string problem = driver->DeviceProblem();
        throw CliFailure(problem.empty()
                             ? "no floppy driver answers (QUILLMAR_FLOPPY=sim:IMAGE reads an image "
                               "in a simulated drive)"
                             : problem);
    }
    return driver;
}
