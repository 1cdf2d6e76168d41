// The Greaseweazle's port on Linux and other POSIX systems: a tty in raw mode.
#ifndef _WIN32

#include "floppy/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "core/Failure.h"

namespace gw {

#ifdef __linux__
// In SerialBaudLinux.cpp: the kernel's termios2 cannot share a file with <termios.h>.
bool SetArbitraryBaud(int fd, unsigned baud);
#endif

namespace {

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

}  // namespace

std::unique_ptr<Transport> OpenSerialPort(const std::string& name) {
    return std::make_unique<PosixSerialPort>(name);
}

std::vector<std::string> FindGreaseweazlePorts() {
    return FindGreaseweazlePortsIn("/sys", "/dev");
}

}  // namespace gw

#endif
