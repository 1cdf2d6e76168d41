#include <gtest/gtest.h>

#include <locale>
#include <string>
#include <vector>

#include "basic/ZxFixtures.h"
#include "basic/ZxText.h"
#include "support/TestSupport.h"

namespace {

using zx::Bytes;

// ---------------------------------------------------------------------------
// FormatZXNumber

struct NumberCase {
    const char* name;
    Bytes bytes;
    const char* text;
};

class FormatZXNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FormatZXNumberTest, WritesTheValue) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(FormatZXNumber(c.bytes), c.text) << hexBytes(c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Worked, FormatZXNumberTest,
    ::testing::Values(
        // small-integer form: 00, sign, low, high, unused
        NumberCase{"Ten", {0x00, 0x00, 0x0A, 0x00, 0x00}, "10"},
        NumberCase{"MinusOne", {0x00, 0xFF, 0xFF, 0xFF, 0x00}, "-1"},
        NumberCase{"Largest", {0x00, 0x00, 0xFF, 0xFF, 0x00}, "65535"},
        NumberCase{"SignByteWithZeroMagnitude", {0x00, 0xFF, 0x00, 0x00, 0x00}, "-65536"},
        NumberCase{"OddSignByteIsPositive", {0x00, 0x01, 0x05, 0x00, 0x00}, "5"},
        NumberCase{"FifthByteIgnored", {0x00, 0x00, 0x05, 0x00, 0x99}, "5"},
        NumberCase{"FourBytesAreEnough", {0x00, 0x00, 0x05, 0x00}, "5"},
        // floating-point form: exponent+128, mantissa with the sign in bit 7
        NumberCase{"Half", {0x80, 0x00, 0x00, 0x00, 0x00}, ".5"},
        NumberCase{"One", {0x81, 0x00, 0x00, 0x00, 0x00}, "1"},
        NumberCase{"MinusOneFloating", {0x81, 0x80, 0x00, 0x00, 0x00}, "-1"},
        NumberCase{"MinusQuarter", {0x7F, 0x80, 0x00, 0x00, 0x00}, "-.25"},
        NumberCase{"ThreeFloating", {0x82, 0x40, 0x00, 0x00, 0x00}, "3"},
        NumberCase{"Pi", {0x82, 0x49, 0x0F, 0xDA, 0xA2}, "3.141593"},
        NumberCase{"MinusOneAndAHalf", {0x81, 0xC0, 0x00, 0x00, 0x00}, "-1.5"},
        NumberCase{"Tenth", {0x7D, 0x4C, 0xCC, 0xCC, 0xCD}, ".1"},
        NumberCase{"Third", {0x7F, 0x2A, 0xAA, 0xAA, 0xAB}, ".3333333"},
        NumberCase{"SevenDigitsAfterRounding", {0x91, 0x71, 0x20, 0x59, 0x9A}, "123456.7"},
        NumberCase{"Thousandth", {0x77, 0x03, 0x12, 0x6E, 0x98}, ".001"},
        NumberCase{"JustBelowTenMillion", {0x98, 0x18, 0x96, 0x7F, 0x00}, "9999999"},
        NumberCase{"TenMillion", {0x98, 0x18, 0x96, 0x80, 0x00}, "1E+07"},
        NumberCase{"TenBillion", {0xA2, 0x15, 0x02, 0xF9, 0x00}, "1E+10"},
        NumberCase{"ExponentFormMantissa", {0x98, 0x3C, 0x61, 0x4E, 0x00}, "1.234568E+07"},
        NumberCase{"SmallExponentForm", {0x69, 0x56, 0xBF, 0x94, 0xD6}, "1E-07"},
        // 33554445.5 is exact in 32 mantissa bits but single precision holds
        // only 33554444; written from the double it would read 3.355445E+07.
        NumberCase{"RoundedToSingleFirst", {0x9A, 0x00, 0x00, 0x03, 0x60}, "3.355444E+07"},
        // the extremes of the exponent byte stay finite
        NumberCase{"SmallestExponent", {0x01, 0x00, 0x00, 0x00, 0x00}, "2.938736E-39"},
        NumberCase{"SmallestExponentFullMantissa", {0x01, 0x7F, 0xFF, 0xFF, 0xFF}, "5.877472E-39"},
        NumberCase{"LargestExponent", {0xFF, 0x00, 0x00, 0x00, 0x00}, "8.507059E+37"},
        NumberCase{"LargestMagnitude", {0xFF, 0x7F, 0xFF, 0xFF, 0xFF}, "1.701412E+38"},
        NumberCase{"LargestNegative", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "-1.701412E+38"},
        // too short for the form the first byte announces
        NumberCase{"Empty", {}, "(error)"},
        NumberCase{"SmallIntegerThreeBytes", {0x00, 0x00, 0x05}, "(error)"},
        NumberCase{"SmallIntegerOneByte", {0x00}, "(error)"},
        NumberCase{"FloatingFourBytes", {0x81, 0x00, 0x00, 0x00}, "(error)"},
        NumberCase{"FloatingOneByte", {0x81}, "(error)"}),
    [](const auto& c) { return std::string(c.param.name); });

// The test-side encoder and the decoder meet on values a program holds.
TEST(FormatZXNumberRoundTrip, EncodedValuesReadBack) {
    const std::vector<std::pair<double, const char*>> cases = {
        {0, "0"},         {-1, "-1"},      {-0.25, "-.25"},       {65536, "65536"},    {0.1, ".1"},
        {1e-5, ".00001"}, {1e10, "1E+10"}, {-2.5e-9, "-2.5E-09"}, {3.14159, "3.14159"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(FormatZXNumber(zx::number(value)), text) << value;
    }
    EXPECT_EQ(FormatZXNumber(zx::floating(3)), "3");
    EXPECT_EQ(FormatZXNumber(zx::floating(-65535)), "-65535");
}

// A program whose locale writes "," as decimal point still gets ".".
class CommaPoint : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
};

TEST(FormatZXNumberLocale, PointWhateverTheLocale) {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    const std::string half = FormatZXNumber(Bytes{0x80, 0x00, 0x00, 0x00, 0x00});
    const std::string pi = FormatZXNumber(Bytes{0x82, 0x49, 0x0F, 0xDA, 0xA2});
    const std::string big = FormatZXNumber(Bytes{0x98, 0x3C, 0x61, 0x4E, 0x00});
    std::locale::global(previous);
    EXPECT_EQ(half, ".5");
    EXPECT_EQ(pi, "3.141593");
    EXPECT_EQ(big, "1.234568E+07");
}

// ---------------------------------------------------------------------------
// ExpandZXText

struct TextCase {
    const char* name;
    Bytes bytes;
    const char* text;
};

class ExpandZXTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ExpandZXTextTest, ExpandsEveryCode) {
    const TextCase& c = GetParam();
    EXPECT_EQ(ExpandZXText(c.bytes), c.text) << hexBytes(c.bytes);
    const std::string asText(c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(ExpandZXText(std::string_view(asText)), c.text) << "string_view overload";
}

INSTANTIATE_TEST_SUITE_P(
    Characters, ExpandZXTextTest,
    ::testing::Values(
        TextCase{"Printable", {'d', 'e', 'm', 'o', ' ', ' '}, "demo  "},
        TextCase{"BacktickAndCaretAsThemselves", {0x60, 0x5E}, "`^"},
        TextCase{"CopyrightSign", {0x7F}, "\xC2\xA9"},
        TextCase{"BlockGraphics", {0x80, 0x8F}, "{chr 128}{chr 143}"},
        TextCase{"UdgFirstAndLast", {0x90, 0xA4}, "{UDG A}{UDG U}"},
        TextCase{
            "PlainControlCodes", {0x00, 0x05, 0x0F, 0x18, 0x1F}, "{chr 0}{chr 5}{chr 15}{chr 24}{chr 31}"},
        TextCase{"NamedControlCodes",
                 {0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D},
                 "{print_comma}{edit}{crsr_left}{crsr_right}{crsr_down}{crsr_up}{DELETE}{ENTER}"},
        TextCase{"ColourCodes",
                 {0x10, 2, 0x11, 7, 0x12, 1, 0x13, 0, 0x14, 1, 0x15, 0},
                 "{INK 2}{PAPER 7}{FLASH 1}{BRIGHT 0}{INVERSE 1}{OVER 0}"},
        TextCase{"AtUsesTwoParameters", {0x16, 5, 10, 'X'}, "{AT 5,10}X"},
        TextCase{"TabUsesOneParameter", {0x17, 8, 'X'}, "{TAB 8}X"},
        TextCase{"ParametersAreNeverCharacters", {0x10, 0x0D, 0x16, 0x0E, 0xF5}, "{INK 13}{AT 14,245}"},
        TextCase{"LargeParameters", {0x11, 0xFF}, "{PAPER 255}"},
        TextCase{"HiddenNumber", {'1', '0', 0x0E, 0x00, 0x00, 0x0A, 0x00, 0x00}, "10{10}"},
        TextCase{"HiddenNumberCutShort", {'1', 0x0E, 0x81, 0x00}, "1{(error)}"},
        TextCase{"HiddenNumberWithNothingAfter", {0x0E}, "{(error)}"},
        TextCase{"HiddenSmallIntegerInFourBytes", {0x0E, 0x00, 0x00, 0x07, 0x00}, "{7}"}),
    [](const auto& c) { return std::string(c.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Keywords, ExpandZXTextTest,
    ::testing::Values(TextCase{"LeadingKeywordGetsASpace", {0xF5}, " PRINT "},
                      TextCase{"AfterALetter", {0x41, 0xF5}, "A PRINT "},
                      TextCase{"AfterASpace", {0x20, 0xF5}, " PRINT "},
                      TextCase{"AfterABracket", {0x29, 0xCB}, ") THEN "},
                      TextCase{"TwoKeywords", {0xF5, 0xF5}, " PRINT PRINT "},
                      TextCase{"OperatorsNeverSpaced", {0x61, 0xC7, 0x62, 0xC8, 0x63, 0xC9}, "a<=b>=c<>"},
                      TextCase{"OperatorAtTheStart", {0xC9}, "<>"}, TextCase{"FirstToken", {0xA5}, " RND "},
                      TextCase{"LastToken", {0xFF}, " COPY "},
                      TextCase{"OneWordGoto", {0xEC, 0xED}, " GOTO GOSUB "},
                      TextCase{"ChannelKeywordsEndInHash", {0xD3, 0xD4}, " OPEN # CLOSE #"},
                      TextCase{"TwoWordKeyword", {0xCE}, " DEF FN "}),
    [](const auto& c) { return std::string(c.param.name); });

// A code whose parameters run past the end empties the whole text.
INSTANTIATE_TEST_SUITE_P(CutParameters, ExpandZXTextTest,
                         ::testing::Values(TextCase{"InkWithoutParameter", {0xF5, 0x41, 0x10}, ""},
                                           TextCase{"AtWithOneParameter", {'a', 'b', 0x16, 0x05}, ""},
                                           TextCase{"AtWithNone", {0x16}, ""},
                                           TextCase{"TabWithNone", {'x', 0x17}, ""},
                                           TextCase{"Empty", {}, ""}),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(DecodeZxCode, SizesAndCutsWithoutReadingPastTheEnd) {
    const Bytes b{0x16, 0x01};
    EXPECT_TRUE(DecodeZxCode(b, 0).cut);
    EXPECT_TRUE(DecodeZxCode(b, 2).cut);  // nothing at all there
    EXPECT_EQ(DecodeZxCode(Bytes{0x16, 1, 2}, 0).used, 3u);
    EXPECT_EQ(DecodeZxCode(Bytes{0x17, 1}, 0).used, 2u);
    const ZxPiece number = DecodeZxCode(Bytes{0x0E, 0x81}, 0);
    EXPECT_FALSE(number.cut);
    EXPECT_EQ(number.used, 6u);
    EXPECT_EQ(number.expanded, "{(error)}");
    const ZxPiece graphic = DecodeZxCode(Bytes{0x85}, 0);
    EXPECT_EQ(graphic.expanded, "{chr 133}");
    EXPECT_EQ(graphic.unexpanded, "?");
    EXPECT_TRUE(DecodeZxCode(Bytes{0xF5}, 0).spacedKeyword);
    EXPECT_FALSE(DecodeZxCode(Bytes{0xC8}, 0).spacedKeyword);
}

}  // namespace
