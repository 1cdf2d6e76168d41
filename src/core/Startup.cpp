#include "core/Startup.h"

#include "core/CodePage.h"
#include "core/IniMgr.h"
#include "core/Paths.h"
#include "core/ProgramInfo.h"

int severityFromText(const std::string& text) {
    const long long v = roundHalfEven(leadingNumber(text));
    if (v > 0x7FFFFFFF || v < -0x7FFFFFFF) {
        return 0;
    }
    return static_cast<int>(v);
}

StartupEnvironment defaultStartupEnvironment() {
    return {SettingsFilePath(), LogRootFolder()};
}

StartupResult RunStartup(const StartupEnvironment& env, clsLocalLogger& logger, Prompter& prompter,
                         const DriverProbe& probe) {
    StartupResult result;
    const std::string title = ProgramTitle();

    logger.LogFileName(title);
    logger.LogRootFolder(env.logRootFolder);
    logger.LowestLogSeverity(
        severityFromText(IniMgr::Read("Logging", "Severity", "3", env.settingsFilePath)));

    if (!logger.LogThis(">>>>" + title + " START------------", kSeverityINFORMATION, false)) {
        prompter.message(kFatalLoggerMessage, title, MsgIcon::Critical, MsgButtons::Ok);
        return result;
    }
    result.proceed = true;

    std::uint32_t version = 0;
    result.driverPresent = probe ? probe(version) : false;
    result.driverVersion = version;
    if (result.driverPresent) {
        logger.LogThis("Detected FDRawCmd Driver version: 0x" + hexUpper(version, 8), kSeverityINFORMATION,
                       false);
    } else if (IniMgr::Read(kDriverMissingSection, kDriverMissingHideKey, "0", env.settingsFilePath) != "1") {
        if (prompter.messageWithOptOut(kDriverMissingMessage, title, MsgIcon::Exclamation)) {
            IniMgr::Write(kDriverMissingSection, kDriverMissingHideKey, "1", env.settingsFilePath);
        }
    }
    return result;
}
