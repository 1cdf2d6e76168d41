#include "export/ImageWriters.h"

#include <sstream>
#include <tuple>

#include "core/Failure.h"
#include "screen/ScreenRenderer.h"
#include "support/TestSupport.h"

namespace {

TEST(BmpLayout, HeadersThenBottomUpBgrRowsPaddedToFourBytes) {
    // File size 54 + 2 rows of 12, pixels at 54; width 3, height 2 (bottom-up), 1 plane, 24 bits; no
    // compression, 24 bytes, 72 dpi; colours used and important; the bottom row first, BGR (white black
    // grey pad), then the top row (red green blue pad).
    const Bytes expected = concat({{'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0},
                                   {40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0},
                                   {0, 0, 0, 0, 24, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0},
                                   {0, 0, 0, 0, 0, 0, 0, 0},
                                   {0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80, 0x80, 0x80, 0, 0, 0},
                                   {0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0}});
    // 3 x 2: top row red, green, blue; bottom row white, black, grey.
    const RgbPicture tiny{
        3, 2, {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80, 0x80, 0x80}};
    EXPECT_TRUE(bytesEqual(expected, EncodeBMP(tiny)));
}

TEST(ImageWriters, PicturesWithoutPixelsAreRefused) {
    for (const RgbPicture& p : {RgbPicture{}, RgbPicture{2, 2, Bytes(5, 0)}}) {
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

Bytes testScreen() {
    Bytes s(6912);
    for (std::size_t i = 0; i < s.size(); ++i) {  // attributes: every mix of ink, paper, BRIGHT, FLASH
        s[i] = static_cast<std::uint8_t>(i < 6144 ? (i * 7) ^ (i >> 5) : i * 37 + 11);
    }
    return s;
}

RgbColor expectedPixel(const Bytes& s, int x, int y, bool attr) {
    const bool set = (s[bitmapByteOf(x, y)] >> (7 - x % 8)) & 1;
    // Without attributes black on bright white; a still picture shows no FLASH swap.
    const std::uint8_t a = attr ? s[6144 + static_cast<std::size_t>((y / 8) * 32 + x / 8)] : 0x78;
    const int colour = set ? a & 7 : (a >> 3) & 7;  // bit 0 blue, bit 1 red, bit 2 green
    const std::uint8_t on = (a & 0x40) != 0 ? 0xFF : 0xD7;
    return {static_cast<std::uint8_t>(colour & 2 ? on : 0), static_cast<std::uint8_t>(colour & 4 ? on : 0),
            static_cast<std::uint8_t>(colour & 1 ? on : 0)};
}

// Debian's python3 with PIL decodes the file into RGB bytes.
bool decodeWithPil(const std::string& imagePath, RgbPicture& out, std::string& info) {
    const char* script =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nim.load()\n"
        "print(im.format, im.mode, im.size[0], im.size[1])\n"
        "open(sys.argv[2], 'wb').write(im.convert('RGB').tobytes())\n";
    const CommandResult r = runCommand({"/usr/bin/python3", "-c", script, imagePath, imagePath + ".rgb"});
    std::istringstream words(r.out);
    std::string format, mode;
    words >> format >> mode >> out.width >> out.height;
    out.rgb = readBytes(imagePath + ".rgb");
    info = r.exitCode == 0 ? format + " " + mode : r.err;
    return out.valid();
}

TEST(ImageWriters, PilSeesEveryPixelInTheInkOrPaperColourOfItsCell) {
    if (runCommand({"/usr/bin/python3", "-c", "import PIL.Image"}).exitCode != 0) {
        GTEST_SKIP() << "python3 with PIL (python3-pil) is not installed";
    }
    const std::tuple<bool, int, bool> cases[] = {{false, 3, true}, {false, 1, false}, {true, 2, true}};
    for (const auto& [png, zoom, attr] : cases) {
        if (png && !PngExportAvailable()) {
            continue;  // built without libpng (QUILLMAR_PNG=OFF)
        }
        SCOPED_TRACE(std::to_string(zoom) + (png ? " png" : " bmp"));
        const Bytes screen = testScreen();
        ScreenRenderer r;
        r.setScreenData(screen);
        r.setUseATTR(attr);
        TempDir dir;
        const std::string path = dir.file(png ? "s.png" : "s.bmp");
        (png ? WritePNG : WriteBMP)(path, r.render(zoom));
        RgbPicture decoded;
        std::string info;
        ASSERT_TRUE(decodeWithPil(path, decoded, info)) << info;
        EXPECT_EQ(info, png ? "PNG RGB" : "BMP RGB");
        ASSERT_EQ(decoded.width, 256 * zoom);
        ASSERT_EQ(decoded.height, 192 * zoom);
        int wrong = 0;
        for (int y = 0; y < decoded.height; ++y) {
            for (int x = 0; x < decoded.width; ++x) {
                wrong += decoded.pixel(x, y) == expectedPixel(screen, x / zoom, y / zoom, attr) ? 0 : 1;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

}  // namespace
