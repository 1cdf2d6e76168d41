#include <gtest/gtest.h>

#include "PrintRecordingSurface.h"
#include "export/ScreenPrint.h"
#include "support/TestSupport.h"

namespace {

PrintPicture picture(int width, int height) {
    PrintPicture p;
    p.width = width;
    p.height = height;
    p.rgb.assign(static_cast<std::size_t>(width * height * 3), 0x80);
    return p;
}

}  // namespace

TEST(ScreenPrintPlacement, FillsTheWidthInPortraitAndTheHeightInLandscape) {
    struct Case {
        const char* name;
        int pictureWidth;
        int pictureHeight;
        double printableWidth;
        double printableHeight;
        PrintOrientation orientation;
        PicturePlacement expected;
    };
    const Case cases[] = {
        {"portrait screen", 256, 192, 10000, 15000, PrintOrientation::Portrait, {0, 0, 10000, 7500}},
        {"landscape screen", 256, 192, 15000, 10000, PrintOrientation::Landscape, {0, 0, 13333, 10000}},
        // A4 at 600 dpi with Qt's default margins: 4620 x 6781 pixels.
        {"fractional printable width",
         256,
         192,
         11088,
         16274.4,
         PrintOrientation::Portrait,
         {0, 0, 11088, 8316}},
        {"half rounds up to even", 2, 1, 10003, 15000, PrintOrientation::Portrait, {0, 0, 10003, 5002}},
        {"printable width half", 2, 1, 10000.5, 15000, PrintOrientation::Portrait, {0, 0, 10000, 5000}},
        {"landscape half", 1, 2, 15000, 9001, PrintOrientation::Landscape, {0, 0, 4500, 9001}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScreenPrintPlacement(c.pictureWidth, c.pictureHeight, c.printableWidth, c.printableHeight,
                                       c.orientation),
                  c.expected);
    }
}

TEST(PrintScreenPicture, PrintsOnePageInTheChosenOrientation) {
    struct Case {
        const char* name;
        PrintOrientation orientation;
        double expectedWidth;
        double expectedHeight;
    };
    const Case cases[] = {
        {"portrait", PrintOrientation::Portrait, 10000, 7500},
        {"landscape", PrintOrientation::Landscape, 20000, 15000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingChooser chooser;
        RecordingLog log;
        chooser.orientation = c.orientation;
        PrintScreenPicture(picture(256, 192), chooser, log);
        ASSERT_EQ(chooser.record.pictures.size(), 1U);
        const auto& p = chooser.record.pictures[0];
        EXPECT_DOUBLE_EQ(p.width, c.expectedWidth);
        EXPECT_DOUBLE_EQ(p.height, c.expectedHeight);
        EXPECT_EQ(chooser.record.calls, std::vector<std::string>({"setOrientation", "endDocument"}));
        EXPECT_TRUE(log.entries.empty());
    }
}

TEST(PrintScreenPicture, DamagedPictureIsLoggedAndNothingPrinted) {
    struct Case {
        const char* name;
        PrintPicture picture;
    };
    PrintPicture shortRgb = picture(256, 192);
    shortRgb.rgb.pop_back();
    const Case cases[] = {
        {"no pixels", PrintPicture{}},
        {"pixel bytes missing", shortRgb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingChooser chooser;
        RecordingLog log;
        PrintScreenPicture(c.picture, chooser, log);
        EXPECT_TRUE(chooser.record.pictures.empty());
        EXPECT_EQ(log.at(kSeverityERROR),
                  std::vector<std::string>(
                      {"Error 5 (Invalid procedure call or argument ) in mnuFilePrint at line 4"}));
        EXPECT_EQ(chooser.record.calls.back(), "abandonDocument");
    }
}
