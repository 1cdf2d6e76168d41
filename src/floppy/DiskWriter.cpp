#include "floppy/DiskWriter.h"

#include <algorithm>

#include "core/ProgramInfo.h"
#include "disk/DiskImage.h"
#include "floppy/DiskReader.h"
#include "floppy/FdRawRequests.h"

namespace {

constexpr std::size_t kOpusTrackLength = kSectorsPerTrack * kBlockSize;
constexpr int kWideTracks = 80;

// Leaves the writing state on every way out, a throwing hook included.
class WritingState {
public:
    explicit WritingState(const WriteHooks& hooks) : m_hooks(hooks) {
        if (m_hooks.writingState) {
            m_hooks.writingState(true);
        }
    }
    ~WritingState() {
        if (m_hooks.writingState) {
            m_hooks.writingState(false);
        }
    }
    WritingState(const WritingState&) = delete;
    WritingState& operator=(const WritingState&) = delete;

private:
    const WriteHooks& m_hooks;
};

// 368640 -> "368,640"
std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<std::size_t>(i), ",");
    }
    return digits;
}

std::string shapeText(const WriteShape& s) {
    return std::to_string(s.tracks) + " tracks on " + (s.heads == 2 ? "two sides" : "one side");
}

std::size_t lengthOf(const WriteShape& s) {
    return kOpusTrackLength * static_cast<std::size_t>(s.tracks * s.heads);
}

std::string sectorList(const std::vector<int>& sectors) {
    std::string text;
    for (const int r : sectors) {
        text += (text.empty() ? "" : ", ") + std::to_string(r);
    }
    return text;
}

std::string sideName(int head, int track) {
    return std::to_string(head) + ":" + std::to_string(track);
}

}  // namespace

std::string ResolveWriteShape(std::size_t length, bool bDoubleSided, int tracksAsked, WriteShape& shape) {
    const WriteShape single{40, 1};
    const WriteShape twoSided{40, 2};
    const WriteShape wideSingle{80, 1};
    const WriteShape wide{80, 2};
    const std::string size = grouped(length) + " bytes";
    WriteShape found;
    if (length == lengthOf(single)) {
        found = single;
    } else if (length == lengthOf(wide)) {
        found = wide;
    } else if (length == lengthOf(twoSided)) {
        if (bDoubleSided == (tracksAsked == kWideTracks)) {
            if (bDoubleSided) {
                return size +
                       " is 40 tracks on two sides or 80 on one; --double-sided and --tracks 80 "
                       "together make 737,280 bytes";
            }
            return size + " is 40 tracks on two sides or 80 on one; add --double-sided or --tracks 80";
        }
        found = bDoubleSided ? twoSided : wideSingle;
    } else {
        return size + " is no Opus disk: an image to write is 184,320, 368,640 or 737,280 bytes long";
    }
    if (tracksAsked != 0 && tracksAsked != found.tracks) {
        return size + " is " + shapeText(found) + "; --tracks " + std::to_string(tracksAsked) +
               " contradicts it";
    }
    if (bDoubleSided && found.heads != 2) {
        return size + " is " + shapeText(found) + "; --double-sided contradicts it";
    }
    shape = found;
    return {};
}

bool DiskWriter::waitForDrive(std::uint8_t drive, WriteReport& report) {
    while (!m_driver.SenseDriveStatus(drive, report.sSenseErrorText)) {
        // A device that cannot be reached is not an empty drive.
        report.sDeviceProblem = m_driver.DeviceProblem();
        const std::string text = report.sDeviceProblem.empty() ? std::string(kInsertFloppyMessage) + "\r\n(" +
                                                                     report.sSenseErrorText + ")"
                                                               : report.sDeviceProblem;
        if (m_prompter.message(text, ProgramTitle(), MsgIcon::Information, MsgButtons::OkCancel) !=
            MsgAnswer::Ok) {
            return false;
        }
    }
    report.sDeviceProblem.clear();
    return true;
}

std::vector<int> DiskWriter::verifySide(std::uint8_t drive, int track, int head, bool bDoubleStep,
                                        std::span<const std::uint8_t> expected) {
    const auto sectorOf = [&](std::span<const std::uint8_t> bytes, std::size_t r) {
        return bytes.subspan(r * kBlockSize, kBlockSize);
    };
    std::vector<int> bad;
    std::vector<std::uint8_t> data;
    std::int32_t lErrorCode = 0;
    std::string sErrorText;
    const auto c = static_cast<std::uint8_t>(track);
    const auto h = static_cast<std::uint8_t>(head);
    if (m_driver.ReadSingleTrack(drive, c, h, data, lErrorCode, sErrorText, fdraw::kOpusSizeCode,
                                 bDoubleStep) &&
        data.size() == kOpusTrackLength) {
        for (std::size_t r = 0; r < kSectorsPerTrack; ++r) {
            if (!std::ranges::equal(sectorOf(data, r), sectorOf(expected, r))) {
                bad.push_back(static_cast<int>(r));
            }
        }
        return bad;
    }
    // The whole-track read stops at the first bad sector; one sector at a
    // time tells which of the others came back.
    for (std::size_t r = 0; r < kSectorsPerTrack; ++r) {
        if (!m_driver.ReadSingleSector(drive, c, h, static_cast<std::uint8_t>(r), data, lErrorCode,
                                       sErrorText, fdraw::kOpusSizeCode, bDoubleStep) ||
            !std::ranges::equal(data, sectorOf(expected, r))) {
            bad.push_back(static_cast<int>(r));
        }
    }
    return bad;
}

bool DiskWriter::writeSide(std::uint8_t drive, int track, int head, const WriteOptions& options,
                           std::span<const std::uint8_t> side, WriteReport& report, const WriteHooks& hooks) {
    const bool doubleStep = options.shape.tracks != kWideTracks && options.bDoubleStep;
    const std::vector<std::uint8_t> data(side.begin(), side.end());
    const int tries = std::clamp(options.Retries, 1, kMaxRetries);
    const auto say = [&](WriteProgress& p) {
        report.statusLines.push_back(p.statusLine);
        if (hooks.progress) {
            hooks.progress(p);
        }
    };
    report.lastTrack = track;
    report.lastHead = head;
    for (int attempt = 1; attempt <= tries; ++attempt) {
        WriteProgress p;
        p.track = track;
        p.head = head;
        p.attempt = attempt;
        const std::string ofTries = " (try " + std::to_string(attempt) + " of " + std::to_string(tries) + ")";
        std::int32_t lErrorCode = 0;
        std::string sErrorText;
        if (!m_driver.WriteSingleTrack(drive, static_cast<std::uint8_t>(track),
                                       static_cast<std::uint8_t>(head), data, lErrorCode, sErrorText,
                                       fdraw::kOpusSizeCode, doubleStep)) {
            report.sErrorText = sErrorText;
            report.badSectors.clear();
            if (lErrorCode == fderr::WriteProtect) {
                // Nothing reaches a protected disk, however often it is asked.
                report.outcome =
                    report.sidesWritten == 0 ? WriteOutcome::WriteProtected : WriteOutcome::Failed;
                return false;
            }
            p.statusLine = sideName(head, track) + " " + sErrorText + ofTries;
            say(p);
            continue;
        }
        report.sErrorText.clear();
        // The narrow track has old flux of the wide one beside it, which a
        // 40-track drive would read together with the new.
        if (doubleStep && attempt == 1 &&
            !m_driver.EraseTrack(drive, static_cast<std::uint8_t>(2 * track + 1),
                                 static_cast<std::uint8_t>(head), lErrorCode, sErrorText)) {
            report.sErrorText = sErrorText;
            report.outcome = WriteOutcome::Failed;
            return false;
        }
        if (options.bVerify) {
            p.badSectors = verifySide(drive, track, head, doubleStep, side);
        }
        report.badSectors = p.badSectors;
        if (p.badSectors.empty()) {
            p.ok = true;
            p.statusLine = sideName(head, track) + " Write OK";
            say(p);
            ++report.sidesWritten;
            return true;
        }
        p.statusLine =
            sideName(head, track) + " Verify failed: sectors " + sectorList(p.badSectors) + ofTries;
        say(p);
    }
    report.outcome = WriteOutcome::Failed;
    return false;
}

WriteReport DiskWriter::WriteDisk(std::string_view sDriveText, const WriteOptions& options,
                                  std::span<const std::uint8_t> image, const WriteHooks& hooks) {
    WriteReport report;
    const auto drive = DiskReader::DriveNumber(sDriveText);
    if (!drive) {
        m_prompter.message(kDriveNotValidMessage, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
        report.outcome = WriteOutcome::InvalidDrive;
        return report;
    }
    report.drive = *drive;
    if (image.size() != lengthOf(options.shape)) {
        report.outcome = WriteOutcome::BadImage;
        return report;
    }
    if (!waitForDrive(*drive, report)) {
        report.outcome = WriteOutcome::NoFloppy;
        return report;
    }
    bool bProtected = false;
    std::string sProtectText;
    if (m_driver.IsWriteProtected(*drive, bProtected, sProtectText) && bProtected) {
        report.outcome = WriteOutcome::WriteProtected;
        return report;
    }

    const WritingState writing(hooks);
    const BusyPointer busy(m_prompter);
    report.outcome = WriteOutcome::Finished;
    for (int t = 0; t < options.shape.tracks; ++t) {
        for (int h = 0; h < options.shape.heads; ++h) {
            if (m_canceled) {
                report.outcome = WriteOutcome::Canceled;
                return report;
            }
            if (hooks.sideStarting) {
                hooks.sideStarting(t, h);
            }
            const std::size_t offset =
                static_cast<std::size_t>(t * options.shape.heads + h) * kOpusTrackLength;
            if (!writeSide(*drive, t, h, options, image.subspan(offset, kOpusTrackLength), report, hooks)) {
                return report;
            }
        }
    }
    return report;
}

std::string DiskWriter::WriteProtectedText(std::uint8_t drive) {
    return std::string("the disk in drive ") + static_cast<char>('A' + drive) +
           " is write-protected; nothing was written";
}

std::string DiskWriter::Summary(const WriteReport& report, const WriteOptions& options) {
    const std::string at = sideName(report.lastHead, report.lastTrack);
    switch (report.outcome) {
        case WriteOutcome::Finished:
            return "Write finished: " + std::to_string(report.sidesWritten) + " track sides written" +
                   (options.bVerify ? " and verified" : ", not verified");
        case WriteOutcome::Failed:
            if (!report.badSectors.empty()) {
                return "Write failed at " + at + ": sectors " + sectorList(report.badSectors) +
                       " do not read back after " +
                       std::to_string(std::clamp(options.Retries, 1, kMaxRetries)) +
                       " retries; the disk is partly written";
            }
            return "Write failed at " + at + ": " + report.sErrorText + "; the disk is partly written";
        case WriteOutcome::Canceled:
            return report.lastTrack < 0 ? "Write cancelled; nothing was written"
                                        : "Write cancelled after " + at + "; the disk is partly written";
        case WriteOutcome::WriteProtected:
            return WriteProtectedText(report.drive);
        default:
            return {};
    }
}
