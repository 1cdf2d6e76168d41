#include "floppy/DiskReader.h"

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

bool DiskReader::waitForDrive(std::uint8_t drive, std::string& sErrorText) {
    while (!m_driver.SenseDriveStatus(drive, sErrorText)) {
        const MsgAnswer answer =
            m_prompter.message(std::string(kInsertFloppyMessage) + "\r\n(" + sErrorText + ")", ProgramTitle(),
                               MsgIcon::Information, MsgButtons::OkCancel);
        if (answer != MsgAnswer::Ok) {
            return false;
        }
    }
    return true;
}

void DiskReader::readTracks(std::uint8_t drive, const ReadOptions& options, std::vector<std::uint8_t>& bytes,
                            ReadReport& report, const ReadHooks& hooks) {
    const int lastHead = options.bDoubleSided ? 1 : 0;
    bytes.reserve(kOpusTrackLength * kTrackCount * static_cast<std::size_t>(lastHead + 1));
    std::vector<std::uint8_t> trackBuffer;
    for (int t = 0; t < kTrackCount && !m_canceled; ++t) {
        for (int h = 0; h <= lastHead && !m_canceled; ++h) {
            if (hooks.sideStarting) {
                hooks.sideStarting(t, h);
            }
            ReadProgress progress;
            progress.track = t;
            progress.head = h;
            std::int32_t lErrorCode = 0;
            std::string sErrorText;
            while (progress.attempts < kAttempts && !progress.ok) {
                ++progress.attempts;
                progress.ok = m_driver.ReadSingleTrack(drive, static_cast<std::uint8_t>(t),
                                                       static_cast<std::uint8_t>(h), trackBuffer, lErrorCode,
                                                       sErrorText, fdraw::kOpusSizeCode, options.bDoubleStep);
                // A driver that claims success with a track of another length
                // cannot be trusted with this side.
                if (progress.ok && trackBuffer.size() != kOpusTrackLength) {
                    progress.ok = false;
                    sErrorText = modFDRawCmd::DriveErrorText(fderr::FloppyUnknownError);
                }
            }
            if (progress.ok) {
                bytes.insert(bytes.end(), trackBuffer.begin(), trackBuffer.end());
                progress.statusLine = StatusLine(h, t, kReadOkText);
            } else {
                bytes.insert(bytes.end(), kOpusTrackLength, options.FillerByte);
                progress.statusLine = StatusLine(h, t, sErrorText);
                report.failedSides.push_back({h, t, sErrorText});
            }
            report.statusLines.push_back(progress.statusLine);
            if (hooks.progress) {
                hooks.progress(progress);
            }
        }
    }
}

ReadReport DiskReader::ReadDisk(std::string_view sDriveText, const ReadOptions& options, DiskImage& image,
                                const ReadHooks& hooks) {
    ReadReport report;
    const auto drive = DriveNumber(sDriveText);
    if (!drive) {
        m_prompter.message(kDriveNotValidMessage, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
        report.outcome = ReadOutcome::InvalidDrive;
        return report;
    }
    report.drive = *drive;
    if (!waitForDrive(*drive, report.sSenseErrorText)) {
        report.outcome = ReadOutcome::NoFloppy;
        return report;
    }

    const ReadingState reading(hooks);
    const BusyPointer busy(m_prompter);
    std::vector<std::uint8_t> bytes;
    readTracks(*drive, options, bytes, report, hooks);
    if (m_canceled) {
        report.outcome = ReadOutcome::Canceled;
    } else {
        image.bytes = std::move(bytes);
        report.outcome = ReadOutcome::Published;
    }
    return report;
}
