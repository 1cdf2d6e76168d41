#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gwsim/GwDevice.h"

// The simulated Greaseweazle behind a pseudo-terminal, so the real driver
// talks to it through a real tty path. Both ends of a pty share one termios,
// so the device cannot see the host's baud-rate signal; it takes a flush of
// the host's side (which packet mode reports) as the ClearComms instead. The
// server keeps the slave side open itself, so a host closing and reopening
// the path never finds the pty hung up.
namespace gwsim {

class PtyServer {
public:
    explicit PtyServer(Options options);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    [[nodiscard]] const std::string& path() const { return m_path; }

    // Serves on a thread of its own until destroyed.
    void start();
    // Serves in the calling thread until stop becomes true; onCommand sees
    // every request as the device records it.
    void serve(const std::atomic<bool>& stop, const std::function<void(const std::string&)>& onCommand = {});

    // What the device has received so far (see Device::commands).
    [[nodiscard]] std::vector<std::string> commands() const;
    // The motor of unit 0 and the selected unit, as the device holds them now.
    [[nodiscard]] bool motorOn() const;
    [[nodiscard]] bool selected() const;
    // See Device::revolutionsRead and Device::revolutionsWritten.
    [[nodiscard]] double revolutionsRead() const;
    [[nodiscard]] double revolutionsWritten() const;

private:
    Device m_device;
    mutable std::mutex m_mutex;
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace gwsim
