#include <gtest/gtest.h>

#include "floppy/DiskReader.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/LinuxRawCommand.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "support/TestSupport.h"

namespace {

using floppyfix::kTrackSide;
using floppyfix::patternDisk;

// The pattern disk with the given sectors of head 0 as filler.
std::vector<std::uint8_t> withFiller(int track, const std::vector<int>& sectors) {
    std::vector<std::uint8_t> disk = patternDisk(1);
    for (const int s : sectors) {
        std::fill_n(disk.begin() + static_cast<std::ptrdiff_t>(track * kTrackSide + s * 256), 256, 0xE5);
    }
    return disk;
}

// "16 recovered, bad 0:12:5/23 0:12:9/27": the map in one line (head:track:sector/code).
std::string mapText(const DiskImage& image) {
    int recovered = 0;
    std::string bad;
    for (const SectorStatus& e : image.sectorMap.value().entries) {
        if (e.state == SectorState::Recovered) {
            ++recovered;
        } else {
            bad += " " + std::to_string(e.head) + ":" + std::to_string(e.cylinder) + ":" +
                   std::to_string(e.sector) + "/" + std::to_string(e.error);
        }
    }
    return std::to_string(recovered) + " recovered, bad" + bad;
}

TEST(SectorBySectorRead, KeepsEverySectorThatComesBackAndMapsTheRest) {
    struct Case {
        const char* name;
        std::string faults;
        std::string line12;
        std::vector<int> filler;  // sectors of 0:12 left as filler
        std::string map;
    };
    const Case cases[] = {
        {"two sectors never come back",
         "0:12:23:99:5;0:12:27:99:9",
         "0:12 CRC Error (0x00000017), 16 of 18 sectors recovered",
         {5, 9},
         "16 recovered, bad 0:12:5/23 0:12:9/27"},
        {"a sector comes back on its second single read",
         "0:12:27:4:3",
         "0:12 Sector Not Found (0x0000001B), 18 of 18 sectors recovered",
         {},
         "18 recovered, bad"},
        {"a whole-side fault lets every sector read alone",
         "0:12:23:3",
         "0:12 CRC Error (0x00000017), 18 of 18 sectors recovered",
         {},
         "18 recovered, bad"},
        {"a whole track read again is recovered", "0:12:23:2", "0:12 Read OK", {}, "18 recovered, bad"},
        {"a clean read", "", "0:12 Read OK", {}, "0 recovered, bad"},
    };
    for (const Case& c : cases) {
        SimulatedFloppyDriver driver(patternDisk(1), SimulatedFloppyDriver::ParseFaults(c.faults));
        ScriptedPrompter prompter;
        DiskReader reader(driver, prompter);
        ReadOptions options;
        options.bSectorBySector = true;
        DiskImage image;
        const ReadReport report = reader.ReadDisk("A", options, image);
        EXPECT_EQ(report.statusLines.at(12), c.line12) << c.name;
        EXPECT_EQ(report.failedSides.size(), c.filler.empty() ? 0u : 1u) << c.name;
        EXPECT_TRUE(bytesEqual(withFiller(12, c.filler), image.bytes)) << c.name;
        EXPECT_EQ(image.sectorMap->geometry, (SectorGeometry{40, 1, 18, 256})) << c.name;
        EXPECT_EQ(mapText(image), c.map) << c.name;
    }
}

TEST(EightyTrackRead, ReadsAnEightyTrackDiskWithoutDoubleStep) {
    const std::vector<std::uint8_t> disk = patternDisk(2, 80);
    ASSERT_EQ(disk.size(), 737280u);
    SimulatedFloppyDriver driver(disk, {});
    ScriptedPrompter prompter;
    DiskReader reader(driver, prompter);
    ReadOptions options;  // double step stays marked: 80 tracks overrule it
    options.Tracks = 80;
    options.bDoubleSided = true;
    DiskImage image;
    EXPECT_TRUE(reader.ReadDisk("A", options, image).failedSides.empty());
    EXPECT_TRUE(bytesEqual(disk, image.bytes));
    EXPECT_EQ(driver.Seeks().back(), 79);
    EXPECT_EQ(image.sectorMap->geometry, (SectorGeometry{80, 2, 18, 256}));
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

    // The second read fails elsewhere, and once more on one sector of track 20.
    const ReadReport report = retry("0:3:23:99:0;0:20:27:99:7;0:30:23:99");
    EXPECT_EQ(requests, 18 + 3) << "only the 19 bad sectors, three attempts at the one that stays bad";
    EXPECT_EQ(report.statusLines, (std::vector<std::string>{"0:3 Read OK, 1 of 1 sectors recovered",
                                                            "0:20 Sector Not Found (0x0000001B), 17 of 18 "
                                                            "sectors recovered"}));
    EXPECT_TRUE(bytesEqual(withFiller(20, {7}), image.bytes));
    EXPECT_EQ(mapText(image), "35 recovered, bad 0:20:7/27");

    ASSERT_EQ(retry("").outcome, ReadOutcome::Published);
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(bytesEqual(patternDisk(1), image.bytes));
    EXPECT_EQ(mapText(image), "36 recovered, bad");
}

TEST_F(RetryBadSectors, WithoutAMapOfTheSameGeometryNothingIsRead) {
    ReadOptions twoSides;
    twoSides.bDoubleSided = true;
    const SectorMap oneBad{{40, 1, 18, 256}, {{0, 0, 1, SectorState::Bad, 23}}};
    for (const auto& [map, options] : {std::pair{std::optional<SectorMap>{}, ReadOptions{}},
                                       std::pair{std::optional<SectorMap>{oneBad}, twoSides}}) {
        image.bytes.assign(184320, 0x11);
        image.sectorMap = map;
        prompter.shown.clear();
        EXPECT_EQ(retry("", options).outcome, ReadOutcome::NoMap);
        EXPECT_EQ(requests, 0);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, kNoMapToRetryMessage);
        EXPECT_EQ(image.bytes, std::vector<std::uint8_t>(184320, 0x11));
    }
}

TEST(SectorReadCommand, NamesTheOneSectorAsFirstAndLast) {
    const linuxfd::RawCommand c = linuxfd::SectorReadCommand(1, 12, 1, 9, 1, 256);
    // READ DATA|MFM, unit 1 head 1, C 12, H 1, R 9, N 1, EOT 9, gap, DTL
    EXPECT_EQ(c.cmd, (std::vector<std::uint8_t>{0x46, 0x05, 12, 1, 9, 1, 9, 0x0A, 0xFF}));
    EXPECT_EQ(c.length, 256u);
}

}  // namespace
