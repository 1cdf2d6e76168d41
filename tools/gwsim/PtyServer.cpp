#include "gwsim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <deque>

#include "core/Failure.h"

namespace gwsim {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

PtyServer::PtyServer(Options options) : m_device(std::move(options)) {
    // The destructor does not run for a constructor that throws: close here what was opened.
    const auto fail = [this](int err, const std::string& what) {
        for (int* fd : {&m_slave, &m_master}) {
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
        }
        return failureFromErrno(err, what);
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        throw fail(errno, "pseudo-terminal");
    }
    m_path = ptsname(m_master);
    m_slave = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        throw fail(errno, m_path);
    }
    termios tio{};
    int on = 1;
    if (tcgetattr(m_slave, &tio) != 0 || (cfmakeraw(&tio), tcsetattr(m_slave, TCSANOW, &tio)) != 0 ||
        ioctl(m_master, TIOCPKT, &on) != 0 ||
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0) {
        throw fail(errno, m_path);
    }
}

PtyServer::~PtyServer() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    ::close(m_slave);
    ::close(m_master);
}

void PtyServer::start() {
    m_thread = std::thread([this] { serve(m_stop); });
}

std::vector<std::string> PtyServer::commands() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_device.commands();
}

double PtyServer::revolutionsRead() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_device.revolutionsRead();
}

double PtyServer::revolutionsWritten() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_device.revolutionsWritten();
}

bool PtyServer::motorOn() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_device.motorOn(0);
}

bool PtyServer::selected() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_device.selectedUnit().has_value();
}

void PtyServer::serve(const std::atomic<bool>& stop,
                      const std::function<void(const std::string&)>& onCommand) {
    std::deque<Output> queue;
    std::size_t sent = 0;  // of queue.front()
    Clock::time_point due = Clock::now();
    std::size_t reported = 0;
    std::uint8_t buffer[4097];
    while (!stop) {
        const bool sending = !queue.empty() && Clock::now() >= due;
        pollfd p{m_master, static_cast<short>(POLLIN | (sending ? POLLOUT : 0)), 0};
        int wait = 20;
        if (!queue.empty() && !sending) {
            wait = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count() + 1);
            wait = std::min(wait, 20);
        }
        if (::poll(&p, 1, wait) < 0 && errno != EINTR) {
            break;
        }
        if ((p.revents & POLLIN) != 0) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                const std::lock_guard<std::mutex> lock(m_mutex);
                if (buffer[0] == TIOCPKT_DATA) {
                    for (Output& o : m_device.receive({buffer + 1, static_cast<std::size_t>(n - 1)})) {
                        if (queue.empty()) {
                            due = Clock::now() + o.delay;
                        }
                        queue.push_back(std::move(o));
                    }
                } else if ((buffer[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) != 0) {
                    m_device.clearComms();
                    queue.clear();
                    sent = 0;
                }
                if (onCommand) {
                    for (; reported < m_device.commands().size(); ++reported) {
                        onCommand(m_device.commands()[reported]);
                    }
                }
            }
        }
        // A ClearComms just read may have emptied the queue.
        if (sending && !queue.empty() && (p.revents & POLLOUT) != 0) {
            const std::vector<std::uint8_t>& bytes = queue.front().bytes;
            const ssize_t n = ::write(m_master, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
            }
            if (sent == bytes.size() && queue.front().repeat) {
                sent = 0;
            } else if (sent == bytes.size()) {
                queue.pop_front();
                sent = 0;
                if (!queue.empty()) {
                    due = Clock::now() + queue.front().delay;
                }
            }
        }
    }
}

}  // namespace gwsim
