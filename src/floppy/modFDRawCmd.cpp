#include "floppy/modFDRawCmd.h"

#include <new>
#include <utility>

#include "core/CodePage.h"
#include "floppy/FdRawRequests.h"

namespace {

// The texts are shown to the user exactly so, spelling slips included: users
// and their notes know them in this form.
const char* errorName(std::int32_t lCode) {
    switch (lCode) {
        case 19:
            return "Write Protect";
        case 20:
            return "Bad Unit";
        case 21:
            return "Not Ready";
        case 22:
            return "Bad Command";
        case 23:
            return "CRC Error";
        case 24:
            return "Bad Length";
        case 25:
            return "Seek Error";
        case 26:
            return "Not DOS Disk";
        case 27:
            return "Sector Not Found";
        case 122:
            return "Insufficient Buffer";
        case 170:
            return "Unit Is Busy";
        case 1106:
            return "Invalid Block Length";
        case 1107:
            return "Device Not Partitioned";
        case 1108:
            return "Unable To Lock Media";
        case 1109:
            return "Unable To Unload Media";
        case 1110:
            return "Media Changed";
        case 1112:
            return "No Miedia In Drive";
        case 1122:
            return "ID Mark Not Found";
        case 1123:
            return "Wrong Cylinder";
        case 1124:
            return "Floppy Unknown Error";
        case 1125:
            return "Floppy Bad Registerd";
        case 1126:
            return "Disk Recalibrate Failed";
        case 1127:
            return "Disk Operation Failed";
        case 1128:
            return "Disk Reset Failed";
        default:
            return "Unknown Error Code";
    }
}

}  // namespace

bool modFDRawCmd::ReadSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                  std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                  std::string& sErrorText, std::int32_t lSizeCode, bool bDoubleStep) {
    return runRead({drive, cylinder, head, std::nullopt, lSizeCode, bDoubleStep}, data, lErrorCode,
                   sErrorText);
}

bool modFDRawCmd::ReadSingleSector(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                   std::uint8_t sector, std::vector<std::uint8_t>& data,
                                   std::int32_t& lErrorCode, std::string& sErrorText, std::int32_t lSizeCode,
                                   bool bDoubleStep) {
    return runRead({drive, cylinder, head, sector, lSizeCode, bDoubleStep}, data, lErrorCode, sErrorText);
}

int modFDRawCmd::RawRead::sectorCount() const {
    return sector ? 1 : fdraw::kEndOfTrack - fdraw::kFirstSector;
}

bool modFDRawCmd::IsWriteProtected(std::uint8_t, bool&, std::string& sErrorText) {
    sErrorText = DriveErrorText(fderr::InvalidParameter);
    return false;
}

bool modFDRawCmd::WriteSingleTrack(std::uint8_t, std::uint8_t, std::uint8_t, const std::vector<std::uint8_t>&,
                                   std::int32_t& lErrorCode, std::string& sErrorText, std::int32_t, bool) {
    lErrorCode = fderr::InvalidParameter;
    sErrorText = DriveErrorText(lErrorCode);
    return false;
}

bool modFDRawCmd::EraseTrack(std::uint8_t, std::uint8_t, std::uint8_t, std::int32_t& lErrorCode,
                             std::string& sErrorText) {
    lErrorCode = fderr::InvalidParameter;
    sErrorText = DriveErrorText(lErrorCode);
    return false;
}

std::string modFDRawCmd::DriveErrorText(std::int32_t lCode) {
    return std::string(errorName(lCode)) + " (0x" + hexUpper(static_cast<std::uint32_t>(lCode), 8) + ")";
}

void modFDRawCmd::trap(const Failure& f, const char* procedure, int step) const {
    if (m_log != nullptr) {
        logTrap(*m_log, f, TrapJoint::SpaceIn, procedure, step);
    }
}

bool modFDRawCmd::runRead(const RawRead& request, std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                          std::string& sErrorText) {
    int step = 1;
    m_sFailureReason.clear();
    try {
        std::vector<std::uint8_t> buffer(request.sector ? fdraw::RequireSectorLength(request.lSizeCode)
                                                        : fdraw::RequireTrackLength(request.lSizeCode));
        const std::int32_t code = readRaw(request, buffer, step);
        step = 5;
        if (code == 0) {
            data = std::move(buffer);
            return true;
        }
        lErrorCode = code;
        sErrorText = m_sFailureReason.empty() ? DriveErrorText(code) : m_sFailureReason;
    } catch (const Failure& f) {
        trap(f, request.procedure(), step);
    } catch (const std::bad_alloc&) {
        trap(Failure(failure::OutOfMemory), request.procedure(), step);
    }
    return false;
}

bool modFDRawCmd::runWrite(const char* procedure, std::int32_t& lErrorCode, std::string& sErrorText,
                           const RawWrite& write) {
    int step = 1;
    m_sFailureReason.clear();
    try {
        const std::int32_t code = write(step);
        if (code == 0) {
            return true;
        }
        lErrorCode = code;
        sErrorText = m_sFailureReason.empty() ? DriveErrorText(code) : m_sFailureReason;
    } catch (const Failure& f) {
        trap(f, procedure, step);
        lErrorCode = fderr::FloppyUnknownError;
        sErrorText = DriveErrorText(lErrorCode);
    } catch (const std::bad_alloc&) {
        trap(Failure(failure::OutOfMemory), procedure, step);
        lErrorCode = fderr::FloppyUnknownError;
        sErrorText = DriveErrorText(lErrorCode);
    }
    return false;
}

DriverProbe MakeDriverProbe(modFDRawCmd& driver) {
    return [&driver](std::uint32_t& version) { return driver.IsDriverPresent(version); };
}
