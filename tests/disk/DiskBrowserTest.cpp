#include <gtest/gtest.h>

#include "disk/DiskBrowser.h"
#include "disk/DiskBuilder.h"
#include "support/TestSupport.h"

namespace {

struct FakeView : DiskBrowserView {
    std::vector<ListRow> rows;
    std::string caption;
    std::optional<bool> readEnabled;
    bool saveEnabled = false;
    bool opusFileEnabled = false;
    bool shown = false;
    void setRows(const std::vector<ListRow>& r) override { rows = r; }
    void setCaption(const std::string& c) override { caption = c; }
    void setReadEnabled(bool e) override { readEnabled = e; }
    void setSaveEnabled(bool e) override { saveEnabled = e; }
    void setOpusFileEnabled(bool e) override { opusFileEnabled = e; }
    void showWindow() override { shown = true; }
};

struct RecordingViewers : ViewerFactory {
    std::vector<std::string> calls;
    bool screenAccepts = true;
    void ShowOpusProgram(int i) override { calls.push_back("program " + std::to_string(i)); }
    void ShowOpusBytes(int i) override { calls.push_back("bytes " + std::to_string(i)); }
    bool ShowOpusScreen(int i) override {
        calls.push_back("screen " + std::to_string(i));
        return screenAccepts;
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

    std::string imageFile(const std::vector<std::uint8_t>& bytes, const std::string& name = "disk.opu") {
        writeBytes(dir.file(name), bytes);
        return dir.file(name);
    }
};

std::vector<std::uint8_t> demo() {
    return DiskBuilder("DEMO")
        .addFile("prog", 0, {0x00, 0x0A, 0x01, 0x00, 0x0D})
        .addFile("nums", 1, {1, 1, 0, 0, 0, 0, 0, 0})
        .addFile("chars", 2, {1, 1, 0, 'x'})
        .addFile("code", 3, {0xC9}, 32768)
        .addFile("pic", 3, std::vector<std::uint8_t>(6912), 16384)
        .addFile("odd", 7, {1})
        .build();
}

TEST(DiskBrowser, StartUpSetsTheInitialMenuState) {
    for (const bool driver : {true, false}) {
        Browser b;
        b.browser.StartUp(driver);
        EXPECT_EQ(b.view.readEnabled, driver);
        EXPECT_FALSE(b.view.saveEnabled);
        EXPECT_FALSE(b.view.opusFileEnabled);
        EXPECT_EQ(b.view.caption, "Quillmar v2.0.0");
        EXPECT_TRUE(b.view.shown);
        EXPECT_FALSE(b.browser.NoFilesListed());
        EXPECT_EQ(b.browser.CurrentDiskName(), "");
    }
}

TEST(DiskBrowser, OpeningAnImageListsItsFiles) {
    Browser b;
    b.browser.StartUp(false);
    b.chooser.paths.push_back(b.imageFile(demo()));
    b.browser.OpenImageFile();
    EXPECT_EQ(b.chooser.titles.at(0), "Browse For OPUS Image File...");
    EXPECT_TRUE(b.view.opusFileEnabled);
    EXPECT_TRUE(b.view.saveEnabled);
    EXPECT_TRUE(b.browser.OpusFileItemsEnabled());
    ASSERT_EQ(b.view.rows.size(), 6u);
    EXPECT_EQ(b.view.rows[0].key, "1_F");
    EXPECT_EQ(b.view.rows[4].iconKey, "SCREEN");
    EXPECT_EQ(b.view.caption, "Quillmar v2.0.0 - [DEMO      ]");
    EXPECT_EQ(b.browser.CurrentDiskName(), "DEMO      ");

    // A cancelled open afterwards keeps the list but disables "&Opus File".
    b.browser.OpenImageFile();
    EXPECT_FALSE(b.view.opusFileEnabled);
    EXPECT_EQ(b.view.rows.size(), 6u);
    EXPECT_TRUE(b.view.saveEnabled);
}

TEST(DiskBrowser, AnImageWithoutCatalogueStopsQuietly) {
    Browser b;
    b.browser.StartUp(false);
    std::vector<std::uint8_t> noCatalogue(kNominalImageLength, 0);
    noCatalogue[260] = 0xFF;
    noCatalogue[261] = 0xFF;
    b.chooser.paths.push_back(b.imageFile(noCatalogue));
    b.browser.OpenImageFile();
    EXPECT_FALSE(b.view.opusFileEnabled);
    EXPECT_FALSE(b.view.saveEnabled);
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_EQ(b.session.image.bytes.size(), kNominalImageLength);  // the image itself was loaded
}

TEST(DiskBrowser, OnlyTheDiskEntryListsNoRows) {
    Browser b;
    b.browser.StartUp(false);
    b.chooser.paths.push_back(b.imageFile(DiskBuilder("EMPTY").build()));
    b.browser.OpenImageFile();
    EXPECT_TRUE(b.view.rows.empty());
    EXPECT_FALSE(b.browser.NoFilesListed());
    EXPECT_TRUE(b.browser.OpusFileItemsEnabled());
    EXPECT_EQ(b.view.caption, "Quillmar v2.0.0 - [EMPTY     ]");
    b.browser.ViewAsBasic(std::nullopt);
    EXPECT_TRUE(b.viewers.calls.empty());
}

TEST(DiskBrowser, AnEmptyCatalogueShowsTheBlankDiskRow) {
    Browser b;
    b.browser.FillDiskList();
    ASSERT_EQ(b.view.rows.size(), 1u);
    EXPECT_EQ(b.view.rows[0].key, "D");
    EXPECT_EQ(b.view.rows[0].text, "<blank disk>");
    EXPECT_EQ(b.view.rows[0].icon, 7);
    EXPECT_EQ(b.browser.CurrentDiskName(), "BlankImg");
    EXPECT_TRUE(b.browser.NoFilesListed());
    EXPECT_EQ(b.view.caption, "Quillmar v2.0.0 - [BlankImg]");
}

TEST(DiskBrowser, ARead) {
    Browser b;
    b.browser.StartUp(true);
    b.reader.image = demo();
    b.browser.ReadPhysicalDisk();
    EXPECT_EQ(b.view.rows.size(), 6u);
    EXPECT_TRUE(b.view.saveEnabled);
    EXPECT_FALSE(b.view.opusFileEnabled);  // a read does not touch "&Opus File"
    EXPECT_EQ(b.view.caption, "Quillmar v2.0.0 - [DEMO      ]");
    // The rows can still be opened.
    b.browser.OpenEntry(1);
    EXPECT_EQ(b.viewers.calls, std::vector<std::string>{"program 1"});
}

TEST(DiskBrowser, ACancelledReadKeepsEverything) {
    Browser b;
    b.browser.StartUp(true);
    b.session.image.bytes = {1, 2, 3};
    b.reader.end = DiskReadEnd::Canceled;
    b.browser.ReadPhysicalDisk();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, "Disk read canceled, keeping old image if any!");
    EXPECT_EQ(b.prompter.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(b.session.image.bytes, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(b.view.saveEnabled);
}

TEST(DiskBrowser, ClosingTheReadDialogWithoutAReadShowsNothing) {
    Browser b;
    b.browser.StartUp(true);
    b.reader.end = DiskReadEnd::NothingRead;
    b.browser.ReadPhysicalDisk();
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_TRUE(b.view.rows.empty());
    EXPECT_EQ(b.view.caption, "Quillmar v2.0.0");
}

TEST(DiskBrowser, AReadWhoseCatalogueFailsBlocksSaving) {
    Browser b;
    b.browser.StartUp(true);
    b.reader.image = demo();
    b.browser.ReadPhysicalDisk();
    ASSERT_TRUE(b.view.saveEnabled);

    std::vector<std::uint8_t> broken(kNominalImageLength, 0);
    broken[260] = 0xFF;
    broken[261] = 0xFF;
    b.reader.image = broken;
    b.browser.ReadPhysicalDisk();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text,
              "There was an error while processing the disk's CATalogue.\r\nDisk processing aborted.");
    EXPECT_EQ(b.prompter.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(b.view.rows.size(), 6u);  // the list keeps its rows
    EXPECT_EQ(b.session.image.bytes, broken);

    b.browser.SaveImage();
    ASSERT_EQ(b.prompter.shown.size(), 2u);
    EXPECT_EQ(b.prompter.shown[1].text, "No disk image to save!");
}

TEST(DiskBrowser, OpeningARowDispatchesByTypeAndLength) {
    Browser b;
    b.chooser.paths.push_back(b.imageFile(demo()));
    b.browser.OpenImageFile();
    const std::pair<std::optional<int>, const char*> cases[] = {
        {1, "program 1"}, {2, "bytes 2"},          {3, "bytes 3"}, {4, "bytes 4"}, {5, "screen 5"},
        {6, nullptr},     {std::nullopt, nullptr}, {99, nullptr},  {-1, nullptr},
    };
    for (const auto& [index, call] : cases) {
        b.viewers.calls.clear();
        b.browser.OpenEntry(index);
        if (call == nullptr) {
            EXPECT_TRUE(b.viewers.calls.empty()) << index.value_or(-100);
        } else {
            EXPECT_EQ(b.viewers.calls, std::vector<std::string>{call});
        }
    }
}

TEST(DiskBrowser, ViewAsCommandsIgnoreTheType) {
    Browser b;
    b.chooser.paths.push_back(b.imageFile(demo()));
    b.browser.OpenImageFile();
    b.viewers.screenAccepts = false;
    b.browser.ViewAsBasic(6);
    b.browser.ViewAsBytes(1);
    b.browser.ViewAsScreen(1);
    b.browser.ViewAsScreen(std::nullopt);
    EXPECT_EQ(b.viewers.calls, (std::vector<std::string>{"program 6", "bytes 1", "screen 1"}));
}

}  // namespace
