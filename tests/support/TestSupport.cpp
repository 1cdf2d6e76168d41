#include "support/TestSupport.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

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

bool ScriptedPrompter::messageWithOptOut(const std::string& text, const std::string& title, MsgIcon icon) {
    ++optOutOffers;
    (void)message(text, title, icon, MsgButtons::Ok);
    return optOut;
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

namespace {
std::filesystem::path freshTempPath() {
    std::random_device rd;
    return std::filesystem::temp_directory_path() /
           ("quillmar-test-" + std::to_string(rd()) + std::to_string(rd()));
}
}  // namespace

TempDir::TempDir() : m_path(freshTempPath()) {
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
    setVariable(name, value);
}

ScopedEnv::~ScopedEnv() {
    setVariable(m_name, m_old);
}

void ScopedEnv::setVariable(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // The C runtime's copy and the process environment (which child
    // processes inherit) are both updated. Windows has no empty variables:
    // an empty value removes the variable, and the program treats empty and
    // unset alike.
    (void)::_putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
#endif
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

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (const std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += (out.empty() ? "" : " ") + std::string(buf);
    }
    return out;
}

std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
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

#ifdef _WIN32

namespace {

// One argument quoted so that the C runtime's command-line splitting gives it
// back unchanged: backslashes only count before a quote.
std::string quoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
        return arg;
    }
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

// A temporary file the child writes into; it goes away when the last handle closes.
HANDLE inheritableTempFile(const std::string& path) {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    return ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

std::string readBack(HANDLE file) {
    std::string s;
    ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(file, buf, sizeof buf, &n, nullptr) != FALSE && n > 0) {
        s.append(buf, n);
    }
    return s;
}

std::string withoutCarriageReturns(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
    }
    return out;
}

}  // namespace

CommandResult runCommand(const std::vector<std::string>& argv) {
    CommandResult result;
    if (argv.empty()) {
        return result;
    }
    const TempDir dir;
    const HANDLE out = inheritableTempFile(dir.file("out"));
    const HANDLE err = inheritableTempFile(dir.file("err"));
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    const HANDLE in = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                    OPEN_EXISTING, 0, nullptr);

    // The program's own path with Windows separators; the arguments as given.
    std::string program = argv[0];
    for (char& c : program) {
        if (c == '/') {
            c = '\\';
        }
    }
    std::string commandLine = quoteArgument(program);
    for (std::size_t i = 1; i < argv.size(); ++i) {
        commandLine += ' ' + quoteArgument(argv[i]);
    }

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    if (::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                         &pi) != FALSE) {
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        if (::GetExitCodeProcess(pi.hProcess, &code) != FALSE) {
            result.exitCode = static_cast<int>(code);
        }
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    } else {
        result.exitCode = 127;  // as a shell reports a program it cannot start
    }
    // Read back as text, the way the C runtime's text mode reads: the CR LF
    // that a Windows program's text-mode output ends its lines with is LF.
    result.out = withoutCarriageReturns(readBack(out));
    result.err = withoutCarriageReturns(readBack(err));
    ::CloseHandle(in);
    ::CloseHandle(out);
    ::CloseHandle(err);
    return result;
}

bool runningUnderWine() {
    // wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool programAvailable(const std::string& name) {
    char found[MAX_PATH];
    return ::SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr) != 0;
}

#else

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
        args.reserve(argv.size() + 1);
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

bool runningUnderWine() {
    return false;
}

bool programAvailable(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

#endif
