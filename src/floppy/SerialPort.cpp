// The Greaseweazle's port on Linux and other POSIX systems: a tty in raw mode.
#ifndef _WIN32

#include "floppy/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/Failure.h"

namespace gw {

#ifdef __linux__
// In SerialBaudLinux.cpp: the kernel's termios2 cannot share a file with <termios.h>.
bool SetArbitraryBaud(int fd, unsigned baud);
#endif

namespace {

// "cannot open /dev/ttyACM0: No such file or directory": what failed and the system's reason.
Failure systemFailure(int err, const std::string& what) {
    return Failure(failureFromErrno(err, what).number(), what + ": " + std::strerror(err));
}

class PosixSerialPort : public Transport {
public:
    explicit PosixSerialPort(const std::string& name)
        : m_fd(::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        if (m_fd < 0) {
            throw systemFailure(errno, "cannot open " + name);
        }
        termios tio{};
        if (tcgetattr(m_fd, &tio) != 0) {
            const int err = errno;
            ::close(m_fd);
            throw systemFailure(err, name + " is not a serial port");
        }
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        if (tcsetattr(m_fd, TCSANOW, &tio) != 0) {
            const int err = errno;
            ::close(m_fd);
            throw systemFailure(err, "cannot set up " + name);
        }
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
                throw systemFailure(errno, "writing to the Greaseweazle");
            }
        }
    }

    std::size_t read(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override {
        if (!wait(POLLIN, timeout)) {
            return 0;
        }
        ssize_t n = -1;
        do {
            n = ::read(m_fd, buffer.data(), buffer.size());
        } while (n == -1 && errno == EINTR);
        if (n == -1 && errno == EAGAIN) {
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
    // False on timeout; a hang-up counts as ready, so the read that follows
    // reports it. A signal in between only restarts the wait for what is left.
    bool wait(short events, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{m_fd, events, 0};
            const int r = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
            if (r >= 0) {
                return r > 0;
            }
            if (errno != EINTR) {
                throw systemFailure(errno, "waiting for the Greaseweazle");
            }
        }
    }

    int m_fd;
};

}  // namespace

std::unique_ptr<Transport> OpenSerialPort(const std::string& name) {
    return std::make_unique<PosixSerialPort>(name);
}

std::vector<std::string> FindGreaseweazlePorts() {
    return FindGreaseweazlePortsIn("/sys", "/dev");
}

}  // namespace gw

#endif
