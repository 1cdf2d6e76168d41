#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "core/AsciiCase.h"
#include "floppy/SerialPort.h"

namespace gw {

namespace {

std::string firstLine(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return asciiLower(line.substr(0, line.find_last_not_of(" \r\n\t") + 1));
}

}  // namespace

std::string WindowsDevicePath(std::string_view portName) {
    if (portName.rfind("\\\\.\\", 0) == 0) {
        return std::string(portName);
    }
    return "\\\\.\\" + std::string(portName);
}

bool IsGreaseweazleHardwareId(std::string_view hardwareId) {
    const std::string id = asciiLower(hardwareId);
    const std::string wanted = "vid_" + std::string(kUsbVendorId) + "&pid_" + std::string(kUsbProductId);
    const auto at = id.find(wanted);
    // "PID_4D690" would be another product.
    const std::size_t end = at + wanted.size();
    return at != std::string::npos && (end == id.size() || id[end] == '&' || id[end] == '\\');
}

std::vector<std::string> FindGreaseweazlePortsIn(const std::string& sysRoot, const std::string& devRoot) {
    namespace fs = std::filesystem;
    std::vector<std::string> ports;
    std::error_code ec;
    const fs::path ttys = fs::path(sysRoot) / "class" / "tty";
    for (const fs::directory_entry& entry : fs::directory_iterator(ttys, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("ttyACM", 0) != 0) {
            continue;
        }
        // device is the USB interface; the ids sit on the USB device above it.
        const fs::path usbDevice = fs::canonical(entry.path() / "device", ec).parent_path();
        if (ec) {
            continue;
        }
        if (firstLine(usbDevice / "idVendor") == kUsbVendorId &&
            firstLine(usbDevice / "idProduct") == kUsbProductId) {
            ports.push_back((fs::path(devRoot) / name).string());
        }
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}

}  // namespace gw
