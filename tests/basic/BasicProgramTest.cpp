#include "basic/BasicProgram.h"
#include "basic/ZxFixtures.h"
#include "support/TestSupport.h"

namespace {

using Strings = std::vector<std::string>;

Bytes printLine(int number, int value) {
    return zx::typedLine(std::to_string(number) + " PRINT " + std::to_string(value));
}

std::string analyzeError(int number, const char* description, int line) {
    return "Error " + std::to_string(number) + " (" + description + ") happened in AnalyzeBlock at line " +
           std::to_string(line);
}

const std::string kPastEnd = analyzeError(9, "Subscript out of range", 2);
const std::string kNoKind = analyzeError(5, "Invalid procedure call or argument", 4);
const Bytes kStringVar{0x41, 0x02, 0x00, 'h', 'i'};  // a$ = "hi"
const Bytes kNumberVar = zx::numberVariable('a', 5);
const Bytes kEnd{0x80};

struct SplitCase {
    const char* name;
    Bytes data;
    std::string split;  // the line keys, "|", the variable names
    Strings errors = {};
};

class AnalyzeBlockTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(AnalyzeBlockTest, SplitsLinesAndVariables) {
    const SplitCase& c = GetParam();
    RecordingLog log;
    const BasicProgram program = AnalyzeBlock(c.data, log);
    std::string split;
    for (const KeyedLine& l : program.m_colLines) {
        split += l.key + " ";
    }
    split += "|";
    for (const clsBASICVar& v : program.m_colVariables) {
        split += " " + v.VariableName();
    }
    EXPECT_EQ(split, c.split) << hexDump(c.data);
    EXPECT_EQ(log.at(kSeverityERROR), c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Normal, AnalyzeBlockTest,
    ::testing::Values(
        SplitCase{"LoneEndMarker", kEnd, "|"},
        // the end marker ends the area even with bytes after it
        SplitCase{"BytesAfterTheEndMarker", concat({kNumberVar, kEnd, kStringVar}), "| a"},
        // 0 and 9999 are line numbers; lines need not be in order
        SplitCase{"LineNumberLimits", concat({printLine(9999, 1), printLine(0, 2)}), "_9999 _0 |"},
        // the last line's body runs past the end: it keeps what is there
        SplitCase{"LastLineCutShort", {0x00, 0x0A, 0x20, 0x00, 0xF5, '1'}, "_10 |"},
        // abc = 2, b(1) = 1, c$(1) = "x", FOR i = 1 TO 10 STEP 1 at line 10:1
        SplitCase{"AllSixKinds",
                  concat({printLine(10, 1), kNumberVar, kStringVar,
                          Bytes{0xA1, 'b', 'c' | 0x80, 0,    0, 2, 0, 0, 0x82, 8,   0,    1, 1, 0,   0, 0,
                                1,    0,   0,          0xC3, 4, 0, 1, 1, 0,    'x', 0xE9, 0, 0, 1,   0, 0,
                                0,    0,   10,         0,    0, 0, 0, 1, 0,    0,   10,   0, 1, 0x80}}),
                  "_10 | a a$ abc b(1) c$(1) i"},
        // a cut number variable at the very end is still listed
        SplitCase{"CutNumberVariableAtTheEnd", concat({printLine(10, 1), {0x61, 0x00, 0x00}}), "_10 | a"}),
    [](const auto& c) { return std::string(c.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Damaged, AnalyzeBlockTest,
    ::testing::Values(
        SplitCase{"Empty", {}, "|", {kPastEnd}},
        SplitCase{"EndsInsideTheLineNumber", concat({printLine(10, 1), {0x00}}), "_10 |", {kPastEnd}},
        // lines 10, 20, 20, 30: the listing stops before the repeated number
        SplitCase{
            "RepeatedLineNumber",
            concat({printLine(10, 1), printLine(20, 2), printLine(20, 3), printLine(30, 4), kNumberVar}),
            "_10 _20 |",
            {analyzeError(457, "This key is already associated with an element of this collection", 3)}},
        // 10000 is no line number: the variables area starts there, and 0x27 has no kind
        SplitCase{
            "LineNumberTenThousand", concat({printLine(9999, 1), printLine(10000, 2)}), "_9999 |", {kNoKind}},
        // a byte of no kind in the middle of the area ends the split there
        SplitCase{
            "NoKindInTheMiddle", concat({kNumberVar, {0x01, 0x00}, kStringVar, kEnd}), "| a", {kNoKind}},
        SplitCase{"FailingRecordInTheMiddle",
                  concat({kNumberVar, kStringVar, {0x41, 0x05}}),
                  "| a a$",
                  {"Error 9 (Subscript out of range) happened in CreateVariable at line 2", kNoKind}},
        // a record claiming more bytes than there are ends the walk
        SplitCase{"RecordLongerThanTheData", concat({kNumberVar, {0x41, 0xFF, 0x00, 'x'}}), "| a a$"}),
    [](const auto& c) { return std::string(c.param.name); });

// Each line keeps its number and length (a long length field cut by the data
// included), and the listing gives either form of every line.
TEST(AnalyzeBlock, LinesCarryTheirNumberLengthAndTexts) {
    Bytes data = concat({printLine(10, 1), {0x00, 0x14, 0x30, 0x00, 0x10, 0x02, 0xFB, 0x0D}});
    RecordingLog log;
    const BasicProgram program = AnalyzeBlock(data, log);
    ASSERT_EQ(program.m_colLines.size(), 2u);
    EXPECT_EQ(program.m_colLines[0].line.LineLength(), 9);
    EXPECT_EQ(program.m_colLines[1].line.LineNumber(), 20);
    EXPECT_EQ(program.m_colLines[1].line.LineLength(), 0x30);
    EXPECT_EQ(ListingLines(program, false), (Strings{"  10 PRINT 1", "  20 CLS "}));
    EXPECT_EQ(ListingLines(program, true), (Strings{"  10 PRINT 1{1}{ENTER}", "  20 {INK 2}CLS {ENTER}"}));
    EXPECT_TRUE(log.entries.empty());
}

TEST(ShowVariables, ListsInStoredOrderAndStopsAtARepeatedName) {
    RecordingLog log;
    const Bytes data = concat({kNumberVar, kStringVar, zx::numberVariable('b', 1), zx::numberVariable('a', 7),
                               zx::numberVariable('c', 2), kEnd});
    const BasicProgram program = AnalyzeBlock(data, log);
    ASSERT_EQ(program.m_colVariables.size(), 5u);
    const std::vector<clsBASICVar> rows = ShowVariables(program, log);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].VariableName() + rows[1].VariableName() + rows[2].VariableName(), "aa$b");
    EXPECT_EQ(log.at(kSeverityERROR),
              (Strings{"Error 457 (This key is already associated with an element of this "
                       "collection) happened in ShowVariables at line 2"}));
}

}  // namespace
