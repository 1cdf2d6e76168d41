#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include "core/Failure.h"
#include "core/FileIO.h"
#include "disk/DiskBuilder.h"
#include "disk/ImageFile.h"
#include "disk/SectorMapFile.h"
#include "support/TestSupport.h"

namespace {

TEST(LoadImageFile, AsksOnlyForUnusualLengths) {
    struct Case {
        std::size_t length;
        std::optional<MsgAnswer> answer;  // none: no question
    };
    const Case cases[] = {{184320, {}}, {184319, MsgAnswer::Yes}, {184321, MsgAnswer::No}, {368640, {}},
                          {737280, {}}, {368641, MsgAnswer::No},  {737281, MsgAnswer::Yes}};
    for (const Case& c : cases) {
        TempDir dir;
        writeBytes(dir.file("disk.opu"), std::vector<std::uint8_t>(c.length, 0xE5));
        DiskImage image{{1, 2, 3}};
        ScriptedPrompter prompter;
        if (c.answer) {
            prompter.answers.push_back(*c.answer);
        }
        RecordingLog log;
        const bool loads = c.answer != MsgAnswer::No;
        EXPECT_EQ(LoadImageFile(dir.file("disk.opu"), image, prompter, log), loads) << c.length;
        EXPECT_EQ(prompter.shown.size(), c.answer ? (loads ? 1u : 2u) : 0u) << c.length;
        if (c.answer) {
            EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
        }
        EXPECT_EQ(image.bytes.size(), loads ? c.length : 3u) << c.length;
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
    EXPECT_EQ(log.at(1),
              (std::vector<std::string>{"Error 53 (File not found ) in LoadImageFile at line 1",
                                        "Error 62 (Input past end of file ) in LoadImageFile at line 3"}));
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
    EXPECT_TRUE(chooser.titles.empty());
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

    const SectorMap back = SectorMapFromJson(text);
    EXPECT_EQ(back.geometry, kMap.geometry);
    EXPECT_EQ(SectorMapToJson(back), text);
}

TEST(SectorMapFile, DamagedMapsAreRefusedSayingWhatIsWrong) {
    const std::string geometry = R"("geometry": {"cylinders": 40, "heads": 1, "sectors": 18, "size": 256})";
    struct Case {
        const char* name;
        std::string text;
        const char* mentions;
    };
    const Case cases[] = {
        {"not JSON", "{\"geometry\": ", "not a JSON object"},
        {"no geometry", R"({"sectors": []})", "no \"geometry\" object"},
        {"three heads", R"({"geometry": {"cylinders": 40, "heads": 3, "sectors": 18, "size": 256}})",
         "geometry \"heads\" 3 is outside 1 to 2"},
        {"sector past the track", "{" + geometry + R"(, "sectors": [{"cylinder": 0, "head": 0, "sector": 18,
          "state": "bad", "error": 23}]})",
         "sectors[0] \"sector\" 18 is outside 0 to 17"},
        {"unknown state", "{" + geometry + R"(, "sectors": [{"cylinder": 0, "head": 0, "sector": 1,
          "state": "ugly", "error": 23}]})",
         "sectors[0] has no \"state\""},
    };
    for (const Case& c : cases) {
        try {
            (void)SectorMapFromJson(c.text);
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const Failure& f) {
            EXPECT_NE(f.description().find(c.mentions), std::string::npos)
                << c.name << ": " << f.description();
        }
    }
}

}  // namespace
