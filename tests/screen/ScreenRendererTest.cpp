#include "screen/ScreenRenderer.h"

#include <gtest/gtest.h>

#include <random>

#include "core/Failure.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The display file layout written out independently of the renderer: the
// screen is three thirds of 2 KB; inside a third, pixel line p of character row
// r sits at p * 256 + r * 32.
std::size_t bitmapByteOf(int x, int y) {
    const int third = y / 64;
    const int charRow = (y % 64) / 8;
    const int pixelLine = y % 8;
    return static_cast<std::size_t>(third * 2048 + pixelLine * 256 + charRow * 32 + x / 8);
}

std::size_t attrOf(int x, int y) {
    return static_cast<std::size_t>(6144 + (y / 8) * 32 + x / 8);
}

void setPixel(Bytes& screen, int x, int y) {
    screen[bitmapByteOf(x, y)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
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

struct RefusalCase {
    const char* name;
    std::size_t size;
};

class ScreenRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ScreenRefusal, WrongSizesAreRefusedAndTheFormerScreenStays) {
    ScreenRenderer r;
    Bytes former(6912, 0);
    former[0] = 0xAA;
    r.setScreenData(former);

    const Bytes bad(GetParam().size, 0x55);
    const auto refusal = ScreenRenderer::ScreenDataRefusal(bad);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_NE(refusal->find(std::to_string(GetParam().size) + " bytes"), std::string::npos) << *refusal;
    EXPECT_NE(refusal->find("6912"), std::string::npos) << *refusal;
    try {
        r.setScreenData(bad);
        FAIL() << "accepted " << GetParam().size << " bytes";
    } catch (const Failure& f) {
        EXPECT_EQ(f.description(), *refusal);
    }
    EXPECT_EQ(r.screenData(), former);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScreenRefusal,
                         ::testing::Values(RefusalCase{"empty", 0}, RefusalCase{"bitmapOnly", 6144},
                                           RefusalCase{"oneShort", 6911}, RefusalCase{"oneLong", 6913},
                                           RefusalCase{"wholeCodeFile", 65535}),
                         [](const auto& tc) { return std::string(tc.param.name); });

// ---------------------------------------------------------------------------

struct PaletteIndexCase {
    const char* name;
    bool bitmap;
    int index;
    bool valid;
};

class PaletteIndex : public ::testing::TestWithParam<PaletteIndexCase> {};

TEST_P(PaletteIndex, EntriesOutsideThePaletteAnswerFalseAndChangeNothing) {
    const auto& c = GetParam();
    ScreenRenderer r;
    const bool set = c.bitmap ? r.SetBitmapColor(c.index, 1, 2, 3) : r.SetColorColor(c.index, 1, 2, 3);
    EXPECT_EQ(set, c.valid);
    std::uint8_t red = 9, green = 9, blue = 9;
    const bool got =
        c.bitmap ? r.GetBitmapColor(c.index, red, green, blue) : r.GetColorColor(c.index, red, green, blue);
    EXPECT_EQ(got, c.valid);
    if (c.valid) {
        EXPECT_EQ(show({red, green, blue}), "010203");
    } else {
        EXPECT_EQ(show({red, green, blue}), "090909");  // untouched
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, PaletteIndex,
                         ::testing::Values(PaletteIndexCase{"colourLast", false, 15, true},
                                           PaletteIndexCase{"colourPastEnd", false, 16, false},
                                           PaletteIndexCase{"colourNegative", false, -1, false},
                                           PaletteIndexCase{"bitmapLast", true, 1, true},
                                           PaletteIndexCase{"bitmapPastEnd", true, 2, false},
                                           PaletteIndexCase{"bitmapNegative", true, -1, false}),
                         [](const auto& tc) { return std::string(tc.param.name); });

TEST(ScreenPalettes, ChangedColoursAreDrawnAndResetRestoresEachPaletteAlone) {
    Bytes screen(6912, 0);
    screen[attrOf(0, 0)] = 0x0A;  // ink 2 red, paper 1 blue
    setPixel(screen, 0, 0);
    ScreenRenderer r = rendererWith(screen);
    ASSERT_TRUE(r.SetColorColor(2, 0x12, 0x34, 0x56));
    ASSERT_TRUE(r.SetBitmapColor(1, 0xAB, 0xCD, 0xEF));
    EXPECT_EQ(show(r.render(1).pixel(0, 0)), "123456");

    r.ResetColorPalette();
    EXPECT_EQ(show(r.render(1).pixel(0, 0)), "D70000");
    r.setUseATTR(false);
    EXPECT_EQ(show(r.render(1).pixel(0, 0)), "ABCDEF");  // the bitmap palette kept its change
    r.ResetBitmapPalette();
    EXPECT_EQ(show(r.render(1).pixel(0, 0)), "000000");
}

// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------

struct PixelCase {
    const char* name;
    std::uint8_t attr;
    bool pixelSet;
    bool useAttr;
    bool useFlash;
    ScreenRenderer::FlashPhase phase;
    const char* expected;
};

class PixelColours : public ::testing::TestWithParam<PixelCase> {};

TEST_P(PixelColours, InkPaperBrightFlashAndAttrOff) {
    const auto& c = GetParam();
    Bytes screen(6912, 0);
    // The cell at column 5, row 13; pixel (45, 107) inside it.
    screen[attrOf(45, 107)] = c.attr;
    if (c.pixelSet) {
        setPixel(screen, 45, 107);
    }
    ScreenRenderer r = rendererWith(screen);
    r.setUseATTR(c.useAttr);
    r.setUseFLASH(c.useFlash);
    const RgbPicture p = r.render(1, c.phase);
    EXPECT_EQ(show(p.pixel(45, 107)), c.expected);
    // The cell's colours stay inside it: the first pixel of the screen keeps the
    // zero attribute's black paper whatever the cell under test holds.
    EXPECT_EQ(show(p.pixel(0, 0)), c.useAttr ? "000000" : "FFFFFF");
}

using Phase = ScreenRenderer::FlashPhase;
INSTANTIATE_TEST_SUITE_P(
    Cells, PixelColours,
    ::testing::Values(PixelCase{"inkOnSetPixel", 0x0A, true, true, true, Phase::Steady, "D70000"},
                      PixelCase{"paperOnClearPixel", 0x0A, false, true, true, Phase::Steady, "0000D7"},
                      PixelCase{"brightInk", 0x4A, true, true, true, Phase::Steady, "FF0000"},
                      PixelCase{"brightPaper", 0x4A, false, true, true, Phase::Steady, "0000FF"},
                      PixelCase{"flashSteadyPhase", 0x8A, true, true, true, Phase::Steady, "D70000"},
                      PixelCase{"flashSwappedPhase", 0x8A, true, true, true, Phase::Swapped, "0000D7"},
                      PixelCase{"flashSwappedPaper", 0x8A, false, true, true, Phase::Swapped, "D70000"},
                      PixelCase{"flashOffIgnoresPhase", 0x8A, true, true, false, Phase::Swapped, "D70000"},
                      PixelCase{"noFlashBitIgnoresPhase", 0x0A, true, true, true, Phase::Swapped, "D70000"},
                      PixelCase{"attrOffSetPixel", 0xCA, true, false, true, Phase::Swapped, "000000"},
                      PixelCase{"attrOffClearPixel", 0xCA, false, false, true, Phase::Swapped, "FFFFFF"}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(ScreenRender, ZoomsOutsideOneToThreeAreRefused) {
    const ScreenRenderer r;
    for (const int zoom : {0, 4, -1}) {
        EXPECT_THROW((void)r.render(zoom), Failure) << zoom;
    }
}

// ---------------------------------------------------------------------------

struct FlashTimeCase {
    int ms;
    Phase phase;
};

class FlashTiming : public ::testing::TestWithParam<FlashTimeCase> {};

TEST_P(FlashTiming, CellsSwapEvery320Milliseconds) {
    EXPECT_EQ(ScreenRenderer::FlashPhaseAt(std::chrono::milliseconds(GetParam().ms)), GetParam().phase)
        << GetParam().ms << " ms";
}

INSTANTIATE_TEST_SUITE_P(Times, FlashTiming,
                         ::testing::Values(FlashTimeCase{0, Phase::Steady}, FlashTimeCase{319, Phase::Steady},
                                           FlashTimeCase{320, Phase::Swapped},
                                           FlashTimeCase{639, Phase::Swapped},
                                           FlashTimeCase{640, Phase::Steady},
                                           FlashTimeCase{-5, Phase::Steady}));

TEST(FlashTiming, OnlyScreensWithAFlashBitNeedTheTimer) {
    Bytes screen(6912, 0xFF);
    for (std::size_t i = 6144; i < 6912; ++i) {
        screen[i] = 0x7F;  // everything but FLASH; bitmap bytes with bit 7 must not count
    }
    ScreenRenderer r = rendererWith(screen);
    EXPECT_FALSE(r.hasFlashingCells());
    screen[6911] = 0x80;
    r.setScreenData(screen);
    EXPECT_TRUE(r.hasFlashingCells());
}

}  // namespace
