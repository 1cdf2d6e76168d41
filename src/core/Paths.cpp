#include "core/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/FileIO.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

fs::path executablePath() {
#ifdef _WIN32
    char buffer[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return fs::path(std::string(buffer, n));
#else
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return fs::current_path(ec) / "quillmar";
    }
    return p;
#endif
}

bool folderWritable(const fs::path& folder) {
#ifdef _WIN32
    const fs::path probe = folder / ".quillmar-write-test";
    FILE* f = std::fopen(probe.string().c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    std::fclose(f);
    std::error_code ec;
    fs::remove(probe, ec);
    return true;
#else
    return ::access(folder.c_str(), W_OK) == 0;
#endif
}

std::string withSeparator(std::string folder) {
    if (folder.empty() || folder.back() != kPathSeparator) {
        folder += kPathSeparator;
    }
    return folder;
}

#ifdef _WIN32
// %APPDATA% roams with the user, %LOCALAPPDATA% stays on the machine; each
// stands in for the other when it is missing. Without either there is no
// better place than the program's folder, writable or not.
std::string userFolder(const char* variable, const char* otherVariable, const std::string& program) {
    std::string base = environmentValue(variable);
    if (base.empty()) {
        base = environmentValue(otherVariable);
    }
    if (base.empty()) {
        return program;
    }
    return (fs::path(base) / "Quillmar").string();
}
#else
std::string userFolder(const char* xdgVariable, const char* fallbackBelowHome) {
    std::string base = environmentValue(xdgVariable);
    if (base.empty()) {
        base = environmentValue("HOME") + "/" + fallbackBelowHome;
    }
    return (fs::path(base) / "quillmar").string();
}
#endif

}  // namespace

std::string environmentValue(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v == nullptr ? std::string() : std::string(v);
}

std::string ProgramFolder() {
    return executablePath().parent_path().string();
}

std::string ProgramFileName() {
    return executablePath().stem().string();
}

std::string ChooseFolder(FolderRole role, const std::string& programFolder, bool programFolderWritable) {
    std::string home = environmentValue("QUILLMAR_HOME");
    if (!home.empty()) {
        return home;
    }
    if (programFolderWritable) {
        return programFolder;
    }
    const bool settings = role == FolderRole::Settings;
#ifdef _WIN32
    return settings ? userFolder("APPDATA", "LOCALAPPDATA", programFolder)
                    : userFolder("LOCALAPPDATA", "APPDATA", programFolder);
#else
    return settings ? userFolder("XDG_CONFIG_HOME", ".config") : userFolder("XDG_STATE_HOME", ".local/state");
#endif
}

std::string SettingsFolder() {
    const std::string program = ProgramFolder();
    return ChooseFolder(FolderRole::Settings, program, folderWritable(program));
}

std::string LogRootFolder() {
    const std::string program = ProgramFolder();
    return ChooseFolder(FolderRole::Logs, program, folderWritable(program));
}

std::string SettingsFilePath() {
    return withSeparator(SettingsFolder()) + "Quillmar.Ini";
}
