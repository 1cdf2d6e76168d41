#include <cstdlib>

#include "floppy/LinuxFloppyDriver.h"
#include "floppy/NoFloppyDriver.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "floppy/WindowsFloppyDriver.h"
#include "floppy/modFDRawCmd.h"

namespace {

std::unique_ptr<modFDRawCmd> platformDriver(ActivityLog* log) {
#if defined(_WIN32)
    return std::make_unique<WindowsFloppyDriver>(log);
#elif defined(__linux__)
    return std::make_unique<LinuxFloppyDriver>(log);
#else
    return std::make_unique<NoFloppyDriver>(log);
#endif
}

}  // namespace

std::unique_ptr<modFDRawCmd> CreateFloppyDriver(ActivityLog* log) {
    const char* choice = std::getenv("QUILLMAR_FLOPPY");
    // Empty counts as unset, so "QUILLMAR_FLOPPY= quillmar" means the real drive.
    if (choice == nullptr || *choice == '\0') {
        return platformDriver(log);
    }
    const std::string text(choice);
    if (text == "none") {
        return std::make_unique<NoFloppyDriver>(log);
    }
    constexpr std::string_view kSim = "sim:";
    if (text.rfind(kSim, 0) == 0) {
        std::string path = text.substr(kSim.size());
        if (path.empty()) {
            throw Failure(failure::InvalidProcedureCall,
                          "QUILLMAR_FLOPPY: \"sim:\" needs the path of an image");
        }
        const char* faults = std::getenv("QUILLMAR_FLOPPY_FAULTS");
        return std::make_unique<SimulatedFloppyDriver>(
            std::move(path), SimulatedFloppyDriver::ParseFaults(faults != nullptr ? faults : ""), log);
    }
    throw Failure(failure::InvalidProcedureCall,
                  "QUILLMAR_FLOPPY: \"" + text +
                      "\" is neither \"none\" nor \"sim:PATH\" (unset it for the "
                      "platform's driver)");
}
