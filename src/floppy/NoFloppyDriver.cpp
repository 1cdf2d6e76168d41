#include "floppy/NoFloppyDriver.h"

bool NoFloppyDriver::IsDriverPresent(std::uint32_t&) {
    return false;
}

bool NoFloppyDriver::SenseDriveStatus(std::uint8_t, std::string&) {
    return false;
}

// A sector cannot be addressed at all; a track fails as a request to a device
// that could not be opened.
std::int32_t NoFloppyDriver::readRaw(const RawRead& request, std::vector<std::uint8_t>&, int&) {
    return request.sector ? fderr::InvalidParameter : fderr::InvalidHandle;
}
