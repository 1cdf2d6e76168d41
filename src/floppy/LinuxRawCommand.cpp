#include "floppy/LinuxRawCommand.h"

#include <cerrno>

#include "floppy/FdRawRequests.h"
#include "floppy/modFDRawCmd.h"

namespace linuxfd {

std::string DeviceName(std::uint8_t drive) {
    return "/dev/fd" + std::to_string(drive);
}

std::uint8_t UnitByte(std::uint8_t drive, std::uint8_t head) {
    return static_cast<std::uint8_t>(((head & 1) << 2) | (drive & 3));
}

RawCommand SenseCommand(std::uint8_t drive) {
    RawCommand c;
    c.flags = kRawNeedDisk;
    c.cmd = {kSenseDriveStatus, UnitByte(drive, 0)};
    return c;
}

RawCommand SeekCommand(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head, bool bDoubleStep) {
    const fdraw::SeekParameters seek = fdraw::MakeSeekParameters(cylinder, head, bDoubleStep);
    RawCommand c;
    c.flags = kRawIntr | kRawNeedDisk;
    c.cmd = {kSeek, UnitByte(drive, head), seek[0]};
    return c;
}

namespace {

RawCommand readDataCommand(std::uint8_t drive, const fdraw::ReadParameters& p, std::size_t length) {
    RawCommand c;
    c.flags = kRawRead | kRawIntr | kRawSpin | kRawNeedDisk;
    // The same fields FDRawCmd takes, with the command byte in front and
    // the unit select where Windows has the physical head.
    c.cmd = {static_cast<std::uint8_t>(kReadData | p[0]),
             UnitByte(drive, p[1]),
             p[2],
             p[3],
             p[4],
             p[5],
             p[6],
             p[7],
             p[8]};
    c.length = length;
    return c;
}

}  // namespace

RawCommand ReadCommand(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head, std::int32_t lSizeCode,
                       std::size_t trackLength) {
    return readDataCommand(drive, fdraw::MakeReadParameters(cylinder, head, lSizeCode), trackLength);
}

RawCommand SectorReadCommand(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                             std::uint8_t sector, std::int32_t lSizeCode, std::size_t sectorLength) {
    return readDataCommand(drive, fdraw::MakeSectorReadParameters(cylinder, head, sector, lSizeCode),
                           sectorLength);
}

RawCommand WriteCommand(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head, std::int32_t lSizeCode,
                        std::size_t trackLength) {
    RawCommand c = readDataCommand(drive, fdraw::MakeWriteParameters(cylinder, head, lSizeCode), trackLength);
    c.flags = kRawWrite | kRawIntr | kRawSpin | kRawNeedDisk;
    c.cmd[0] = static_cast<std::uint8_t>(kWriteData | kMfm);
    return c;
}

RawCommand FormatCommand(std::uint8_t drive, std::uint8_t head, std::int32_t lSizeCode, bool bSectors) {
    const std::vector<std::uint8_t> p = fdraw::MakeFormatParameters(0, head, lSizeCode, bSectors);
    RawCommand c;
    c.flags = kRawWrite | kRawIntr | kRawSpin | kRawNeedDisk;
    c.cmd = {static_cast<std::uint8_t>(kFormatTrack | kMfm), UnitByte(drive, head), p[2], p[3], p[4], p[5]};
    c.length = p.size() - 6;
    return c;
}

std::int32_t ErrnoCode(int err, std::uint32_t flags) {
    switch (err) {
        case EBUSY:
            return fderr::Busy;
        case EROFS:
            return fderr::WriteProtect;
#ifdef ENOMEDIUM
        case ENOMEDIUM:
            return fderr::NoMediaInDrive;
#endif
        case EIO:
            // The kernel gives up this way when the disk check finds the drive
            // empty and when the controller timed out waiting for a turning disk.
            return (flags & kRawHardFailure) != 0 ? fderr::NotReady : fderr::FloppyUnknownError;
        default:
            return fderr::FloppyUnknownError;
    }
}

namespace {

std::int32_t seekCode(const RawOutcome& o, std::uint8_t physicalCylinder) {
    if (o.reply.size() < 2) {
        return fderr::FloppyUnknownError;
    }
    const std::uint8_t st0 = o.reply[0];
    if ((st0 & kSt0NotReady) != 0 || (st0 & kSt0InterruptCode) == kSt0ReadyChanged) {
        return fderr::NotReady;
    }
    if ((st0 & kSt0InterruptCode) != 0 || (st0 & kSt0EquipmentCheck) != 0 || o.reply[1] != physicalCylinder) {
        return fderr::Seek;
    }
    return 0;
}

std::int32_t readCode(const RawOutcome& o) {
    if (o.reply.size() < 7) {
        return fderr::FloppyUnknownError;
    }
    const std::uint8_t st0 = o.reply[0];
    const std::uint8_t st1 = o.reply[1];
    const std::uint8_t st2 = o.reply[2];
    const std::uint8_t ic = st0 & kSt0InterruptCode;
    if (ic == 0) {
        return o.residue == 0 ? 0 : fderr::FloppyUnknownError;
    }
    if ((st0 & kSt0NotReady) != 0 || ic == kSt0ReadyChanged) {
        return fderr::NotReady;
    }
    if (ic != kSt0Abnormal) {
        return fderr::FloppyUnknownError;
    }
    if ((st0 & kSt0EquipmentCheck) != 0) {
        return fderr::Seek;
    }
    // A sector ID with another cylinder also raises "no data": the cylinder
    // is the better clue (a missing double step, a head out of line).
    if ((st2 & (kSt2WrongCylinder | kSt2BadCylinder)) != 0) {
        return fderr::WrongCylinder;
    }
    if ((st1 & kSt1DataError) != 0 || (st2 & kSt2DataErrorInData) != 0) {
        return fderr::Crc;
    }
    if ((st1 & kSt1MissingAddressMark) != 0 || (st2 & kSt2MissingDataMark) != 0) {
        return fderr::IdMarkNotFound;
    }
    if ((st1 & kSt1NoData) != 0) {
        return fderr::SectorNotFound;
    }
    if ((st1 & kSt1NotWritable) != 0) {
        return fderr::WriteProtect;
    }
    // Without a terminal count the controller stops at EOT with only this
    // bit set; the data is complete when nothing is missing.
    if (st1 == kSt1EndOfCylinder && st2 == 0 && o.residue == 0) {
        return 0;
    }
    return fderr::FloppyUnknownError;
}

}  // namespace

std::int32_t OutcomeCode(CommandKind kind, const RawOutcome& outcome, std::uint8_t physicalCylinder) {
    if (outcome.ioctlFailed) {
        return ErrnoCode(outcome.err, outcome.flags);
    }
    switch (kind) {
        case CommandKind::SenseDriveStatus:
            return outcome.reply.empty() ? fderr::FloppyUnknownError : 0;
        case CommandKind::Seek:
            return seekCode(outcome, physicalCylinder);
        case CommandKind::ReadData:
        case CommandKind::WriteData:
        case CommandKind::FormatTrack:
            return readCode(outcome);
    }
    return fderr::FloppyUnknownError;
}

std::uint32_t VersionWord(unsigned driverVersion) {
    return 0x01000000u | (driverVersion & 0xFFFFu);
}

}  // namespace linuxfd
