#ifdef _WIN32

#include "floppy/WindowsFloppyDriver.h"

#include <windows.h>

#include <array>

#include "floppy/FdRawRequests.h"

namespace {

static_assert(fdraw::kGenericReadWrite == (GENERIC_READ | GENERIC_WRITE) &&
              fdraw::kOpenExisting == OPEN_EXISTING);
static_assert(fdraw::kMemCommit == MEM_COMMIT && fdraw::kPageReadWrite == PAGE_READWRITE &&
              fdraw::kMemRelease == MEM_RELEASE);
static_assert(fdraw::IOCTL_FDCMD_WRITE_DATA ==
              CTL_CODE(FILE_DEVICE_UNKNOWN, 0x805, METHOD_IN_DIRECT, FILE_READ_ACCESS | FILE_WRITE_ACCESS));
static_assert(fdraw::IOCTL_FDCMD_READ_DATA ==
              CTL_CODE(FILE_DEVICE_UNKNOWN, 0x806, METHOD_OUT_DIRECT, FILE_READ_ACCESS | FILE_WRITE_ACCESS));

// Closes the device on every way out of an operation.
class Device {
public:
    explicit Device(const std::string& name)
        : m_handle(::CreateFileA(name.c_str(), fdraw::kGenericReadWrite, 0, nullptr, fdraw::kOpenExisting, 0,
                                 nullptr)) {}
    ~Device() {
        if (open()) {
            ::CloseHandle(m_handle);
        }
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    [[nodiscard]] bool open() const { return m_handle != INVALID_HANDLE_VALUE; }
    [[nodiscard]] HANDLE handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

// Whole committed pages for the driver's direct transfer, released on every
// way out, success or failure.
class PageBuffer {
public:
    explicit PageBuffer(std::size_t length)
        : m_data(::VirtualAlloc(nullptr, length, fdraw::kMemCommit, fdraw::kPageReadWrite)),
          m_length(length) {
        if (m_data == nullptr) {
            throw Failure(failure::OutOfMemory);
        }
    }
    ~PageBuffer() { ::VirtualFree(m_data, 0, fdraw::kMemRelease); }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;

    [[nodiscard]] void* data() const { return m_data; }
    [[nodiscard]] DWORD length() const { return static_cast<DWORD>(m_length); }

private:
    void* m_data;
    std::size_t m_length;
};

bool deviceControl(const Device& device, std::uint32_t code, const void* in, std::size_t inLength, void* out,
                   std::size_t outLength) {
    DWORD returned = 0;
    return ::DeviceIoControl(device.handle(), code, const_cast<void*>(in), static_cast<DWORD>(inLength), out,
                             static_cast<DWORD>(outLength), &returned, nullptr) != FALSE;
}

std::int32_t lastErrorCode() {
    return static_cast<std::int32_t>(::GetLastError());
}

}  // namespace

bool WindowsFloppyDriver::IsDriverPresent(std::uint32_t& version) {
    bool present = false;
    int step = 1;
    try {
        const Device device(fdraw::DriverDeviceName());
        if (!device.open()) {
            return false;
        }
        step = 2;
        // The request's own success is not looked at: a driver that opens but
        // does not answer leaves zeros, which no compatible version has.
        std::array<std::uint8_t, 4> answer{};
        (void)deviceControl(device, fdraw::IOCTL_FDRAWCMD_GET_VERSION, nullptr, 0, answer.data(),
                            answer.size());
        version = fdraw::DecodeVersion(answer);
        step = 4;
        present = fdraw::IsCompatibleVersion(version);
    } catch (const Failure& f) {
        trap(f, "IsDriverPresent", step);
    } catch (const std::bad_alloc&) {
        trap(Failure(failure::OutOfMemory), "IsDriverPresent", step);
    }
    return present;
}

bool WindowsFloppyDriver::SenseDriveStatus(std::uint8_t drive, std::string& sErrorText) {
    bool answered = false;
    try {
        const Device device(fdraw::DriveDeviceName(drive));
        if (!device.open()) {
            return false;
        }
        const fdraw::SenseParameters in = fdraw::MakeSenseParameters();
        std::uint8_t status = 0;
        answered =
            deviceControl(device, fdraw::IOCTL_FDCMD_SENSE_DRIVE_STATUS, in.data(), in.size(), &status, 1);
        if (!answered) {
            sErrorText = DriveErrorText(lastErrorCode());
        }
    } catch (...) {
        // A fault here only means the drive could not be asked.
    }
    return answered;
}

// Seek, then READ DATA into whole pages, copied into buffer when the drive answered.
std::int32_t WindowsFloppyDriver::readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                          int& step) {
    const fdraw::ReadParameters read =
        request.sector ? fdraw::MakeSectorReadParameters(request.cylinder, request.head, *request.sector,
                                                         request.lSizeCode)
                       : fdraw::MakeReadParameters(request.cylinder, request.head, request.lSizeCode);
    const PageBuffer pages(buffer.size());
    // Not tested by itself: a device that did not open fails the seek,
    // and that failure is what gets reported.
    step = 2;
    const Device device(fdraw::DriveDeviceName(request.drive));

    step = 3;
    const fdraw::SeekParameters seek =
        fdraw::MakeSeekParameters(request.cylinder, request.head, request.bDoubleStep);
    if (!deviceControl(device, fdraw::IOCTL_FDCMD_SEEK, seek.data(), seek.size(), nullptr, 0)) {
        return lastErrorCode();
    }
    step = 4;
    if (!deviceControl(device, fdraw::IOCTL_FDCMD_READ_DATA, read.data(), read.size(), pages.data(),
                       pages.length())) {
        return lastErrorCode();
    }
    ::RtlMoveMemory(buffer.data(), pages.data(), buffer.size());
    return 0;
}

bool WindowsFloppyDriver::IsWriteProtected(std::uint8_t drive, bool& bProtected, std::string& sErrorText) {
    try {
        const Device device(fdraw::DriveDeviceName(drive));
        if (!device.open()) {
            return false;
        }
        const fdraw::SenseParameters in = fdraw::MakeSenseParameters();
        std::uint8_t status = 0;
        if (!deviceControl(device, fdraw::IOCTL_FDCMD_SENSE_DRIVE_STATUS, in.data(), in.size(), &status, 1)) {
            sErrorText = DriveErrorText(lastErrorCode());
            return false;
        }
        bProtected = (status & fdraw::kSt3WriteProtected) != 0;
        return true;
    } catch (...) {
        return false;
    }
}

namespace {

// Seek to the physical cylinder, FORMAT TRACK with format, then WRITE DATA
// from data unless it is empty.
std::int32_t seekFormatWrite(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head, bool bDoubleStep,
                             const std::vector<std::uint8_t>& format, const fdraw::ReadParameters& write,
                             const std::vector<std::uint8_t>& data, int& step) {
    step = 2;
    const Device device(fdraw::DriveDeviceName(drive));
    step = 3;
    const fdraw::SeekParameters seek = fdraw::MakeSeekParameters(cylinder, head, bDoubleStep);
    if (!deviceControl(device, fdraw::IOCTL_FDCMD_SEEK, seek.data(), seek.size(), nullptr, 0)) {
        return lastErrorCode();
    }
    step = 4;
    if (!deviceControl(device, fdraw::IOCTL_FDCMD_FORMAT_TRACK, format.data(), format.size(), nullptr, 0)) {
        return lastErrorCode();
    }
    if (data.empty()) {
        return 0;
    }
    const PageBuffer pages(data.size());
    ::RtlMoveMemory(pages.data(), data.data(), data.size());
    if (!deviceControl(device, fdraw::IOCTL_FDCMD_WRITE_DATA, write.data(), write.size(), pages.data(),
                       pages.length())) {
        return lastErrorCode();
    }
    return 0;
}

}  // namespace

bool WindowsFloppyDriver::WriteSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                           const std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                           std::string& sErrorText, std::int32_t lSizeCode,
                                           bool bDoubleStep) {
    return runWrite("WriteSingleTrack", lErrorCode, sErrorText, [&](int& step) {
        if (data.size() != fdraw::RequireTrackLength(lSizeCode)) {
            return static_cast<std::int32_t>(fderr::InvalidParameter);
        }
        return seekFormatWrite(drive, cylinder, head, bDoubleStep,
                               fdraw::MakeFormatParameters(cylinder, head, lSizeCode),
                               fdraw::MakeWriteParameters(cylinder, head, lSizeCode), data, step);
    });
}

bool WindowsFloppyDriver::EraseTrack(std::uint8_t drive, std::uint8_t physicalCylinder, std::uint8_t head,
                                     std::int32_t& lErrorCode, std::string& sErrorText) {
    return runWrite("EraseTrack", lErrorCode, sErrorText, [&](int& step) {
        return seekFormatWrite(
            drive, physicalCylinder, head, false,
            fdraw::MakeFormatParameters(physicalCylinder, head, fdraw::kOpusSizeCode, false), {}, {}, step);
    });
}

#endif
