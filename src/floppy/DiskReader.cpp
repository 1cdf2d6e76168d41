#include "floppy/DiskReader.h"

#include <algorithm>
#include <new>

#include "core/ProgramInfo.h"
#include "floppy/FdRawRequests.h"

namespace {

constexpr std::size_t kOpusTrackLength = kSectorsPerTrack * kBlockSize;

// Leaves the reading state on every way out, a throwing hook included.
class ReadingState {
public:
    explicit ReadingState(const ReadHooks& hooks) : m_hooks(hooks) {
        if (m_hooks.readingState) {
            m_hooks.readingState(true);
        }
    }
    ~ReadingState() {
        if (m_hooks.readingState) {
            m_hooks.readingState(false);
        }
    }
    ReadingState(const ReadingState&) = delete;
    ReadingState& operator=(const ReadingState&) = delete;

private:
    const ReadHooks& m_hooks;
};

}  // namespace

std::optional<std::uint8_t> DiskReader::DriveNumber(std::string_view sDriveText) {
    const auto first = sDriveText.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const auto last = sDriveText.find_last_not_of(' ');
    if (last != first) {
        return std::nullopt;
    }
    char letter = sDriveText[first];
    if (letter >= 'a' && letter <= 'z') {
        letter = static_cast<char>(letter - 'a' + 'A');
    }
    if (letter < 'A' || letter > 'Z') {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(letter - 'A');
}

std::string DiskReader::StatusLine(int head, int track, std::string_view sResult) {
    return std::to_string(head) + ":" + std::to_string(track) + " " + std::string(sResult);
}

bool DiskReader::waitForDrive(std::uint8_t drive, ReadReport& report) {
    while (!m_driver.SenseDriveStatus(drive, report.sSenseErrorText)) {
        // A device that cannot be reached is not an empty drive.
        report.sDeviceProblem = m_driver.DeviceProblem();
        const std::string text = report.sDeviceProblem.empty() ? std::string(kInsertFloppyMessage) + "\r\n(" +
                                                                     report.sSenseErrorText + ")"
                                                               : report.sDeviceProblem;
        const MsgAnswer answer =
            m_prompter.message(text, ProgramTitle(), MsgIcon::Information, MsgButtons::OkCancel);
        if (answer != MsgAnswer::Ok) {
            return false;
        }
    }
    report.sDeviceProblem.clear();
    return true;
}

SectorGeometry ReadGeometry(const ReadOptions& options) {
    SectorGeometry g;
    g.cylinders =
        options.Tracks == DiskReader::kWideTrackCount ? DiskReader::kWideTrackCount : DiskReader::kTrackCount;
    g.heads = options.bDoubleSided ? 2 : 1;
    g.sectors = static_cast<int>(kSectorsPerTrack);
    g.size = static_cast<int>(kBlockSize);
    return g;
}

namespace {

bool doubleStepFor(const ReadOptions& options) {
    return options.Tracks != DiskReader::kWideTrackCount && options.bDoubleStep;
}

// A driver that failed a read without saying how (a fault it trapped) still
// leaves a code in the map and a text in the status line.
void recordFault(std::int32_t& lErrorCode, std::string& sErrorText) {
    if (lErrorCode == 0) {
        lErrorCode = fderr::FloppyUnknownError;
        sErrorText = modFDRawCmd::DriveErrorText(lErrorCode);
    }
}

std::string recoveredText(int recovered, int of) {
    return ", " + std::to_string(recovered) + " of " + std::to_string(of) + " sectors recovered";
}

}  // namespace

bool DiskReader::readSector(std::uint8_t drive, int track, int head, int sector, bool bDoubleStep,
                            std::uint8_t* out, std::int32_t& lErrorCode, std::string& sErrorText) {
    if (sectorStarting) {
        sectorStarting(sector);
    }
    std::vector<std::uint8_t> buffer;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (m_driver.ReadSingleSector(drive, static_cast<std::uint8_t>(track),
                                      static_cast<std::uint8_t>(head), static_cast<std::uint8_t>(sector),
                                      buffer, lErrorCode, sErrorText, fdraw::kOpusSizeCode, bDoubleStep)) {
            if (buffer.size() == kBlockSize) {
                std::copy(buffer.begin(), buffer.end(), out);
                return true;
            }
            lErrorCode = fderr::FloppyUnknownError;
            sErrorText = modFDRawCmd::DriveErrorText(lErrorCode);
        }
    }
    recordFault(lErrorCode, sErrorText);
    return false;
}

void DiskReader::readSide(int track, int head, ReadReport& report, const ReadHooks& hooks,
                          const std::function<SideResult()>& read) {
    if (hooks.sideStarting) {
        hooks.sideStarting(track, head);
    }
    const SideResult result = read();
    ReadProgress progress;
    progress.track = track;
    progress.head = head;
    progress.ok = result.ok;
    progress.attempts = result.attempts;
    progress.statusLine = StatusLine(head, track, result.ok ? kReadOkText : result.sErrorText);
    if (result.sectorBySector) {
        progress.statusLine += recoveredText(result.recovered, result.wanted);
    }
    if (!result.ok && result.recovered < result.wanted) {
        report.failedSides.push_back({head, track, result.sErrorText});
    }
    report.statusLines.push_back(progress.statusLine);
    if (hooks.progress) {
        hooks.progress(progress);
    }
}

DiskReader::SideResult DiskReader::readWholeSide(std::uint8_t drive, int t, int h, const ReadOptions& options,
                                                 std::vector<std::uint8_t>& bytes, SectorMap& map) {
    const bool doubleStep = doubleStepFor(options);
    const int sectors = static_cast<int>(kSectorsPerTrack);
    SideResult result;
    result.wanted = sectors;
    std::int32_t lErrorCode = 0;
    std::vector<std::uint8_t> trackBuffer;
    while (result.attempts < kAttempts && !result.ok) {
        ++result.attempts;
        result.ok = m_driver.ReadSingleTrack(drive, static_cast<std::uint8_t>(t),
                                             static_cast<std::uint8_t>(h), trackBuffer, lErrorCode,
                                             result.sErrorText, fdraw::kOpusSizeCode, doubleStep);
        // A driver that claims success with a track of another length
        // cannot be trusted with this side.
        if (result.ok && trackBuffer.size() != kOpusTrackLength) {
            result.ok = false;
            lErrorCode = fderr::FloppyUnknownError;
            result.sErrorText = modFDRawCmd::DriveErrorText(lErrorCode);
        }
    }
    if (!result.ok) {
        recordFault(lErrorCode, result.sErrorText);
    }
    const std::size_t sideStart = bytes.size();
    if (result.ok) {
        bytes.insert(bytes.end(), trackBuffer.begin(), trackBuffer.end());
        for (int s = 0; s < sectors && result.attempts > 1; ++s) {
            map.entries.push_back({t, h, s, SectorState::Recovered, 0});
        }
        return result;
    }
    bytes.insert(bytes.end(), kOpusTrackLength, options.FillerByte);
    result.sectorBySector = options.bSectorBySector;
    for (int s = 0; s < sectors; ++s) {
        std::int32_t lSectorCode = lErrorCode;
        std::string sSectorText;
        std::uint8_t* out = bytes.data() + sideStart + static_cast<std::size_t>(s) * kBlockSize;
        if (options.bSectorBySector &&
            readSector(drive, t, h, s, doubleStep, out, lSectorCode, sSectorText)) {
            ++result.recovered;
            map.entries.push_back({t, h, s, SectorState::Recovered, 0});
        } else {
            map.entries.push_back({t, h, s, SectorState::Bad, lSectorCode});
        }
    }
    return result;
}

ReadReport DiskReader::runRead(std::string_view sDriveText, DiskImage& image, const ReadHooks& hooks,
                               const std::function<bool()>& ready, const ReadBody& body) {
    ReadReport report;
    const auto drive = DriveNumber(sDriveText);
    if (!drive) {
        m_prompter.message(kDriveNotValidMessage, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
        report.outcome = ReadOutcome::InvalidDrive;
        return report;
    }
    report.drive = *drive;
    if (!ready()) {
        report.outcome = ReadOutcome::NoMap;
        return report;
    }
    if (!waitForDrive(*drive, report)) {
        report.outcome = ReadOutcome::NoFloppy;
        return report;
    }

    const ReadingState reading(hooks);
    const BusyPointer busy(m_prompter);
    try {
        std::vector<std::uint8_t> bytes;
        SectorMap map;
        body(*drive, bytes, map, report);
        report.outcome = publish(bytes, map, image);
    } catch (const std::bad_alloc&) {
        // Nothing of it may reach whoever drives the read (the read window's
        // event loop); the image stays as it was.
        m_prompter.message(kReadOutOfMemoryMessage, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
        report.outcome = ReadOutcome::Canceled;
    }
    return report;
}

ReadReport DiskReader::ReadDisk(std::string_view sDriveText, const ReadOptions& options, DiskImage& image,
                                const ReadHooks& hooks) {
    const auto always = [] { return true; };
    return runRead(
        sDriveText, image, hooks, always,
        [&](std::uint8_t drive, std::vector<std::uint8_t>& bytes, SectorMap& map, ReadReport& report) {
            const SectorGeometry geometry = ReadGeometry(options);
            map.geometry = geometry;
            bytes.reserve(kOpusTrackLength * static_cast<std::size_t>(geometry.cylinders * geometry.heads));
            for (int t = 0; t < geometry.cylinders && !m_canceled; ++t) {
                for (int h = 0; h < geometry.heads && !m_canceled; ++h) {
                    readSide(t, h, report, hooks,
                             [&] { return readWholeSide(drive, t, h, options, bytes, map); });
                }
            }
        });
}

ReadOutcome DiskReader::publish(std::vector<std::uint8_t>& bytes, SectorMap& map, DiskImage& image) const {
    if (m_canceled) {
        return ReadOutcome::Canceled;
    }
    image.bytes = std::move(bytes);
    image.sectorMap = std::move(map);
    return ReadOutcome::Published;
}

namespace {

bool notDelivered(const SectorStatus& e) {
    return e.state == SectorState::Bad || e.state == SectorState::Missing;
}

}  // namespace

DiskReader::SideResult DiskReader::retrySide(std::uint8_t drive, const ReadOptions& options,
                                             std::vector<SectorStatus>::iterator& it,
                                             std::vector<SectorStatus>::iterator end,
                                             std::vector<std::uint8_t>& bytes) {
    const SectorGeometry geometry = ReadGeometry(options);
    const int track = it->cylinder;
    const int head = it->head;
    SideResult result;
    result.attempts = kAttempts;
    result.sectorBySector = true;
    for (; it != end && it->cylinder == track && it->head == head; ++it) {
        if (!notDelivered(*it)) {
            continue;
        }
        ++result.wanted;
        const std::size_t block =
            (static_cast<std::size_t>(it->cylinder) * geometry.heads + it->head) * geometry.sectors +
            it->sector;
        std::int32_t lErrorCode = 0;
        std::string sSectorText;
        if (readSector(drive, it->cylinder, it->head, it->sector, doubleStepFor(options),
                       bytes.data() + block * kBlockSize, lErrorCode, sSectorText)) {
            ++result.recovered;
            *it = {it->cylinder, it->head, it->sector, SectorState::Recovered, 0};
        } else {
            it->error = lErrorCode;
            result.sErrorText = sSectorText;
        }
    }
    result.ok = result.recovered == result.wanted;
    return result;
}

ReadReport DiskReader::RetryBadSectors(std::string_view sDriveText, const ReadOptions& options,
                                       DiskImage& image, const ReadHooks& hooks) {
    const SectorGeometry geometry = ReadGeometry(options);
    const auto mapFits = [&] {
        const std::size_t length = static_cast<std::size_t>(geometry.cylinders) * geometry.heads *
                                   geometry.sectors * static_cast<std::size_t>(geometry.size);
        if (!image.sectorMap || !(image.sectorMap->geometry == geometry) || image.bytes.size() != length) {
            m_prompter.message(kNoMapToRetryMessage, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
            return false;
        }
        return true;
    };
    return runRead(
        sDriveText, image, hooks, mapFits,
        [&](std::uint8_t drive, std::vector<std::uint8_t>& bytes, SectorMap& map, ReadReport& report) {
            bytes = image.bytes;
            map = *image.sectorMap;
            std::vector<SectorStatus>& entries = map.entries;
            // Entries are in image order, so each side's bad sectors are one run.
            for (auto it = std::find_if(entries.begin(), entries.end(), notDelivered);
                 it != entries.end() && !m_canceled; it = std::find_if(it, entries.end(), notDelivered)) {
                readSide(it->cylinder, it->head, report, hooks,
                         [&] { return retrySide(drive, options, it, entries.end(), bytes); });
            }
        });
}
