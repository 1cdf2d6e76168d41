#include "export/SaveTXT.h"

#include <gtest/gtest.h>

#include "ExportTestSupport.h"
#include "core/ProgramInfo.h"
#include "export/ExportFiles.h"

namespace {

TEST(ListingFileText, EveryLineEndsInCrLfAndOneEmptyLineFollows) {
    EXPECT_EQ(ListingFileText({"10 REM a", "20 GO TO 10"}), "10 REM a\r\n20 GO TO 10\r\n\r\n");
    EXPECT_EQ(ListingFileText({}), "\r\n");
}

struct TxtCase {
    const char* name;
    bool existing;
    MsgAnswer answer;
    std::string expected;  // file contents afterwards
    bool reported;
};

class SaveTXTCases : public ::testing::TestWithParam<TxtCase> {};

TEST_P(SaveTXTCases, AnExistingFileIsAppendedToReplacedOrLeftByTheAnswer) {
    const auto& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("prog.txt");
    if (c.existing) {
        writeBytes(path, {'o', 'l', 'd', '\r', '\n'});
    }
    BusyAwarePrompter prompter;
    prompter.answers = {c.answer};
    RecordingLog log;
    SaveTXT("10 REM\r\n\r\n", path, prompter, log);
    EXPECT_EQ(readText(path), c.expected);
    const std::size_t asked = c.existing ? 1 : 0;
    ASSERT_EQ(prompter.shown.size(), asked + (c.reported ? 1 : 0));
    if (c.existing) {
        EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNoCancel);
    }
    EXPECT_EQ(prompter.busyDepth, 0);
    EXPECT_TRUE(log.at(kSeverityERROR).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SaveTXTCases,
    ::testing::Values(TxtCase{"newFile", false, MsgAnswer::Yes, "10 REM\r\n\r\n", true},
                      TxtCase{"yesAppends", true, MsgAnswer::Yes, "old\r\n10 REM\r\n\r\n", true},
                      TxtCase{"noReplaces", true, MsgAnswer::No, "10 REM\r\n\r\n", true},
                      TxtCase{"cancelWritesNothing", true, MsgAnswer::Cancel, "old\r\n", false}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(SaveTXT, UnwritableFileIsLoggedAndShown) {
    TempDir dir;
    BusyAwarePrompter prompter;
    RecordingLog log;
    SaveTXT("x\r\n", dir.file("none/prog.txt"), prompter, log);
    ASSERT_EQ(log.at(kSeverityERROR).size(), 1u);
    EXPECT_NE(log.at(kSeverityERROR)[0].find(") happened in SaveTXT at line 3"), std::string::npos);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(prompter.busyDepth, 0);
}

// ---------------------------------------------------------------------------

struct ExtCase {
    const char* name;
    std::string fileName;
    std::string expected;
};

class SaveExtensions : public ::testing::TestWithParam<ExtCase> {};

TEST_P(SaveExtensions, TextAfterTheLastDotUpperCasedAndTrimmed) {
    EXPECT_EQ(SaveExtension(GetParam().fileName), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, SaveExtensions,
                         ::testing::Values(ExtCase{"mixedCase", "Screen.Scr", "SCR"},
                                           ExtCase{"blanksTrimmed", "x. bmp ", "BMP"},
                                           ExtCase{"lastDotWins", "a.tap.bin", "BIN"},
                                           ExtCase{"noDotTakesTheWholeName", "prog", "PROG"},
                                           ExtCase{"endsInDot", "prog.", ""}),
                         [](const auto& tc) { return std::string(tc.param.name); });

}  // namespace
