#include <nlohmann/json.hpp>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "disk/DiskBrowser.h"
#include "disk/DiskBuilder.h"
#include "disk/ImageFile.h"
#include "disk/SectorMapFile.h"
#include "support/TestSupport.h"

namespace {

TEST(LoadImageFile, AsksOnlyForUnusualLengths) {
    using Answer = std::optional<MsgAnswer>;  // none: no question
    const std::pair<std::size_t, Answer> cases[] = {
        {184320, {}}, {184319, MsgAnswer::Yes}, {184321, MsgAnswer::No}, {368640, {}},
        {737280, {}}, {368641, MsgAnswer::No},  {737281, MsgAnswer::Yes}};
    for (const auto& [length, answer] : cases) {
        TempDir dir;
        writeBytes(dir.file("disk.opu"), std::vector<std::uint8_t>(length, 0xE5));
        DiskImage image{{1, 2, 3}};
        ScriptedPrompter prompter;
        prompter.answers.push_back(answer.value_or(MsgAnswer::Cancel));
        RecordingLog log;
        const bool loads = answer != MsgAnswer::No;
        EXPECT_EQ(LoadImageFile(dir.file("disk.opu"), image, prompter, log), loads) << length;
        EXPECT_EQ(prompter.shown.size(), answer ? (loads ? 1u : 2u) : 0u) << length;
        EXPECT_TRUE(!answer || prompter.shown.at(0).buttons == MsgButtons::YesNo);
        EXPECT_EQ(image.bytes.size(), loads ? length : 3u) << length;
    }
}

TEST(LoadImageFile, FailuresAreTrappedAndLogged) {
    TempDir dir;
    DiskImage image{{9}};
    ScriptedPrompter prompter;
    RecordingLog log;
    EXPECT_FALSE(LoadImageFile(dir.file("missing.opu"), image, prompter, log));
    writeBytes(dir.file("empty.opu"), {});  // loaded anyway, it fails when read
    prompter.answers.push_back(MsgAnswer::Yes);
    EXPECT_FALSE(LoadImageFile(dir.file("empty.opu"), image, prompter, log));
    EXPECT_EQ(image.bytes, std::vector<std::uint8_t>{9});
    ASSERT_EQ(log.at(1).size(), 2u);
    EXPECT_TRUE(log.at(1)[0].ends_with("in LoadImageFile at line 1")) << log.at(1)[0];
}

TEST(CatalogueDump, RowsAndCharacterColumn) {
    std::vector<std::uint8_t> bytes(2048, 0);
    const std::uint8_t row[16] = {0x80, 0x81, 0x1F, 0x20, 'A', 0x7F, 0xFF, 0x41, 0, 0, 0, 0, 0, 0, 0, 0x9F};
    std::copy(std::begin(row), std::end(row), bytes.begin() + 0x100);
    const std::string dump = CatalogueDump("x.opu", DiskImage{bytes});
    EXPECT_EQ(dump.rfind("Disk Image [x.opu] catalog:\r\n", 0), 0u);
    EXPECT_NE(
        dump.find(
            "\t0100: 80 81 1F 20 41 7F FF 41 00 00 00 00 00 00 00 9F \xE2\x82\xAC.. A\x7F.A........\r\n"),
        std::string::npos);
    EXPECT_NE(dump.find("\t07F0: 00 "), std::string::npos);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 113);  // title and 112 rows
}

TEST(SaveImageAs, SavesTheImageAndItsMapReloadsWithoutQuestionAndKeepsWhatWasThereOnFailure) {
    TempDir dir;
    const std::string target = dir.file("saved.Opu"), taken = dir.file("taken.opu");
    writeBytes(target, std::vector<std::uint8_t>(500000, 1));  // replaced, not merged
    std::filesystem::create_directory(taken);                  // a folder cannot be replaced by a file
    writeBytes(taken + "/inside", {7, 7, 7});
    DiskImage image{DiskBuilder("SAVED").build()};
    image.sectorMap = SectorMap{{40, 1, 18, 256}, {{3, 0, 4, SectorState::Bad, 23}}};
    ScriptedChooser chooser;
    chooser.paths = {std::nullopt, target, target, taken};
    ScriptedPrompter prompter, quiet;
    RecordingLog log;
    SaveImageAs("", image, chooser, prompter, log);  // no image: refused before asking
    EXPECT_EQ(chooser.paths.size(), 4u);
    SaveImageAs("SAVED", image, chooser, prompter, log);  // cancelled
    SaveImageAs("SAVED", image, chooser, prompter, log);
    EXPECT_EQ(prompter.shown.size(), 3u);
    DiskImage reloaded;
    EXPECT_TRUE(LoadImageFile(target, reloaded, quiet, log));
    EXPECT_TRUE(quiet.shown.empty());
    EXPECT_EQ(reloaded.bytes, image.bytes);
    ASSERT_TRUE(reloaded.sectorMap.has_value());
    EXPECT_EQ(SectorMapToJson(*reloaded.sectorMap), SectorMapToJson(*image.sectorMap));

    // Saved again without bad sectors, the old map would lie about the new bytes.
    image.sectorMap->entries.clear();
    SaveImageAs("SAVED", image, chooser, prompter, log);
    EXPECT_FALSE(std::filesystem::exists(target + ".map.json"));
    // A map for another geometry is left out with a warning.
    writeFileReplacing(target + ".map.json", SectorMapToJson(SectorMap{{80, 2, 18, 256}, {}}));
    EXPECT_TRUE(LoadImageFile(target, reloaded, quiet, log));
    EXPECT_FALSE(reloaded.sectorMap.has_value());
    EXPECT_EQ(log.at(kSeverityWARNING).size(), 1u);

    EXPECT_TRUE(log.at(1).empty());
    SaveImageAs("DISK", image, chooser, prompter, log);
    EXPECT_EQ(readBytes(taken + "/inside"), (std::vector<std::uint8_t>{7, 7, 7}));
    EXPECT_EQ(log.at(1).size(), 1u);
    EXPECT_EQ(prompter.busyDepth, 0);
    // The image, its map and the folder: no temporary file is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

const SectorMap kMap{{80, 2, 18, 256},
                     {{0, 1, 4, SectorState::Recovered, 0},
                      {12, 0, 5, SectorState::Bad, 23},
                      {79, 1, 17, SectorState::Missing, 1122}}};

TEST(SectorMapFile, WritesTheDocumentedFieldsAndReadsThemBack) {
    const std::string text = SectorMapToJson(kMap);
    const auto json = nlohmann::json::parse(text);
    EXPECT_EQ(json["geometry"],
              nlohmann::json::parse(R"({"cylinders": 80, "heads": 2, "sectors": 18, "size": 256})"));
    EXPECT_EQ(
        json["sectors"][1],
        nlohmann::json::parse(R"({"cylinder": 12, "head": 0, "sector": 5, "state": "bad", "error": 23})"));

    EXPECT_EQ(SectorMapToJson(SectorMapFromJson(text)), text);
}

TEST(SectorMapFile, DamagedMapsAreRefusedSayingWhatIsWrong) {
    const std::string geometry = R"("geometry": {"cylinders": 40, "heads": 1, "sectors": 18, "size": 256})";
    const std::pair<std::string, const char*> cases[] = {
        // text, what the refusal mentions
        {"{\"geometry\": ", "not valid JSON"},
        {"[1, 2]", "not a JSON object"},
        {R"({"sectors": []})", "no \"geometry\" object"},
        {R"({"geometry": {"cylinders": 40, "heads": 3, "sectors": 18, "size": 256}})",
         "geometry \"heads\" 3 is outside 1 to 2"},
        {"{" + geometry + R"(, "sectors": [{"cylinder": 0, "head": 0, "sector": 18,
          "state": "bad", "error": 23}]})",
         "sectors[0] \"sector\" 18 is outside 0 to 17"},
        {"{" + geometry + R"(, "sectors": [{"cylinder": 0, "head": 0, "sector": 1,
          "state": "ugly", "error": 23}]})",
         "sectors[0] has no \"state\""},
        // Numbers as the file writes them.
        {"{" + geometry + R"(, "sectors": [{"cylinder": 9223372036854775808, "head": 0, "sector": 1,
          "state": "bad", "error": 23}]})",
         "sectors[0] \"cylinder\" 9223372036854775808 is outside 0 to 39"},
        {"{" + geometry + R"(, "sectors": [{"cylinder": 0, "head": 100000000000000000000000000000,
          "sector": 1, "state": "bad", "error": 23}]})",
         "sectors[0] \"head\" 100000000000000000000000000000 is outside 0 to 0"},
        {"{" + geometry + R"(, "sectors": [{"cylinder": 0, "head": 0, "sector": 1, "state": "bad",
          "error": 2.50}]})",
         "sectors[0] \"error\" 2.50 is not a whole number"},
    };
    for (const auto& [text, mentions] : cases) {
        try {
            (void)SectorMapFromJson(text);
            ADD_FAILURE() << mentions << ": accepted";
        } catch (const Failure& f) {
            EXPECT_NE(f.description().find(mentions), std::string::npos) << f.description();
        }
    }
}

// The window, the viewers and the read dialog: the read publishes its image
// when it ends in a read.
struct Fakes : DiskBrowserView, ViewerFactory, DiskReadLauncher {
    std::vector<ListRow> rows;
    std::string caption;
    bool saveEnabled = false, opusFileEnabled = false;
    std::vector<std::string> calls;
    std::vector<std::uint8_t> image;
    DiskReadEnd end = DiskReadEnd::Read;
    void setRows(const std::vector<ListRow>& r) override { rows = r; }
    void setCaption(const std::string& c) override { caption = c; }
    void setSaveEnabled(bool e) override { saveEnabled = e; }
    void setOpusFileEnabled(bool e) override { opusFileEnabled = e; }
    void setReadEnabled(bool) override {}
    void showWindow() override {}
    void ShowOpusProgram(int i) override { calls.push_back("program " + std::to_string(i)); }
    void ShowOpusBytes(int i) override { calls.push_back("bytes " + std::to_string(i)); }
    bool ShowOpusScreen(int i) override {
        calls.push_back("screen " + std::to_string(i));
        return false;
    }
    DiskReadEnd ReadDisk(DiskImage& target) override {
        if (end == DiskReadEnd::Read) {
            target.bytes = image;
        }
        return end;
    }
};

struct Browser {
    DiskSession session;
    Fakes view, &reader = view, &viewers = view;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
    RecordingLog log;
    DiskBrowser browser{session, view, prompter, chooser, log, view, view};
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

TEST(DiskBrowser, OpeningImagesAndReadsEndingEachWay) {
    Browser b;
    b.browser.StartUp(true);
    writeBytes(b.dir.file("bad.opu"), kNoCatalogue);
    b.chooser.paths = {b.dir.file("bad.opu"), b.dir.file("demo.opu"), std::nullopt};
    b.browser.OpenImageFile();  // no catalogue: the image loads, quietly, and nothing is enabled
    EXPECT_EQ(b.session.image.bytes.size(), kNominalImageLength);
    EXPECT_FALSE(b.view.opusFileEnabled || b.view.saveEnabled);
    writeBytes(b.dir.file("demo.opu"), kDemo);
    b.browser.OpenImageFile();
    EXPECT_TRUE(b.view.opusFileEnabled && b.view.saveEnabled);
    ASSERT_EQ(b.view.rows.size(), 6u);
    b.browser.OpenImageFile();  // cancelled: the list stays, and "&Opus File" with it
    EXPECT_TRUE(b.view.opusFileEnabled);
    EXPECT_TRUE(b.view.saveEnabled);
    EXPECT_EQ(b.view.rows.size(), 6u);
    b.reader.end = DiskReadEnd::NothingRead;
    b.browser.ReadPhysicalDisk();
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_EQ(b.view.caption, "Quillmar v2.0.0 - [DEMO      ]");
    b.reader.end = DiskReadEnd::Read;
    b.reader.image = kDemo;
    b.view.rows.clear();
    b.view.opusFileEnabled = false;
    b.browser.ReadPhysicalDisk();
    EXPECT_EQ(b.view.rows.size(), 6u);
    EXPECT_TRUE(b.view.saveEnabled);
    EXPECT_TRUE(b.view.opusFileEnabled);  // files listed: "&Opus File" follows
    for (const auto index :
         std::initializer_list<std::optional<int>>{1, 2, 3, 4, 5, 6, 99, -1, std::nullopt}) {
        b.browser.OpenEntry(index);  // by type and length
    }
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
