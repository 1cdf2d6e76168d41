#include "basic/ListingFontSettings.h"
#include "support/TestSupport.h"

namespace {

TEST(ListingFontSettings, BooleanTextReadsTheBooleanForms) {
    const std::pair<const char*, std::optional<bool>> cases[] = {
        {"True", true},        {" FALSE ", false},     {"0", false},
        {"-1", true},          {"2.5", true},          {"1E3", true},
        {"", std::nullopt},    {"1abc", std::nullopt}, {"Truely", std::nullopt},
        {"nan", std::nullopt}, {".", std::nullopt}};
    expectEach(cases, [](const auto& text) { return BooleanText(text); });
}

// The leading decimal number ("." whatever the locale says); the default
// 8.25 when there is none or it is no size, at most 1638.
TEST(ListingFontSettings, FontSizeFromTextTakesTheLeadingDecimalNumber) {
    const std::pair<const char*, double> cases[] = {{" 10.5 ", 10.5}, {"12pt", 12},   {"10,5", 10},
                                                    {"", 8.25},       {"big", 8.25},  {"0", 8.25},
                                                    {"-3", 8.25},     {"99999", 1638}};
    for (const auto& [text, size] : cases) {
        EXPECT_DOUBLE_EQ(FontSizeFromText(text), size) << '"' << text << '"';
    }
}

// Decimal (rounded, a half to the even neighbour) or "&H..&"; 0 when no colour.
TEST(ListingFontSettings, FontColorFromTextReadsDecimalAndHexadecimal) {
    // clang-format off
    const std::pair<const char*, std::uint32_t> cases[] = {{"&hff00&", 0xFF00}, {"&HFFFFFF&", 0xFFFFFF},
        {"16711680", 0xFF0000}, {"12.5", 12}, {"13.5", 14}, {"red", 0}, {"-1", 0}, {"&H1000000&", 0}};
    // clang-format on
    expectEach(cases, [](const auto& text) { return FontColorFromText(text); });
}

TEST(ListingFontSettings, WrittenInTheClassicFormsAndDamagedValuesFallBack) {
    TempDir dir;
    const std::string ini = dir.file("Quillmar.Ini");
    const FontChoice chosen{
        .name = "Lucida Console", .size = 12, .bold = true, .underline = true, .color = 0xFF};
    SaveListingFont(chosen, ini);
    EXPECT_EQ(readText(ini),
              "[Basic Listing]\r\nFont Name=Lucida Console\r\nFont Bold=True\r\nFont Italic=False\r\n"
              "Font Size=12\r\nFont Strikethru=False\r\nFont Underline=True\r\nFont Color=&HFF&\r\n");
    EXPECT_EQ(LoadListingFont(ini), chosen);
    const std::string damaged =
        "[Basic Listing]\r\nFont Name=\r\nFont Bold=yes\r\nFont Italic=maybe\r\nFont Size=big\r\n"
        "Font Strikethru=\r\nFont Underline=1x\r\nFont Color=-5\r\n";
    writeBytes(ini, {damaged.begin(), damaged.end()});
    EXPECT_EQ(LoadListingFont(ini), FontChoice{});
}

}  // namespace
