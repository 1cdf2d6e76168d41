#include "screen/ScreenRenderer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "core/Failure.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The display file layout written out independently of the renderer: the
// screen is three thirds of 2 KB; inside a third, pixel line p of character row
// r sits at p * 256 + r * 32.
// The attribute of cell (x / 8, y / 8) follows at 6144 + 32 * row + column.
void setPixel(Bytes& screen, int x, int y) {
    screen[static_cast<std::size_t>((y / 64) * 2048 + (y % 8) * 256 + (y % 64) / 8 * 32 + x / 8)] |=
        static_cast<std::uint8_t>(0x80 >> (x % 8));
}

std::size_t attrOf(int x, int y) {
    return static_cast<std::size_t>(6144 + (y / 8) * 32 + x / 8);
}

std::string show(const RgbColor& c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", c.red, c.green, c.blue);
    return buf;
}

ScreenRenderer rendererWith(const Bytes& screen) {
    ScreenRenderer r;
    r.setScreenData(screen);
    return r;
}

// ---------------------------------------------------------------------------

// Malformed screens: every size but 6912 is refused, and the former screen
// stays; so are zooms outside 1 to 3 (the pixels of each zoom are checked by
// PIL in the image writers' test).
TEST(ScreenRefusal, WrongSizesAreRefusedAndTheFormerScreenStays) {
    const Bytes former(6912, 0xAA);
    ScreenRenderer r = rendererWith(former);
    for (const std::size_t size : {0, 6144, 6911, 6913, 65535}) {
        const Bytes bad(size, 0x55);
        const auto refusal = ScreenRenderer::ScreenDataRefusal(bad);
        ASSERT_TRUE(refusal.has_value()) << size;
        EXPECT_NE(refusal->find(std::to_string(size) + " bytes"), std::string::npos) << *refusal;
        EXPECT_THAT([&] { r.setScreenData(bad); },
                    ::testing::Throws<Failure>(::testing::Property(&Failure::description, *refusal)));
        EXPECT_EQ(r.screenData(), former);
    }
    for (const int zoom : {0, 4, -1}) {
        EXPECT_THROW((void)r.render(zoom), Failure) << zoom;
    }
}

// Entries outside either palette answer false and change nothing; a changed
// entry is drawn, and each reset restores its own palette alone.
TEST(ScreenPalettes, ChangedColoursAreDrawnAndEntriesOutsideAreRefused) {
    Bytes screen(6912, 0);
    screen[attrOf(0, 0)] = 0x47;  // bright ink 7: colour entry 15, the last
    setPixel(screen, 0, 0);
    ScreenRenderer r = rendererWith(screen);
    std::uint8_t red = 9, green = 9, blue = 9;
    for (const auto& [colour, bitmap] : {std::pair{-1, -1}, std::pair{16, 2}}) {
        EXPECT_FALSE(r.SetColorColor(colour, 1, 2, 3) || r.GetColorColor(colour, red, green, blue)) << colour;
        EXPECT_FALSE(r.SetBitmapColor(bitmap, 1, 2, 3) || r.GetBitmapColor(bitmap, red, green, blue))
            << bitmap;
    }
    EXPECT_EQ(show({red, green, blue}), "090909");
    ASSERT_TRUE(r.SetColorColor(15, 0x12, 0x34, 0x56) && r.GetColorColor(15, red, green, blue));
    ASSERT_TRUE(r.SetBitmapColor(1, 0xAB, 0xCD, 0xEF));
    EXPECT_EQ(show({red, green, blue}) + show(r.render(1).pixel(0, 0)), "123456123456");
    r.ResetColorPalette();
    EXPECT_EQ(show(r.render(1).pixel(0, 0)), "FFFFFF");
    r.setUseATTR(false);
    EXPECT_EQ(show(r.render(1).pixel(0, 0)), "ABCDEF");  // the bitmap palette kept its change
    r.ResetBitmapPalette();
    EXPECT_EQ(show(r.render(1).pixel(0, 0)), "000000");
}

// ---------------------------------------------------------------------------

using Phase = ScreenRenderer::FlashPhase;

struct PixelCase {
    const char* name;
    std::uint8_t attr;
    bool useAttr;
    bool useFlash;
    Phase phase;
    const char* ink;  // of the set pixel
    const char* paper;
};

class PixelColours : public ::testing::TestWithParam<PixelCase> {};

// The cell at column 5, row 13 with pixel (45, 107) set and (46, 107) clear.
TEST_P(PixelColours, InkPaperBrightFlashAndAttrOff) {
    const auto& c = GetParam();
    Bytes screen(6912, 0);
    screen[attrOf(45, 107)] = c.attr;
    setPixel(screen, 45, 107);
    ScreenRenderer r = rendererWith(screen);
    r.setUseATTR(c.useAttr);
    r.setUseFLASH(c.useFlash);
    const RgbPicture p = r.render(1, c.phase);
    EXPECT_EQ(show(p.pixel(45, 107)) + " " + show(p.pixel(46, 107)), std::string(c.ink) + " " + c.paper);
    // The cell's colours stay inside it: the first pixel of the screen keeps the
    // zero attribute's black paper whatever the cell under test holds.
    EXPECT_EQ(show(p.pixel(0, 0)), c.useAttr ? "000000" : "FFFFFF");
}

// Colour numbers: bit 0 blue, bit 1 red, bit 2 green; 0x0E is ink 6 (yellow) on paper 1 (blue).
INSTANTIATE_TEST_SUITE_P(
    Cells, PixelColours,
    ::testing::Values(
        PixelCase{"inkAndPaper", 0x0E, true, true, Phase::Steady, "D7D700", "0000D7"},
        PixelCase{"bright", 0x4E, true, true, Phase::Steady, "FFFF00", "0000FF"},
        PixelCase{"flashSteadyPhase", 0x8E, true, true, Phase::Steady, "D7D700", "0000D7"},
        PixelCase{"flashSwappedPhase", 0x8E, true, true, Phase::Swapped, "0000D7", "D7D700"},
        PixelCase{"flashOffIgnoresPhase", 0x8E, true, false, Phase::Swapped, "D7D700", "0000D7"},
        PixelCase{"noFlashBitIgnoresPhase", 0x0E, true, true, Phase::Swapped, "D7D700", "0000D7"},
        PixelCase{"attrOff", 0xCE, false, true, Phase::Swapped, "000000", "FFFFFF"}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(FlashTiming, CellsSwapEvery320Milliseconds) {
    const std::pair<int, Phase> cases[] = {{0, Phase::Steady},    {319, Phase::Steady}, {320, Phase::Swapped},
                                           {639, Phase::Swapped}, {640, Phase::Steady}, {-5, Phase::Steady}};
    for (const auto& [ms, phase] : cases) {
        EXPECT_EQ(ScreenRenderer::FlashPhaseAt(std::chrono::milliseconds(ms)), phase) << ms << " ms";
    }
}

TEST(FlashTiming, OnlyScreensWithAFlashBitNeedTheTimer) {
    Bytes screen(6912, 0xFF);                              // bitmap bytes with bit 7 must not count
    std::fill(screen.begin() + 6144, screen.end(), 0x7F);  // everything but FLASH
    EXPECT_FALSE(rendererWith(screen).hasFlashingCells());
    screen[6911] = 0x80;
    EXPECT_TRUE(rendererWith(screen).hasFlashingCells());
}

}  // namespace
