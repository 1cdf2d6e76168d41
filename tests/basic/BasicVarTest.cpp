#include "basic/ZxFixtures.h"
#include "basic/clsBASICVar.h"
#include "support/TestSupport.h"

namespace {

const std::string kMissing = "Error 9 (Subscript out of range) happened in CreateVariable at line 2";
const std::string kMissingFirst = "Error 9 (Subscript out of range) happened in CreateVariable at line 1";
const std::string kOverflow = "Error 6 (Overflow) happened in CreateVariable at line 2";

struct VarCase {
    const char* name;
    Bytes bytes;
    std::string decoded;  // "name|type|values"; empty when refused
    std::int32_t offset;  // after the call; 42 (the value passed in) when refused
    std::vector<std::string> errors = {};
};

class CreateVariableTest : public ::testing::TestWithParam<VarCase> {};

TEST_P(CreateVariableTest, DecodesTheRecord) {
    const VarCase& c = GetParam();
    RecordingLog log;
    clsBASICVar v;
    std::int32_t offset = 42;
    EXPECT_EQ(v.CreateVariable(c.bytes, offset, log), !c.decoded.empty());
    EXPECT_EQ(offset, c.offset);
    EXPECT_EQ(log.at(kSeverityERROR), c.errors);
    EXPECT_EQ(v.VariableName() + "|" + v.VariableTypeString() + "|" + v.VariableValues(),
              c.decoded.empty() ? "|(unknown)|" : c.decoded);
}

Bytes withNumbers(Bytes head, std::initializer_list<double> values, const Bytes& tail = {}) {
    for (const double value : values) {
        zx::append(head, zx::number(value));
    }
    zx::append(head, tail);
    return head;
}

INSTANTIATE_TEST_SUITE_P(
    Records, CreateVariableTest,
    ::testing::Values(
        // 0x41 = string "a", length 5 (LE), "hello"
        VarCase{"String", {0x41, 0x05, 0x00, 'h', 'e', 'l', 'l', 'o'}, "a$|String|hello", 9},
        // control codes and keywords in the value go through ExpandZXText
        VarCase{"StringExpanded",
                {0x42, 0x04, 0x00, 0x10, 0x02, 0xF5, 0x7F},
                "b$|String|{INK 2} PRINT \xC2\xA9",
                8},
        VarCase{"StringCutShort", {0x41, 0x05, 0x00, 'h', 'e'}, "a$|String|he", 9},
        VarCase{"StringLengthMissing", {0x41, 0x05}, "", 42, {kMissing}},
        VarCase{"StringLengthOverflows", {0x41, 0x00, 0x80, 'x'}, "", 42, {kOverflow}},
        // 0x61 = number "a", 5-byte value
        VarCase{"Number", withNumbers({0x61}, {5}), "a|Numeric|5", 7},
        VarCase{"NumberCutShort", {0x61, 0x00, 0x00}, "a|Numeric|(error)", 7},
        // 0xA1 = long name starting "a", then "b", then "c" with bit 7 set
        VarCase{"LongName", withNumbers({0xA1, 'b', 'c' | 0x80}, {3.5}), "abc|Numeric|3.5", 9},
        VarCase{"LongNameValueCut", {0xA1, 'b' | 0x80, 0x00}, "ab|Numeric|(error)", 8},
        VarCase{"LongNameNeverEnds", {0xA1, 'b', 'c'}, "", 42, {kMissing}},
        // 0x82 = number array "b", T = 13, D = 1, size 2, elements 1 and 2
        VarCase{"NumArray", withNumbers({0x82, 0x0D, 0x00, 0x01, 0x02, 0x00}, {1, 2}), "b(2)|Num Array|1; 2",
                17},
        // DIM a(2,3): T = 1 + 4 + 30, sizes in stored order, elements too
        VarCase{"TwoDimensions",
                withNumbers({0x81, 35, 0x00, 0x02, 0x02, 0x00, 0x03, 0x00}, {1, 2, 3, 4, .5, -6}),
                "a(2,3)|Num Array|1; 2; 3; 4; .5; -6", 39},
        VarCase{"ElementsCutShort", withNumbers({0x82, 0x0D, 0x00, 0x01, 0x02, 0x00}, {1}),
                "b(2)|Num Array|1; (error)", 17},
        // no dimensions: one element, and the "(" itself is what turns to ")"
        VarCase{"NoDimensions", withNumbers({0x82, 0x06, 0x00, 0x00}, {7}), "b)|Num Array|7", 10},
        VarCase{"SizeMissing", {0x82, 0x0D, 0x00, 0x01, 0x02}, "", 42, {kMissing}},
        VarCase{"TotalOverflows", {0x82, 0x00, 0x80, 0x01, 0x02, 0x00}, "", 42, {kOverflow}},
        // 32767 x 32767 elements could never have been saved
        VarCase{
            "ImpossibleElementCount", {0x82, 0x0D, 0x00, 0x02, 0xFF, 0x7F, 0xFF, 0x7F}, "", 42, {kOverflow}},
        // 0xC3 = character array "c", T = 6, D = 1, size 3; each character
        // alone: a keyword gets its leading space, a lone INK has lost its parameter
        VarCase{"CharArray",
                {0xC3, 0x06, 0x00, 0x01, 0x03, 0x00, 'x', 0xF5, 0x10},
                "c$(3)|Char Array|x;  PRINT ; ",
                10},
        VarCase{"CharArraySizeMissing", {0xC3, 0x06, 0x00, 0x02, 0x03, 0x00}, "", 42, {kMissing}},
        // 0xE9 = FOR-NEXT "i": value, limit, step, line 20 (LE), statement 2
        VarCase{"ForNext", withNumbers({0xE9}, {1, 10, 1}, {0x14, 0x00, 0x02}),
                "i|FOR-NEXT|Value: 1; Limit: 10; Step: 1; Line: 20:2", 20},
        VarCase{"ForNextStatementMissing", withNumbers({0xE9}, {1, 10, 1}, {0x14, 0x00}), "", 42, {kMissing}},
        VarCase{
            "ForNextLineOverflows", withNumbers({0xE9}, {1, 10, 1}, {0x00, 0x80, 0x01}), "", 42, {kOverflow}},
        VarCase{"ForNextCutInsideTheNumbers", {0xE9, 0x00, 0x00, 0x05}, "", 42, {kMissing}},
        // a first byte of no kind is no variable and no failure either
        VarCase{"KindBits000", {0x01, 0x00, 0x00, 0x05, 0x00, 0x00}, "", 42},

        VarCase{"Nothing", {}, "", 42, {kMissingFirst}}),
    [](const auto& c) { return std::string(c.param.name); });

}  // namespace
