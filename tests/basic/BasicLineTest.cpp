#include <gtest/gtest.h>

#include "basic/ZxFixtures.h"
#include "basic/clsBASICLine.h"

namespace {

struct LineCase {
    const char* name;
    int number;
    zx::Bytes body;
    std::string texts;  // unexpanded "|" expanded
};

class SetBytesTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(SetBytesTest, BuildsBothTexts) {
    const LineCase& c = GetParam();
    clsBASICLine line;
    line.LineNumber(c.number);
    line.SetBytes(c.body);
    EXPECT_EQ(line.UnexpandedLine() + "|" + line.ExpandedLine(), c.texts);
}

// A keyword gets a space after a letter or digit, in each text on its own.
INSTANTIATE_TEST_SUITE_P(
    Listing, SetBytesTest,
    ::testing::Values(
        // IF "a" THEN PRINT "1" {14: 1} ENTER: THEN follows a letter, PRINT a space
        LineCase{"IfThenPrint",
                 20,
                 {0xFA, 0x61, 0xCB, 0xF5, 0x31, 0x0E, 0x00, 0x00, 0x01, 0x00, 0x00, 0x0D},
                 "  20 IF a THEN PRINT 1|  20 IF a THEN PRINT 1{1}{ENTER}"},
        LineCase{
            "NoSpaceAfterBracket", 20, {0xFA, 0x28, 0x61, 0x29, 0xCB}, "  20 IF (a)THEN |  20 IF (a)THEN "},
        // FOR i=1 TO 5: the hidden number's brace in the expanded text gives no space
        LineCase{"AfterADigit",
                 30,
                 {0xEB, 'i', '=', '1', 0x0E, 0, 0, 1, 0, 0, 0xCC, '5', 0x0E, 0, 0, 5, 0, 0},
                 "  30 FOR i=1 TO 5|  30 FOR i=1{1}TO 5{5}"},
        LineCase{
            "TextsDecideTheSpaceApart", 10, {'A', 0x10, 0x02, 0xF5}, "  10 A PRINT |  10 A{INK 2}PRINT "},
        LineCase{"KeywordAfterPrefix", 0, {0xFB, 0x0D}, "   0 CLS |   0 CLS {ENTER}"},
        LineCase{"FiveDigitsLoseTheFirst", 12345, {0x80, 0x06}, "2345 ?|2345 {chr 128}{print_comma}"},
        LineCase{"EmptyBodyLeavesThePrefix", 10, {}, "  10 |  10 "},
        // a code whose parameters are cut off ends the walk; both texts keep what
        // came before it; a short hidden number is shown as far as it goes
        LineCase{"InkCutOff", 10, {0xF5, 0x41, 0x10}, "  10 PRINT A|  10 PRINT A"},
        LineCase{
            "HiddenNumberCutShort", 10, {0xF5, '1', 0x0E, 0x81, 0x00}, "  10 PRINT 1|  10 PRINT 1{(error)}"}),
    [](const auto& c) { return std::string(c.param.name); });

// A second call replaces both texts and keeps the length; the default line is empty.
TEST(clsBASICLine, KeepsTheLengthAndReplacesTextsOnTheSecondCall) {
    clsBASICLine line;
    EXPECT_EQ(std::to_string(line.LineNumber()) + "|" + line.ExpandedLine(), "0|");
    line.LineLength(1234);
    line.SetBytes(zx::Bytes{0xFB, 0x0D});
    line.SetBytes(std::string_view("\xE2\x0D", 2));
    EXPECT_EQ(line.UnexpandedLine() + "|" + line.ExpandedLine(), "   0 STOP |   0 STOP {ENTER}");
    EXPECT_EQ(line.LineLength(), 1234);
}

}  // namespace
