#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "basic/BasicProgram.h"
#include "basic/ZxFixtures.h"
#include "support/TestSupport.h"

namespace {

using zx::Bytes;

// A program line "PRINT <n>" with its number literal.
Bytes printLine(int number, int value) {
    return zx::typedLine(std::to_string(number) + " PRINT " + std::to_string(value));
}

std::vector<std::string> keysOf(const BasicProgram& program) {
    std::vector<std::string> keys;
    for (const KeyedLine& l : program.m_colLines) {
        keys.push_back(l.key);
    }
    return keys;
}

std::vector<std::string> namesOf(const std::vector<clsBASICVar>& variables) {
    std::vector<std::string> names;
    names.reserve(variables.size());
    for (const clsBASICVar& v : variables) {
        names.push_back(v.VariableName());
    }
    return names;
}

std::string analyzeError(int number, const char* description, int line) {
    return "Error " + std::to_string(number) + " (" + description + ") happened in AnalyzeBlock at line " +
           std::to_string(line);
}

const Bytes kStringVar{0x41, 0x02, 0x00, 'h', 'i'};  // a$ = "hi"
const Bytes kNumberVar = zx::numberVariable('a', 5);

struct SplitCase {
    const char* name;
    Bytes data;
    std::vector<std::string> keys;
    std::vector<std::string> variables;
    std::vector<std::string> errors;
};

class AnalyzeBlockTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(AnalyzeBlockTest, SplitsLinesAndVariables) {
    const SplitCase& c = GetParam();
    RecordingLog log;
    const BasicProgram program = AnalyzeBlock(c.data, log);
    EXPECT_EQ(keysOf(program), c.keys) << hexDump(c.data);
    EXPECT_EQ(namesOf(program.m_colVariables), c.variables) << hexDump(c.data);
    EXPECT_EQ(log.at(kSeverityERROR), c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Normal, AnalyzeBlockTest,
    ::testing::Values(
        // line 10 PRINT 1, a = 5, end marker: 0x61 0x00 reads as 24832 > 9999
        SplitCase{"LineThenVariable",
                  {0x00, 0x0A, 0x09, 0x00, 0xF5, 0x31, 0x0E, 0x00, 0x00, 0x01,
                   0x00, 0x00, 0x0D, 0x61, 0x00, 0x00, 0x05, 0x00, 0x00, 0x80},
                  {"_10"},
                  {"a"},
                  {}},
        SplitCase{"TwoLinesAndTwoVariables",
                  concat({printLine(10, 1), printLine(20, 2), kNumberVar, kStringVar, {0x80}}),
                  {"_10", "_20"},
                  {"a", "a$"},
                  {}},
        SplitCase{"StartsWithVariables", concat({kStringVar, kNumberVar, {0x80}}), {}, {"a$", "a"}, {}},
        SplitCase{
            "EndsAfterTheLastLine", concat({printLine(10, 1), printLine(20, 2)}), {"_10", "_20"}, {}, {}},
        SplitCase{"OnlyTheEndMarkerAfterTheLines", concat({printLine(10, 1), {0x80}}), {"_10"}, {}, {}},
        SplitCase{"LoneEndMarker", {0x80}, {}, {}, {}},
        // the end marker ends the area even with bytes after it
        SplitCase{"BytesAfterTheEndMarker", concat({kNumberVar, {0x80}, kStringVar}), {}, {"a"}, {}},
        // 0 and 9999 are line numbers; lines need not be in order
        SplitCase{"LineNumberLimits", concat({printLine(9999, 1), printLine(0, 2)}), {"_9999", "_0"}, {}, {}},
        // the last line's body runs past the end: it keeps what is there
        SplitCase{"LastLineCutShort", {0x00, 0x0A, 0x20, 0x00, 0xF5, '1'}, {"_10"}, {}, {}},
        SplitCase{"AllSixKinds",
                  concat({printLine(10, 1),
                          kNumberVar,
                          kStringVar,
                          {0xA1, 'b', 'c' | 0x80},
                          zx::number(2),
                          {0x82, 0x08, 0x00, 0x01, 0x01, 0x00},
                          zx::number(1),
                          {0xC3, 0x04, 0x00, 0x01, 0x01, 0x00, 'x'},
                          {0xE9},
                          zx::number(1),
                          zx::number(10),
                          zx::number(1),
                          {0x0A, 0x00, 0x01},
                          {0x80}}),
                  {"_10"},
                  {"a", "a$", "abc", "b(1)", "c$(1)", "i"},
                  {}},
        // a cut number variable at the very end is still listed
        SplitCase{
            "CutNumberVariableAtTheEnd", concat({printLine(10, 1), {0x61, 0x00, 0x00}}), {"_10"}, {"a"}, {}}),
    [](const auto& c) { return std::string(c.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Damaged, AnalyzeBlockTest,
    ::testing::Values(
        SplitCase{"Empty", {}, {}, {}, {analyzeError(9, "Subscript out of range", 2)}},
        SplitCase{
            "OneByteThatIsNotTheMarker", {0x00}, {}, {}, {analyzeError(9, "Subscript out of range", 2)}},
        SplitCase{"EndsInsideTheLineNumber",
                  concat({printLine(10, 1), {0x00}}),
                  {"_10"},
                  {},
                  {analyzeError(9, "Subscript out of range", 2)}},
        // lines 10, 20, 20, 30: the listing stops before the repeated number
        SplitCase{
            "RepeatedLineNumber",
            concat(
                {printLine(10, 1), printLine(20, 2), printLine(20, 3), printLine(30, 4), kNumberVar, {0x80}}),
            {"_10", "_20"},
            {},
            {analyzeError(457, "This key is already associated with an element of this collection", 3)}},
        // 10000 is no line number: the variables area starts there, and
        // 0x27 has no kind
        SplitCase{"LineNumberTenThousand",
                  concat({printLine(9999, 1), printLine(10000, 2)}),
                  {"_9999"},
                  {},
                  {analyzeError(5, "Invalid procedure call or argument", 4)}},
        // a byte of no kind in the middle of the area ends the split there
        SplitCase{"NoKindInTheMiddle",
                  concat({printLine(10, 1), kNumberVar, {0x01, 0x00}, kStringVar, {0x80}}),
                  {"_10"},
                  {"a"},
                  {analyzeError(5, "Invalid procedure call or argument", 4)}},
        SplitCase{"FailingRecordInTheMiddle",
                  concat({kNumberVar, kStringVar, {0x41, 0x05}}),
                  {},
                  {"a", "a$"},
                  {"Error 9 (Subscript out of range) happened in CreateVariable at line 2",
                   analyzeError(5, "Invalid procedure call or argument", 4)}},
        // a record claiming more bytes than there are ends the walk
        SplitCase{
            "RecordLongerThanTheData", concat({kNumberVar, {0x41, 0xFF, 0x00, 'x'}}), {}, {"a", "a$"}, {}}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(AnalyzeBlock, LinesCarryTheirNumberLengthAndTexts) {
    // line 10 PRINT 1, then line 20 with a long length field cut by the data
    const Bytes data = concat({printLine(10, 1), {0x00, 0x14, 0x30, 0x00, 0xFB, 0x0D}});
    RecordingLog log;
    const BasicProgram program = AnalyzeBlock(data, log);
    ASSERT_EQ(program.m_colLines.size(), 2u);
    const clsBASICLine& first = program.m_colLines[0].line;
    EXPECT_EQ(first.LineNumber(), 10);
    EXPECT_EQ(first.LineLength(), 9);
    EXPECT_EQ(first.UnexpandedLine(), "  10 PRINT 1");
    const clsBASICLine& second = program.m_colLines[1].line;
    EXPECT_EQ(second.LineNumber(), 20);
    EXPECT_EQ(second.LineLength(), 0x30);
    EXPECT_EQ(second.ExpandedLine(), "  20 CLS {ENTER}");
    EXPECT_TRUE(log.entries.empty());
}

TEST(ShowVariables, ListsInStoredOrderAndStopsAtARepeatedName) {
    RecordingLog log;
    const Bytes data = concat({kNumberVar,
                               kStringVar,
                               zx::numberVariable('b', 1),
                               zx::numberVariable('a', 7),
                               zx::numberVariable('c', 2),
                               {0x80}});
    const BasicProgram program = AnalyzeBlock(data, log);
    ASSERT_EQ(program.m_colVariables.size(), 5u);
    EXPECT_TRUE(log.entries.empty());

    const std::vector<clsBASICVar> rows = ShowVariables(program, log);
    EXPECT_EQ(namesOf(rows), (std::vector<std::string>{"a", "a$", "b"}));
    EXPECT_EQ(log.at(kSeverityERROR),
              (std::vector<std::string>{"Error 457 (This key is already associated with an element of this "
                                        "collection) happened in ShowVariables at line 2"}));
}

TEST(ListingLines, DisplayedFormOfEveryLine) {
    Bytes data = printLine(10, 1);
    zx::line(data, 20, {0x10, 0x02, zx::CLS});
    RecordingLog log;
    const BasicProgram program = AnalyzeBlock(data, log);
    EXPECT_EQ(ListingLines(program, false), (std::vector<std::string>{"  10 PRINT 1", "  20 CLS "}));
    EXPECT_EQ(ListingLines(program, true),
              (std::vector<std::string>{"  10 PRINT 1{1}{ENTER}", "  20 {INK 2}CLS {ENTER}"}));
    EXPECT_TRUE(ListingLines(BasicProgram{}, true).empty());
}

}  // namespace
