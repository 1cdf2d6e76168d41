#include <locale>

#include "basic/ZxFixtures.h"
#include "core/ZxText.h"
#include "support/TestSupport.h"

namespace {

struct TextCase {
    const char* name;
    Bytes bytes;
    const char* text;
};

// ---------------------------------------------------------------------------
// FormatZXNumber

class FormatZXNumberTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(FormatZXNumberTest, WritesTheValue) {
    EXPECT_EQ(FormatZXNumber(GetParam().bytes), GetParam().text) << hexBytes(GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Worked, FormatZXNumberTest,
                         ::testing::Values(
                             // small-integer form: 00, sign, low, high, unused
                             TextCase{"Ten", {0x00, 0x00, 0x0A, 0x00, 0x00}, "10"},
                             TextCase{"MinusOne", {0x00, 0xFF, 0xFF, 0xFF, 0x00}, "-1"},
                             TextCase{"Largest", {0x00, 0x00, 0xFF, 0xFF, 0x00}, "65535"},
                             TextCase{"SignByteWithZeroMagnitude", {0x00, 0xFF, 0x00, 0x00, 0x00}, "-65536"},
                             TextCase{"OddSignByteIsPositive", {0x00, 0x01, 0x05, 0x00, 0x00}, "5"},

                             TextCase{"FourBytesAreEnough", {0x00, 0x00, 0x05, 0x00}, "5"},
                             // floating-point form: exponent+128, mantissa with the sign in bit 7
                             TextCase{"Half", {0x80, 0x00, 0x00, 0x00, 0x00}, ".5"},

                             TextCase{"MinusQuarter", {0x7F, 0x80, 0x00, 0x00, 0x00}, "-.25"},
                             TextCase{"Pi", {0x82, 0x49, 0x0F, 0xDA, 0xA2}, "3.141593"},
                             TextCase{"MinusOneAndAHalf", {0x81, 0xC0, 0x00, 0x00, 0x00}, "-1.5"},
                             TextCase{"Tenth", {0x7D, 0x4C, 0xCC, 0xCC, 0xCD}, ".1"},
                             TextCase{"Third", {0x7F, 0x2A, 0xAA, 0xAA, 0xAB}, ".3333333"},
                             TextCase{"SevenDigitsAfterRounding", {0x91, 0x71, 0x20, 0x59, 0x9A}, "123456.7"},

                             TextCase{"JustBelowTenMillion", {0x98, 0x18, 0x96, 0x7F, 0x00}, "9999999"},
                             TextCase{"TenMillion", {0x98, 0x18, 0x96, 0x80, 0x00}, "1E+07"},
                             TextCase{"ExponentFormMantissa", {0x98, 0x3C, 0x61, 0x4E, 0x00}, "1.234568E+07"},
                             TextCase{"SmallExponentForm", {0x69, 0x56, 0xBF, 0x94, 0xD6}, "1E-07"},
                             // 33554445.5 is exact in 32 mantissa bits but single precision holds
                             // only 33554444; written from the double it would read 3.355445E+07.
                             TextCase{"RoundedToSingleFirst", {0x9A, 0x00, 0x00, 0x03, 0x60}, "3.355444E+07"},
                             // the extremes of the exponent byte stay finite
                             TextCase{"SmallestExponent", {0x01, 0x00, 0x00, 0x00, 0x00}, "2.938736E-39"},
                             TextCase{"LargestMagnitude", {0xFF, 0x7F, 0xFF, 0xFF, 0xFF}, "1.701412E+38"},

                             // too short for the form the first byte announces
                             TextCase{"Empty", {}, "(error)"},
                             TextCase{"SmallIntegerThreeBytes", {0x00, 0x00, 0x05}, "(error)"},
                             TextCase{"FloatingFourBytes", {0x81, 0x00, 0x00, 0x00}, "(error)"}),
                         [](const auto& c) { return std::string(c.param.name); });

// The test-side encoder and the decoder meet on values a program holds.
INSTANTIATE_TEST_SUITE_P(RoundTrip, FormatZXNumberTest,
                         ::testing::Values(TextCase{"Zero", zx::number(0), "0"},
                                           TextCase{"BigWhole", zx::number(65536), "65536"},
                                           TextCase{"SmallFraction", zx::number(1e-5), ".00001"},
                                           TextCase{"TenBillion", zx::number(1e10), "1E+10"},
                                           TextCase{"NegativeExponentForm", zx::number(-2.5e-9), "-2.5E-09"},

                                           TextCase{"WholeAsFloating", zx::floating(-65535), "-65535"}),
                         [](const auto& c) { return std::string(c.param.name); });

// A program whose locale writes "," as decimal point still gets ".".
class CommaPoint : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
};

TEST(FormatZXNumberLocale, PointWhateverTheLocale) {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    const std::string texts = FormatZXNumber(Bytes{0x82, 0x49, 0x0F, 0xDA, 0xA2}) + " " +
                              FormatZXNumber(Bytes{0x98, 0x3C, 0x61, 0x4E, 0x00});
    std::locale::global(previous);
    EXPECT_EQ(texts, "3.141593 1.234568E+07");
}

// ---------------------------------------------------------------------------
// ExpandZXText

class ExpandZXTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ExpandZXTextTest, ExpandsEveryCode) {
    const TextCase& c = GetParam();
    EXPECT_EQ(ExpandZXText(c.bytes), c.text) << hexBytes(c.bytes);
    const std::string asText(c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(ExpandZXText(std::string_view(asText)), c.text) << "string_view overload";
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ExpandZXTextTest,
    ::testing::Values(
        TextCase{"Printable", {'d', 'e', 'm', 'o', ' ', 0x60, 0x5E}, "demo `^"},
        TextCase{"Graphics", {0x7F, 0x80, 0x8F, 0x90, 0xA4}, "\xC2\xA9{chr 128}{chr 143}{UDG A}{UDG U}"},
        TextCase{
            "PlainControlCodes", {0x00, 0x05, 0x0F, 0x18, 0x1F}, "{chr 0}{chr 5}{chr 15}{chr 24}{chr 31}"},
        TextCase{"NamedControlCodes",
                 {0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D},
                 "{print_comma}{edit}{crsr_left}{crsr_right}{crsr_down}{crsr_up}{DELETE}{ENTER}"},
        TextCase{"ColourCodes",
                 {0x10, 2, 0x11, 7, 0x12, 1, 0x13, 0, 0x14, 1, 0x15, 0},
                 "{INK 2}{PAPER 7}{FLASH 1}{BRIGHT 0}{INVERSE 1}{OVER 0}"},
        TextCase{"AtTwoParametersTabOne", {0x16, 5, 10, 'X', 0x17, 8, 'Y'}, "{AT 5,10}X{TAB 8}Y"},
        TextCase{"ParametersAreNeverCharacters", {0x10, 0x0D, 0x16, 0x0E, 0xF5}, "{INK 13}{AT 14,245}"},
        TextCase{"HiddenNumber", {'1', '0', 0x0E, 0x00, 0x00, 0x0A, 0x00, 0x00}, "10{10}"},
        TextCase{"HiddenNumberCutShort", {'1', 0x0E, 0x81, 0x00}, "1{(error)}"},
        // a keyword gets a space in front unless one is there already
        TextCase{"TwoKeywords", {0xF5, 0xF5}, " PRINT PRINT "},
        TextCase{"AfterALetter", {0x41, 0xF5}, "A PRINT "},
        TextCase{"AfterABracket", {0x29, 0xCB}, ") THEN "},
        TextCase{"OperatorsNeverSpaced", {0x61, 0xC7, 0x62, 0xC8, 0x63, 0xC9}, "a<=b>=c<>"},
        TextCase{"FirstToken", {0xA5}, " RND "}, TextCase{"LastToken", {0xFF}, " COPY "},
        TextCase{"ChannelKeywordsEndInHash", {0xD3, 0xD4}, " OPEN # CLOSE #"},

        // a code whose parameters run past the end empties the whole text
        TextCase{"InkWithoutParameter", {0xF5, 0x41, 0x10}, ""},
        TextCase{"AtWithOneParameter", {'a', 'b', 0x16, 0x05}, ""}, TextCase{"NothingAtAll", {}, ""}),
    [](const auto& c) { return std::string(c.param.name); });

}  // namespace
