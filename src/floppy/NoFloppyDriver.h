#pragma once

#include "floppy/modFDRawCmd.h"

// What the program sees on a machine without a floppy driver: nothing
// answers, and a track read fails the way a request to a device that could
// not be opened does.
class NoFloppyDriver : public modFDRawCmd {
public:
    explicit NoFloppyDriver(ActivityLog* log = nullptr) : modFDRawCmd(log) {}

    [[nodiscard]] bool IsDriverPresent(std::uint32_t& version) override;
    [[nodiscard]] bool SenseDriveStatus(std::uint8_t drive, std::string& sErrorText) override;

protected:
    [[nodiscard]] std::int32_t readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                       int& step) override;
};
