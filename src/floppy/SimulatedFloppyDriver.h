#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "floppy/modFDRawCmd.h"

// One injected failure: the first `remaining` read requests that reach it fail
// with `code`. Without a sector every request naming this head and track
// reaches it; with one, a whole-track read of the side reaches it as well as a
// single-sector read of that sector, so a sector that keeps failing spoils
// every whole-track read of its side while its neighbours read alone.
struct SimulatedFault {
    static constexpr int kWholeSide = -1;

    std::uint8_t head = 0;
    std::uint8_t track = 0;
    std::int32_t code = 0;
    int remaining = 0;
    int sector = kWholeSide;
};

// A driver without hardware, for tests and for trying the program: drive A:
// is an 80-track drive holding an Opus disk made from an image file.
//
// The model follows what a real drive does with such a disk. The head sits
// over physical cylinder c, which on a 40-track disk is logical track c div 2;
// a read naming a cylinder other than the one under the head fails with
// "Wrong Cylinder", so reading a 40-track disk without double step goes wrong
// from track 1 on. A 184,320-byte image is a single-sided 40-track disk (head
// 1 finds no ID marks); a longer one up to 368,640 bytes has both sides, track
// by track with head 0 first, as a double-sided read writes them; a longer one
// still is an 80-track double-sided disk (737,280 bytes), whose tracks lie
// under the physical cylinders of the same number, so double step goes wrong
// there. Tracks the image does not reach are unformatted. Other drive letters
// have no device at all.
//
// Writes change the disk as they would a real one, and the image file with
// it: a side written with double step lands on the 40-track layout, one
// written without on the 80-track layout (a disk written the other way
// before starts out blank then). An image file without write permission for
// its owner is a write-protected disk. A write that reaches an injected fault
// uses up one of its requests and leaves the sectors the fault covers reading
// back with its code until their side is written again.
class SimulatedFloppyDriver : public modFDRawCmd {
public:
    static constexpr std::uint32_t kVersion = 0x01000A00;
    static constexpr int kPhysicalCylinders = 80;

    // The disk is the file at sImagePath, read again whenever the drive is
    // sensed (a fresh disk for every insert-floppy retry); a missing file is
    // an empty drive.
    SimulatedFloppyDriver(std::string sImagePath, std::vector<SimulatedFault> faults,
                          ActivityLog* log = nullptr);
    // A disk that never leaves the drive.
    SimulatedFloppyDriver(std::vector<std::uint8_t> disk, std::vector<SimulatedFault> faults,
                          ActivityLog* log = nullptr);

    [[nodiscard]] bool IsDriverPresent(std::uint32_t& version) override;
    [[nodiscard]] bool SenseDriveStatus(std::uint8_t drive, std::string& sErrorText) override;
    [[nodiscard]] bool IsWriteProtected(std::uint8_t drive, bool& bProtected,
                                        std::string& sErrorText) override;
    [[nodiscard]] bool WriteSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                        const std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                        std::string& sErrorText, std::int32_t lSizeCode,
                                        bool bDoubleStep) override;
    [[nodiscard]] bool EraseTrack(std::uint8_t drive, std::uint8_t physicalCylinder, std::uint8_t head,
                                  std::int32_t& lErrorCode, std::string& sErrorText) override;

    // "H:T:CODE:N[:R];H:T:CODE:N" (CODE decimal or 0x-hex, may be negative; R
    // a sector 0 to 17; empty items between semicolons are skipped). Malformed
    // text throws a Failure that names the item.
    [[nodiscard]] static std::vector<SimulatedFault> ParseFaults(std::string_view text);

    // What the drive went through, for tests: the physical cylinder under the
    // head, every seek's physical cylinder, and the read requests sent.
    [[nodiscard]] int HeadCylinder() const { return m_headCylinder; }
    [[nodiscard]] const std::vector<int>& Seeks() const { return m_seeks; }
    [[nodiscard]] int ReadRequests() const { return m_readRequests; }
    [[nodiscard]] const std::vector<SimulatedFault>& Faults() const { return m_faults; }
    [[nodiscard]] int WriteRequests() const { return m_writeRequests; }
    // The physical cylinders erased, in order.
    [[nodiscard]] const std::vector<int>& Erasures() const { return m_erasures; }
    // The disk as it is now (what a file-backed drive also saved).
    [[nodiscard]] const std::optional<std::vector<std::uint8_t>>& Disk() const { return m_disk; }

protected:
    [[nodiscard]] std::int32_t readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                       int& step) override;

private:
    void insertDiskFromFile();
    [[nodiscard]] std::int32_t readRequest(std::uint8_t cylinder, std::uint8_t head, int first, int count,
                                           std::int32_t lSizeCode, std::vector<std::uint8_t>& buffer);

    // Seek and the checks every write shares: 0 when the side at the head may be written.
    [[nodiscard]] std::int32_t prepareWrite(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                            bool bDoubleStep, int& step);
    [[nodiscard]] bool diskWriteProtected() const;
    // The code of the first spoiled sector in first .. first + count - 1, else 0.
    [[nodiscard]] std::int32_t spoiledCode(std::uint8_t track, std::uint8_t head, int first, int count) const;
    void saveDisk();

    std::optional<std::string> m_imagePath;
    std::optional<std::vector<std::uint8_t>> m_disk;  // nullopt: no disk in the drive
    bool m_diskLoaded = false;
    std::vector<SimulatedFault> m_faults;
    int m_headCylinder = 0;
    std::vector<int> m_seeks;
    int m_readRequests = 0;
    int m_writeRequests = 0;
    std::vector<int> m_erasures;
    std::map<std::tuple<int, int, int>, std::int32_t> m_spoiled;  // (track, head, sector) -> code
};
