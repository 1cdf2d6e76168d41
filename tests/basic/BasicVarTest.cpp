#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "basic/ZxFixtures.h"
#include "basic/clsBASICVar.h"
#include "support/TestSupport.h"

namespace {

using zx::Bytes;

const std::string kMissing = "Error 9 (Subscript out of range) happened in CreateVariable at line 2";
const std::string kOverflow = "Error 6 (Overflow) happened in CreateVariable at line 2";

struct VarCase {
    const char* name;
    Bytes bytes;
    bool created;
    std::string varName;
    std::string typeText;
    std::string values;
    std::int32_t offset;  // after the call; 42 (the value passed in) when refused
    std::vector<std::string> errors;
};

class CreateVariableTest : public ::testing::TestWithParam<VarCase> {};

TEST_P(CreateVariableTest, DecodesTheRecord) {
    const VarCase& c = GetParam();
    RecordingLog log;
    clsBASICVar variable;
    std::int32_t offset = 42;
    EXPECT_EQ(variable.CreateVariable(c.bytes, offset, log), c.created);
    EXPECT_EQ(offset, c.offset);
    EXPECT_EQ(log.at(kSeverityERROR), c.errors);
    if (c.created) {
        EXPECT_EQ(variable.VariableName(), c.varName);
        EXPECT_EQ(variable.VariableTypeString(), c.typeText);
        EXPECT_EQ(variable.VariableValues(), c.values);
    } else {
        EXPECT_EQ(variable.VariableType(), clsBASICVar::kUnknown);
        EXPECT_EQ(variable.VariableTypeString(), "(unknown)");
        EXPECT_EQ(variable.VariableName(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Strings, CreateVariableTest,
    ::testing::Values(
        // 0x41 = string "a", length 5 (LE), "hello"
        VarCase{"Hello", {0x41, 0x05, 0x00, 'h', 'e', 'l', 'l', 'o'}, true, "a$", "String", "hello", 9, {}},
        VarCase{"Empty", {0x5A, 0x00, 0x00}, true, "z$", "String", "", 4, {}},
        // control codes and keywords in the value go through ExpandZXText
        VarCase{"Expanded",
                {0x42, 0x04, 0x00, 0x10, 0x02, 0xF5, 0x7F},
                true,
                "b$",
                "String",
                "{INK 2} PRINT \xC2\xA9",
                8,
                {}},
        VarCase{"CharactersCutShort", {0x41, 0x05, 0x00, 'h', 'e'}, true, "a$", "String", "he", 9, {}},
        VarCase{"LengthMissing", {0x41, 0x05}, false, "", "", "", 42, {kMissing}},
        VarCase{"LengthOverflows", {0x41, 0x00, 0x80, 'x'}, false, "", "", "", 42, {kOverflow}}),
    [](const auto& c) { return std::string(c.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Numbers, CreateVariableTest,
    ::testing::Values(
        // 0x61 = number "a", 5-byte value
        VarCase{"Five", concat({{0x61}, zx::number(5)}), true, "a", "Numeric", "5", 7, {}},
        VarCase{"ValueCutShort", {0x61, 0x00, 0x00}, true, "a", "Numeric", "(error)", 7, {}},
        // 0xA1 = long name starting "a", then "b", then "c" with bit 7 set
        VarCase{"LongName",
                concat({{0xA1, 'b', 'c' | 0x80}, zx::number(3.5)}),
                true,
                "abc",
                "Numeric",
                "3.5",
                9,
                {}},
        VarCase{"TwoLetterName",
                concat({{0xA1, 'b' | 0x80}, zx::number(-2)}),
                true,
                "ab",
                "Numeric",
                "-2",
                8,
                {}},
        VarCase{"LongNameValueCut", {0xA1, 'b' | 0x80, 0x00}, true, "ab", "Numeric", "(error)", 8, {}},
        VarCase{"LongNameNeverEnds", {0xA1, 'b', 'c'}, false, "", "", "", 42, {kMissing}}),
    [](const auto& c) { return std::string(c.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Arrays, CreateVariableTest,
    ::testing::Values(
        // 0x82 = number array "b", T = 13, D = 1, size 2, elements 1 and 2
        VarCase{"NumArray",
                concat({{0x82, 0x0D, 0x00, 0x01, 0x02, 0x00}, zx::number(1), zx::number(2)}),
                true,
                "b(2)",
                "Num Array",
                "1; 2",
                17,
                {}},
        // DIM a(2,3): T = 1 + 4 + 30, sizes in stored order, elements too
        VarCase{"TwoDimensions",
                concat({{0x81, 35, 0x00, 0x02, 0x02, 0x00, 0x03, 0x00},
                        zx::number(1),
                        zx::number(2),
                        zx::number(3),
                        zx::number(4),
                        zx::number(.5),
                        zx::number(-6)}),
                true,
                "a(2,3)",
                "Num Array",
                "1; 2; 3; 4; .5; -6",
                39,
                {}},
        VarCase{"ElementsCutShort",
                concat({{0x82, 0x0D, 0x00, 0x01, 0x02, 0x00}, zx::number(1)}),
                true,
                "b(2)",
                "Num Array",
                "1; (error)",
                17,
                {}},
        // no dimensions: one element, and the "(" itself is what turns to ")"
        VarCase{"NoDimensions",
                concat({{0x82, 0x06, 0x00, 0x00}, zx::number(7)}),
                true,
                "b)",
                "Num Array",
                "7",
                10,
                {}},
        VarCase{"SizeMissing", {0x82, 0x0D, 0x00, 0x01, 0x02}, false, "", "", "", 42, {kMissing}},
        VarCase{"TotalOverflows", {0x82, 0x00, 0x80, 0x01, 0x02, 0x00}, false, "", "", "", 42, {kOverflow}},
        // 32767 x 32767 elements could never have been saved
        VarCase{"ImpossibleElementCount",
                {0x82, 0x0D, 0x00, 0x02, 0xFF, 0x7F, 0xFF, 0x7F},
                false,
                "",
                "",
                "",
                42,
                {kOverflow}},
        // 0xC3 = character array "c", T = 6, D = 1, size 3, "xyz"
        VarCase{"CharArray",
                {0xC3, 0x06, 0x00, 0x01, 0x03, 0x00, 'x', 'y', 'z'},
                true,
                "c$(3)",
                "Char Array",
                "x; y; z",
                10,
                {}},
        // each character alone: a keyword gets its leading space, a lone INK
        // code has lost its parameter
        VarCase{"CharArraySpecials",
                {0xC3, 0x06, 0x00, 0x01, 0x03, 0x00, 0x7F, 0xF5, 0x10},
                true,
                "c$(3)",
                "Char Array",
                "\xC2\xA9;  PRINT ; ",
                10,
                {}},
        VarCase{
            "CharArraySizeMissing", {0xC3, 0x06, 0x00, 0x02, 0x03, 0x00}, false, "", "", "", 42, {kMissing}}),
    [](const auto& c) { return std::string(c.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ForNext, CreateVariableTest,
    ::testing::Values(
        // 0xE9 = FOR-NEXT "i": value, limit, step, line 20 (LE), statement 2
        VarCase{"Loop",
                concat({{0xE9}, zx::number(1), zx::number(10), zx::number(1), {0x14, 0x00, 0x02}}),
                true,
                "i",
                "FOR-NEXT",
                "Value: 1; Limit: 10; Step: 1; Line: 20:2",
                20,
                {}},
        VarCase{"StatementMissing",
                concat({{0xE9}, zx::number(1), zx::number(10), zx::number(1), {0x14, 0x00}}),
                false,
                "",
                "",
                "",
                42,
                {kMissing}},
        VarCase{"LineOverflows",
                concat({{0xE9}, zx::number(1), zx::number(10), zx::number(1), {0x00, 0x80, 0x01}}),
                false,
                "",
                "",
                "",
                42,
                {kOverflow}},
        VarCase{"CutInsideTheNumbers", {0xE9, 0x00, 0x00, 0x05}, false, "", "", "", 42, {kMissing}}),
    [](const auto& c) { return std::string(c.param.name); });

// A first byte of no kind is no variable and no failure either.
INSTANTIATE_TEST_SUITE_P(
    NoKind, CreateVariableTest,
    ::testing::Values(VarCase{"KindBits000", {0x01, 0x00, 0x00, 0x05, 0x00, 0x00}, false, "", "", "", 42, {}},
                      VarCase{"KindBits001", {0x21, 0x00, 0x00, 0x05, 0x00, 0x00}, false, "", "", "", 42, {}},
                      VarCase{"Nothing",
                              {},
                              false,
                              "",
                              "",
                              "",
                              42,
                              {"Error 9 (Subscript out of range) happened in CreateVariable at line 1"}}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(clsBASICVar, ArrayOfTenByFiveListsFiftyElementsInStoredOrder) {
    // DIM a(10,5): T = 1 + 4 + 250
    Bytes record{0x81, 0xFF, 0x00, 0x02, 0x0A, 0x00, 0x05, 0x00};
    for (int i = 0; i < 50; ++i) {
        zx::append(record, zx::number(i));
    }
    RecordingLog log;
    clsBASICVar variable;
    std::int32_t offset = 0;
    ASSERT_TRUE(variable.CreateVariable(record, offset, log));
    EXPECT_EQ(variable.VariableName(), "a(10,5)");
    EXPECT_EQ(offset, 259);
    const std::string values = variable.VariableValues();
    EXPECT_TRUE(values.starts_with("0; 1; 2; ")) << values;
    EXPECT_TRUE(values.ends_with("; 48; 49")) << values;
    std::size_t separators = 0;
    for (std::size_t p = values.find("; "); p != std::string::npos; p = values.find("; ", p + 2)) {
        ++separators;
    }
    EXPECT_EQ(separators, 49u);
}

}  // namespace
