#pragma once

#include <functional>
#include <string>

#include "core/Log.h"
#include "core/PathMacros.h"

// Appends one line per entry to a daily log file:
//   <root>/<YYYYMMDD>/<file name>.Txt
// Each line is "YYYY/MM/DD HH:NN:SS", TAB, "[" severity text "]", TAB, the
// message, CR LF. The file is opened and closed for every entry.
class clsLocalLogger : public ActivityLog {
public:
    clsLocalLogger();
    explicit clsLocalLogger(MacroContext context);

    [[nodiscard]] const std::string& LogRootFolder() const { return m_rootFolder; }
    void LogRootFolder(const std::string& sNewFolderName);

    [[nodiscard]] const std::string& LogFileName() const { return m_fileName; }
    void LogFileName(const std::string& sNewFileName) { m_fileName = sNewFileName; }

    [[nodiscard]] int LowestLogSeverity() const { return m_lowestSeverity; }
    void LowestLogSeverity(int eNewSeverity) { m_lowestSeverity = eNewSeverity; }

    [[nodiscard]] static std::string SeverityString(int eSeverity);

    bool LogThis(const std::string& sWhat, int eSeverity, bool bLogAnyway) override;

    [[nodiscard]] static bool MakeFolderTree(const std::string& sFolder);

    // The file today's entries go to.
    [[nodiscard]] std::string CurrentLogFilePath() const;

private:
    MacroContext m_context;
    std::string m_rootFolder;
    std::string m_fileName;
    int m_lowestSeverity = kSeverityINFORMATION;
};
