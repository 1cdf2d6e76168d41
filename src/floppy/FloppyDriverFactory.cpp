#include <cstdlib>

#include "floppy/GreaseweazleDriver.h"
#include "floppy/LinuxFloppyDriver.h"
#include "floppy/NoFloppyDriver.h"
#include "floppy/SerialPort.h"
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

std::unique_ptr<modFDRawCmd> greaseweazleDriver(std::string port, ActivityLog* log) {
    GreaseweazleDriver::Settings settings;
    settings.port = std::move(port);
    settings.bus = GreaseweazleDriver::BusFromText(std::getenv("QUILLMAR_GW_BUS"));
    return std::make_unique<GreaseweazleDriver>(std::move(settings), log);
}

}  // namespace

std::unique_ptr<modFDRawCmd> CreateFloppyDriver(ActivityLog* log) {
    const char* choice = std::getenv("QUILLMAR_FLOPPY");
    // Empty counts as unset, so "QUILLMAR_FLOPPY= quillmar" means the real drive:
    // a Greaseweazle when one is plugged in (few machines still have a floppy
    // controller), else the controller.
    if (choice == nullptr || *choice == '\0') {
        const std::vector<std::string> ports = gw::FindGreaseweazlePorts();
        return ports.empty() ? platformDriver(log) : greaseweazleDriver(ports.front(), log);
    }
    const std::string text(choice);
    if (text == "none") {
        return std::make_unique<NoFloppyDriver>(log);
    }
    constexpr std::string_view kGreaseweazle = "greaseweazle";
    if (text == kGreaseweazle) {
        const std::vector<std::string> ports = gw::FindGreaseweazlePorts();
        // With none plugged in the driver is simply absent, as a controller driver would be.
        return ports.empty() ? std::make_unique<NoFloppyDriver>(log) : greaseweazleDriver(ports.front(), log);
    }
    if (text.rfind(std::string(kGreaseweazle) + ":", 0) == 0) {
        std::string port = text.substr(kGreaseweazle.size() + 1);
        if (port.empty()) {
            throw Failure(failure::InvalidProcedureCall,
                          "QUILLMAR_FLOPPY: \"greaseweazle:\" needs the port (/dev/ttyACM0, COM5)");
        }
        return greaseweazleDriver(std::move(port), log);
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
                      "\" is neither \"none\", \"sim:PATH\", \"greaseweazle\" nor "
                      "\"greaseweazle:PORT\" (unset it for the platform's driver)");
}
