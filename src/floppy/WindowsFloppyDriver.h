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
    [[nodiscard]] bool ReadSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                       std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                       std::string& sErrorText, std::int32_t lSizeCode,
                                       bool bDoubleStep) override;
    [[nodiscard]] bool ReadSingleSector(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                        std::uint8_t sector, std::vector<std::uint8_t>& data,
                                        std::int32_t& lErrorCode, std::string& sErrorText,
                                        std::int32_t lSizeCode, bool bDoubleStep) override;
};

#endif
