#include "screen/ScreenViewer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "core/IniMgr.h"
#include "export/SaveBMP.h"
#include "export/SaveTAP.h"
#include "screen/ScreenRenderer.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ScreenViewerZoom, SettingTakenAsAWholeNumberFrom1To3) {
    struct Case {
        const char* value;
        int zoom;
    };
    const Case cases[] = {
        {"1", 1},   {"2", 2},    {"3", 3},   {"3x", 3},
        {"&H3", 3}, {"2.6", 3},  {"0.6", 1}, {"3.4", 3},
        {"1.5", 2}, {"2.5", 2},  {"3.5", 2},  // halves to even: 4 is too big
        {"0", 2},   {"4", 2},    {"-1", 2},  {"abc", 2},
        {"", 2},    {"-0.4", 2}, {"0.4", 2}, {"99999999999999999999", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZoomFromSetting(c.value), c.zoom) << '"' << c.value << '"';
    }
}

TEST(ScreenViewerZoom, ReadFromTheSettingsModulesDefaultFile) {
    TempDir dir;
    const std::string ini = dir.file("Quillmar.Ini");
    struct Case {
        const char* name;
        const char* content;  // nullptr: no file at all
        int zoom;
    };
    const Case cases[] = {
        {"no file", nullptr, 2},
        {"key set to 3", "[Logging]\r\nSeverity=3\r\n[ScreenViewer]\r\nDefaultSize=3\r\n", 3},
        {"key set to 1, section in other case", "[screenviewer]\r\ndefaultsize = 1\r\n", 1},
        {"key missing", "[ScreenViewer]\r\nOther=3\r\n", 2},
        {"key in another section", "[Basic Listing]\r\nDefaultSize=3\r\n", 2},
        {"key out of range", "[ScreenViewer]\r\nDefaultSize=4\r\n", 2},
    };
    IniMgr::SetDefaultFile(ini);
    for (const Case& c : cases) {
        std::filesystem::remove(ini);
        if (c.content != nullptr) {
            const std::string text = c.content;
            writeBytes(ini, Bytes(text.begin(), text.end()));
        }
        EXPECT_EQ(ReadScreenViewerZoom(), c.zoom) << c.name;
    }
    IniMgr::SetDefaultFile("");
}

class SaveScreenAsTest : public ::testing::Test {
protected:
    void SetUp() override {
        entry.EntryKind = 1;
        entry.RawName = "picture   ";
        entry.Name = "picture";
        entry.Type = kTypeCode;
        entry.Length = 6912;
        entry.Param1 = 16384;
        entry.Data.resize(6912);
        for (std::size_t i = 0; i < entry.Data.size(); ++i) {
            entry.Data[i] = static_cast<std::uint8_t>(i * 7);
        }
        ScreenRenderer renderer;
        renderer.setScreenData(entry.Data);
        picture = renderer.render(1);
    }

    TempDir dir;
    CatalogueEntry entry;
    RgbPicture picture;
    ScriptedChooser chooser;
    ScriptedPrompter prompter;
    RecordingLog log;
};

TEST_F(SaveScreenAsTest, TheExtensionChoosesTheWriter) {
    struct Case {
        const char* name;
        Bytes (*expected)(const CatalogueEntry&);  // nullptr: checked as a bitmap
    };
    const auto tape = [](const CatalogueEntry& e) { return BuildTapBlocks(e); };
    const auto raw = [](const CatalogueEntry& e) { return e.Data; };
    const Case cases[] = {
        {"a.tap", tape}, {"b.TAP", tape},    {"c.x.Tap ", tape}, {"d.scr", raw},
        {"e.Scr", raw},  {"f.bmp", nullptr}, {"g.BMP", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        chooser.paths = {path};
        prompter.shown.clear();
        SaveScreenAs(entry, picture, chooser, prompter, log);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, "File successfully saved as [" + path + "].");
        EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Information);
        EXPECT_EQ(prompter.shown[0].title, "Quillmar v2.0.0");
        const Bytes written = readBytes(path);
        if (c.expected != nullptr) {
            EXPECT_TRUE(bytesEqual(c.expected(entry), written));
        } else {
            // 54 bytes of headers, then 192 rows of 768 bytes (no padding needed).
            ASSERT_EQ(written.size(), 54u + 192u * 768u);
            EXPECT_EQ(written[0], 'B');
            EXPECT_EQ(written[1], 'M');
        }
    }
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(chooser.titles, std::vector<std::string>(7, "Save current SCREEN$ as..."));
    EXPECT_EQ(chooser.proposedNames, std::vector<std::string>(7, "picture.Tap"));
}

TEST_F(SaveScreenAsTest, AnUnknownExtensionWritesNothing) {
    std::string folderName = dir.file("noext");
    std::transform(folderName.begin(), folderName.end(), folderName.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    struct Case {
        std::string path;
        std::string extension;
    };
    const Case cases[] = {
        {dir.file("pic.png"), "PNG"},
        {dir.file("pic."), ""},
        // Without a dot the whole name, folders and all, is the extension.
        {dir.file("noext"), folderName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        chooser.paths = {c.path};
        prompter.shown.clear();
        SaveScreenAs(entry, picture, chooser, prompter, log);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, "Extension [" + c.extension + "] not recognized. Command ignored.");
        EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Exclamation);
        EXPECT_FALSE(std::filesystem::exists(c.path));
    }
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(SaveScreenAsTest, CancellingTheDialogIsSilent) {
    chooser.paths = {std::nullopt};
    SaveScreenAs(entry, picture, chooser, prompter, log);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(log.entries.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(SaveScreenAsTest, ABitmapThatCannotBeWrittenIsLoggedAndReported) {
    const std::string path = dir.file("missing/pic.bmp");
    chooser.paths = {path};
    SaveScreenAs(entry, picture, chooser, prompter, log);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Could not save the file. Please check the program's log.");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Exclamation);
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].severity, 1);
    EXPECT_EQ(log.entries[0].what, "Error 53 (File not found: " + path + ") in mnuFileSaveAs at line 5");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SaveScreenAsTest, ADamagedEntryMakesNoTapeFile) {
    // An image that ended early leaves the entry short of its Length.
    entry.Data.resize(100);
    const std::string path = dir.file("short.tap");
    chooser.paths = {path};
    SaveScreenAs(entry, picture, chooser, prompter, log);
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_NE(log.entries[0].what.find("happened in SaveTAP"), std::string::npos) << log.entries[0].what;
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ScreenViewerPrint, PrintPictureKeepsThePixels) {
    ScreenRenderer renderer;
    Bytes screen(6912, 0x55);
    renderer.setScreenData(screen);
    const RgbPicture picture = renderer.render(2);
    const PrintPicture print = ToPrintPicture(picture);
    EXPECT_EQ(print.width, 512);
    EXPECT_EQ(print.height, 384);
    EXPECT_TRUE(print.valid());
    EXPECT_TRUE(bytesEqual(picture.rgb, print.rgb));
}

}  // namespace
