#include "export/ImageWriters.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ExportTestSupport.h"
#include "core/Failure.h"
#include "export/SaveBMP.h"
#include "screen/ScreenRenderer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

RgbPicture tiny() {
    // 3 x 2: top row red, green, blue; bottom row white, black, grey.
    return {3, 2, {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80, 0x80, 0x80}};
}

TEST(BmpLayout, HeadersThenBottomUpBgrRowsPaddedToFourBytes) {
    const Bytes expected = {
        'B',  'M',               // signature
        0x4E, 0x00, 0x00, 0x00,  // file size 78 = 54 + 2 rows of 12
        0x00, 0x00, 0x00, 0x00,  // reserved
        0x36, 0x00, 0x00, 0x00,  // pixels at 54
        0x28, 0x00, 0x00, 0x00,  // BITMAPINFOHEADER, 40 bytes
        0x03, 0x00, 0x00, 0x00,  // width 3
        0x02, 0x00, 0x00, 0x00,  // height 2, positive: bottom-up
        0x01, 0x00,              // one plane
        0x18, 0x00,              // 24 bits per pixel
        0x00, 0x00, 0x00, 0x00,  // no compression
        0x18, 0x00, 0x00, 0x00,  // 24 pixel bytes
        0x13, 0x0B, 0x00, 0x00,  // 2835 pixels a metre across (72 dpi)
        0x13, 0x0B, 0x00, 0x00,  // and down
        0x00, 0x00, 0x00, 0x00,  // colours used
        0x00, 0x00, 0x00, 0x00,  // important colours
        0xFF, 0xFF, 0xFF,        // bottom row first: white
        0x00, 0x00, 0x00,        //   black
        0x80, 0x80, 0x80,        //   grey
        0x00, 0x00, 0x00,        //   padding to 12
        0x00, 0x00, 0xFF,        // top row: red as blue, green, red
        0x00, 0xFF, 0x00,        //   green
        0xFF, 0x00, 0x00,        //   blue
        0x00, 0x00, 0x00,        //   padding
    };
    EXPECT_TRUE(bytesEqual(expected, EncodeBMP(tiny())));
}

TEST(ImageWriters, PicturesWithoutPixelsAreRefused) {
    const RgbPicture empty;
    const RgbPicture inconsistent{2, 2, Bytes(5, 0)};
    for (const RgbPicture& p : {empty, inconsistent}) {
        EXPECT_THROW((void)EncodeBMP(p), Failure);
        EXPECT_THROW((void)EncodePNG(p), Failure);
    }
}

// ---------------------------------------------------------------------------
// Screens drawn, written and read back by PIL, compared with colours worked
// out here from the published layout, not from the renderer.

std::size_t bitmapByteOf(int x, int y) {
    return static_cast<std::size_t>((y / 64) * 2048 + (y % 8) * 256 + ((y % 64) / 8) * 32 + x / 8);
}

RgbColor spectrum(int number, bool bright) {
    const std::uint8_t on = bright ? 0xFF : 0xD7;
    return {static_cast<std::uint8_t>(number & 2 ? on : 0), static_cast<std::uint8_t>(number & 4 ? on : 0),
            static_cast<std::uint8_t>(number & 1 ? on : 0)};
}

Bytes testScreen() {
    Bytes s(6912, 0);
    for (int y = 0; y < 192; ++y) {
        for (int x = 0; x < 256; x += 8) {
            s[bitmapByteOf(x, y)] = static_cast<std::uint8_t>((x * 3 + y * 5) ^ (y << 2));
        }
    }
    for (std::size_t i = 0; i < 768; ++i) {
        s[6144 + i] = static_cast<std::uint8_t>(i * 37 + 11);  // every mix of ink, paper, BRIGHT, FLASH
    }
    return s;
}

RgbColor expectedPixel(const Bytes& s, int x, int y, bool attr) {
    const bool set = (s[bitmapByteOf(x, y)] >> (7 - x % 8)) & 1;
    if (!attr) {
        return set ? RgbColor{0, 0, 0} : RgbColor{0xFF, 0xFF, 0xFF};
    }
    const std::uint8_t a = s[6144 + static_cast<std::size_t>((y / 8) * 32 + x / 8)];
    const bool bright = (a & 0x40) != 0;
    return set ? spectrum(a & 7, bright) : spectrum((a >> 3) & 7, bright);  // still picture: no swap
}

struct DecodeCase {
    const char* name;
    bool png;
    int zoom;
    bool attr;
};

TEST(ImageWriters, WithoutLibpngPngIsRefusedAndNothingIsWritten) {
    if (PngExportAvailable()) {
        GTEST_SKIP() << "built with libpng";
    }
    TempDir dir;
    const std::string path = dir.file("s.png");
    try {
        WritePNG(path, tiny());
        ADD_FAILURE() << "WritePNG wrote a file without libpng";
    } catch (const Failure& f) {
        EXPECT_EQ(f.description(), "PNG export is not available in this build");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

class DecodedByPil : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodedByPil, EveryPixelHasTheInkOrPaperColourOfItsCell) {
    const std::string python = pythonWithPil();
    if (python.empty()) {
        GTEST_SKIP() << "python3 with PIL (python3-pil) is not installed";
    }
    const auto& c = GetParam();
    if (c.png && !PngExportAvailable()) {
        GTEST_SKIP() << "built without libpng (QUILLMAR_PNG=OFF)";
    }
    const Bytes screen = testScreen();
    ScreenRenderer r;
    r.setScreenData(screen);
    r.setUseATTR(c.attr);
    TempDir dir;
    const std::string path = dir.file(c.png ? "s.png" : "s.bmp");
    if (c.png) {
        WritePNG(path, r.render(c.zoom));
    } else {
        WriteBMP(path, r.render(c.zoom));
    }
    RgbPicture decoded;
    std::string info;
    ASSERT_TRUE(decodeWithPil(python, path, decoded, info)) << info;
    EXPECT_EQ(info, c.png ? "PNG RGB" : "BMP RGB");
    ASSERT_EQ(decoded.width, 256 * c.zoom);
    ASSERT_EQ(decoded.height, 192 * c.zoom);
    int wrong = 0;
    std::string first;
    for (int y = 0; y < decoded.height && wrong < 1000; ++y) {
        for (int x = 0; x < decoded.width; ++x) {
            const RgbColor want = expectedPixel(screen, x / c.zoom, y / c.zoom, c.attr);
            if (!(decoded.pixel(x, y) == want)) {
                if (wrong++ == 0) {
                    first = "(" + std::to_string(x) + "," + std::to_string(y) + ")";
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "first wrong pixel at " << first;
}

INSTANTIATE_TEST_SUITE_P(
    Files, DecodedByPil,
    ::testing::Values(DecodeCase{"bmpAttr", false, 1, true}, DecodeCase{"bmpZoom3", false, 3, true},
                      DecodeCase{"bmpPlain", false, 1, false}, DecodeCase{"pngAttr", true, 1, true},
                      DecodeCase{"pngZoom2", true, 2, true}, DecodeCase{"pngPlain", true, 1, false}),
    [](const auto& tc) { return std::string(tc.param.name); });

// ---------------------------------------------------------------------------

TEST(SaveBMP, FailureIsLoggedForTheMenuCommandAndShown) {
    TempDir dir;
    BusyAwarePrompter prompter;
    RecordingLog log;
    SaveBMP(tiny(), dir.file("missing/pic.bmp"), prompter, log);
    const auto errors = log.at(kSeverityERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(") in mnuFileSaveAs at line 5"), std::string::npos) << errors[0];
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.busyDepth, 0);
}

}  // namespace
