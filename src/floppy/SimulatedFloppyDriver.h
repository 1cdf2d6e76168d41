#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

protected:
    [[nodiscard]] std::int32_t readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                       int& step) override;

private:
    void insertDiskFromFile();
    [[nodiscard]] std::int32_t readRequest(std::uint8_t cylinder, std::uint8_t head, int first, int count,
                                           std::int32_t lSizeCode, std::vector<std::uint8_t>& buffer);

    std::optional<std::string> m_imagePath;
    std::optional<std::vector<std::uint8_t>> m_disk;  // nullopt: no disk in the drive
    bool m_diskLoaded = false;
    std::vector<SimulatedFault> m_faults;
    int m_headCylinder = 0;
    std::vector<int> m_seeks;
    int m_readRequests = 0;
};
