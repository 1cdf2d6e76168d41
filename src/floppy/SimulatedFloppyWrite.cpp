// The simulated drive's writes: the disk changes side by side, and the image
// file with it.

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "core/FileIO.h"
#include "disk/DiskImage.h"
#include "floppy/FdRawRequests.h"
#include "floppy/SimulatedFloppyDriver.h"

namespace {

constexpr std::size_t kSideLength = kNominalImageLength;
constexpr std::size_t kOpusTrackLength = kSectorsPerTrack * kBlockSize;
constexpr int kWideTracks = 80;
constexpr std::uint8_t kBlank = 0xE5;  // what the Opus format fills a new sector with

// The disk's track sides by (track, head), in the layout the image file uses.
struct Layout {
    bool wide = false;  // tracks under the cylinders of their own number
    std::map<std::pair<int, int>, std::vector<std::uint8_t>> sides;
};

Layout unpack(const std::vector<std::uint8_t>& disk) {
    Layout layout;
    layout.wide = disk.size() > 2 * kSideLength;
    const std::size_t heads = disk.size() > kSideLength ? 2 : 1;
    for (std::size_t offset = 0, n = 0; offset < disk.size(); offset += kOpusTrackLength, ++n) {
        const std::size_t end = std::min(disk.size(), offset + kOpusTrackLength);
        layout.sides[{static_cast<int>(n / heads), static_cast<int>(n % heads)}].assign(
            disk.begin() + static_cast<std::ptrdiff_t>(offset),
            disk.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return layout;
}

// A 40-track disk is as long as its last formatted track; an 80-track one
// always fills both sides, as its file can show no gaps.
std::vector<std::uint8_t> pack(const Layout& layout) {
    int tracks = layout.wide ? kWideTracks : 0;
    int heads = layout.wide ? 2 : 1;
    for (const auto& [key, bytes] : layout.sides) {
        tracks = std::max(tracks, key.first + 1);
        heads = std::max(heads, key.second + 1);
    }
    std::vector<std::uint8_t> disk;
    for (int t = 0; t < tracks; ++t) {
        for (int h = 0; h < heads; ++h) {
            const auto it = layout.sides.find({t, h});
            std::vector<std::uint8_t> side =
                it != layout.sides.end() ? it->second : std::vector<std::uint8_t>{};
            side.resize(kOpusTrackLength, kBlank);
            disk.insert(disk.end(), side.begin(), side.end());
        }
    }
    return disk;
}

}  // namespace

bool SimulatedFloppyDriver::diskWriteProtected() const {
    if (!m_imagePath) {
        return false;
    }
    struct stat info {};
    return ::stat(m_imagePath->c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0;
}

std::int32_t SimulatedFloppyDriver::spoiledCode(std::uint8_t track, std::uint8_t head, int first,
                                                int count) const {
    for (int r = first; r < first + count; ++r) {
        if (const auto it = m_spoiled.find({track, head, r}); it != m_spoiled.end()) {
            return it->second;
        }
    }
    return 0;
}

void SimulatedFloppyDriver::saveDisk() {
    if (m_imagePath && m_disk) {
        writeFileReplacing(*m_imagePath, *m_disk);
    }
}

bool SimulatedFloppyDriver::IsWriteProtected(std::uint8_t drive, bool& bProtected, std::string& sErrorText) {
    if (!SenseDriveStatus(drive, sErrorText)) {
        return false;
    }
    bProtected = diskWriteProtected();
    return true;
}

std::int32_t SimulatedFloppyDriver::prepareWrite(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                                 bool bDoubleStep, int& step) {
    step = 3;
    if (drive != 0) {
        return fderr::InvalidHandle;
    }
    if (head > 1) {
        return fderr::InvalidParameter;
    }
    const fdraw::SeekParameters seek = fdraw::MakeSeekParameters(cylinder, head, bDoubleStep);
    m_seeks.push_back(seek[0]);
    if (seek[0] >= kPhysicalCylinders) {
        return fderr::Seek;
    }
    m_headCylinder = seek[0];
    step = 4;
    if (!m_diskLoaded) {
        insertDiskFromFile();
    }
    if (!m_disk) {
        return fderr::NotReady;
    }
    if (diskWriteProtected()) {
        return fderr::WriteProtect;
    }
    return 0;
}

bool SimulatedFloppyDriver::WriteSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                             const std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                             std::string& sErrorText, std::int32_t lSizeCode,
                                             bool bDoubleStep) {
    return runWrite("WriteSingleTrack", lErrorCode, sErrorText, [&](int& step) {
        if (lSizeCode != fdraw::kOpusSizeCode || data.size() != kOpusTrackLength) {
            return fderr::InvalidParameter;
        }
        if (const std::int32_t code = prepareWrite(drive, cylinder, head, bDoubleStep, step); code != 0) {
            return code;
        }
        ++m_writeRequests;
        Layout layout = unpack(*m_disk);
        // Single steps put the track under the cylinder of its own number.
        const bool wide = !bDoubleStep;
        if (wide != layout.wide) {
            layout = Layout{wide, {}};
        }
        layout.sides[{cylinder, head}] = data;
        for (int r = 0; r < static_cast<int>(kSectorsPerTrack); ++r) {
            m_spoiled.erase({cylinder, head, r});
        }
        for (SimulatedFault& fault : m_faults) {
            if (fault.head != head || fault.track != cylinder || fault.remaining <= 0) {
                continue;
            }
            --fault.remaining;
            for (int r = 0; r < static_cast<int>(kSectorsPerTrack); ++r) {
                if (fault.sector == SimulatedFault::kWholeSide || fault.sector == r) {
                    m_spoiled[{cylinder, head, r}] = fault.code;
                }
            }
        }
        m_disk = pack(layout);
        step = 5;
        saveDisk();
        return std::int32_t{0};
    });
}

bool SimulatedFloppyDriver::EraseTrack(std::uint8_t drive, std::uint8_t physicalCylinder, std::uint8_t head,
                                       std::int32_t& lErrorCode, std::string& sErrorText) {
    return runWrite("EraseTrack", lErrorCode, sErrorText, [&](int& step) {
        if (const std::int32_t code = prepareWrite(drive, physicalCylinder, head, false, step); code != 0) {
            return code;
        }
        m_erasures.push_back(physicalCylinder);
        // The 40-track layout keeps only the even cylinders: an odd one has nothing to lose.
        Layout layout = unpack(*m_disk);
        const bool holdsTrack = layout.wide || physicalCylinder % 2 == 0;
        const int track = layout.wide ? physicalCylinder : physicalCylinder / 2;
        if (holdsTrack && layout.sides.erase({track, head}) > 0) {
            m_disk = pack(layout);
            saveDisk();
        }
        return std::int32_t{0};
    });
}
