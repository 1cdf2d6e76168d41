#include "core/clsLocalLogger.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/FileIO.h"
#include "core/Paths.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSep = kPathSeparator;

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(fs::path(path), ec);
}

}  // namespace

clsLocalLogger::clsLocalLogger() : clsLocalLogger(MacroContext::system()) {}

clsLocalLogger::clsLocalLogger(MacroContext context) : m_context(std::move(context)) {
    // Until start-up says otherwise: the shared logs folder of the site, and a
    // file named after the program and the computer.
    const std::string sep(1, kSep);
    m_rootFolder = m_context.environment("NW") + sep + "Kelt" + sep + "Data" + sep + "Logs" + sep;
    m_fileName = ProgramFileName() + "_" + m_context.environment("ComputerName");
}

void clsLocalLogger::LogRootFolder(const std::string& sNewFolderName) {
    m_rootFolder = ExpandPathMacros(sNewFolderName, m_context);
    if (m_rootFolder.empty() || m_rootFolder.back() != kSep) {
        m_rootFolder += kSep;
    }
}

std::string clsLocalLogger::SeverityString(int eSeverity) {
    switch (eSeverity) {
        case kSeveritySTOP:
            return "   STOP    ";
        case kSeverityERROR:
            return "   ERROR   ";
        case kSeverityWARNING:
            return "  WARNING  ";
        case kSeverityINFORMATION:
            return "INFORMATION";
        case kSeverityDEBUG:
            return "   DEBUG   ";
        default:
            return "  unknown  ";
    }
}

std::string clsLocalLogger::CurrentLogFilePath() const {
    const std::string folder =
        ExpandPathMacros(m_rootFolder + formatDate(m_context.now(), "YYYYMMDD"), m_context);
    return folder + kSep + ExpandPathMacros(m_fileName, m_context) + ".Txt";
}

bool clsLocalLogger::LogThis(const std::string& sWhat, int eSeverity, bool bLogAnyway) {
    if (eSeverity > m_lowestSeverity && !bLogAnyway) {
        return true;
    }
    try {
        const std::string severity = SeverityString(eSeverity);
        const LocalDateTime now = m_context.now();
        const std::string folder = ExpandPathMacros(m_rootFolder + formatDate(now, "YYYYMMDD"), m_context);
        if (!MakeFolderTree(folder)) {
            return false;
        }
        const std::string path = folder + kSep + ExpandPathMacros(m_fileName, m_context) + ".Txt";
        const std::string line =
            formatDate(now, "YYYY\\/MM\\/DD\\ HH\\:NN\\:SS") + "\t[" + severity + "]\t" + sWhat + "\r\n";
        std::FILE* f = std::fopen(path.c_str(), "ab");
        if (f == nullptr) {
            return false;
        }
        const bool written = std::fwrite(line.data(), 1, line.size(), f) == line.size();
        return (std::fclose(f) == 0) && written;
    } catch (...) {
        return false;
    }
}

bool clsLocalLogger::MakeFolderTree(const std::string& sFolder) {
    try {
        std::string path = sFolder;
        // Walk up until an existing folder, remembering the missing parts (a
        // trailing separator leaves an empty one, which is skipped).
        std::vector<std::string> missing;
        while (!path.empty() && !isFolder(path)) {
            const auto cut = path.find_last_of(kSep);
            if (cut == std::string::npos) {
                missing.push_back(path);
                path.clear();
                break;
            }
            missing.push_back(path.substr(cut + 1));
            path.resize(cut);
            if (path.empty()) {
                path = std::string(1, kSep);  // the filesystem root
                break;
            }
        }
        // Then create them from the outermost down.
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            if (it->empty()) {
                continue;
            }
            if (path.empty()) {
                path = *it;
            } else if (path.back() == kSep) {
                path += *it;
            } else {
                path += kSep + *it;
            }
            std::error_code ec;
            fs::create_directory(path, ec);
            if (ec && !isFolder(path)) {
                return false;
            }
        }
        return isFolder(sFolder);
    } catch (...) {
        return false;
    }
}
