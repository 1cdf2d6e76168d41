#include <gtest/gtest.h>

#include "core/FileIO.h"
#include "disk/DiskBuilder.h"
#include "disk/ImageFile.h"
#include "disk/SectorMapFile.h"
#include "support/TestSupport.h"

namespace {

struct LengthCase {
    std::size_t length;
    bool asks;
    MsgAnswer answer;
    bool loads;
};

class LoadLengthTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(LoadLengthTest, AsksOnlyForUnusualLengths) {
    const LengthCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("disk.opu");
    std::vector<std::uint8_t> bytes(c.length, 0xE5);
    writeBytes(path, bytes);

    DiskImage image{{1, 2, 3}};
    ScriptedPrompter prompter;
    if (c.asks) {
        prompter.answers.push_back(c.answer);
    }
    RecordingLog log;
    EXPECT_EQ(LoadImageFile(path, image, prompter, log), c.loads);

    if (c.asks) {
        ASSERT_GE(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
    } else {
        EXPECT_TRUE(prompter.shown.empty());
    }
    if (c.loads) {
        EXPECT_EQ(image.bytes.size(), c.length);
    } else {
        EXPECT_EQ(image.bytes, (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_EQ(prompter.shown.size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, LoadLengthTest,
                         ::testing::Values(LengthCase{184320, false, MsgAnswer::Yes, true},
                                           LengthCase{184319, true, MsgAnswer::Yes, true},
                                           LengthCase{184319, true, MsgAnswer::No, false},
                                           LengthCase{184321, true, MsgAnswer::Yes, true},
                                           LengthCase{184321, true, MsgAnswer::No, false},
                                           LengthCase{368640, false, MsgAnswer::Yes, true},
                                           LengthCase{737280, false, MsgAnswer::Yes, true},
                                           LengthCase{368641, true, MsgAnswer::No, false},
                                           LengthCase{737281, true, MsgAnswer::Yes, true}),
                         [](const auto& tc) {
                             return std::to_string(tc.param.length) +
                                    (tc.param.answer == MsgAnswer::Yes ? "_Yes" : "_No");
                         });

TEST(LoadImageFile, TheDumpIsLoggedAtDebug) {
    TempDir dir;
    const std::string path = dir.file("demo.opu");
    writeBytes(path, DiskBuilder("DUMPED").build());
    DiskImage image;
    ScriptedPrompter prompter;
    RecordingLog log;
    ASSERT_TRUE(LoadImageFile(path, image, prompter, log));
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].severity, 4);
    EXPECT_FALSE(log.entries[0].forced);
    EXPECT_EQ(log.entries[0].what.rfind("Disk Image [" + path + "] catalog:\r\n", 0), 0u);
}

TEST(LoadImageFile, FailuresAreTrappedAndLogged) {
    TempDir dir;
    DiskImage image{{9}};
    ScriptedPrompter prompter;
    RecordingLog log;

    EXPECT_FALSE(LoadImageFile(dir.file("missing.opu"), image, prompter, log));
    ASSERT_EQ(log.at(1).size(), 1u);
    EXPECT_EQ(log.at(1)[0], "Error 53 (File not found ) in LoadImageFile at line 1");
    EXPECT_EQ(image.bytes, std::vector<std::uint8_t>{9});

    // An empty file loaded anyway fails when it is read, keeping the old image.
    writeBytes(dir.file("empty.opu"), {});
    prompter.answers.push_back(MsgAnswer::Yes);
    EXPECT_FALSE(LoadImageFile(dir.file("empty.opu"), image, prompter, log));
    EXPECT_EQ(image.bytes, std::vector<std::uint8_t>{9});
    EXPECT_EQ(log.at(1).back(), "Error 62 (Input past end of file ) in LoadImageFile at line 3");
}

TEST(CatalogueDump, RowsAndCharacterColumn) {
    std::vector<std::uint8_t> bytes(2048, 0);
    const std::uint8_t row[16] = {0x80, 0x81, 0x1F, 0x20, 'A', 0x7F, 0xFF, 0x41, 0, 0, 0, 0, 0, 0, 0, 0x9F};
    std::copy(std::begin(row), std::end(row), bytes.begin() + 0x100);
    const std::string dump = CatalogueDump("x.opu", DiskImage{bytes});

    EXPECT_EQ(dump.rfind("Disk Image [x.opu] catalog:\r\n", 0), 0u);
    const std::string first =
        "\t0100: 80 81 1F 20 41 7F FF 41 00 00 00 00 00 00 00 9F \xE2\x82\xAC.. A\x7F.A........\r\n";
    EXPECT_NE(dump.find(first), std::string::npos) << dump.substr(0, 200);
    EXPECT_NE(dump.find("\t07F0: 00 "), std::string::npos);
    EXPECT_EQ(dump.find("\t0800"), std::string::npos);
    // Title line and 112 rows.
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 113);
}

TEST(SaveImageAs, SavesTheWholeImageAndReloadsWithoutQuestion) {
    TempDir dir;
    const std::string target = dir.file("saved.Opu");
    writeBytes(target, std::vector<std::uint8_t>(500000, 1));  // replaced, not merged
    DiskImage image{DiskBuilder("SAVED").build()};
    image.sectorMap = SectorMap{{40, 1, 18, 256}, {{3, 0, 4, SectorState::Bad, 23}}};
    ScriptedChooser chooser;
    chooser.paths.push_back(target);
    ScriptedPrompter prompter;
    RecordingLog log;
    SaveImageAs("SAVED", image, chooser, prompter, log);

    EXPECT_TRUE(bytesEqual(image.bytes, readBytes(target)));
    EXPECT_EQ(chooser.titles.at(0), "Save OPUS Disk Image File As...");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Disk image saved as [" + target + "].");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(prompter.busyDepth, 0);

    DiskImage reloaded;
    ScriptedPrompter quiet;
    EXPECT_TRUE(LoadImageFile(target, reloaded, quiet, log));
    EXPECT_TRUE(quiet.shown.empty());
    EXPECT_EQ(reloaded.bytes, image.bytes);
    ASSERT_TRUE(reloaded.sectorMap.has_value()) << "the map travels beside the image";
    EXPECT_EQ(SectorMapToJson(*reloaded.sectorMap), SectorMapToJson(*image.sectorMap));

    // Saved again without bad sectors, the old map would lie about the new bytes.
    image.sectorMap->entries.clear();
    chooser.paths.push_back(target);
    SaveImageAs("SAVED", image, chooser, prompter, log);
    EXPECT_FALSE(std::filesystem::exists(target + ".map.json"));
}

TEST(LoadImageFile, AMapThatDoesNotFitIsLeftOutWithAWarning) {
    TempDir dir;
    const std::string path = dir.file("disk.opu");
    writeBytes(path, DiskBuilder("MAPPED").build());
    writeFileReplacing(path + ".map.json", SectorMapToJson(SectorMap{{80, 2, 18, 256}, {}}));
    DiskImage image;
    ScriptedPrompter prompter;
    RecordingLog log;
    EXPECT_TRUE(LoadImageFile(path, image, prompter, log));
    EXPECT_FALSE(image.sectorMap.has_value());
    EXPECT_EQ(log.at(kSeverityWARNING).at(0), "The sector map beside [" + path +
                                                  "] was left out: sector map: " + path +
                                                  ".map.json describes 737280 bytes, the image has 184320");
}

TEST(SaveImageAs, RefusalsAndCancel) {
    TempDir dir;
    const DiskImage image{{1, 2}};
    ScriptedChooser chooser;
    ScriptedPrompter prompter;
    RecordingLog log;

    SaveImageAs("", image, chooser, prompter, log);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "No disk image to save!");
    EXPECT_TRUE(chooser.titles.empty());

    chooser.paths.push_back(std::nullopt);
    SaveImageAs("DISK", image, chooser, prompter, log);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text, "Save canceled!");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(SaveImageAs, AFailedWriteKeepsWhatWasThere) {
    TempDir dir;
    // A folder of that name cannot be replaced by a file, whoever runs the test.
    const std::string target = dir.file("taken.opu");
    std::filesystem::create_directory(target);
    writeBytes(target + "/inside", {7, 7, 7});
    ScriptedChooser chooser;
    chooser.paths.push_back(target);
    ScriptedPrompter prompter;
    RecordingLog log;
    SaveImageAs("DISK", DiskImage{{1, 2}}, chooser, prompter, log);
    EXPECT_EQ(readBytes(target + "/inside"), (std::vector<std::uint8_t>{7, 7, 7}));
    ASSERT_EQ(log.at(1).size(), 1u);
    EXPECT_NE(log.at(1)[0].find(" ) in SaveImageAs at line 4"), std::string::npos);
    EXPECT_EQ(prompter.busyDepth, 0);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
