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
    EXPECT_NE(f.logger.CurrentLogFilePath().find("Quillmar v2.0.0.Txt"), std::string::npos);
}

TEST(Startup, MissingDriverShowsTheMessageAndGoesOn) {
    StartupFixture f;
    const StartupResult r = RunStartup(f.env, f.logger, f.prompter, driver(false, 0));
    EXPECT_TRUE(r.proceed);
    EXPECT_FALSE(r.driverPresent);
    ASSERT_EQ(f.prompter.shown.size(), 1u);
#ifdef _WIN32
    EXPECT_EQ(f.prompter.shown[0].text,
              "FDRawCmd Driver is missing. Please install it to be able to read physical disks.Without the "
              "driver, all Quillmar can do is browse existing Opus Disk Images.");
#else
    // Names what was looked for and what the person can do about it.
    for (const char* part : {"Greaseweazle on USB", "/dev/fd0", "disk images and flux recordings",
                             "/dev/ttyACM*", "QUILLMAR_FLOPPY=greaseweazle:"}) {
        EXPECT_NE(f.prompter.shown[0].text.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(f.prompter.shown[0].text.find("FDRawCmd"), std::string::npos);
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
    const std::pair<const char*, int> cases[] = {{"4", 4},   {"0", 0},   {"abc", 0},
                                                 {"2.5", 2}, {"3.5", 4}, {"", 0}};
    for (const auto& [text, expected] : cases) {
        StartupFixture f;
        f.settings(std::string("[Logging]\r\nSeverity=") + text + "\r\n");
        (void)RunStartup(f.env, f.logger, f.prompter, driver(true, 0x01000000));
        EXPECT_EQ(f.logger.LowestLogSeverity(), expected) << text;
    }
}

TEST(Startup, UnwritableLogFolderEndsTheProgramAtSeverity3) {
    StartupFixture f;
    writeBytes(f.dir.file("blocker"), {0});
    f.env.logRootFolder = f.dir.file("blocker");  // a file, so no daily folder below it
    const StartupResult r = RunStartup(f.env, f.logger, f.prompter, driver(true, 0x01000000));
    EXPECT_FALSE(r.proceed);
    ASSERT_EQ(f.prompter.shown.size(), 1u);
    EXPECT_EQ(f.prompter.shown[0].text, "Fatal error while creating activity logger. Program terminated.");
    EXPECT_EQ(f.prompter.shown[0].icon, MsgIcon::Critical);
}

TEST(Startup, BelowSeverity3TheStartLineIsNotDueSoTheProgramStarts) {
    StartupFixture f;
    f.settings("[Logging]\r\nSeverity=2\r\n");
    writeBytes(f.dir.file("blocker"), {0});
    f.env.logRootFolder = f.dir.file("blocker");
    const StartupResult r = RunStartup(f.env, f.logger, f.prompter, driver(false, 0));
    EXPECT_TRUE(r.proceed);
    ASSERT_EQ(f.prompter.shown.size(), 1u);  // only the missing-driver box
    EXPECT_EQ(f.prompter.shown[0].icon, MsgIcon::Exclamation);
}

}  // namespace
