#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The FDRawCmd requests, built without any Windows header so that every
// platform's tests can check them byte for byte. FDRawCmd mirrors the NEC
// µPD765 command set: a request carrying controller command c has function
// number 0x800 + c, packed by the Windows control-code rule.
namespace fdraw {

// Windows CTL_CODE: device type, access, function, transfer method.
inline constexpr std::uint32_t kDeviceTypeUnknown = 0x22;  // FILE_DEVICE_UNKNOWN
inline constexpr std::uint32_t kAccessReadWrite = 3;       // FILE_READ_ACCESS | FILE_WRITE_ACCESS
inline constexpr std::uint32_t kMethodBuffered = 0;
inline constexpr std::uint32_t kMethodOutDirect = 2;  // data flows to the caller's buffer by DMA

[[nodiscard]] constexpr std::uint32_t ControlCode(std::uint32_t deviceType, std::uint32_t function,
                                                  std::uint32_t method, std::uint32_t access) {
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

[[nodiscard]] constexpr std::uint32_t CommandCode(std::uint8_t controllerCommand, std::uint32_t method) {
    return ControlCode(kDeviceTypeUnknown, 0x800u + controllerCommand, method, kAccessReadWrite);
}

// The version request is the driver's own (function 0x888), not a controller command.
inline constexpr std::uint32_t IOCTL_FDRAWCMD_GET_VERSION =
    ControlCode(kDeviceTypeUnknown, 0x888, kMethodBuffered, kAccessReadWrite);
inline constexpr std::uint8_t kCmdSenseDriveStatus = 0x04;
inline constexpr std::uint8_t kCmdReadData = 0x06;
inline constexpr std::uint8_t kCmdSeek = 0x0F;
inline constexpr std::uint32_t IOCTL_FDCMD_SENSE_DRIVE_STATUS =
    CommandCode(kCmdSenseDriveStatus, kMethodBuffered);
inline constexpr std::uint32_t IOCTL_FDCMD_SEEK = CommandCode(kCmdSeek, kMethodBuffered);
inline constexpr std::uint32_t IOCTL_FDCMD_READ_DATA = CommandCode(kCmdReadData, kMethodOutDirect);
inline constexpr std::uint32_t kMethodInDirect = 1;  // data flows from the caller's buffer by DMA
inline constexpr std::uint8_t kCmdWriteData = 0x05;
inline constexpr std::uint8_t kCmdFormatTrack = 0x0D;
inline constexpr std::uint32_t IOCTL_FDCMD_WRITE_DATA = CommandCode(kCmdWriteData, kMethodInDirect);
inline constexpr std::uint32_t IOCTL_FDCMD_FORMAT_TRACK = CommandCode(kCmdFormatTrack, kMethodBuffered);

// CreateFileA and VirtualAlloc arguments.
inline constexpr std::uint32_t kGenericReadWrite = 0xC0000000;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kMemCommit = 0x1000;
inline constexpr std::uint32_t kPageReadWrite = 4;
inline constexpr std::uint32_t kMemRelease = 0x8000;

// Controller command bits of the read's flags byte.
inline constexpr std::uint8_t kFlagMultiTrack = 0x80;
inline constexpr std::uint8_t kFlagMfm = 0x40;
inline constexpr std::uint8_t kFlagSkipDeleted = 0x20;

// An Opus track: sectors numbered 0..17 (EOT 18 is one past the last), gap
// and DTL as the controller expects for 256-byte MFM sectors.
inline constexpr std::uint8_t kFirstSector = 0;
inline constexpr std::uint8_t kEndOfTrack = 18;
inline constexpr std::uint8_t kGapLength = 0x0A;
inline constexpr std::uint8_t kDataLength = 0xFF;

// How an Opus lays a track out: the sector IDs in physical order from the
// index, the gap between sectors of a WD177x format, and the byte a fresh
// sector holds. The controller adds the index mark the Opus leaves out,
// which no reader looks at.
inline constexpr std::array<std::uint8_t, 18> kOpusPhysicalOrder{0, 7,  14, 3,  10, 17, 6,  13, 2,
                                                                 9, 16, 5,  12, 1,  8,  15, 4,  11};
inline constexpr std::uint8_t kFormatGap = 24;
inline constexpr std::uint8_t kFormatFiller = 0xE5;
// ST3 of SENSE DRIVE STATUS: the disk refuses writes.
inline constexpr std::uint8_t kSt3WriteProtected = 0x40;

// The size code every read of an Opus disk uses: 256-byte sectors.
inline constexpr std::int32_t kOpusSizeCode = 1;

[[nodiscard]] std::string DriverDeviceName();                   // \\.\fdrawcmd
[[nodiscard]] std::string DriveDeviceName(std::uint8_t drive);  // \\.\fdraw0, \\.\fdraw1, ...

// 128 × 2^N × (EOT − first sector). The controller knows size codes 0..7; any
// other code has no track length.
[[nodiscard]] std::optional<std::size_t> TrackLength(std::int32_t lSizeCode);
// The same for a track read, where a size code without a length is a failure
// (Invalid procedure call).
[[nodiscard]] std::size_t RequireTrackLength(std::int32_t lSizeCode);

// 128 × 2^N, the length of one sector, for the same size codes.
[[nodiscard]] std::optional<std::size_t> SectorLength(std::int32_t lSizeCode);
[[nodiscard]] std::size_t RequireSectorLength(std::int32_t lSizeCode);

// High half 0x0100: version 1.0 of any build.
[[nodiscard]] constexpr bool IsCompatibleVersion(std::uint32_t version) {
    return (version & 0xFFFF0000u) == 0x01000000u;
}

// The version request's four output bytes, little-endian.
[[nodiscard]] std::uint32_t DecodeVersion(std::span<const std::uint8_t, 4> bytes);

using SenseParameters = std::array<std::uint8_t, 1>;
using SeekParameters = std::array<std::uint8_t, 2>;
using ReadParameters = std::array<std::uint8_t, 9>;

// Head 0 always: the status byte is never looked at, only whether the drive answered.
[[nodiscard]] SenseParameters MakeSenseParameters();
// Physical cylinder: doubled under double step (a 40-track disk in an 80-track
// drive); a doubled cylinder past 255 is an Overflow failure, not a wrap.
[[nodiscard]] SeekParameters MakeSeekParameters(std::uint8_t cylinder, std::uint8_t head, bool bDoubleStep);
// The cylinder in the sector IDs is the logical one, never doubled.
[[nodiscard]] ReadParameters MakeReadParameters(std::uint8_t cylinder, std::uint8_t head,
                                                std::int32_t lSizeCode);
// The same request for the one sector R: first sector = last sector (EOT) = R.
[[nodiscard]] ReadParameters MakeSectorReadParameters(std::uint8_t cylinder, std::uint8_t head,
                                                      std::uint8_t sector, std::int32_t lSizeCode);

// WRITE DATA of sectors 0..17, the same fields as the read.
[[nodiscard]] ReadParameters MakeWriteParameters(std::uint8_t cylinder, std::uint8_t head,
                                                 std::int32_t lSizeCode);
// The four ID bytes (C H R N) of every sector in physical order: what FORMAT
// TRACK writes, one sector after the other.
[[nodiscard]] std::vector<std::uint8_t> OpusIdTable(std::uint8_t cylinder, std::uint8_t head,
                                                    std::int32_t lSizeCode);
// FDRawCmd's FORMAT TRACK block: flags, physical head, N, sector count, gap,
// filler, then the ID table. sectors 0 formats a side of gap only, which is
// how a controller erases a cylinder.
[[nodiscard]] std::vector<std::uint8_t> MakeFormatParameters(std::uint8_t cylinder, std::uint8_t head,
                                                             std::int32_t lSizeCode, bool bSectors = true);

}  // namespace fdraw
