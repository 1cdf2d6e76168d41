#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "basic/ListingFontSettings.h"
#include "core/FileIO.h"
#include "support/TestSupport.h"

namespace {

struct BooleanCase {
    const char* text;
    std::optional<bool> value;
};

class BooleanTextTest : public ::testing::TestWithParam<BooleanCase> {};

TEST_P(BooleanTextTest, ReadsTheBooleanForms) {
    EXPECT_EQ(BooleanText(GetParam().text), GetParam().value) << "\"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(Forms, BooleanTextTest,
                         ::testing::Values(BooleanCase{"True", true}, BooleanCase{" FALSE ", false},
                                           BooleanCase{"0", false}, BooleanCase{"-1", true},
                                           BooleanCase{"2.5", true}, BooleanCase{"1E3", true}));

INSTANTIATE_TEST_SUITE_P(NoBoolean, BooleanTextTest,
                         ::testing::Values(BooleanCase{"", std::nullopt}, BooleanCase{"1abc", std::nullopt},
                                           BooleanCase{"Truely", std::nullopt},
                                           BooleanCase{"nan", std::nullopt}, BooleanCase{".", std::nullopt}));

struct SizeCase {
    const char* text;
    double size;
};

class FontSizeFromTextTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FontSizeFromTextTest, TakesTheLeadingDecimalNumber) {
    EXPECT_DOUBLE_EQ(FontSizeFromText(GetParam().text), GetParam().size) << "\"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(Sizes, FontSizeFromTextTest,
                         ::testing::Values(SizeCase{" 10.5 ", 10.5}, SizeCase{"12pt", 12},
                                           // "." is the decimal point whatever the locale says
                                           SizeCase{"10,5", 10}));

INSTANTIATE_TEST_SUITE_P(NoUsableSize, FontSizeFromTextTest,
                         ::testing::Values(SizeCase{"", 8.25}, SizeCase{"big", 8.25}, SizeCase{"0", 8.25},
                                           SizeCase{"-3", 8.25}, SizeCase{"99999", 1638}));

struct ColorCase {
    const char* text;
    std::uint32_t color;
};

class FontColorFromTextTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(FontColorFromTextTest, ReadsDecimalAndHexadecimal) {
    EXPECT_EQ(FontColorFromText(GetParam().text), GetParam().color) << "\"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(Colors, FontColorFromTextTest,
                         ::testing::Values(ColorCase{"&hff00&", 0xFF00}, ColorCase{"&HFFFFFF&", 0xFFFFFF},
                                           ColorCase{"16711680", 0xFF0000},
                                           // rounded, a half to the even neighbour
                                           ColorCase{"12.5", 12}, ColorCase{"13.5", 14}));

INSTANTIATE_TEST_SUITE_P(NoColor, FontColorFromTextTest,
                         ::testing::Values(ColorCase{"red", 0}, ColorCase{"-1", 0},
                                           ColorCase{"&H1000000&", 0}));

std::string iniOf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) {
        text += l + "\r\n";
    }
    return text;
}

void writeText(const std::string& path, const std::string& text) {
    writeBytes(path, {text.begin(), text.end()});
}

TEST(ListingFontSettings, Bold12IsWrittenInTheClassicForms) {
    TempDir dir;
    const std::string ini = dir.file("Quillmar.Ini");
    FontChoice chosen;
    chosen.name = "Lucida Console";
    chosen.size = 12;
    chosen.bold = true;
    chosen.underline = true;
    chosen.color = 0xFF;
    SaveListingFont(chosen, ini);
    EXPECT_EQ(readText(ini),
              iniOf({"[Basic Listing]", "Font Name=Lucida Console", "Font Bold=True", "Font Italic=False",
                     "Font Size=12", "Font Strikethru=False", "Font Underline=True", "Font Color=&HFF&"}));
    EXPECT_EQ(LoadListingFont(ini), chosen);
}

TEST(ListingFontSettings, DamagedValuesFallBackToTheirDefaults) {
    TempDir dir;
    const std::string ini = dir.file("Quillmar.Ini");
    writeText(ini, iniOf({"[Basic Listing]", "Font Name=", "Font Bold=yes", "Font Italic=maybe",
                          "Font Size=big", "Font Strikethru=", "Font Underline=1x", "Font Color=-5"}));
    EXPECT_EQ(LoadListingFont(ini), FontChoice{});
}

}  // namespace
