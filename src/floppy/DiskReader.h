#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Prompter.h"
#include "disk/DiskImage.h"
#include "floppy/modFDRawCmd.h"

// The Read Disk command without a window: the read dialog and `quillmar-cli
// read` both drive it. It validates the drive letter, asks for a floppy until
// the drive answers, reads the 40 tracks side by side with three attempts
// each, and replaces the program's DiskImage unless it was cancelled.
// Questions go through the Prompter; everything the dialog shows while
// reading comes through the hooks.

inline constexpr const char* kDriveNotValidMessage = "The drive selected seems not to be valid.";
inline constexpr const char* kInsertFloppyMessage = "Please insert a floppy in the drive and try again.";
inline constexpr const char* kReadOkText = "Read OK";

// The options in force for one whole read, as the dialog's menu starts them.
struct ReadOptions {
    bool bDoubleStep = true;         // a 40-track disk in an 80-track drive
    bool bDoubleSided = false;       // heads 0 and 1 of every track, head 0 first
    std::uint8_t FillerByte = 0xE5;  // stands for every byte of a track side that could not be read
};

// One track side, after its attempts.
struct ReadProgress {
    int track = 0;
    int head = 0;
    bool ok = false;
    int attempts = 0;        // 1 to 3
    std::string statusLine;  // "0:0 Read OK", "0:12 CRC Error (0x00000017)"; no line end
};

struct ReadHooks {
    // True when the read starts (after the drive answered), false when it
    // ends, whichever way: the dialog swaps Close for Cancel and back.
    std::function<void(bool bReading)> readingState;
    // Before the attempts on a side: the dialog shows the track and head.
    std::function<void(int track, int head)> sideStarting;
    // After every side: the dialog appends the line and lets events run,
    // which is where a press of Cancel reaches Cancel().
    std::function<void(const ReadProgress&)> progress;
};

enum class ReadOutcome {
    InvalidDrive,  // the letter was refused; nothing changed
    NoFloppy,      // the insert-floppy question was cancelled; nothing changed
    Published,     // the read ran to the end and replaced the image, failed sides and all
    Canceled,      // stopped by Cancel; the image was left alone
};

struct FailedSide {
    int head = 0;
    int track = 0;
    std::string sErrorText;
};

struct ReadReport {
    ReadOutcome outcome = ReadOutcome::InvalidDrive;
    std::uint8_t drive = 0;
    std::string sSenseErrorText;           // what the drive check last said; empty when the device is missing
    std::vector<std::string> statusLines;  // one per side read, in order
    std::vector<FailedSide> failedSides;   // the sides stored as filler
};

class DiskReader {
public:
    static constexpr int kAttempts = 3;
    static constexpr int kTrackCount = 40;

    DiskReader(modFDRawCmd& driver, Prompter& prompter) : m_driver(driver), m_prompter(prompter) {}

    // Blanks trimmed, upper-cased, exactly one letter A..Z: its drive number
    // (A 0, B 1, ...). Anything else has none.
    [[nodiscard]] static std::optional<std::uint8_t> DriveNumber(std::string_view sDriveText);

    // "h:t " + kReadOkText or the error text of the side's last attempt.
    [[nodiscard]] static std::string StatusLine(int head, int track, std::string_view sResult);

    // The whole Read Disk command. image is replaced only when the read was
    // not cancelled.
    ReadReport ReadDisk(std::string_view sDriveText, const ReadOptions& options, DiskImage& image,
                        const ReadHooks& hooks = {});

    // Stops the read before its next track side; the side being read is
    // finished first. Sticky: every later read of this reader reads nothing.
    void Cancel() { m_canceled = true; }
    [[nodiscard]] bool Canceled() const { return m_canceled; }

private:
    [[nodiscard]] bool waitForDrive(std::uint8_t drive, std::string& sErrorText);
    void readTracks(std::uint8_t drive, const ReadOptions& options, std::vector<std::uint8_t>& bytes,
                    ReadReport& report, const ReadHooks& hooks);

    modFDRawCmd& m_driver;
    Prompter& m_prompter;
    bool m_canceled = false;
};
