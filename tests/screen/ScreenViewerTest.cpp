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
        {"1", 1},   {"3x", 3}, {"&H3", 3}, {"0.6", 1}, {"2.5", 2},
        {"3.5", 2},  // halves to even
        {"0", 2},   {"4", 2},  {"abc", 2}, {"", 2},    {"99999999999999999999", 2},
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
        {"key in another section", "[Basic Listing]\r\nDefaultSize=3\r\n", 2},
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
        EXPECT_EQ(prompter.shown.size(), 1u);
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
        EXPECT_NE(prompter.shown[0].text.find("[" + c.extension + "]"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(c.path));
    }
    EXPECT_TRUE(log.entries.empty());
}

}  // namespace
