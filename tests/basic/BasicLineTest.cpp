#include <gtest/gtest.h>

#include <string>

#include "basic/ZxFixtures.h"
#include "basic/clsBASICLine.h"

namespace {

using zx::Bytes;

struct LineCase {
    const char* name;
    int number;
    Bytes body;
    const char* unexpanded;
    const char* expanded;
};

class SetBytesTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(SetBytesTest, BuildsBothTexts) {
    const LineCase& c = GetParam();
    clsBASICLine line;
    line.LineNumber(c.number);
    line.SetBytes(c.body);
    EXPECT_EQ(line.UnexpandedLine(), c.unexpanded);
    EXPECT_EQ(line.ExpandedLine(), c.expanded);
}

INSTANTIATE_TEST_SUITE_P(
    Listing, SetBytesTest,
    ::testing::Values(
        // PRINT "1" "0" {14: 00 00 0A 00 00} ENTER
        LineCase{"PrintTen",
                 10,
                 {0xF5, 0x31, 0x30, 0x0E, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x0D},
                 "  10 PRINT 10",
                 "  10 PRINT 10{10}{ENTER}"},
        // IF "a" THEN PRINT "1" {14: 1} ENTER: THEN follows a letter, PRINT a space
        LineCase{"IfThenPrint",
                 20,
                 {0xFA, 0x61, 0xCB, 0xF5, 0x31, 0x0E, 0x00, 0x00, 0x01, 0x00, 0x00, 0x0D},
                 "  20 IF a THEN PRINT 1",
                 "  20 IF a THEN PRINT 1{1}{ENTER}"},
        // IF "(a)" THEN PRINT 1: no space after a bracket
        LineCase{"NoSpaceAfterBracket",
                 20,
                 {0xFA, 0x28, 0x61, 0x29, 0xCB, 0xF5, 0x31, 0x0E, 0x00, 0x00, 0x01, 0x00, 0x00, 0x0D},
                 "  20 IF (a)THEN PRINT 1",
                 "  20 IF (a)THEN PRINT 1{1}{ENTER}"},
        // FOR i=1 TO 5: a digit before TO gives a space in the listing, the
        // hidden number's brace in the expanded text gives none
        LineCase{"AfterADigit",
                 30,
                 {0xEB, 'i', '=', '1', 0x0E, 0, 0, 1, 0, 0, 0xCC, '5', 0x0E, 0, 0, 5, 0, 0, 0x0D},
                 "  30 FOR i=1 TO 5",
                 "  30 FOR i=1{1}TO 5{5}{ENTER}"},
        // "A" INK-2 PRINT: the two texts decide the space on their own
        LineCase{
            "TextsDecideTheSpaceApart", 10, {'A', 0x10, 0x02, 0xF5}, "  10 A PRINT ", "  10 A{INK 2}PRINT "},
        // a <= b >= c <> d: operators never get a space
        LineCase{
            "Operators", 10, {'a', 0xC7, 'b', 0xC8, 'c', 0xC9, 'd'}, "  10 a<=b>=c<>d", "  10 a<=b>=c<>d"},
        // the line's first keyword follows the prefix's space
        LineCase{"KeywordAfterPrefix", 10, {0xFB, 0x0D}, "  10 CLS ", "  10 CLS {ENTER}"},
        // graphics: block graphic, UDG, copyright sign
        LineCase{"Graphics",
                 10,
                 {'"', 0x80, 0x90, 0x7F, '"'},
                 "  10 \"?\xC2\xA9\"",
                 "  10 \"{chr 128}{UDG A}\xC2\xA9\""},
        // AT 5,10 uses three bytes, TAB 8 two: the X after each is a character
        LineCase{
            "AtAndTabParameters", 10, {0x16, 5, 10, 'X', 0x17, 8, 'Y'}, "  10 XY", "  10 {AT 5,10}X{TAB 8}Y"},
        // a parameter byte that looks like ENTER or a keyword stays a parameter
        LineCase{"ParameterBytesSkipped",
                 10,
                 {0x10, 0x0D, 0x11, 0xF5, 'Z'},
                 "  10 Z",
                 "  10 {INK 13}{PAPER 245}Z"},
        // the hidden number's bytes are skipped whatever they hold
        LineCase{"HiddenNumberBytesSkipped",
                 10,
                 {'1', 0x0E, 0x00, 0x00, 0x0D, 0xF5, 0x00, 0x0D},
                 "  10 1",
                 "  10 1{62733}{ENTER}"},
        LineCase{"OtherControlCodes",
                 10,
                 {0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x00, 0x0F, 0x18},
                 "  10 ???",
                 "  10 {print_comma}{edit}{crsr_left}{crsr_right}{crsr_down}{crsr_up}{DELETE}{chr 0}{chr "
                 "15}{chr 24}"},
        // floating-point hidden numbers
        LineCase{"FloatingPointLiteral",
                 40,
                 {0xF5, '1', '.', '5', 0x0E, 0x81, 0x40, 0x00, 0x00, 0x00, 0x0D},
                 "  40 PRINT 1.5",
                 "  40 PRINT 1.5{1.5}{ENTER}"}),
    [](const auto& c) { return std::string(c.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Prefixes, SetBytesTest,
    ::testing::Values(LineCase{"Zero", 0, {0xFB}, "   0 CLS ", "   0 CLS "},
                      LineCase{"FiveDigitsLoseTheFirst", 12345, {0xFB}, "2345 CLS ", "2345 CLS "},
                      LineCase{"EmptyBodyLeavesThePrefix", 10, {}, "  10 ", "  10 "}),
    [](const auto& c) { return std::string(c.param.name); });

// A code whose parameters are cut off ends the walk; both texts keep what
// came before it.
INSTANTIATE_TEST_SUITE_P(
    Damaged, SetBytesTest,
    ::testing::Values(
        LineCase{"InkCutOff", 10, {0xF5, 0x41, 0x10}, "  10 PRINT A", "  10 PRINT A"},
        // a short hidden number is shown as far as it goes
        LineCase{"HiddenNumberCutShort",
                 10,
                 {0xF5, '1', 0x0E, 0x81, 0x00},
                 "  10 PRINT 1",
                 "  10 PRINT 1{(error)}"},
        LineCase{
            "HiddenSmallIntegerInFourBytes", 10, {'7', 0x0E, 0x00, 0x00, 0x07, 0x00}, "  10 7", "  10 7{7}"},
        LineCase{"NoEnter",
                 10,
                 {0xF5, '1', 0x0E, 0x00, 0x00, 0x01, 0x00, 0x00},
                 "  10 PRINT 1",
                 "  10 PRINT 1{1}"}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(clsBASICLine, KeepsTheLengthAndReplacesTextsOnTheSecondCall) {
    clsBASICLine line;
    EXPECT_EQ(line.LineNumber(), 0);
    EXPECT_EQ(line.ExpandedLine(), "");
    line.LineNumber(10);
    line.LineLength(1234);
    line.SetBytes(Bytes{0xFB, 0x0D});
    line.SetBytes(Bytes{0xE2, 0x0D});
    EXPECT_EQ(line.UnexpandedLine(), "  10 STOP ");
    EXPECT_EQ(line.ExpandedLine(), "  10 STOP {ENTER}");
    EXPECT_EQ(line.LineLength(), 1234);
    line.SetBytes(std::string_view("\xFB\x0D", 2));
    EXPECT_EQ(line.UnexpandedLine(), "  10 CLS ");
}

}  // namespace
