#include "floppy/SimulatedFloppyDriver.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <type_traits>

#include "disk/DiskImage.h"
#include "floppy/FdRawRequests.h"

namespace {

constexpr std::size_t kSideLength = kNominalImageLength;
constexpr std::size_t kOpusTrackLength = kSectorsPerTrack * kBlockSize;

// Only the bytes the two sides of 80 tracks can hold are read, whatever the file's size.
std::optional<std::vector<std::uint8_t>> readDiskFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(4 * kSideLength);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

template <typename T>
bool parseNumber(std::string_view text, T& value, bool allowSign) {
    bool negative = false;
    if (allowSign && !text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return false;
    }
    long long magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc{} || end != text.data() + text.size() || magnitude < 0) {
        return false;
    }
    long long v = negative ? -magnitude : magnitude;
    // A hex code may be written as its 32-bit two's complement ("0xFFFFFFFF").
    if (base == 16 && std::is_same_v<T, std::int32_t> && !negative &&
        v > std::numeric_limits<std::int32_t>::max() && v <= 0xFFFFFFFFLL) {
        v -= 0x100000000LL;
    }
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) {
        return false;
    }
    value = static_cast<T>(v);
    return true;
}

Failure badFault(std::string_view item, const std::string& why) {
    return Failure(failure::InvalidProcedureCall, "QUILLMAR_FLOPPY_FAULTS: \"" + std::string(item) + "\" " +
                                                      why + " (expected H:T:CODE:N[:R])");
}

}  // namespace

SimulatedFloppyDriver::SimulatedFloppyDriver(std::string sImagePath, std::vector<SimulatedFault> faults,
                                             ActivityLog* log)
    : modFDRawCmd(log), m_imagePath(std::move(sImagePath)), m_faults(std::move(faults)) {}

SimulatedFloppyDriver::SimulatedFloppyDriver(std::vector<std::uint8_t> disk,
                                             std::vector<SimulatedFault> faults, ActivityLog* log)
    : modFDRawCmd(log), m_disk(std::move(disk)), m_diskLoaded(true), m_faults(std::move(faults)) {}

void SimulatedFloppyDriver::insertDiskFromFile() {
    if (m_imagePath) {
        m_disk = readDiskFile(*m_imagePath);
    }
    m_diskLoaded = true;
}

bool SimulatedFloppyDriver::IsDriverPresent(std::uint32_t& version) {
    version = kVersion;
    return fdraw::IsCompatibleVersion(version);
}

bool SimulatedFloppyDriver::SenseDriveStatus(std::uint8_t drive, std::string& sErrorText) {
    if (drive != 0) {
        return false;
    }
    insertDiskFromFile();
    if (!m_disk) {
        sErrorText = DriveErrorText(fderr::NotReady);
        return false;
    }
    return true;
}

std::int32_t SimulatedFloppyDriver::readRequest(std::uint8_t cylinder, std::uint8_t head, int first,
                                                int count, std::int32_t lSizeCode,
                                                std::vector<std::uint8_t>& buffer) {
    ++m_readRequests;
    const auto fault = std::find_if(m_faults.begin(), m_faults.end(), [&](const SimulatedFault& f) {
        const bool reached =
            f.sector == SimulatedFault::kWholeSide || (f.sector >= first && f.sector < first + count);
        return f.head == head && f.track == cylinder && f.remaining > 0 && reached;
    });
    if (fault != m_faults.end()) {
        --fault->remaining;
        return fault->code;
    }
    if (!m_diskLoaded) {
        insertDiskFromFile();
    }
    if (!m_disk) {
        return fderr::NotReady;
    }
    const std::vector<std::uint8_t>& disk = *m_disk;
    const bool eightyTracks = disk.size() > 2 * kSideLength;
    const std::size_t sides = disk.size() > kSideLength ? 2 : 1;
    if (head >= sides) {
        return fderr::IdMarkNotFound;
    }
    const int trackUnderHead = eightyTracks ? m_headCylinder : m_headCylinder / 2;
    if (cylinder != trackUnderHead) {
        return fderr::WrongCylinder;
    }
    const std::size_t trackOffset = (std::size_t{cylinder} * sides + head) * kOpusTrackLength;
    if (trackOffset >= disk.size()) {
        return fderr::IdMarkNotFound;
    }
    // The sector IDs carry N = 1: a read asking for another size finds none of them.
    const std::size_t offset = trackOffset + static_cast<std::size_t>(first) * kBlockSize;
    const std::size_t length = static_cast<std::size_t>(count) * kBlockSize;
    if (lSizeCode != fdraw::kOpusSizeCode || offset + length > disk.size()) {
        return fderr::SectorNotFound;
    }
    if (const std::int32_t spoiled = spoiledCode(cylinder, head, first, count); spoiled != 0) {
        return spoiled;
    }
    std::copy_n(disk.begin() + static_cast<std::ptrdiff_t>(offset), length, buffer.begin());
    return 0;
}

std::int32_t SimulatedFloppyDriver::readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                            int& step) {
    // A sector number past the track's last ID is simply never found.
    if (request.sector && *request.sector >= kSectorsPerTrack) {
        return fderr::SectorNotFound;
    }
    step = 3;
    if (request.drive != 0) {
        return fderr::InvalidHandle;
    }
    if (request.head > 1) {
        return fderr::InvalidParameter;
    }
    const fdraw::SeekParameters seek =
        fdraw::MakeSeekParameters(request.cylinder, request.head, request.bDoubleStep);
    m_seeks.push_back(seek[0]);
    if (seek[0] >= kPhysicalCylinders) {
        return fderr::Seek;
    }
    m_headCylinder = seek[0];
    step = 4;
    return readRequest(request.cylinder, request.head, request.firstSector(), request.sectorCount(),
                       request.lSizeCode, buffer);
}

std::vector<SimulatedFault> SimulatedFloppyDriver::ParseFaults(std::string_view text) {
    std::vector<SimulatedFault> faults;
    while (!text.empty()) {
        const std::size_t semicolon = text.find(';');
        const std::string_view item = text.substr(0, semicolon);
        text = semicolon == std::string_view::npos ? std::string_view{} : text.substr(semicolon + 1);
        if (item.find_first_not_of(" \t") == std::string_view::npos) {
            continue;
        }
        std::vector<std::string_view> fields;
        std::string_view rest = item;
        for (std::size_t colon = rest.find(':'); colon != std::string_view::npos; colon = rest.find(':')) {
            fields.push_back(rest.substr(0, colon));
            rest = rest.substr(colon + 1);
        }
        fields.push_back(rest);
        for (std::string_view& f : fields) {
            const auto first = f.find_first_not_of(" \t");
            const auto last = f.find_last_not_of(" \t");
            f = first == std::string_view::npos ? std::string_view{} : f.substr(first, last - first + 1);
        }
        if (fields.size() != 4 && fields.size() != 5) {
            throw badFault(item, "does not have four or five fields");
        }
        SimulatedFault fault;
        if (!parseNumber(fields[0], fault.head, false) || fault.head > 1) {
            throw badFault(item, "names no head 0 or 1");
        }
        if (!parseNumber(fields[1], fault.track, false) || fault.track >= 2 * kTracks) {
            throw badFault(item, "names no track 0 to 79");
        }
        if (!parseNumber(fields[2], fault.code, true) || fault.code == 0) {
            throw badFault(item, "has no non-zero 32-bit error code");
        }
        if (!parseNumber(fields[3], fault.remaining, false)) {
            throw badFault(item, "has no attempt count");
        }
        if (fields.size() == 5 && (!parseNumber(fields[4], fault.sector, false) ||
                                   fault.sector >= static_cast<int>(kSectorsPerTrack))) {
            throw badFault(item, "names no sector 0 to 17");
        }
        faults.push_back(fault);
    }
    return faults;
}
