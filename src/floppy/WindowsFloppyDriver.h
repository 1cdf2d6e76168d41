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

protected:
    [[nodiscard]] std::int32_t readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                       int& step) override;
};

#endif
