// Cross-checks our listing against listbasic (Debian's fuse-emulator-utils),
// which lists the BASIC program of a .tap file. The two space keywords
// differently (listbasic writes "GO TO", pads line numbers to five columns),
// so lines are compared as sequences of tokens: line number, keywords,
// names, number literals and operators.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "basic/BasicProgram.h"
#include "basic/ZxFixtures.h"
#include "support/TestSupport.h"

namespace {

using zx::Bytes;

std::vector<std::string> tokensOf(std::string line) {
    for (const auto& [split, joined] : {std::pair{"GO TO", "GOTO"}, std::pair{"GO SUB", "GOSUB"}}) {
        for (auto p = line.find(split); p != std::string::npos; p = line.find(split)) {
            line.replace(p, std::string(split).size(), joined);
        }
    }
    static const std::regex token(
        R"([A-Z]+\$?|[a-z][a-z0-9]*\$?|[0-9]*\.?[0-9]+(?:[eE][+-]?[0-9]+)?|<=|>=|<>|[-+*/^=<>(),;:#"])");
    std::vector<std::string> tokens;
    for (auto it = std::sregex_iterator(line.begin(), line.end(), token); it != std::sregex_iterator();
         ++it) {
        tokens.push_back(it->str());
    }
    return tokens;
}

std::vector<std::string> nonEmptyLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (l.find_first_not_of(" \r") != std::string::npos) {
            lines.push_back(l);
        }
    }
    return lines;
}

struct Program {
    const char* name;
    Bytes data;
    std::size_t programLength;
};

// A games-like program: colours, PRINT AT, loops with floating-point steps,
// DEF FN, DATA, subroutines.
Program gameProgram() {
    using namespace zx;
    Bytes p;
    {
        Bytes b{BORDER};
        literal(b, "0", 0);
        append(b, ":");
        b.push_back(PAPER);
        literal(b, "0", 0);
        append(b, ":");
        b.push_back(INK);
        literal(b, "7", 7);
        append(b, ":");
        b.push_back(CLS);
        line(p, 1, b);
    }
    {
        Bytes b{DEF_FN};
        append(b, "f(x)=x*");
        literal(b, "2.5", 2.5);
        append(b, "+");
        b.push_back(SIN);
        append(b, "x");
        line(p, 5, b);
    }
    {
        Bytes b{FOR};
        append(b, "i=");
        literal(b, "0", 0);
        b.push_back(TO);
        literal(b, "1", 1);
        b.push_back(STEP);
        literal(b, ".05", 0.05);
        line(p, 10, b);
    }
    {
        Bytes b{PRINT, AT};
        literal(b, "10", 10);
        append(b, ",");
        b.push_back(INT);
        append(b, "(i*");
        literal(b, "31", 31);
        append(b, ");\"*\":");
        b.push_back(BEEP);
        literal(b, ".01", 0.01);
        append(b, ",i*");
        literal(b, "24", 24);
        line(p, 20, b);
    }
    {
        Bytes b{NEXT};
        append(b, "i:");
        b.push_back(IF);
        b.push_back(RND);
        append(b, ">");
        literal(b, "0.5", 0.5);
        b.push_back(THEN);
        b.push_back(GOSUB);
        literal(b, "1000", 1000);
        line(p, 30, b);
    }
    {
        Bytes b{LET};
        append(b, "score=score+");
        literal(b, "1E3", 1000);
        append(b, "/");
        literal(b, "3", 3);
        line(p, 40, b);
    }
    {
        Bytes b{IF};
        append(b, "a");
        b.push_back(LE);
        append(b, "b");
        b.push_back(AND);
        append(b, "c");
        b.push_back(NE);
        literal(b, "65535", 65535);
        b.push_back(OR);
        b.push_back(NOT);
        append(b, "d");
        b.push_back(THEN);
        b.push_back(GOTO);
        literal(b, "9999", 9999);
        line(p, 50, b);
    }
    {
        Bytes b{DATA};
        literal(b, "3.14159", 3.14159);
        append(b, ",");
        literal(b, "-1", 1);  // the minus is typed, the hidden number is 1
        append(b, ",");
        literal(b, "1E10", 1e10);
        append(b, ",");
        literal(b, "123456789", 123456789);
        line(p, 1000, b);
    }
    {
        Bytes b{RANDOMIZE, USR};
        literal(b, "32768", 32768);
        append(b, ":");
        b.push_back(POKE);
        literal(b, "23692", 23692);
        append(b, ",");
        literal(b, "255", 255);
        append(b, ":");
        b.push_back(RETURN);
        line(p, 1010, b);
    }
    line(p, 9999, {REM, 'e', 'n', 'd'});
    const std::size_t length = p.size();
    append(p, numberVariable('a', 1.5));
    p.push_back(0x80);
    return {"game", p, length};
}

// Drawing with PLOT/DRAW and floating-point arguments, PEEK, SQR, PI, line 0.
Program drawingProgram() {
    using namespace zx;
    Bytes p;
    {
        Bytes b{REM};
        append(b, "Drawing demo");
        line(p, 0, b);
    }
    {
        Bytes b{PLOT};
        literal(b, "128", 128);
        append(b, ",");
        literal(b, "88", 88);
        append(b, ":");
        b.push_back(DRAW);
        literal(b, "50", 50);
        append(b, ",");
        literal(b, "-20", 20);
        append(b, ",");
        b.push_back(PI);
        append(b, "/");
        literal(b, "2", 2);
        line(p, 100, b);
    }
    {
        Bytes b{LET};
        append(b, "r=");
        b.push_back(SQR);
        append(b, "(");
        b.push_back(PEEK);
        literal(b, "23672", 23672);
        append(b, "+");
        literal(b, "0.0001", 0.0001);
        append(b, ")");
        line(p, 110, b);
    }
    {
        Bytes b{INPUT};
        append(b, "\"Radius? \";r:");
        b.push_back(PAUSE);
        literal(b, "0", 0);
        b.push_back(GE);
        literal(b, "1.5E-3", 0.0015);
        line(p, 120, b);
    }
    {
        Bytes b{GOTO};
        literal(b, "100", 100);
        line(p, 130, b);
    }
    return {"drawing", p, p.size()};
}

class ListBasicCrossCheck : public ::testing::TestWithParam<Program> {};

TEST_P(ListBasicCrossCheck, SameLinesKeywordsAndNumbers) {
    if (!programAvailable("listbasic")) {
        GTEST_SKIP() << "listbasic (fuse-emulator-utils) is not installed; scripts/install-deps installs it";
    }
    const Program& program = GetParam();
    TempDir dir;
    const std::string tap = dir.file(std::string(program.name) + ".tap");
    writeBytes(tap, zx::basicTap(program.name, program.data, program.programLength, 10));

    const CommandResult theirs = runCommand({"listbasic", tap});
    ASSERT_EQ(theirs.exitCode, 0) << theirs.err;
    const std::vector<std::string> theirLines = nonEmptyLines(theirs.out);

    RecordingLog log;
    const BasicProgram ours = AnalyzeBlock(program.data, log);
    EXPECT_TRUE(log.entries.empty());
    const std::vector<std::string> ourLines = ListingLines(ours, false);

    ASSERT_EQ(ourLines.size(), theirLines.size()) << theirs.out;
    for (std::size_t i = 0; i < ourLines.size(); ++i) {
        const std::vector<std::string> ourTokens = tokensOf(ourLines[i]);
        EXPECT_EQ(ourTokens, tokensOf(theirLines[i]))
            << "ours:   " << ourLines[i] << "\ntheirs: " << theirLines[i];
        ASSERT_FALSE(ourTokens.empty());
        EXPECT_EQ(std::stoi(ourTokens[0]), ours.m_colLines[i].line.LineNumber());
    }
}

// The hidden copy of every literal, as FormatZXNumber writes it in the
// expanded listing, is the value typed in front of it (to single precision).
TEST_P(ListBasicCrossCheck, HiddenNumbersMatchTheTypedLiterals) {
    const Program& program = GetParam();
    RecordingLog log;
    const BasicProgram ours = AnalyzeBlock(program.data, log);
    static const std::regex literalWithCopy(R"((-?[0-9]*\.?[0-9]+(?:E[+-]?[0-9]+)?)\{([^}]*)\})");
    int checked = 0;
    for (const std::string& line : ListingLines(ours, true)) {
        for (auto it = std::sregex_iterator(line.begin(), line.end(), literalWithCopy);
             it != std::sregex_iterator(); ++it) {
            const double typed = std::fabs(std::strtod((*it)[1].str().c_str(), nullptr));
            const double hidden = std::strtod((*it)[2].str().c_str(), nullptr);
            EXPECT_NEAR(hidden, typed, std::fabs(typed) * 1e-6) << line;
            ++checked;
        }
    }
    EXPECT_GT(checked, 5);
}

INSTANTIATE_TEST_SUITE_P(Programs, ListBasicCrossCheck, ::testing::Values(gameProgram(), drawingProgram()),
                         [](const auto& c) { return std::string(c.param.name); });

}  // namespace
