#include "core/FileIO.h"
#include "core/ProgramInfo.h"
#include "core/Startup.h"
#include "core/clsLocalLogger.h"
#include "support/TestSupport.h"

namespace {

struct StartupFixture {
    TempDir dir;
    ScriptedPrompter prompter;
    clsLocalLogger logger;
    StartupEnvironment env{(dir.path() / "Quillmar.Ini").string(), dir.path().string()};

    StartupResult run(bool driverPresent, const std::string& settings = "") {
        if (!settings.empty()) {
            writeBytes(env.settingsFilePath, {settings.begin(), settings.end()});
        }
        return RunStartup(env, logger, prompter, [driverPresent](std::uint32_t& v) {
            v = 0x1000A00;
            return driverPresent;
        });
    }
    std::string logText() const { return readText(logger.CurrentLogFilePath()); }
};

TEST(Startup, WritesStartAndDriverLinesAtTheSeverityOfTheSettingsFile) {
    for (const auto& [settings, severity] : {std::pair{"", 3}, {"[Logging]\r\nSeverity=4.5\r\n", 4}}) {
        StartupFixture f;
        const StartupResult r = f.run(true, settings);
        EXPECT_TRUE(r.proceed && r.driverPresent && f.prompter.shown.empty());
        EXPECT_EQ(f.logger.LowestLogSeverity(), severity);
        const std::string log = f.logText();
        EXPECT_NE(log.find("\t[INFORMATION]\t>>>>Quillmar v2.0.0 START------------\r\n"), std::string::npos);
        EXPECT_NE(log.find("\t[INFORMATION]\tDetected FDRawCmd Driver version: 0x01000A00\r\n"),
                  std::string::npos);
    }
}

TEST(Startup, MissingDriverShowsTheMessageUntilItIsNotToBeShownAgain) {
    StartupFixture f;
    f.prompter.optOut = true;
    const StartupResult r = f.run(false);
    EXPECT_TRUE(r.proceed && !r.driverPresent);
    ASSERT_EQ(f.prompter.shown.size(), 1u);
#ifndef _WIN32
    EXPECT_NE(f.prompter.shown[0].text.find("QUILLMAR_FLOPPY=greaseweazle:"), std::string::npos);
#endif
    EXPECT_EQ(f.logText().find("Detected"), std::string::npos);
    StartupFixture again;
    EXPECT_FALSE(again.run(false, readText(f.env.settingsFilePath)).driverPresent);
    EXPECT_TRUE(again.prompter.shown.empty());
}

// The start line is due from severity 3 on: a log that cannot be written
// then ends the program; below 3 the program starts.
TEST(Startup, UnwritableLogFolderEndsTheProgramFromSeverity3) {
    for (const auto& [severity, proceeds] : {std::pair{"3", false}, {"2", true}}) {
        StartupFixture f;
        writeBytes(f.dir.file("blocker"), {0});
        f.env.logRootFolder = f.dir.file("blocker");  // a file, so no daily folder below it
        const StartupResult r = f.run(true, std::string("[Logging]\r\nSeverity=") + severity + "\r\n");
        EXPECT_EQ(r.proceed, proceeds) << severity;
        EXPECT_EQ(f.prompter.shown.size(), proceeds ? 0u : 1u) << severity;
    }
}

MacroContext fixedContext(const std::string& logBase = "") {
    MacroContext ctx = MacroContext::system();
    ctx.environment = [logBase](const std::string& name) {
        return name == "LOGBASE" ? logBase : std::string();
    };
    ctx.now = [] { return LocalDateTime{2006, 10, 30, 14, 5, 9}; };
    return ctx;
}

TEST(clsLocalLogger, WritesTheLineFormatIntoTheDailyFileOfTheExpandedNames) {
    TempDir dir;
    clsLocalLogger logger(fixedContext(dir.path().string()));
    logger.LogRootFolder("%LOGBASE%/$PROGRAM$");
    EXPECT_EQ(logger.LogRootFolder(), dir.path().string() + "/Quillmar" + kPathSeparator);
    logger.LogFileName("Quillmar_%ANSIDATE%");
    ASSERT_TRUE(logger.LogThis(">>>>Quillmar v2.0.0 START------------", 3, false));
    ASSERT_TRUE(logger.LogThis("two\r\nlines", 1, false));
    const std::string file = (dir.path() / "Quillmar" / "20061030" / "Quillmar_061030.Txt").string();
    EXPECT_EQ(std::filesystem::path(logger.CurrentLogFilePath()).lexically_normal(),
              std::filesystem::path(file).lexically_normal());
    EXPECT_EQ(readText(file),
              "2006/10/30 14:05:09\t[INFORMATION]\t>>>>Quillmar v2.0.0 START------------\r\n"
              "2006/10/30 14:05:09\t[   ERROR   ]\ttwo\r\nlines\r\n");
}

}  // namespace
