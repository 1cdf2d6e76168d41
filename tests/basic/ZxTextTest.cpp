#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "basic/ZxFixtures.h"
#include "basic/ZxText.h"

namespace {

using zx::Bytes;

std::string hexOf(const Bytes& b) {
    std::string s;
    char buf[4];
    for (const std::uint8_t x : b) {
        std::snprintf(buf, sizeof buf, "%02X ", x);
        s += buf;
    }
    return s;
}

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
    EXPECT_EQ(FormatZXNumber(c.bytes), c.text) << hexOf(c.bytes);
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

// Every exponent with a spread of mantissas: never "(error)", never inf or
// nan, always the number format, and the text reads back as the single it
// came from to within seven digits.
TEST(FormatZXNumberSweep, EveryExponentGivesAFiniteNumber) {
    const std::regex shape(R"(-?(\d+|\d*\.\d+)(E[+-]\d{2,})?)");
    std::mt19937 random(1234);
    std::vector<std::uint32_t> mantissas = {0x00000000, 0x7FFFFFFF, 0xFFFFFFFF,
                                            0x80000000, 0x12345678, 0x7FFFFF80};
    for (int i = 0; i < 8; ++i) {
        mantissas.push_back(static_cast<std::uint32_t>(random()));
    }
    for (int exponent = 1; exponent <= 255; ++exponent) {
        for (const std::uint32_t m : mantissas) {
            const Bytes b{static_cast<std::uint8_t>(exponent), static_cast<std::uint8_t>(m >> 24),
                          static_cast<std::uint8_t>(m >> 16), static_cast<std::uint8_t>(m >> 8),
                          static_cast<std::uint8_t>(m)};
            const std::string text = FormatZXNumber(b);
            ASSERT_TRUE(std::regex_match(text, shape)) << hexOf(b) << "-> " << text;
            float value = 0;
            ASSERT_TRUE(ZxNumberValue(b, value));
            ASSERT_TRUE(std::isfinite(value)) << hexOf(b);
            ASSERT_NE(value, 0.0f) << hexOf(b);
            EXPECT_EQ(text[0] == '-', (m & 0x80000000u) != 0) << hexOf(b);
            const double back = std::strtod(text.c_str(), nullptr);
            EXPECT_NEAR(back, value, std::fabs(value) * 6e-7) << hexOf(b) << "-> " << text;
            std::string digits;
            for (const char ch : text.substr(0, text.find('E'))) {
                if (ch >= '0' && ch <= '9' && (ch != '0' || !digits.empty())) {
                    digits += ch;  // leading zeros are not significant
                }
            }
            EXPECT_LE(digits.size(), 7u) << text;
        }
    }
}

// The test-side encoder and the decoder meet on values a program holds.
TEST(FormatZXNumberRoundTrip, EncodedValuesReadBack) {
    const std::vector<std::pair<double, const char*>> cases = {{0, "0"},
                                                               {1, "1"},
                                                               {-1, "-1"},
                                                               {0.5, ".5"},
                                                               {-0.25, "-.25"},
                                                               {1.5, "1.5"},
                                                               {100, "100"},
                                                               {65535, "65535"},
                                                               {65536, "65536"},
                                                               {-65535, "-65535"},
                                                               {0.1, ".1"},
                                                               {1e-5, ".00001"},
                                                               {123.456, "123.456"},
                                                               {1e10, "1E+10"},
                                                               {-2.5e-9, "-2.5E-09"},
                                                               {3.14159, "3.14159"},
                                                               {1e38, "1E+38"}};
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

    // The C locale too, where one with a comma is installed.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    bool tried = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            tried = true;
            const std::string text = FormatZXNumber(Bytes{0x7F, 0x80, 0x00, 0x00, 0x00});
            std::setlocale(LC_NUMERIC, before.c_str());
            EXPECT_EQ(text, "-.25") << name;
            break;
        }
    }
    if (!tried) {
        std::setlocale(LC_NUMERIC, before.c_str());
    }
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
    EXPECT_EQ(ExpandZXText(c.bytes), c.text) << hexOf(c.bytes);
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

TEST(ZxTokens, NinetyOneKeywordsWithTheirStoredSpacing) {
    const auto& tokens = ZxTokens();
    ASSERT_EQ(tokens.size(), 91u);
    EXPECT_EQ(tokens[0xA5 - 0xA5], "RND ");
    EXPECT_EQ(tokens[0xAA - 0xA5], "SCREEN$ ");
    EXPECT_EQ(tokens[0xC7 - 0xA5], "<=");
    EXPECT_EQ(tokens[0xCB - 0xA5], "THEN ");
    EXPECT_EQ(tokens[0xD3 - 0xA5], "OPEN #");
    EXPECT_EQ(tokens[0xEC - 0xA5], "GOTO ");
    EXPECT_EQ(tokens[0xF5 - 0xA5], "PRINT ");
    EXPECT_EQ(tokens[0xFF - 0xA5], "COPY ");
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const bool operatorToken = i + 0xA5 >= 0xC7 && i + 0xA5 <= 0xC9;
        const bool channel = tokens[i].back() == '#';
        EXPECT_EQ(tokens[i].back() == ' ', !operatorToken && !channel) << tokens[i];
    }
}

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

// Whatever the bytes, the text holds no line break and no raw control code,
// and is valid UTF-8 (only "©" is not ASCII).
TEST(ExpandZXTextRandom, NeverControlCharactersWhateverTheInput) {
    std::mt19937 random(99);
    for (int round = 0; round < 2000; ++round) {
        Bytes b(random() % 40);
        for (auto& x : b) {
            x = static_cast<std::uint8_t>(random());
        }
        const std::string text = ExpandZXText(b);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            ASSERT_GE(c, 0x20) << hexOf(b);
            ASSERT_NE(c, 0x7F) << hexOf(b);
            if (c >= 0x80) {
                ASSERT_EQ(text.substr(i, 2), "\xC2\xA9") << hexOf(b);
                ++i;
            }
        }
    }
}

}  // namespace
