#include <gtest/gtest.h>

#include <filesystem>

#include "core/FileIO.h"
#include "core/ProgramInfo.h"
#include "core/Startup.h"
#include "support/TestSupport.h"

namespace {

struct StartupFixture {
    TempDir dir;
    ScriptedPrompter prompter;
    clsLocalLogger logger;
    StartupEnvironment env{(dir.path() / "Quillmar.Ini").string(), dir.path().string()};

    void settings(const std::string& text) { writeBytes(env.settingsFilePath, {text.begin(), text.end()}); }
    std::string logText() const { return readText(logger.CurrentLogFilePath()); }
};

DriverProbe driver(bool present, std::uint32_t version) {
    return [=](std::uint32_t& v) {
        v = version;
        return present;
    };
}

TEST(Startup, WritesStartAndDriverLines) {
    StartupFixture f;
    const StartupResult r = RunStartup(f.env, f.logger, f.prompter, driver(true, 0x1000A00));
    EXPECT_TRUE(r.proceed);
    EXPECT_TRUE(r.driverPresent);
    EXPECT_TRUE(f.prompter.shown.empty());
    EXPECT_EQ(f.logger.LowestLogSeverity(), 3);
    const std::string log = f.logText();
    EXPECT_NE(log.find("\t[INFORMATION]\t>>>>Quillmar v2.0.0 START------------\r\n"), std::string::npos);
    EXPECT_NE(log.find("\t[INFORMATION]\tDetected FDRawCmd Driver version: 0x01000A00\r\n"),
              std::string::npos);
}

TEST(Startup, MissingDriverShowsTheMessageAndGoesOn) {
    StartupFixture f;
    const StartupResult r = RunStartup(f.env, f.logger, f.prompter, driver(false, 0));
    EXPECT_TRUE(r.proceed);
    EXPECT_FALSE(r.driverPresent);
    ASSERT_EQ(f.prompter.shown.size(), 1u);
#ifndef _WIN32
    // Names what was looked for and what the person can do about it.
    for (const char* part : {"/dev/fd0", "/dev/ttyACM*", "QUILLMAR_FLOPPY=greaseweazle:"}) {
        EXPECT_NE(f.prompter.shown[0].text.find(part), std::string::npos) << part;
    }
#endif
    EXPECT_EQ(f.prompter.shown[0].title, "Quillmar v2.0.0");
    EXPECT_EQ(f.prompter.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(f.prompter.optOutOffers, 1);
    EXPECT_EQ(f.logText().find("Detected"), std::string::npos);
}

TEST(Startup, DoNotShowAgainIsRememberedInTheSettingsFile) {
    StartupFixture f;
    f.prompter.optOut = true;
    (void)RunStartup(f.env, f.logger, f.prompter, driver(false, 0));
    EXPECT_NE(readText(f.env.settingsFilePath).find("[Startup]\r\nHide Missing Drive Message=1"),
              std::string::npos);
    StartupFixture again;
    again.settings(readText(f.env.settingsFilePath));
    const StartupResult r = RunStartup(again.env, again.logger, again.prompter, driver(false, 0));
    EXPECT_FALSE(r.driverPresent);
    EXPECT_TRUE(again.prompter.shown.empty());
}

TEST(Startup, SeverityFromTheSettingsFile) {
    for (const auto& [text, expected] : {std::pair{"4", 4}, {"2.5", 2}}) {
        StartupFixture f;
        f.settings(std::string("[Logging]\r\nSeverity=") + text + "\r\n");
        (void)RunStartup(f.env, f.logger, f.prompter, driver(true, 0x01000000));
        EXPECT_EQ(f.logger.LowestLogSeverity(), expected) << text;
    }
}

// The start line is due from severity 3 on: a log that cannot be written
// then ends the program; below 3 the program starts.
TEST(Startup, UnwritableLogFolderEndsTheProgramFromSeverity3) {
    for (const auto& [severity, proceeds] : {std::pair{"3", false}, {"2", true}}) {
        StartupFixture f;
        f.settings(std::string("[Logging]\r\nSeverity=") + severity + "\r\n");
        writeBytes(f.dir.file("blocker"), {0});
        f.env.logRootFolder = f.dir.file("blocker");  // a file, so no daily folder below it
        const StartupResult r = RunStartup(f.env, f.logger, f.prompter, driver(true, 0x01000000));
        EXPECT_EQ(r.proceed, proceeds) << severity;
        EXPECT_EQ(f.prompter.shown.size(), proceeds ? 0u : 1u) << severity;
    }
}

}  // namespace
