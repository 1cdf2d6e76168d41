#pragma once

#ifdef __linux__

#include <linux/fd.h>

#include "floppy/LinuxRawCommand.h"
#include "floppy/modFDRawCmd.h"

// The kernel floppy driver's raw command interface, used the way FDRawCmd is
// on Windows: every operation opens /dev/fdN, sends its controller commands
// and closes it again. The kernel recalibrates and checks for a disk by
// itself; we only ever seek and read.
class LinuxFloppyDriver : public modFDRawCmd {
public:
    explicit LinuxFloppyDriver(ActivityLog* log = nullptr) : modFDRawCmd(log) {}

    // True when a floppy device answers the controller state request.
    [[nodiscard]] bool IsDriverPresent(std::uint32_t& version) override;
    [[nodiscard]] bool SenseDriveStatus(std::uint8_t drive, std::string& sErrorText) override;

    // ST3's write-protect bit.
    [[nodiscard]] bool IsWriteProtected(std::uint8_t drive, bool& bProtected,
                                        std::string& sErrorText) override;
    // Seek, FORMAT TRACK with the Opus ID table, WRITE DATA of the 18 sectors.
    [[nodiscard]] bool WriteSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                        const std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                        std::string& sErrorText, std::int32_t lSizeCode,
                                        bool bDoubleStep) override;
    // A controller cannot switch the write current on alone: FORMAT TRACK
    // without sectors leaves gap bytes only, which no read finds a mark in.
    [[nodiscard]] bool EraseTrack(std::uint8_t drive, std::uint8_t physicalCylinder, std::uint8_t head,
                                  std::int32_t& lErrorCode, std::string& sErrorText) override;

protected:
    [[nodiscard]] std::int32_t readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                       int& step) override;
};

// The kernel's request block for one command; data is where a read lands.
[[nodiscard]] floppy_raw_cmd ToKernelRawCommand(const linuxfd::RawCommand& command, std::uint8_t* data);

#endif
