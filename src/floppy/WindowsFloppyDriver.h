#pragma once

#ifdef _WIN32

#include "floppy/modFDRawCmd.h"

// FDRawCmd, the raw floppy-disk driver for Windows, reached through its
// devices \\.\fdrawcmd and \\.\fdrawN. Every operation opens its device,
// sends its requests and closes it again.
class WindowsFloppyDriver : public modFDRawCmd {
public:
    explicit WindowsFloppyDriver(ActivityLog* log = nullptr) : modFDRawCmd(log) {}

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
    // FORMAT TRACK without sectors: a side of gap bytes only.
    [[nodiscard]] bool EraseTrack(std::uint8_t drive, std::uint8_t physicalCylinder, std::uint8_t head,
                                  std::int32_t& lErrorCode, std::string& sErrorText) override;

protected:
    [[nodiscard]] std::int32_t readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                       int& step) override;
};

#endif
