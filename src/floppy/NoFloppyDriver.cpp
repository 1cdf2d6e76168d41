#include "floppy/NoFloppyDriver.h"

#include "floppy/FdRawRequests.h"

bool NoFloppyDriver::IsDriverPresent(std::uint32_t&) {
    return false;
}

bool NoFloppyDriver::SenseDriveStatus(std::uint8_t, std::string&) {
    return false;
}

bool NoFloppyDriver::ReadSingleTrack(std::uint8_t, std::uint8_t, std::uint8_t, std::vector<std::uint8_t>&,
                                     std::int32_t& lErrorCode, std::string& sErrorText,
                                     std::int32_t lSizeCode, bool) {
    if (!fdraw::TrackLength(lSizeCode)) {
        trap(Failure(failure::InvalidProcedureCall), "ReadSingleTrack", 1);
        return false;
    }
    lErrorCode = fderr::InvalidHandle;
    sErrorText = DriveErrorText(lErrorCode);
    return false;
}
