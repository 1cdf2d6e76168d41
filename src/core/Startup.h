#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Prompter.h"
#include "core/clsLocalLogger.h"

// Asks the floppy driver whether it is there; fills in its version when it
// could be asked.
using DriverProbe = std::function<bool(std::uint32_t& version)>;

struct StartupResult {
    bool proceed = false;        // false: the fatal logger message was shown, end the program
    bool driverPresent = false;  // handed to the disk browser's StartUp
    std::uint32_t driverVersion = 0;
};

// The start-up sequence up to the point where the disk browser is created:
// title, settings path, logger, start line, driver check.
struct StartupEnvironment {
    std::string settingsFilePath;  // where "Logging"/"Severity" is read
    std::string logRootFolder;
};

[[nodiscard]] StartupEnvironment defaultStartupEnvironment();

[[nodiscard]] StartupResult RunStartup(const StartupEnvironment& env, clsLocalLogger& logger,
                                       Prompter& prompter, const DriverProbe& probe);

// "Severity=2.5" gives 2, "abc" gives 0.
[[nodiscard]] int severityFromText(const std::string& text);

inline constexpr const char* kFatalLoggerMessage =
    "Fatal error while creating activity logger. Program terminated.";
// Shown at start-up when no drive answers, with a "Do not show this again"
// box; once ticked, the settings file remembers it under these names.
#ifdef _WIN32
inline constexpr const char* kDriverMissingMessage =
    "FDRawCmd Driver is missing. Please install it to be able to read physical disks."
    "Without the driver, all Quillmar can do is browse existing Opus Disk Images.";
#else
inline constexpr const char* kDriverMissingMessage =
    "No floppy drive was found: neither a Greaseweazle on USB nor a floppy controller (/dev/fd0) "
    "answered.\r\n\r\n"
    "Quillmar can still open Opus disk images and flux recordings.\r\n\r\n"
    "To read and write physical disks, connect a floppy drive through a Greaseweazle and start "
    "Quillmar again, or name its port with QUILLMAR_FLOPPY=greaseweazle:/dev/ttyACM0. The "
    "package's udev rule gives whoever is logged in at the desktop access to the Greaseweazle; "
    "\"Reading with a Greaseweazle\" in /usr/share/doc/quillmar/README.md and the quillmar(1) "
    "manual page say more.";
#endif
inline constexpr const char* kDriverMissingSection = "Startup";
inline constexpr const char* kDriverMissingHideKey = "Hide Missing Drive Message";
