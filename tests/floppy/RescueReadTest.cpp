#include <gtest/gtest.h>

#include <map>

#include "floppy/DiskReader.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/LinuxRawCommand.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "support/TestSupport.h"

namespace {

using floppyfix::kTrackSide;
using floppyfix::patternDisk;

constexpr std::size_t kSector = 256;

// The pattern disk with the given sectors of head 0 as filler.
std::vector<std::uint8_t> withFiller(std::vector<std::uint8_t> disk, int track,
                                     const std::vector<int>& sectors, std::uint8_t filler = 0xE5) {
    for (const int s : sectors) {
        std::fill_n(disk.begin() + static_cast<std::ptrdiff_t>(track * kTrackSide + s * kSector), kSector,
                    filler);
    }
    return disk;
}

// "R12" for a recovered sector, "B5/23" for a bad one with its code.
std::vector<std::string> mapOf(const DiskImage& image) {
    std::vector<std::string> rows;
    for (const SectorStatus& e : image.sectorMap.value().entries) {
        rows.push_back(std::to_string(e.head) + ":" + std::to_string(e.cylinder) + ":" +
                       (e.state == SectorState::Recovered ? "R" : "B") + std::to_string(e.sector) +
                       (e.state == SectorState::Recovered ? "" : "/" + std::to_string(e.error)));
    }
    return rows;
}

// The map rows of a side of head 0 read again: bad maps sector to code, the rest are recovered.
std::vector<std::string> sideMap(int track, const std::map<int, int>& bad = {}) {
    std::vector<std::string> rows;
    for (int s = 0; s < 18; ++s) {
        const auto code = bad.find(s);
        rows.push_back("0:" + std::to_string(track) + ":" + (code != bad.end() ? "B" : "R") +
                       std::to_string(s) + (code != bad.end() ? "/" + std::to_string(code->second) : ""));
    }
    return rows;
}

std::map<int, int> wholeSide(int code) {
    std::map<int, int> bad;
    for (int s = 0; s < 18; ++s) {
        bad[s] = code;
    }
    return bad;
}

TEST(SectorBySectorRead, KeepsEverySectorThatComesBackAndMapsTheRest) {
    struct Case {
        const char* name;
        bool sectorBySector;
        std::string faults;
        std::string line12;
        std::vector<int> filler;  // sectors of 0:12 left as filler
        std::vector<std::string> map;
    };
    const Case cases[] = {
        {"two sectors never come back",
         true,
         "0:12:23:99:5;0:12:27:99:9",
         "0:12 CRC Error (0x00000017), 16 of 18 sectors recovered",
         {5, 9},
         sideMap(12, {{5, 23}, {9, 27}})},
        {"a sector comes back on its second single read",
         true,
         "0:12:27:4:3",
         "0:12 Sector Not Found (0x0000001B), 18 of 18 sectors recovered",
         {},
         sideMap(12)},
        {"a whole-side fault lets every sector read alone",
         true,
         "0:12:23:3",
         "0:12 CRC Error (0x00000017), 18 of 18 sectors recovered",
         {},
         sideMap(12)},
        {"without the option the side is filler",
         false,
         "0:12:23:99:5",
         "0:12 CRC Error (0x00000017)",
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17},
         sideMap(12, wholeSide(23))},
        {"a whole track read again is recovered", true, "0:12:23:2", "0:12 Read OK", {}, sideMap(12)},
    };
    for (const Case& c : cases) {
        SimulatedFloppyDriver driver(patternDisk(1), SimulatedFloppyDriver::ParseFaults(c.faults));
        ScriptedPrompter prompter;
        DiskReader reader(driver, prompter);
        ReadOptions options;
        options.bSectorBySector = c.sectorBySector;
        DiskImage image;
        const ReadReport report = reader.ReadDisk("A", options, image);
        ASSERT_EQ(report.outcome, ReadOutcome::Published) << c.name;
        EXPECT_EQ(report.statusLines.at(12), c.line12) << c.name;
        EXPECT_EQ(report.statusLines.at(13), "0:13 Read OK") << c.name;
        EXPECT_EQ(report.failedSides.size(), c.filler.empty() ? 0u : 1u) << c.name;
        EXPECT_TRUE(bytesEqual(withFiller(patternDisk(1), 12, c.filler), image.bytes)) << c.name;
        EXPECT_EQ(image.sectorMap->geometry, (SectorGeometry{40, 1, 18, 256})) << c.name;
        EXPECT_EQ(mapOf(image), c.map) << c.name;
    }
}

TEST(SectorBySectorRead, CleanReadYieldsAnAllGoodMap) {
    SimulatedFloppyDriver driver(patternDisk(1), {});
    ScriptedPrompter prompter;
    DiskReader reader(driver, prompter);
    DiskImage image;
    ReadOptions options;
    options.bSectorBySector = true;
    reader.ReadDisk("A", options, image);
    ASSERT_TRUE(image.sectorMap.has_value());
    EXPECT_TRUE(image.sectorMap->allGood());
    EXPECT_EQ(driver.ReadRequests(), 40) << "no single-sector reads without a failed side";
}

TEST(EightyTrackRead, ReadsAnEightyTrackDiskWithoutDoubleStep) {
    const std::vector<std::uint8_t> disk = patternDisk(2, 80);
    ASSERT_EQ(disk.size(), 737280u);
    struct Case {
        const char* name;
        int tracks;
        bool ok;
    };
    for (const Case c : {Case{"80 tracks", 80, true}, Case{"40 tracks with double step", 40, false}}) {
        SimulatedFloppyDriver driver(disk, {});
        ScriptedPrompter prompter;
        DiskReader reader(driver, prompter);
        ReadOptions options;
        options.Tracks = c.tracks;
        options.bDoubleSided = true;
        DiskImage image;
        const ReadReport report = reader.ReadDisk("A", options, image);
        EXPECT_EQ(report.failedSides.empty(), c.ok) << c.name;
        EXPECT_EQ(report.statusLines.size(), static_cast<std::size_t>(2 * c.tracks)) << c.name;
        EXPECT_EQ(image.sectorMap->geometry, (SectorGeometry{c.tracks, 2, 18, 256})) << c.name;
        if (c.ok) {
            EXPECT_TRUE(bytesEqual(disk, image.bytes));
            EXPECT_EQ(driver.Seeks().at(2 * 79), 79) << "track 79 under cylinder 79";
        } else {
            EXPECT_EQ(report.statusLines.at(2), "0:1 Wrong Cylinder (0x00000463)");
        }
    }
}

class RetryBadSectors : public ::testing::Test {
protected:
    ReadReport retry(const std::string& faults, const ReadOptions& options = {}) {
        SimulatedFloppyDriver driver(patternDisk(1), SimulatedFloppyDriver::ParseFaults(faults));
        DiskReader reader(driver, prompter);
        const ReadReport report = reader.RetryBadSectors("A", options, image);
        requests = driver.ReadRequests();
        return report;
    }

    ScriptedPrompter prompter;
    DiskImage image;
    int requests = 0;
};

TEST_F(RetryBadSectors, TwoReadsWithDifferentFaultsMergeIntoTheCleanImage) {
    SimulatedFloppyDriver first(patternDisk(1),
                                SimulatedFloppyDriver::ParseFaults("0:3:23:99:4;0:20:1122:99"));
    DiskReader reader(first, prompter);
    ReadOptions options;
    options.bSectorBySector = true;
    reader.ReadDisk("A", options, image);
    ASSERT_EQ(image.sectorMap->entries.size(), 18u + 18u);

    // The second read fails elsewhere, and once more on one sector of track 20.
    const ReadReport report = retry("0:3:23:99:0;0:20:27:99:7;0:30:23:99");
    EXPECT_EQ(requests, 18 + 3) << "only the 19 bad sectors, three attempts at the one that stays bad";
    EXPECT_EQ(report.statusLines, (std::vector<std::string>{"0:3 Read OK, 1 of 1 sectors recovered",
                                                            "0:20 Sector Not Found (0x0000001B), 17 of 18 "
                                                            "sectors recovered"}));
    EXPECT_TRUE(bytesEqual(withFiller(patternDisk(1), 20, {7}), image.bytes));
    EXPECT_EQ(mapOf(image).at(18 + 7), "0:20:B7/27");

    ASSERT_EQ(retry("").outcome, ReadOutcome::Published);
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(bytesEqual(patternDisk(1), image.bytes));
    std::vector<std::string> map = sideMap(3);
    const auto side20 = sideMap(20);
    map.insert(map.end(), side20.begin(), side20.end());
    EXPECT_EQ(mapOf(image), map);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(RetryBadSectors, WithoutAMapOfTheSameGeometryNothingIsRead) {
    ReadOptions twoSides;
    twoSides.bDoubleSided = true;
    struct Case {
        const char* name;
        std::optional<SectorMap> map;
        std::size_t length;
        ReadOptions options;
    };
    const Case cases[] = {
        {"no map", std::nullopt, 184320, {}},
        {"other sides", SectorMap{{40, 1, 18, 256}, {{0, 0, 1, SectorState::Bad, 23}}}, 184320, twoSides},
        {"other length", SectorMap{{40, 1, 18, 256}, {{0, 0, 1, SectorState::Bad, 23}}}, 1000, {}},
    };
    for (const Case& c : cases) {
        image.bytes.assign(c.length, 0x11);
        image.sectorMap = c.map;
        prompter.shown.clear();
        EXPECT_EQ(retry("", c.options).outcome, ReadOutcome::NoMap) << c.name;
        EXPECT_EQ(requests, 0) << c.name;
        ASSERT_EQ(prompter.shown.size(), 1u) << c.name;
        EXPECT_EQ(prompter.shown[0].text, kNoMapToRetryMessage) << c.name;
        EXPECT_EQ(image.bytes, std::vector<std::uint8_t>(c.length, 0x11)) << c.name;
    }
}

TEST(SectorReadCommand, NamesTheOneSectorAsFirstAndLast) {
    const linuxfd::RawCommand c = linuxfd::SectorReadCommand(1, 12, 1, 9, 1, 256);
    // READ DATA|MFM, unit 1 head 1, C 12, H 1, R 9, N 1, EOT 9, gap, DTL
    EXPECT_EQ(c.cmd, (std::vector<std::uint8_t>{0x46, 0x05, 12, 1, 9, 1, 9, 0x0A, 0xFF}));
    EXPECT_EQ(c.length, 256u);
}

}  // namespace
