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
// the drive answers, reads the 40 (or 80) tracks side by side with three
// attempts each, and replaces the program's DiskImage and its sector map
// unless it was cancelled. Questions go through the Prompter; everything the
// dialog shows while reading comes through the hooks.

inline constexpr const char* kDriveNotValidMessage = "The drive selected seems not to be valid.";
inline constexpr const char* kInsertFloppyMessage = "Please insert a floppy in the drive and try again.";
inline constexpr const char* kReadOkText = "Read OK";
inline constexpr const char* kReadOutOfMemoryMessage = "There is not enough memory to read the disk.";
inline constexpr const char* kNoMapToRetryMessage =
    "The current disk has no map of bad sectors from a read with these options (tracks and sides).";

// The options in force for one whole read, as the dialog's menu starts them.
struct ReadOptions {
    bool bDoubleStep = true;         // a 40-track disk in an 80-track drive
    bool bDoubleSided = false;       // heads 0 and 1 of every track, head 0 first
    std::uint8_t FillerByte = 0xE5;  // stands for every byte of a sector that could not be read
    // A side whose whole-track attempts all failed is read again one sector
    // at a time, so that only the sectors that never came back are filler.
    bool bSectorBySector = false;
    int Tracks = 40;  // 40 or 80; an 80-track disk sits in its drive's own cylinders, never double-stepped
};

// Cylinders, heads, 18 sectors of 256 bytes: what a read with these options
// produces, byte for byte.
[[nodiscard]] SectorGeometry ReadGeometry(const ReadOptions& options);

// One track side, after its attempts.
struct ReadProgress {
    int track = 0;
    int head = 0;
    bool ok = false;
    int attempts = 0;  // 1 to 3
    // "0:0 Read OK", "0:12 CRC Error (0x00000017)", and after reading a side
    // sector by sector "0:12 CRC Error (0x00000017), 16 of 18 sectors
    // recovered"; no line end.
    std::string statusLine;
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
    NoMap,         // a retry of bad sectors found no map of this geometry; nothing changed
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
    std::string sDeviceProblem;            // why the driver could not reach its device, when it says
    std::vector<std::string> statusLines;  // one per side read, in order
    std::vector<FailedSide> failedSides;   // the sides with at least one sector stored as filler
};

class DiskReader {
public:
    static constexpr int kAttempts = 3;
    static constexpr int kTrackCount = 40;
    static constexpr int kWideTrackCount = 80;

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

    // Reads again only the sectors image's map marks bad (or missing), each
    // up to three attempts, puts every one that reads good into the image
    // and marks it recovered; nothing else of the image changes. The map must
    // come from a read of the geometry the options describe, else NoMap after
    // telling the user. One status line per side retried: "0:12 CRC Error
    // (0x00000017), 1 of 2 sectors recovered", or "Read OK" for the error when
    // all came back.
    ReadReport RetryBadSectors(std::string_view sDriveText, const ReadOptions& options, DiskImage& image,
                               const ReadHooks& hooks = {});

    // Stops the read before its next track side; the side being read is
    // finished first. Sticky: every later read of this reader reads nothing.
    void Cancel() { m_canceled = true; }
    // Called before every single-sector read (sector by sector, and retries):
    // the read dialog shows the sector.
    std::function<void(int sector)> sectorStarting;
    [[nodiscard]] bool Canceled() const { return m_canceled; }

private:
    // Asks for a floppy (or, for a device that cannot be reached, says so)
    // until the drive answers or the user cancels.
    [[nodiscard]] bool waitForDrive(std::uint8_t drive, ReadReport& report);
    // How one track side went: ok shows "Read OK"; a side read sector by
    // sector also shows how many of the sectors it wanted came back.
    struct SideResult {
        bool ok = false;
        int attempts = 0;
        std::string sErrorText;
        bool sectorBySector = false;
        int recovered = 0;
        int wanted = 0;
    };
    using ReadBody = std::function<void(std::uint8_t drive, std::vector<std::uint8_t>& bytes, SectorMap& map,
                                        ReadReport& report)>;

    // The frame both reads share: the drive letter, what the read needs
    // (ready: else NoMap), the floppy, the reading state and busy pointer
    // while body reads, and the result published unless cancelled.
    [[nodiscard]] ReadReport runRead(std::string_view sDriveText, DiskImage& image, const ReadHooks& hooks,
                                     const std::function<bool()>& ready, const ReadBody& body);
    // The step of every track side: announced, read, and its status line,
    // failure and progress reported.
    void readSide(int track, int head, ReadReport& report, const ReadHooks& hooks,
                  const std::function<SideResult()>& read);
    // Up to three whole-track attempts, then (if asked) one sector at a
    // time; the side's bytes, filler included, are appended to bytes.
    [[nodiscard]] SideResult readWholeSide(std::uint8_t drive, int t, int h, const ReadOptions& options,
                                           std::vector<std::uint8_t>& bytes, SectorMap& map);
    // The not-delivered sectors of the side it points at, it left past that side.
    [[nodiscard]] SideResult retrySide(std::uint8_t drive, const ReadOptions& options,
                                       std::vector<SectorStatus>::iterator& it,
                                       std::vector<SectorStatus>::iterator end,
                                       std::vector<std::uint8_t>& bytes);
    // Up to three attempts at one sector; on success its bytes go to out.
    [[nodiscard]] bool readSector(std::uint8_t drive, int track, int head, int sector, bool bDoubleStep,
                                  std::uint8_t* out, std::int32_t& lErrorCode, std::string& sErrorText);

    // A cancelled read leaves the image as it was; any other hands it the
    // bytes and map read.
    [[nodiscard]] ReadOutcome publish(std::vector<std::uint8_t>& bytes, SectorMap& map,
                                      DiskImage& image) const;

    modFDRawCmd& m_driver;
    Prompter& m_prompter;
    bool m_canceled = false;
};
