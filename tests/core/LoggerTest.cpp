#include <gtest/gtest.h>

#include <filesystem>

#include "core/FileIO.h"
#include "core/clsLocalLogger.h"
#include "support/TestSupport.h"

namespace {

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
    EXPECT_EQ(logger.CurrentLogFilePath(), file);
    EXPECT_EQ(readText(file),
              "2006/10/30 14:05:09\t[INFORMATION]\t>>>>Quillmar v2.0.0 START------------\r\n"
              "2006/10/30 14:05:09\t[   ERROR   ]\ttwo\r\nlines\r\n");
}

TEST(clsLocalLogger, SeverityFilterAndForcedEntries) {
    const struct {
        int lowest, severity;
        bool forced, written;
    } cases[] = {
        {3, 3, false, true},  {3, 4, false, false}, {3, 7, true, true},
        {0, 1, false, false}, {0, 0, false, true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        clsLocalLogger logger(fixedContext());
        logger.LogRootFolder(dir.path().string());
        logger.LogFileName("log");
        logger.LowestLogSeverity(c.lowest);
        EXPECT_TRUE(logger.LogThis("entry", c.severity, c.forced));
        EXPECT_EQ(std::filesystem::exists(dir.path() / "20061030" / "log.Txt"), c.written)
            << "lowest " << c.lowest << " severity " << c.severity;
    }
}

TEST(clsLocalLogger, UnwritableRootMakesLogThisFail) {
    TempDir dir;
    writeBytes(dir.file("plainfile"), {0});  // a regular file where a folder should be
    clsLocalLogger logger(fixedContext());
    logger.LogRootFolder(dir.file("plainfile") + "/logs");
    EXPECT_FALSE(logger.LogThis("lost", 1, false));
    EXPECT_FALSE(clsLocalLogger::MakeFolderTree(dir.file("plainfile") + "/x/y"));
    EXPECT_TRUE(logger.LogThis("not due", 4, false));  // not even attempted
}

}  // namespace
