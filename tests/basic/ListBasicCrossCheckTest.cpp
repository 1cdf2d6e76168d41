// Cross-checks our listing against listbasic (Debian's fuse-emulator-utils),
// which lists the BASIC program of a .tap file. The two space keywords
// differently (listbasic writes "GO TO", pads line numbers to five columns),
// so lines are compared as sequences of tokens: line number, keywords,
// names, number literals and operators.

#include <regex>

#include "basic/BasicProgram.h"
#include "basic/ZxFixtures.h"
#include "export/SaveTAP.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> tokensOf(std::string line) {
    line = std::regex_replace(line, std::regex("GO (TO|SUB)"), "GO$1");
    static const std::regex token(
        R"([A-Z]+\$?|[a-z][a-z0-9]*\$?|[0-9]*\.?[0-9]+(?:[eE][+-]?[0-9]+)?|<=|>=|<>|[-+*/^=<>(),;:#"])");
    std::vector<std::string> tokens;
    for (auto it = std::sregex_iterator(line.begin(), line.end(), token); it != std::sregex_iterator();
         ++it) {
        tokens.push_back(it->str());
    }
    return tokens;
}

// A games-like program: colours, PRINT AT, a loop with a floating-point step,
// DEF FN, DATA with large and small numbers, a subroutine, and a variables
// area that neither listing may show. Then drawing with PLOT/DRAW,
// floating-point arguments, functions, line 0. Programs are built inside the
// tests, so a slip in one fails its test.
zx::Bytes programNamed(const std::string& name) {
    if (name == "game") {
        return zx::typedProgram({"1 BORDER 0: PAPER 0: INK 7: CLS", "5 DEF FN f(x)=x*2.5+SIN x",
                                 "10 FOR i=0 TO 1 STEP .05", "20 PRINT AT 10,INT (i*31);\"*\": BEEP .01,i*24",
                                 "30 NEXT i: IF RND>0.5 THEN GOSUB 1000", "40 LET score=score+1E3/3",
                                 "50 IF a<=b AND c<>65535 OR NOT d THEN GOTO 9999",
                                 "1000 DATA 3.14159,-1,1E10,123456789,70000",
                                 "1010 RANDOMIZE USR 32768: POKE 23692,255: RETURN", "9999 REM end of GAME"});
    }
    return zx::typedProgram({"0 REM Drawing demo", "100 PLOT 128,88: DRAW 50,-20,PI/2",
                             "110 LET r=SQR (PEEK 23672+0.0001)", "120 INPUT \"Radius? \";r: PAUSE 0>=1.5E-3",
                             "130 CIRCLE 128,88,r*ABS SIN (r/7)",
                             "140 OPEN #3,\"p\": LPRINT \"done\": CLOSE #3", "150 GOTO 100"});
}

class ListBasicCrossCheck : public ::testing::TestWithParam<const char*> {};

TEST_P(ListBasicCrossCheck, SameLinesKeywordsAndNumbers) {
    if (!programAvailable("listbasic")) {
        GTEST_SKIP() << "listbasic (fuse-emulator-utils) is not installed; scripts/install-deps installs it";
    }
    CatalogueEntry entry{0, 0, 0, 0, "program   ", "program", 0, 0, 10, 0, programNamed(GetParam())};
    entry.Param2 = static_cast<std::int32_t>(entry.Data.size());
    zx::append(entry.Data, zx::numberVariable('a', 1.5));
    entry.Data.push_back(0x80);
    entry.Length = static_cast<std::int32_t>(entry.Data.size());
    TempDir dir;
    writeBytes(dir.file("p.tap"), BuildTapBlocks(entry));
    const CommandResult theirs = runCommand({"listbasic", dir.file("p.tap")});
    ASSERT_EQ(theirs.exitCode, 0) << theirs.err;
    std::vector<std::string> theirLines = splitLines(theirs.out);
    std::erase_if(theirLines,
                  [](const std::string& l) { return l.find_first_not_of(" \r") == std::string::npos; });

    RecordingLog log;
    const BasicProgram ours = AnalyzeBlock(entry.Data, log);
    EXPECT_TRUE(log.entries.empty());
    const std::vector<std::string> ourLines = ListingLines(ours, false);
    ASSERT_EQ(ourLines.size(), theirLines.size()) << theirs.out;
    for (std::size_t i = 0; i < ourLines.size(); ++i) {
        const std::vector<std::string> ourTokens = tokensOf(ourLines[i]);
        EXPECT_EQ(ourTokens, tokensOf(theirLines[i]));
        ASSERT_FALSE(ourTokens.empty());
        EXPECT_EQ(std::stoi(ourTokens[0]), ours.m_colLines[i].line.LineNumber());
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, ListBasicCrossCheck, ::testing::Values("game", "drawing"),
                         [](const auto& c) { return std::string(c.param); });

}  // namespace
