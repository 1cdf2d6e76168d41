#include <gtest/gtest.h>

#include "disk/DiskBrowser.h"
#include "disk/DiskBuilder.h"
#include "support/TestSupport.h"

namespace {

struct FakeView : DiskBrowserView {
    std::vector<ListRow> rows;
    std::string caption;
    bool saveEnabled = false, opusFileEnabled = false;
    void setRows(const std::vector<ListRow>& r) override { rows = r; }
    void setCaption(const std::string& c) override { caption = c; }
    void setSaveEnabled(bool e) override { saveEnabled = e; }
    void setOpusFileEnabled(bool e) override { opusFileEnabled = e; }
    void setReadEnabled(bool) override {}
    void showWindow() override {}
};

struct RecordingViewers : ViewerFactory {
    std::vector<std::string> calls;
    void ShowOpusProgram(int i) override { calls.push_back("program " + std::to_string(i)); }
    void ShowOpusBytes(int i) override { calls.push_back("bytes " + std::to_string(i)); }
    bool ShowOpusScreen(int i) override {
        calls.push_back("screen " + std::to_string(i));
        return false;
    }
};

// Stands in for the read dialog: publishes its image when it ends in a read.
struct FakeReader : DiskReadLauncher {
    std::vector<std::uint8_t> image;
    DiskReadEnd end = DiskReadEnd::Read;
    DiskReadEnd ReadDisk(DiskImage& target) override {
        if (end == DiskReadEnd::Read) {
            target.bytes = image;
        }
        return end;
    }
};

struct Browser {
    DiskSession session;
    FakeView view;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
    RecordingLog log;
    RecordingViewers viewers;
    FakeReader reader;
    DiskBrowser browser{session, view, prompter, chooser, log, viewers, reader};
    TempDir dir;
};

const std::vector<std::uint8_t> kDemo = DiskBuilder("DEMO")
                                            .addFile("prog", 0, {0x00, 0x0A, 0x01, 0x00, 0x0D})
                                            .addFile("nums", 1, {1, 1, 0, 0, 0, 0, 0, 0})
                                            .addFile("chars", 2, {1, 1, 0, 'x'})
                                            .addFile("code", 3, {0xC9}, 32768)
                                            .addFile("pic", 3, std::vector<std::uint8_t>(6912), 16384)
                                            .addFile("odd", 7, {1})
                                            .build();
const std::vector<std::uint8_t> kNoCatalogue = [] {
    std::vector<std::uint8_t> bytes(kNominalImageLength, 0);
    bytes[260] = bytes[261] = 0xFF;
    return bytes;
}();

TEST(DiskBrowser, OpeningImagesAndCancelling) {
    Browser b;
    b.browser.StartUp(false);
    writeBytes(b.dir.file("bad.opu"), kNoCatalogue);
    b.chooser.paths = {b.dir.file("bad.opu"), b.dir.file("demo.opu"), std::nullopt};
    b.browser.OpenImageFile();  // no catalogue: the image loads, quietly, and nothing is enabled
    EXPECT_EQ(b.session.image.bytes.size(), kNominalImageLength);
    EXPECT_FALSE(b.view.opusFileEnabled || b.view.saveEnabled);
    writeBytes(b.dir.file("demo.opu"), kDemo);
    b.browser.OpenImageFile();
    EXPECT_TRUE(b.view.opusFileEnabled && b.view.saveEnabled && b.browser.OpusFileItemsEnabled());
    ASSERT_EQ(b.view.rows.size(), 6u);
    EXPECT_EQ(b.view.rows[4].iconKey, "SCREEN");
    EXPECT_EQ(b.browser.CurrentDiskName(), "DEMO      ");
    b.browser.OpenImageFile();  // cancelled: the list stays, "&Opus File" goes
    EXPECT_FALSE(b.view.opusFileEnabled);
    EXPECT_TRUE(b.view.saveEnabled);
    EXPECT_EQ(b.view.rows.size(), 6u);
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(DiskBrowser, ReadsEndingEachWay) {
    Browser b;
    b.browser.StartUp(true);
    b.reader.end = DiskReadEnd::NothingRead;
    b.browser.ReadPhysicalDisk();
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_EQ(b.view.caption, "Quillmar v2.0.0");
    b.reader.end = DiskReadEnd::Read;
    b.reader.image = kDemo;
    b.browser.ReadPhysicalDisk();
    EXPECT_EQ(b.view.rows.size(), 6u);
    EXPECT_TRUE(b.view.saveEnabled);
    EXPECT_FALSE(b.view.opusFileEnabled);  // a read does not touch "&Opus File"
    EXPECT_EQ(b.view.caption, "Quillmar v2.0.0 - [DEMO      ]");
    for (const std::optional<int> index : {1, 2, 3, 4, 5, 6, 99, -1}) {  // by type and length
        b.browser.OpenEntry(index);
    }
    b.browser.OpenEntry(std::nullopt);
    b.browser.ViewAsBasic(6);  // whatever the type
    b.browser.ViewAsBytes(1);
    b.browser.ViewAsScreen(1);
    b.browser.ViewAsScreen(std::nullopt);
    EXPECT_EQ(b.viewers.calls, (std::vector<std::string>{"program 1", "bytes 2", "bytes 3", "bytes 4",
                                                         "screen 5", "program 6", "bytes 1", "screen 1"}));
    b.reader.end = DiskReadEnd::Canceled;
    b.browser.ReadPhysicalDisk();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(b.session.image.bytes, kDemo);
    b.reader.end = DiskReadEnd::Read;  // a catalogue that fails: the list stays, saving is blocked
    b.reader.image = kNoCatalogue;
    b.browser.ReadPhysicalDisk();
    EXPECT_EQ(b.prompter.shown.size(), 2u);
    EXPECT_EQ(b.view.rows.size(), 6u);
    EXPECT_EQ(b.session.image.bytes, kNoCatalogue);
    b.browser.SaveImage();
    EXPECT_EQ(b.prompter.shown.size(), 3u);
}

}  // namespace
