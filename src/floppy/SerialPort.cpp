#include "floppy/SerialPort.h"

#include <algorithm>

#include "core/Failure.h"

#ifdef _WIN32
// In this order: setupapi.h needs the types of windows.h, and initguid.h makes
// devguid.h define GUID_DEVCLASS_PORTS here rather than expect it from a library.
#include <windows.h>

#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace gw {

#ifdef __linux__
// In SerialBaudLinux.cpp: the kernel's termios2 cannot share a file with <termios.h>.
bool SetArbitraryBaud(int fd, unsigned baud);
#endif

namespace {

// SET_LINE_CODING with this rate makes the device drop what it is doing.
constexpr unsigned kClearCommsBaud = 10000;
constexpr unsigned kNormalBaud = 9600;

#ifdef _WIN32

class Win32SerialPort : public Transport {
public:
    explicit Win32SerialPort(const std::string& name) {
        const std::string path = WindowsDevicePath(name);
        m_handle =
            CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE) {
            throw Failure(failure::DeviceIO, "cannot open " + name);
        }
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(m_handle, &dcb)) {
            CloseHandle(m_handle);
            throw Failure(failure::DeviceIO, name + " is not a serial port");
        }
        dcb.BaudRate = kNormalBaud;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        SetCommState(m_handle, &dcb);
    }
    ~Win32SerialPort() override { CloseHandle(m_handle); }
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    void write(std::span<const std::uint8_t> bytes) override {
        COMMTIMEOUTS t{};
        t.WriteTotalTimeoutConstant = 5000;
        SetCommTimeouts(m_handle, &t);
        DWORD written = 0;
        if (!WriteFile(m_handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            throw Failure(failure::DeviceIO, "the Greaseweazle's port refused a write");
        }
    }

    std::size_t read(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override {
        // Return at once with what is there, else wait up to the timeout for the first byte.
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = MAXDWORD;
        t.ReadTotalTimeoutMultiplier = MAXDWORD;
        t.ReadTotalTimeoutConstant = static_cast<DWORD>(std::max<long long>(1, timeout.count()));
        SetCommTimeouts(m_handle, &t);
        DWORD got = 0;
        if (!ReadFile(m_handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            throw Failure(failure::DeviceIO, "the Greaseweazle's port failed a read");
        }
        return got;
    }

    void clearComms() override {
        PurgeComm(m_handle, PURGE_TXCLEAR | PURGE_TXABORT);
        setBaud(kClearCommsBaud);
        setBaud(kNormalBaud);
        PurgeComm(m_handle, PURGE_RXCLEAR | PURGE_RXABORT);
    }

private:
    void setBaud(unsigned baud) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (GetCommState(m_handle, &dcb)) {
            dcb.BaudRate = baud;
            SetCommState(m_handle, &dcb);
        }
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

#else

class PosixSerialPort : public Transport {
public:
    explicit PosixSerialPort(const std::string& name)
        : m_fd(::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        if (m_fd < 0) {
            throw failureFromErrno(errno, name);
        }
        termios tio{};
        if (tcgetattr(m_fd, &tio) != 0) {
            const int err = errno;
            ::close(m_fd);
            throw failureFromErrno(err, name);
        }
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~PosixSerialPort() override { ::close(m_fd); }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    void write(std::span<const std::uint8_t> bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n != -1) {
                done += static_cast<std::size_t>(n);
            } else if (errno == EAGAIN) {
                if (!wait(POLLOUT, std::chrono::milliseconds(5000))) {
                    throw Failure(failure::DeviceIO, "the Greaseweazle takes no more bytes");
                }
            } else if (errno != EINTR) {
                throw failureFromErrno(errno, "writing to the Greaseweazle");
            }
        }
    }

    std::size_t read(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override {
        if (!wait(POLLIN, timeout)) {
            return 0;
        }
        const ssize_t n = ::read(m_fd, buffer.data(), buffer.size());
        if (n == -1 && (errno == EAGAIN || errno == EINTR)) {
            return 0;
        }
        // A tty whose device was unplugged reads end of file or EIO.
        if (n == 0 || n == -1) {
            throw Failure(failure::DeviceIO, "the Greaseweazle's port has gone away");
        }
        return static_cast<std::size_t>(n);
    }

    void clearComms() override {
        tcflush(m_fd, TCOFLUSH);
#ifdef __linux__
        if (!SetArbitraryBaud(m_fd, kClearCommsBaud) || !SetArbitraryBaud(m_fd, kNormalBaud)) {
            throw Failure(failure::DeviceIO, "the Greaseweazle's port cannot change its rate");
        }
#endif
        tcflush(m_fd, TCIFLUSH);
    }

private:
    // False on timeout; a hang-up counts as ready, so the read that follows reports it.
    bool wait(short events, std::chrono::milliseconds timeout) {
        pollfd p{m_fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(timeout.count()));
        if (r < 0 && errno != EINTR) {
            throw failureFromErrno(errno, "waiting for the Greaseweazle");
        }
        return r > 0;
    }

    int m_fd;
};

#endif

}  // namespace

std::unique_ptr<Transport> OpenSerialPort(const std::string& name) {
#ifdef _WIN32
    return std::make_unique<Win32SerialPort>(name);
#else
    return std::make_unique<PosixSerialPort>(name);
#endif
}

std::vector<std::string> FindGreaseweazlePorts() {
#ifdef _WIN32
    std::vector<std::string> ports;
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return ports;
    }
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        char ids[1024] = {};
        if (!SetupDiGetDeviceRegistryPropertyA(set, &info, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<PBYTE>(ids), sizeof ids - 2, nullptr) ||
            !IsGreaseweazleHardwareId(ids)) {
            continue;
        }
        HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        char name[64] = {};
        DWORD size = sizeof name - 1;
        DWORD type = 0;
        if (RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<LPBYTE>(name), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ) {
            ports.emplace_back(name);
        }
        RegCloseKey(key);
    }
    SetupDiDestroyDeviceInfoList(set);
    return ports;
#else
    return FindGreaseweazlePortsIn("/sys", "/dev");
#endif
}

}  // namespace gw
