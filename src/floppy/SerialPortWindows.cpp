// The Greaseweazle's port on Windows: a COM port found by the USB IDs that
// the setup API lists for it.
#ifdef _WIN32

#include <algorithm>
#include <string>

#include "core/Failure.h"
#include "floppy/SerialPort.h"

// In this order: setupapi.h needs the types of windows.h, and initguid.h makes
// devguid.h define GUID_DEVCLASS_PORTS here rather than expect it from a library.
#include <windows.h>

#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

namespace gw {

namespace {

// "cannot open COM5: Access is denied.": what failed and the system's text for GetLastError.
Failure systemFailure(const std::string& what) {
    const DWORD code = GetLastError();
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        code, 0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) {
        reason.pop_back();
    }
    if (reason.empty()) {
        reason = "system error " + std::to_string(code);
    }
    return Failure(failure::DeviceIO, what + ": " + reason);
}

class Win32SerialPort : public Transport {
public:
    explicit Win32SerialPort(const std::string& name) {
        const std::string path = WindowsDevicePath(name);
        m_handle =
            CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE) {
            throw systemFailure("cannot open " + name);
        }
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(m_handle, &dcb)) {
            const Failure error = systemFailure(name + " is not a serial port");
            CloseHandle(m_handle);
            throw error;
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
        if (!SetCommState(m_handle, &dcb)) {
            const Failure error = systemFailure("cannot set up " + name);
            CloseHandle(m_handle);
            throw error;
        }
    }
    ~Win32SerialPort() override { CloseHandle(m_handle); }
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    void write(std::span<const std::uint8_t> bytes) override {
        COMMTIMEOUTS t{};
        t.WriteTotalTimeoutConstant = 5000;
        if (!SetCommTimeouts(m_handle, &t)) {
            throw systemFailure("the Greaseweazle's port refused its timeouts");
        }
        DWORD written = 0;
        if (!WriteFile(m_handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            throw systemFailure("the Greaseweazle's port refused a write");
        }
    }

    std::size_t read(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override {
        // Return at once with what is there, else wait up to the timeout for the first byte.
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = MAXDWORD;
        t.ReadTotalTimeoutMultiplier = MAXDWORD;
        t.ReadTotalTimeoutConstant = static_cast<DWORD>(std::max<long long>(1, timeout.count()));
        if (!SetCommTimeouts(m_handle, &t)) {
            throw systemFailure("the Greaseweazle's port refused its timeouts");
        }
        DWORD got = 0;
        if (!ReadFile(m_handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            throw systemFailure("the Greaseweazle's port failed a read");
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
        if (!GetCommState(m_handle, &dcb)) {
            throw systemFailure("the Greaseweazle's port cannot change its rate");
        }
        dcb.BaudRate = baud;
        if (!SetCommState(m_handle, &dcb)) {
            throw systemFailure("the Greaseweazle's port cannot change its rate");
        }
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<Transport> OpenSerialPort(const std::string& name) {
    return std::make_unique<Win32SerialPort>(name);
}

std::vector<std::string> FindGreaseweazlePorts() {
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
}

}  // namespace gw

#endif
