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

bool request(const Device& device, std::uint32_t code, const void* in, std::size_t inLength, void* out,
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
        (void)request(device, fdraw::IOCTL_FDRAWCMD_GET_VERSION, nullptr, 0, answer.data(), answer.size());
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
        answered = request(device, fdraw::IOCTL_FDCMD_SENSE_DRIVE_STATUS, in.data(), in.size(), &status, 1);
        if (!answered) {
            sErrorText = DriveErrorText(lastErrorCode());
        }
    } catch (...) {
        // A fault here only means the drive could not be asked.
    }
    return answered;
}

namespace {

// Seek, then READ DATA with the caller's parameters into buffer; returns true
// or leaves the failing request's code in code.
bool seekAndRead(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head, bool bDoubleStep,
                 const fdraw::ReadParameters& read, const PageBuffer& buffer, std::int32_t& code, int& step) {
    // Not tested by itself: a device that did not open fails the seek,
    // and that failure is what gets reported.
    step = 2;
    const Device device(fdraw::DriveDeviceName(drive));

    step = 3;
    const fdraw::SeekParameters seek = fdraw::MakeSeekParameters(cylinder, head, bDoubleStep);
    if (!request(device, fdraw::IOCTL_FDCMD_SEEK, seek.data(), seek.size(), nullptr, 0)) {
        code = lastErrorCode();
        return false;
    }
    step = 4;
    if (!request(device, fdraw::IOCTL_FDCMD_READ_DATA, read.data(), read.size(), buffer.data(),
                 buffer.length())) {
        code = lastErrorCode();
        return false;
    }
    return true;
}

// One read into a page-aligned buffer of length bytes, copied into out when
// the drive answered; returns the drive's code.
std::int32_t readInto(std::vector<std::uint8_t>& out, std::size_t length, std::uint8_t drive,
                      std::uint8_t cylinder, std::uint8_t head, bool bDoubleStep,
                      const fdraw::ReadParameters& read, int& step) {
    const PageBuffer buffer(length);
    std::int32_t code = 0;
    if (seekAndRead(drive, cylinder, head, bDoubleStep, read, buffer, code, step)) {
        out.resize(buffer.length());
        ::RtlMoveMemory(out.data(), buffer.data(), out.size());
    }
    return code;
}

}  // namespace

bool WindowsFloppyDriver::ReadSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                          std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                          std::string& sErrorText, std::int32_t lSizeCode, bool bDoubleStep) {
    return runRead(
        "ReadSingleTrack", data, lErrorCode, sErrorText, [&](std::vector<std::uint8_t>& out, int& step) {
            return readInto(out, fdraw::RequireTrackLength(lSizeCode), drive, cylinder, head, bDoubleStep,
                            fdraw::MakeReadParameters(cylinder, head, lSizeCode), step);
        });
}

bool WindowsFloppyDriver::ReadSingleSector(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                           std::uint8_t sector, std::vector<std::uint8_t>& data,
                                           std::int32_t& lErrorCode, std::string& sErrorText,
                                           std::int32_t lSizeCode, bool bDoubleStep) {
    return runRead(
        "ReadSingleSector", data, lErrorCode, sErrorText, [&](std::vector<std::uint8_t>& out, int& step) {
            return readInto(out, fdraw::RequireSectorLength(lSizeCode), drive, cylinder, head, bDoubleStep,
                            fdraw::MakeSectorReadParameters(cylinder, head, sector, lSizeCode), step);
        });
}

#endif
