#ifdef __linux__

#include "floppy/LinuxFloppyDriver.h"

#include <fcntl.h>
#include <linux/fdreg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "floppy/FdRawRequests.h"

static_assert(linuxfd::kRawRead == FD_RAW_READ && linuxfd::kRawWrite == FD_RAW_WRITE &&
              linuxfd::kRawIntr == FD_RAW_INTR && linuxfd::kRawSpin == FD_RAW_SPIN &&
              linuxfd::kRawNeedDisk == FD_RAW_NEED_DISK && linuxfd::kRawDiskChange == FD_RAW_DISK_CHANGE &&
              linuxfd::kRawFailure == FD_RAW_FAILURE && linuxfd::kRawHardFailure == FD_RAW_HARDFAILURE);
static_assert(linuxfd::kSeek == FD_SEEK && linuxfd::kSenseDriveStatus == FD_GETSTATUS);
static_assert(linuxfd::kSt0NotReady == ST0_NR && linuxfd::kSt0EquipmentCheck == ST0_ECE &&
              linuxfd::kSt0SeekEnd == ST0_SE && linuxfd::kSt0InterruptCode == ST0_INTR);
static_assert(linuxfd::kSt1MissingAddressMark == ST1_MAM && linuxfd::kSt1NotWritable == ST1_WP &&
              linuxfd::kSt1NoData == ST1_ND && linuxfd::kSt1Overrun == ST1_OR &&
              linuxfd::kSt1DataError == ST1_CRC && linuxfd::kSt1EndOfCylinder == ST1_EOC);
static_assert(linuxfd::kSt2MissingDataMark == ST2_MAM && linuxfd::kSt2BadCylinder == ST2_BC &&
              linuxfd::kSt2WrongCylinder == ST2_WC && linuxfd::kSt2DataErrorInData == ST2_CRC);

namespace {

// Opened for writing as well: the kernel refuses raw commands otherwise.
// Non-blocking, so that an empty drive can still be opened and asked.
class Device {
public:
    explicit Device(const std::string& path, int mode)
        : m_fd(::open(path.c_str(), mode | O_NONBLOCK | O_CLOEXEC)) {
        m_openErrno = m_fd < 0 ? errno : 0;
    }
    ~Device() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    [[nodiscard]] bool open() const { return m_fd >= 0; }
    [[nodiscard]] int fd() const { return m_fd; }
    [[nodiscard]] int openErrno() const { return m_openErrno; }

private:
    int m_fd;
    int m_openErrno = 0;
};

linuxfd::RawOutcome send(const Device& device, const linuxfd::RawCommand& command, std::uint8_t* data) {
    floppy_raw_cmd raw = ToKernelRawCommand(command, data);
    linuxfd::RawOutcome outcome;
    if (::ioctl(device.fd(), FDRAWCMD, &raw) != 0) {
        outcome.ioctlFailed = true;
        outcome.err = errno;
    }
    outcome.flags = raw.flags;
    const std::size_t count = std::min<std::size_t>(raw.reply_count, FD_RAW_REPLY_SIZE);
    outcome.reply.assign(raw.reply, raw.reply + count);
    outcome.residue = raw.length;
    return outcome;
}

constexpr int kMaxDrives = 8;  // two controllers of four drives

}  // namespace

floppy_raw_cmd ToKernelRawCommand(const linuxfd::RawCommand& command, std::uint8_t* data) {
    floppy_raw_cmd raw{};
    raw.flags = command.flags;
    raw.data = command.length > 0 ? data : nullptr;
    raw.length = static_cast<long>(command.length);
    raw.rate = command.rate;
    const std::size_t count = std::min<std::size_t>(command.cmd.size(), FD_RAW_CMD_SIZE);
    raw.cmd_count = static_cast<unsigned char>(count);
    std::copy_n(command.cmd.begin(), count, raw.cmd);
    return raw;
}

bool LinuxFloppyDriver::IsDriverPresent(std::uint32_t& version) {
    try {
        for (int n = 0; n < kMaxDrives; ++n) {
            const Device device(linuxfd::DeviceName(static_cast<std::uint8_t>(n)), O_RDONLY);
            floppy_fdc_state state{};
            if (device.open() && ::ioctl(device.fd(), FDGETFDCSTAT, &state) == 0) {
                version = linuxfd::VersionWord(state.driver_version);
                return fdraw::IsCompatibleVersion(version);
            }
        }
    } catch (const std::bad_alloc&) {
        trap(Failure(failure::OutOfMemory), "IsDriverPresent", 1);
    }
    return false;
}

bool LinuxFloppyDriver::SenseDriveStatus(std::uint8_t drive, std::string& sErrorText) {
    try {
        const Device device(linuxfd::DeviceName(drive), O_RDWR);
        if (!device.open()) {
            return false;
        }
        const std::int32_t code = linuxfd::OutcomeCode(
            linuxfd::CommandKind::SenseDriveStatus, send(device, linuxfd::SenseCommand(drive), nullptr), 0);
        if (code != 0) {
            sErrorText = DriveErrorText(code);
        }
        return code == 0;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Seek, then the read; every operation opens the device anew.
std::int32_t LinuxFloppyDriver::readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                        int& step) {
    const linuxfd::RawCommand read =
        request.sector ? linuxfd::SectorReadCommand(request.drive, request.cylinder, request.head,
                                                    *request.sector, request.lSizeCode, buffer.size())
                       : linuxfd::ReadCommand(request.drive, request.cylinder, request.head,
                                              request.lSizeCode, buffer.size());
    step = 2;
    const Device device(linuxfd::DeviceName(request.drive), O_RDWR);

    // A device that would not open fails the seek, as FDRawCmd's does.
    step = 3;
    const linuxfd::RawCommand seek =
        linuxfd::SeekCommand(request.drive, request.cylinder, request.head, request.bDoubleStep);
    std::int32_t code = device.open() ? linuxfd::OutcomeCode(linuxfd::CommandKind::Seek,
                                                             send(device, seek, nullptr), seek.cmd[2])
                                      : linuxfd::ErrnoCode(device.openErrno(), 0);
    if (code == 0) {
        step = 4;
        code = linuxfd::OutcomeCode(linuxfd::CommandKind::ReadData, send(device, read, buffer.data()), 0);
    }
    return code;
}

bool LinuxFloppyDriver::IsWriteProtected(std::uint8_t drive, bool& bProtected, std::string& sErrorText) {
    try {
        const Device device(linuxfd::DeviceName(drive), O_RDWR);
        if (!device.open()) {
            return false;
        }
        const linuxfd::RawOutcome outcome = send(device, linuxfd::SenseCommand(drive), nullptr);
        const std::int32_t code = linuxfd::OutcomeCode(linuxfd::CommandKind::SenseDriveStatus, outcome, 0);
        if (code != 0) {
            sErrorText = DriveErrorText(code);
            return false;
        }
        bProtected = (outcome.reply.front() & fdraw::kSt3WriteProtected) != 0;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

// Seek to the physical cylinder, then the commands in turn, each with its data.
std::int32_t seekAndWrite(
    std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head, bool bDoubleStep,
    const std::vector<std::pair<linuxfd::RawCommand, std::vector<std::uint8_t>>>& commands, int& step) {
    step = 2;
    const Device device(linuxfd::DeviceName(drive), O_RDWR);
    if (!device.open()) {
        return linuxfd::ErrnoCode(device.openErrno(), 0);
    }
    step = 3;
    const linuxfd::RawCommand seek = linuxfd::SeekCommand(drive, cylinder, head, bDoubleStep);
    std::int32_t code =
        linuxfd::OutcomeCode(linuxfd::CommandKind::Seek, send(device, seek, nullptr), seek.cmd[2]);
    step = 4;
    for (const auto& [command, bytes] : commands) {
        if (code != 0) {
            break;
        }
        std::vector<std::uint8_t> data = bytes;  // the kernel takes a writable pointer
        code = linuxfd::OutcomeCode(command.cmd[0] == (linuxfd::kWriteData | linuxfd::kMfm)
                                        ? linuxfd::CommandKind::WriteData
                                        : linuxfd::CommandKind::FormatTrack,
                                    send(device, command, data.data()), 0);
    }
    return code;
}

}  // namespace

bool LinuxFloppyDriver::WriteSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                         const std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                         std::string& sErrorText, std::int32_t lSizeCode, bool bDoubleStep) {
    return runWrite("WriteSingleTrack", lErrorCode, sErrorText, [&](int& step) {
        if (data.size() != fdraw::RequireTrackLength(lSizeCode)) {
            return fderr::InvalidParameter;
        }
        return seekAndWrite(drive, cylinder, head, bDoubleStep,
                            {{linuxfd::FormatCommand(drive, head, lSizeCode, true),
                              fdraw::OpusIdTable(cylinder, head, lSizeCode)},
                             {linuxfd::WriteCommand(drive, cylinder, head, lSizeCode, data.size()), data}},
                            step);
    });
}

bool LinuxFloppyDriver::EraseTrack(std::uint8_t drive, std::uint8_t physicalCylinder, std::uint8_t head,
                                   std::int32_t& lErrorCode, std::string& sErrorText) {
    return runWrite("EraseTrack", lErrorCode, sErrorText, [&](int& step) {
        return seekAndWrite(drive, physicalCylinder, head, false,
                            {{linuxfd::FormatCommand(drive, head, fdraw::kOpusSizeCode, false), {}}}, step);
    });
}

#endif
