#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

std::vector<std::string> RecordingLog::at(int severity) const {
    std::vector<std::string> out;
    for (const Entry& e : entries) {
        if (e.severity == severity) {
            out.push_back(e.what);
        }
    }
    return out;
}

MsgAnswer ScriptedPrompter::message(const std::string& text, const std::string& title, MsgIcon icon,
                                    MsgButtons buttons) {
    shown.push_back({text, title, icon, buttons});
    if (buttons == MsgButtons::Ok) {
        return MsgAnswer::Ok;
    }
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text;
        return MsgAnswer::Cancel;
    }
    const MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
}

void ScriptedPrompter::setBusy(bool busy) {
    busyDepth += busy ? 1 : -1;
    ++busyCalls;
}

std::optional<std::string> ScriptedChooser::openFile(const std::string& title,
                                                     const std::vector<FileFilter>&) {
    titles.push_back(title);
    if (paths.empty()) {
        return std::nullopt;
    }
    auto p = paths.front();
    paths.pop_front();
    return p;
}

std::optional<std::string> ScriptedChooser::saveFile(const std::string& title, const std::vector<FileFilter>&,
                                                     const std::string& proposedName) {
    proposedNames.push_back(proposedName);
    return openFile(title, {});
}

TempDir::TempDir() {
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() /
             ("quillmar-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    // Make read-only folders made by a test removable again.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

ScopedEnv::ScopedEnv(const std::string& name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name.c_str())) {
        m_old = old;
    }
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (m_old) {
        ::setenv(m_name.c_str(), m_old->c_str(), 1);
    } else {
        ::unsetenv(m_name.c_str());
    }
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string hexDump(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buf[32];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0) {
            std::snprintf(buf, sizeof buf, "%s%04zX:", i == 0 ? "" : "\n", i);
            out += buf;
        }
        std::snprintf(buf, sizeof buf, " %02X", bytes[i]);
        out += buf;
    }
    return out;
}

::testing::AssertionResult bytesEqual(const std::vector<std::uint8_t>& expected,
                                      const std::vector<std::uint8_t>& actual) {
    if (expected == actual) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "bytes differ\nexpected (" << expected.size() << " bytes):\n"
                                         << hexDump(expected) << "\nactual (" << actual.size() << " bytes):\n"
                                         << hexDump(actual);
}

namespace {
std::string drain(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) {
        s.append(buf, static_cast<std::size_t>(n));
    }
    return s;
}
}  // namespace

CommandResult runCommand(const std::vector<std::string>& argv) {
    CommandResult result;
    char outName[] = "/tmp/quillmar-out-XXXXXX";
    char errName[] = "/tmp/quillmar-err-XXXXXX";
    const int outFd = ::mkstemp(outName);
    const int errFd = ::mkstemp(errName);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::lseek(outFd, 0, SEEK_SET);
    ::lseek(errFd, 0, SEEK_SET);
    result.out = drain(outFd);
    result.err = drain(errFd);
    ::close(outFd);
    ::close(errFd);
    ::unlink(outName);
    ::unlink(errName);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool programAvailable(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}
