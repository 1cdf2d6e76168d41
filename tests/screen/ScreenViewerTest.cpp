#include "screen/ScreenViewer.h"

#include <numeric>

#include "core/IniMgr.h"
#include "export/ImageWriters.h"
#include "export/SaveTAP.h"
#include "screen/ScreenRenderer.h"
#include "support/TestSupport.h"

namespace {

// The setting as a whole number from 1 to 3, halves to even; 2 otherwise.
TEST(ScreenViewerZoom, SettingTakenAsAWholeNumberFrom1To3) {
    const std::pair<const char*, int> cases[] = {{"1", 1},   {"3x", 3}, {"&H3", 3}, {"0.6", 1}, {"2.5", 2},
                                                 {"3.5", 2}, {"0", 2},  {"4", 2},   {"abc", 2}, {"", 2}};
    expectEach(cases, [](const auto& value) { return ZoomFromSetting(value); });
    EXPECT_EQ(ZoomFromSetting("99999999999999999999"), 2);
}

TEST(ScreenViewerZoom, ReadFromTheSettingsModulesDefaultFile) {
    TempDir dir;
    const std::string ini = dir.file("Quillmar.Ini");
    IniMgr::SetDefaultFile(ini);
    EXPECT_EQ(ReadScreenViewerZoom(), 2);  // no file at all
    const std::string text = "[Basic Listing]\r\nDefaultSize=1\r\n[screenviewer]\r\ndefaultsize = 3\r\n";
    writeBytes(ini, Bytes(text.begin(), text.end()));
    EXPECT_EQ(ReadScreenViewerZoom(), 3);
    IniMgr::SetDefaultFile("");
}

// The extension, in any case, chooses the writer; an unknown one writes
// nothing and names itself.
TEST(SaveScreenAs, TheExtensionChoosesTheWriter) {
    CatalogueEntry entry{.RawName = "picture   ",
                         .Name = "picture",
                         .Type = kTypeCode,
                         .Length = 6912,
                         .Param1 = 16384,
                         .Data = Bytes(6912)};
    std::iota(entry.Data.begin(), entry.Data.end(), std::uint8_t{7});
    ScreenRenderer renderer;
    renderer.setScreenData(entry.Data);
    const RgbPicture picture = renderer.render(1);
    TempDir dir;
    ScriptedChooser chooser;
    ScriptedPrompter prompter;
    RecordingLog log;
    // nullopt: refused, naming the format, and nothing written
    const std::pair<std::string, std::optional<Bytes>> cases[] = {{"a.tap", BuildTapBlocks(entry)},
                                                                  {"e.Scr", entry.Data},
                                                                  {"g.BMP", EncodeBMP(picture)},
                                                                  {"pic.png", std::nullopt}};
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        chooser.paths = {path};
        prompter.shown.clear();
        SaveScreenAs(entry, picture, chooser, prompter, log);
        ASSERT_EQ(prompter.shown.size(), 1u);
        if (expected) {
            EXPECT_TRUE(bytesEqual(*expected, readBytes(path)));
        } else {
            EXPECT_NE(prompter.shown[0].text.find("[PNG]"), std::string::npos) << prompter.shown[0].text;
            EXPECT_FALSE(std::filesystem::exists(path));
        }
    }
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(chooser.proposedNames, std::vector<std::string>(4, "picture.Tap"));
}

}  // namespace
