#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "floppy/GreaseweazleProtocol.h"

// The Greaseweazle's USB serial port: a tty on Linux and macOS, a COM port
// on Windows, always raw 8-bit without flow control.
namespace gw {

// SET_LINE_CODING with this rate makes the device drop what it is doing.
inline constexpr unsigned kClearCommsBaud = 10000;
inline constexpr unsigned kNormalBaud = 9600;

// Opens the port (/dev/ttyACM0, COM5); a Failure when it cannot be opened.
[[nodiscard]] std::unique_ptr<Transport> OpenSerialPort(const std::string& name);

// The USB ids every Greaseweazle model reports since firmware 0.13.
inline constexpr std::string_view kUsbVendorId = "1209";
inline constexpr std::string_view kUsbProductId = "4d69";

// "COM5" and "COM12" as CreateFile wants them ("\\.\COM12": above COM9 the
// short form does not work). Names already in device form are kept.
[[nodiscard]] std::string WindowsDevicePath(std::string_view portName);

// Whether a Windows hardware id ("USB\VID_1209&PID_4D69&REV_0100") names a
// Greaseweazle; letters in any case.
[[nodiscard]] bool IsGreaseweazleHardwareId(std::string_view hardwareId);

// The ttys of Greaseweazles plugged in, by their USB ids: /dev/ttyACMn whose
// USB device under sysRoot (/sys) says 1209:4d69, sorted by name.
[[nodiscard]] std::vector<std::string> FindGreaseweazlePortsIn(const std::string& sysRoot,
                                                               const std::string& devRoot);

// The ports of this machine's Greaseweazles, the one to use first.
[[nodiscard]] std::vector<std::string> FindGreaseweazlePorts();

}  // namespace gw
