#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Prompter.h"
#include "floppy/modFDRawCmd.h"

// The Write Image command without a window: the write dialog and
// `quillmar-cli write` both drive it. Track side by track side it lays the
// image down as an Opus formats a disk, reads the side back and compares every
// sector with the image byte for byte; a side that does not read back is
// written again, and after the last try the write stops and says where.
// Writing never starts on a write-protected disk.

// How the image sits on the disk: 40 tracks of one or two sides, or 80 of one or two.
struct WriteShape {
    int tracks = 40;
    int heads = 1;

    bool operator==(const WriteShape&) const = default;
};

// The shape an image of length bytes has, given what the user said: bDoubleSided
// (--double-sided) and tracksAsked (--tracks; 0 when not said). 184,320 bytes
// is 40 × 1 and 737,280 bytes 80 × 2; 368,640 bytes needs one of the two
// options to say which it is. Options that contradict the length, and lengths
// no Opus disk has, leave shape alone and return why, in words; otherwise the
// result is empty.
[[nodiscard]] std::string ResolveWriteShape(std::size_t length, bool bDoubleSided, int tracksAsked,
                                            WriteShape& shape);

struct WriteOptions {
    WriteShape shape;
    // A 40-track disk in an 80-track drive: tracks go to the even cylinders
    // and the odd cylinder beside each is erased. Ignored for 80 tracks.
    bool bDoubleStep = true;
    bool bVerify = true;
    int Retries = 3;  // writes of one track side at most, the first included
};

// One line of the write's progress: a side written (and verified), or a try
// that did not read back.
struct WriteProgress {
    int track = 0;
    int head = 0;
    bool ok = false;  // the side is done
    int attempt = 1;
    std::vector<int> badSectors;  // sector IDs that did not read back, ascending
    // "0:3 Write OK", "0:3 Verify failed: sectors 5, 9 (try 1 of 3)"; no line end.
    std::string statusLine;
};

struct WriteHooks {
    // True when the writing starts, false when it ends, whichever way.
    std::function<void(bool bWriting)> writingState;
    std::function<void(int track, int head)> sideStarting;
    // After every line; a Cancel pressed here takes effect after the side.
    std::function<void(const WriteProgress&)> progress;
};

enum class WriteOutcome {
    InvalidDrive,    // the letter was refused; nothing written
    NoFloppy,        // the insert-floppy question was cancelled; nothing written
    WriteProtected,  // the disk refuses writes; nothing written
    BadImage,        // the image's length does not match the shape; nothing written
    Finished,        // every side written (and verified)
    Failed,          // a side did not read back after its last try; the disk is partly written
    Canceled,        // stopped by Cancel after a side; the disk is partly written
};

struct WriteReport {
    WriteOutcome outcome = WriteOutcome::InvalidDrive;
    std::uint8_t drive = 0;
    std::string sSenseErrorText;
    std::string sDeviceProblem;            // why the driver could not reach its device, when it says
    std::vector<std::string> statusLines;  // every progress line, in order
    int sidesWritten = 0;
    int lastTrack = -1;  // the last side finished, or the side that failed
    int lastHead = 0;
    std::vector<int> badSectors;  // of the failed side's last try
    std::string sErrorText;       // the drive's error when the failed side's last write was refused
};

class DiskWriter {
public:
    static constexpr int kMaxRetries = 99;

    DiskWriter(modFDRawCmd& driver, Prompter& prompter) : m_driver(driver), m_prompter(prompter) {}

    // The whole Write Image command for the image's bytes, laid out track by
    // track with the sides of a track in turn.
    WriteReport WriteDisk(std::string_view sDriveText, const WriteOptions& options,
                          std::span<const std::uint8_t> image, const WriteHooks& hooks = {});

    // "Write finished: 80 track sides written and verified", "Write failed at
    // 0:3: ...", "Write cancelled after 0:3; ...": the closing line of a
    // report that wrote something, "" for one that did not.
    [[nodiscard]] static std::string Summary(const WriteReport& report, const WriteOptions& options);
    // "the disk in drive A is write-protected; nothing was written"
    [[nodiscard]] static std::string WriteProtectedText(std::uint8_t drive);

    // Stops the write before its next track side; the side being written is
    // finished, its tries included. Sticky; may be called from another thread.
    void Cancel() { m_canceled = true; }
    [[nodiscard]] bool Canceled() const { return m_canceled; }

private:
    [[nodiscard]] bool waitForDrive(std::uint8_t drive, WriteReport& report);
    // The sector IDs of the side that do not read back as expected.
    [[nodiscard]] std::vector<int> verifySide(std::uint8_t drive, int track, int head, bool bDoubleStep,
                                              std::span<const std::uint8_t> expected);
    // false: the side failed and report says how.
    [[nodiscard]] bool writeSide(std::uint8_t drive, int track, int head, const WriteOptions& options,
                                 std::span<const std::uint8_t> side, WriteReport& report,
                                 const WriteHooks& hooks);

    modFDRawCmd& m_driver;
    Prompter& m_prompter;
    std::atomic<bool> m_canceled = false;
};
