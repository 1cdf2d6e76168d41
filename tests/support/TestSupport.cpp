#include "support/TestSupport.h"

#include "disk/DiskBuilder.h"
#include "flux/FluxImage.h"
#include "flux/Scp.h"

#ifdef _WIN32
#define NOMINMAX 1  // as the MinGW C++ library defines it
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

std::vector<std::string> RecordingLog::at(int severity) const {
    std::vector<std::string> out;
    for (const Entry& e : entries) {
        if (e.severity == severity) {
            out.push_back(e.what);
        }
    }
    return out;
}

namespace {
fs::path freshTempPath() {
    std::random_device rd;
    return fs::temp_directory_path() / ("quillmar-test-" + std::to_string(rd()) + std::to_string(rd()));
}
}  // namespace

TempDir::TempDir() : m_path(freshTempPath()) {
    fs::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    // Make read-only folders made by a test removable again.
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(m_path, ec); it != fs::end(it); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_path, ec);
}

namespace {
void setVariable(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // The C runtime's copy and the process environment (which child
    // processes inherit) are both updated. Windows has no empty variables:
    // an empty value removes the variable, and the program treats empty and
    // unset alike.
    (void)::_putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    (void)(value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str()));
#endif
}
}  // namespace

ScopedEnv::ScopedEnv(const std::string& name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name.c_str())) {
        m_old = old;
    }
    setVariable(name, value);
}

ScopedEnv::~ScopedEnv() {
    setVariable(m_name, m_old);
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> scpWithOneBadSector() {
    const std::vector<std::uint8_t> image = DiskBuilder("FLUX").imageLength(2 * 18 * 256).build();
    flux::FluxDisk disk;
    for (int c = 0; c < 2; ++c) {
        auto sectors = flux::OpusTrackSectors(image, c, 0, 1);
        for (auto& s : sectors) {
            s.corruptData = c == 1 && s.sector == 4;
        }
        disk.tracks.push_back(flux::EncodeMfmTrack(std::vector<std::vector<flux::EncodeSector>>{sectors}));
        disk.tracks.back().track = c;
    }
    return flux::WriteScp(disk);
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string readText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
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
    for (std::size_t i = 0; i < bytes.size(); i += 16) {
        std::snprintf(buf, sizeof buf, "%s%04zX: ", i == 0 ? "" : "\n", i);
        out += buf + hexBytes({bytes.begin() + static_cast<std::ptrdiff_t>(i),
                               bytes.begin() + static_cast<std::ptrdiff_t>(std::min(i + 16, bytes.size()))});
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
        if (c == '"') {
            out.append(backslashes + 1, '\\');  // the backslashes before a quote doubled, the quote escaped
        }
        backslashes = c == '\\' ? backslashes + 1 : 0;
        out += c;
    }
    out.append(backslashes, '\\');  // doubled before the closing quote
    return out + '"';
}

// Runs the program with stdin empty and stdout and stderr into the files.
int spawn(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    const auto open = [&sa](const std::string& path, DWORD access, DWORD disposition) {
        return ::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition, 0,
                             nullptr);
    };
    // The program's own path with Windows separators; the arguments as given.
    std::string program = argv[0];
    std::replace(program.begin(), program.end(), '/', '\\');
    std::string commandLine = quoteArgument(program);
    for (std::size_t i = 1; i < argv.size(); ++i) {
        commandLine += ' ' + quoteArgument(argv[i]);
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = open("NUL", GENERIC_READ, OPEN_EXISTING);
    si.hStdOutput = open(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    si.hStdError = open(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION pi{};
    DWORD code = 127;  // as a shell reports a program it cannot start
    if (::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                         &pi) != FALSE) {
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        ::GetExitCodeProcess(pi.hProcess, &code);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    for (const HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError}) {
        ::CloseHandle(h);
    }
    return static_cast<int>(code);
}

}  // namespace

bool runningUnderWine() {
    // wine's ntdll exports its version; Windows' does not.
    return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

bool programAvailable(const std::string& name) {
    char found[MAX_PATH];
    return ::SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr) != 0;
}

#else

namespace {

int spawn(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        std::vector<char*> args(argv.size() + 1, nullptr);
        std::transform(argv.begin(), argv.end(), args.begin(),
                       [](const std::string& a) { return const_cast<char*>(a.c_str()); });
        ::execvp(args[0], args.data());
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool runningUnderWine() {
    return false;
}

bool programAvailable(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

#endif

// Read the way the C runtime's text mode reads: the CR LF that a Windows
// program's text-mode output ends its lines with is LF.
static std::string asText(std::string text) {
#ifdef _WIN32
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) {
        text.erase(at, 1);
    }
#endif
    return text;
}

CommandResult runCommand(const std::vector<std::string>& argv) {
    const TempDir dir;
    // A braced list is evaluated in order: the program has run when its output is read.
    return {spawn(argv, dir.file("out"), dir.file("err")), asText(readText(dir.file("out"))),
            asText(readText(dir.file("err")))};
}
