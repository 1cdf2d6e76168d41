#include <gtest/gtest.h>

#include <filesystem>

#include "core/FileIO.h"
#include "core/clsLocalLogger.h"
#include "support/TestSupport.h"

namespace {

MacroContext fixedContext(const std::map<std::string, std::string>& env = {}) {
    MacroContext ctx = MacroContext::system();
    ctx.environment = [env](const std::string& name) {
        const auto it = env.find(name);
        return it == env.end() ? std::string() : it->second;
    };
    ctx.now = [] { return LocalDateTime{2006, 10, 30, 14, 5, 9}; };
    return ctx;
}

TEST(clsLocalLogger, WritesTheLineFormatIntoTheDailyFile) {
    TempDir dir;
    clsLocalLogger logger(fixedContext());
    logger.LogRootFolder(dir.path().string());
    logger.LogFileName("Quillmar v2.0.0");
    ASSERT_TRUE(logger.LogThis(">>>>Quillmar v2.0.0 START------------", 3, false));
    ASSERT_TRUE(logger.LogThis("two\r\nlines", 1, false));
    const std::string file = (dir.path() / "20061030" / "Quillmar v2.0.0.Txt").string();
    EXPECT_EQ(logger.CurrentLogFilePath(), file);
    EXPECT_EQ(readText(file),
              "2006/10/30 14:05:09\t[INFORMATION]\t>>>>Quillmar v2.0.0 START------------\r\n"
              "2006/10/30 14:05:09\t[   ERROR   ]\ttwo\r\nlines\r\n");
}

TEST(clsLocalLogger, SeverityFilterAndForcedEntries) {
    struct Case {
        int lowest;
        int severity;
        bool forced;
        bool written;
    };
    const Case cases[] = {
        {3, 0, false, true},  {3, 3, false, true},  {3, 4, false, false},
        {3, 4, true, true},   {3, 7, false, false}, {3, 7, true, true},
        {0, 1, false, false}, {0, 0, false, true},  {4, 4, false, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        clsLocalLogger logger(fixedContext());
        logger.LogRootFolder(dir.path().string());
        logger.LogFileName("log");
        logger.LowestLogSeverity(c.lowest);
        EXPECT_TRUE(logger.LogThis("entry", c.severity, c.forced));
        const bool exists = std::filesystem::exists(dir.path() / "20061030" / "log.Txt");
        EXPECT_EQ(exists, c.written) << "lowest " << c.lowest << " severity " << c.severity;
    }
}

TEST(clsLocalLogger, UnwritableRootMakesLogThisFail) {
    TempDir dir;
    // A regular file where a folder should be: nothing can be created below it.
    writeBytes(dir.file("plainfile"), {0});
    clsLocalLogger logger(fixedContext());
    logger.LogRootFolder(dir.file("plainfile") + "/logs");
    EXPECT_FALSE(logger.LogThis("lost", 1, false));
    EXPECT_FALSE(clsLocalLogger::MakeFolderTree(dir.file("plainfile") + "/x/y"));
    // An entry that is not due is not even attempted.
    EXPECT_TRUE(logger.LogThis("not due", 4, false));
}

TEST(clsLocalLogger, FileNameAndRootAreMacroExpanded) {
    TempDir dir;
    clsLocalLogger logger(fixedContext({{"LOGBASE", dir.path().string()}}));
    logger.LogRootFolder("%LOGBASE%/$PROGRAM$");
    EXPECT_EQ(logger.LogRootFolder(), dir.path().string() + "/Quillmar" + kPathSeparator);
    logger.LogFileName("run_%ANSIDATE%");
    ASSERT_TRUE(logger.LogThis("x", 1, false));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Quillmar" / "20061030" / "run_061030.Txt"));
}

}  // namespace
