#include "core/FileIO.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "core/Failure.h"

namespace fs = std::filesystem;

namespace {

Failure ioFailure(const std::string& path) {
    return failureFromErrno(errno != 0 ? errno : EIO, path);
}

Failure notRegular() {
    return Failure(failure::PathFileAccess, "not a regular file");
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

// The temporary file being written, for the signal handler: a fixed buffer,
// since the handler may touch nothing that allocates.
char g_temporary[4096];
volatile std::sig_atomic_t g_temporaryNamed = 0;

constexpr int kEndingSignals[] = {
    SIGINT,
    SIGTERM,
#ifndef _WIN32
    SIGHUP,
#endif
};

extern "C" void removeTemporaryAndEnd(int sig) {
    if (g_temporaryNamed != 0) {
#ifdef _WIN32
        (void)::_unlink(g_temporary);
#else
        (void)::unlink(g_temporary);
#endif
    }
    // End the way the signal would have ended the program without us.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// While a temporary file exists, a signal that ends the program removes it
// first. Signals someone else handles (or ignores) are left to them: the
// read command's Ctrl-C, say, only asks the read to stop.
class TemporaryFileGuard {
public:
    explicit TemporaryFileGuard(const std::string& temp) {
        if (temp.size() >= sizeof g_temporary) {
            return;  // a path this long is refused by the system anyway
        }
        std::memcpy(g_temporary, temp.c_str(), temp.size() + 1);
        g_temporaryNamed = 1;
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            m_previous[i] = std::signal(kEndingSignals[i], removeTemporaryAndEnd);
            m_installed[i] = m_previous[i] == SIG_DFL;
            if (!m_installed[i]) {
                std::signal(kEndingSignals[i], m_previous[i]);
            }
        }
    }
    ~TemporaryFileGuard() {
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            if (m_installed[i]) {
                std::signal(kEndingSignals[i], m_previous[i]);
            }
        }
        g_temporaryNamed = 0;
    }
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;

private:
    void (*m_previous[std::size(kEndingSignals)])(int) = {};
    bool m_installed[std::size(kEndingSignals)] = {};
};

std::string temporaryNameBeside(const std::string& path) {
    static std::mt19937 rng{std::random_device{}()};
    const fs::path target(path);
    const std::string base = target.filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            target.parent_path() / ("." + base + ".tmp" + std::to_string(rng() % 1000000));
        std::error_code ec;
        if (!fs::exists(candidate, ec)) {
            return candidate.string();
        }
    }
    throw Failure(failure::PathFileAccess, "no temporary name free beside " + path);
}

struct WriteTarget {
    fs::path path;
    fs::file_status status;  // of the file itself, not_found when it is not there yet
};

// Where a write to PATH lands: a symbolic link is followed to its target (even
// one not there yet), so that the link itself survives the rename.
WriteTarget followLinks(const std::string& path) {
    WriteTarget t{path, {}};
    std::error_code ec;
    t.status = fs::symlink_status(t.path, ec);
    for (int hops = 0; hops < 40 && fs::is_symlink(t.status); ++hops) {
        const fs::path next = fs::read_symlink(t.path, ec);
        if (ec) {
            break;
        }
        t.path = next.is_absolute() ? next : t.path.parent_path() / next;
        t.status = fs::symlink_status(t.path, ec);
    }
    return t;
}

void writeThenRename(const std::string& path, std::span<const std::uint8_t> prefix,
                     std::span<const std::uint8_t> bytes) {
    const WriteTarget target = followLinks(path);
    if (fs::exists(target.status) && !fs::is_regular_file(target.status)) {
        throw notRegular();
    }
    const std::string temp = temporaryNameBeside(target.path.string());
    const TemporaryFileGuard guard(temp);
    errno = 0;
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        throw ioFailure(path);
    }
    try {
        writeAll(f, prefix, path);
        writeAll(f, bytes, path);
    } catch (const Failure&) {
        std::fclose(f);
        std::remove(temp.c_str());
        throw;
    }
    errno = 0;
    if (std::fclose(f) != 0) {
        const Failure failed = ioFailure(path);
        std::remove(temp.c_str());
        throw failed;
    }
    // The replaced file keeps its permission bits; a new one gets the umask's.
    std::error_code ec;
    if (fs::exists(target.status)) {
        fs::permissions(temp, target.status.permissions(), fs::perm_options::replace, ec);
    }
    fs::rename(temp, target.path, ec);
    if (ec) {
        std::remove(temp.c_str());
        throw failureFromErrno(ec.value(), path);
    }
}

std::span<const std::uint8_t> asBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

void writeAll(std::FILE* stream, std::span<const std::uint8_t> bytes, const std::string& what) {
    if (bytes.empty()) {
        return;
    }
    errno = 0;
    // The stream's buffer may take the bytes and fail only when it is flushed,
    // so a flush belongs to every write whose error must come back whole.
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size() || std::fflush(stream) != 0) {
        throw ioFailure(what);
    }
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        throw Failure(failure::PathFileAccess, failureDescription(failure::PathFileAccess) + ": " + path);
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ioFailure(path);
    }
    std::vector<std::uint8_t> bytes;
    in.seekg(0, std::ios::end);
    const auto length = in.tellg();
    if (length < 0) {
        throw Failure(failure::PathFileAccess, path);
    }
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<std::size_t>(length));
    if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), length)) {
        throw Failure(failure::InputPastEnd, path);
    }
    return bytes;
}

Failure systemFailure(int err) {
    const int number = failureFromErrno(err).number();
    return Failure(number, failureDescription(number));
}

std::vector<std::uint8_t> readRegularFile(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        throw OpenRefusal(failure::FileNotFound, "no such file");
    }
    if (fs::is_directory(status)) {
        throw OpenRefusal(failure::PathFileAccess, "it is a folder");
    }
    if (!fs::is_regular_file(status)) {
        throw OpenRefusal(failure::PathFileAccess, "not a regular file");
    }
#ifdef _WIN32
    const int flags = O_RDONLY | O_BINARY;
#else
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
#endif
    const Descriptor fd(::open(path.c_str(), flags));
    if (fd.get() < 0) {
        throw systemFailure(errno);
    }
    struct stat opened {};
    if (::fstat(fd.get(), &opened) != 0) {
        throw systemFailure(errno);
    }
    if (!S_ISREG(opened.st_mode)) {
        throw OpenRefusal(failure::PathFileAccess, "not a regular file");
    }
    // To its end rather than to the length it had when opened.
    std::vector<std::uint8_t> bytes;
    std::uint8_t piece[65536];
    for (;;) {
        const auto n = ::read(fd.get(), piece, sizeof piece);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw systemFailure(errno);
        }
        if (n == 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), piece, piece + n);
    }
}

PathKind pathKind(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        return PathKind::Missing;
    }
    return fs::is_regular_file(status) ? PathKind::Regular : PathKind::Other;
}

std::optional<std::uintmax_t> fileLength(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    const auto size = fs::file_size(path, ec);
    if (ec) {
        return std::nullopt;
    }
    return size;
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec) && !fs::is_directory(path, ec);
}

void writeFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes) {
    writeThenRename(path, {}, bytes);
}

void writeFileReplacing(const std::string& path, const std::string& text) {
    writeThenRename(path, {}, asBytes(text));
}

void appendFileSafely(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (!fileExists(path)) {
        writeThenRename(path, {}, bytes);
        return;
    }
    const std::vector<std::uint8_t> former = readWholeFile(followLinks(path).path.string());
    writeThenRename(path, former, bytes);
}

void appendFileSafely(const std::string& path, const std::string& text) {
    appendFileSafely(path, asBytes(text));
}
