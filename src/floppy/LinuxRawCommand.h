#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The Linux floppy driver's raw command interface (FDRAWCMD on /dev/fdN),
// built and interpreted without <linux/fd.h> so that every platform's tests
// can check the command blocks byte for byte and the mapping of controller
// status and errno onto the error codes users know from Windows. The Linux
// driver copies these blocks into struct floppy_raw_cmd.
namespace linuxfd {

// struct floppy_raw_cmd flags (checked against the kernel header where it exists).
inline constexpr std::uint32_t kRawRead = 0x1;
inline constexpr std::uint32_t kRawWrite = 0x2;
inline constexpr std::uint32_t kRawDiskChange = 0x4;  // out: the disk-change line was still set
inline constexpr std::uint32_t kRawIntr = 0x8;
inline constexpr std::uint32_t kRawSpin = 0x10;
inline constexpr std::uint32_t kRawNeedDisk = 0x40;
inline constexpr std::uint32_t kRawFailure = 0x10000;
inline constexpr std::uint32_t kRawHardFailure = 0x20000;

// Data rate select 2: 250 kbit/s, double-density MFM as the Opus wrote it.
inline constexpr std::uint8_t kRate250k = 2;

// µPD765 commands and status bits.
inline constexpr std::uint8_t kSenseDriveStatus = 0x04;
inline constexpr std::uint8_t kReadData = 0x06;
inline constexpr std::uint8_t kWriteData = 0x05;
inline constexpr std::uint8_t kFormatTrack = 0x0D;
inline constexpr std::uint8_t kSeek = 0x0F;
inline constexpr std::uint8_t kMfm = 0x40;

inline constexpr std::uint8_t kSt0InterruptCode = 0xC0;
inline constexpr std::uint8_t kSt0Abnormal = 0x40;
inline constexpr std::uint8_t kSt0ReadyChanged = 0xC0;
inline constexpr std::uint8_t kSt0SeekEnd = 0x20;
inline constexpr std::uint8_t kSt0EquipmentCheck = 0x10;
inline constexpr std::uint8_t kSt0NotReady = 0x08;
inline constexpr std::uint8_t kSt1EndOfCylinder = 0x80;
inline constexpr std::uint8_t kSt1DataError = 0x20;
inline constexpr std::uint8_t kSt1Overrun = 0x10;
inline constexpr std::uint8_t kSt1NoData = 0x04;
inline constexpr std::uint8_t kSt1NotWritable = 0x02;
inline constexpr std::uint8_t kSt1MissingAddressMark = 0x01;
inline constexpr std::uint8_t kSt2DataErrorInData = 0x20;
inline constexpr std::uint8_t kSt2WrongCylinder = 0x10;
inline constexpr std::uint8_t kSt2BadCylinder = 0x02;
inline constexpr std::uint8_t kSt2MissingDataMark = 0x01;

struct RawCommand {
    std::uint32_t flags = 0;
    std::vector<std::uint8_t> cmd;  // the controller command bytes, in order
    std::uint8_t rate = kRate250k;
    std::size_t length = 0;  // bytes the command transfers into the caller's buffer
};

// Writes and formats answer with the same seven result bytes as reads.
enum class CommandKind { SenseDriveStatus, Seek, ReadData, WriteData, FormatTrack };

// What came back from one FDRAWCMD request.
struct RawOutcome {
    bool ioctlFailed = false;
    int err = 0;  // errno when the request failed
    std::uint32_t flags = 0;
    std::vector<std::uint8_t> reply;  // the result bytes the controller gave
    long residue = 0;                 // bytes of the transfer that did not arrive
};

[[nodiscard]] std::string DeviceName(std::uint8_t drive);  // /dev/fd0, /dev/fd1, ...

// The unit select bits of a command: the drive on its controller.
[[nodiscard]] std::uint8_t UnitByte(std::uint8_t drive, std::uint8_t head);

// Asks the drive for ST3; the kernel's disk check (need-disk) is what tells an
// empty drive, the status byte itself is never looked at.
[[nodiscard]] RawCommand SenseCommand(std::uint8_t drive);
// Seeks to 2 × cylinder under double step; interrupt, then the kernel's sense
// interrupt status gives ST0 and the cylinder reached.
[[nodiscard]] RawCommand SeekCommand(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                     bool bDoubleStep);
// READ DATA, MFM, sectors 0..17 of size code N, EOT 18, gap 0x0A, DTL 0xFF;
// the cylinder in the sector IDs is the logical one.
[[nodiscard]] RawCommand ReadCommand(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                     std::int32_t lSizeCode, std::size_t trackLength);
// READ DATA of the one sector R: first sector = EOT = R.
[[nodiscard]] RawCommand SectorReadCommand(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                           std::uint8_t sector, std::int32_t lSizeCode,
                                           std::size_t sectorLength);

// WRITE DATA of sectors 0..17 from the caller's buffer of trackLength bytes.
[[nodiscard]] RawCommand WriteCommand(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                      std::int32_t lSizeCode, std::size_t trackLength);
// FORMAT TRACK with the Opus ID table (the caller's buffer holds OpusIdTable),
// or, without sectors, a side of gap only: the erase of a cylinder.
[[nodiscard]] RawCommand FormatCommand(std::uint8_t drive, std::uint8_t head, std::int32_t lSizeCode,
                                       bool bSectors);

// The error code for a request the kernel refused, from errno and the flags
// it handed back.
[[nodiscard]] std::int32_t ErrnoCode(int err, std::uint32_t flags);

// 0 when the request did what it should, else the error code. physicalCylinder
// is where a seek was meant to end.
[[nodiscard]] std::int32_t OutcomeCode(CommandKind kind, const RawOutcome& outcome,
                                       std::uint8_t physicalCylinder);

// The version word reported for the kernel floppy driver: high half 0x0100,
// low half the driver's own version (FD_DRIVER_VERSION, 0x100 today).
[[nodiscard]] std::uint32_t VersionWord(unsigned driverVersion);

}  // namespace linuxfd
