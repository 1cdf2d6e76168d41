// The read engine: whole-track reads with retries, filler for what never
// comes back, Cancel, and the sector-by-sector rescue of bad sides.

#include <algorithm>
#include <functional>

#include "floppy/DiskReader.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/NoFloppyDriver.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "support/TestSupport.h"

namespace {

using floppyfix::kOneSide;
using floppyfix::kTrackSide;
using floppyfix::patternDisk;

const Bytes kOldImage{'o', 'l', 'd'};

// The single-sided pattern disk with the given sectors of head 0 as filler.
Bytes withFiller(int track, const std::vector<int>& sectors) {
    Bytes disk = patternDisk(1);
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

class DiskReaderTest : public ::testing::Test {
protected:
    ReadReport read(modFDRawCmd& driver, const std::string& drive, const ReadOptions& options = {}) {
        // Records what the dialog would have shown, in order.
        DiskReader reader(driver, prompter);
        ReadHooks h;
        h.readingState = [this](bool reading) { events.push_back(reading ? "reading" : "idle"); };
        h.sideStarting = [this, &reader](int t, int head) {
            events.push_back("start " + std::to_string(head) + ":" + std::to_string(t));
            if (onSide) {
                onSide(t, head, reader);
            }
        };
        return reader.ReadDisk(drive, options, image, h);
    }

    // One whole-disk read of disk with faults, and what it should give.
    struct ReadCase {
        const char* name = "";
        Bytes disk;
        std::string faults;
        ReadOptions options;
        std::vector<std::string> lines;  // some of the status lines, each as "head:track text"
        std::size_t failedSides = 0;
        int requests = 0;  // the read requests the drive saw
        Bytes published;
        std::size_t recovered = 0;  // sectors the map lists as recovered
    };

    void expectRead(const ReadCase& c) {
        SCOPED_TRACE(c.name);
        const ReadOptions& options = c.options;
        SimulatedFloppyDriver driver(c.disk, SimulatedFloppyDriver::ParseFaults(c.faults));
        events.clear();
        const ReadReport report = read(driver, "a", options);
        EXPECT_EQ(report.outcome, ReadOutcome::Published);
        const int sides = options.bDoubleSided ? 2 : 1;
        ASSERT_EQ(report.statusLines.size(), static_cast<std::size_t>(sides * options.Tracks));
        for (const std::string& line : c.lines) {
            EXPECT_EQ(report.statusLines.at(std::stoi(line.substr(2)) * sides + (line[0] - '0')), line);
        }
        EXPECT_EQ(report.failedSides.size(), c.failedSides);
        EXPECT_EQ(driver.ReadRequests(), c.requests);
        EXPECT_TRUE(bytesEqual(c.published, image.bytes));
        EXPECT_EQ(image.sectorMap->geometry, (SectorGeometry{options.Tracks, sides, 18, 256}));
        EXPECT_EQ(std::count_if(image.sectorMap->entries.begin(), image.sectorMap->entries.end(),
                                [](const SectorStatus& e) { return e.state == SectorState::Recovered; }),
                  static_cast<std::ptrdiff_t>(c.recovered));
        ASSERT_EQ(events.size(), report.statusLines.size() + 2);
        EXPECT_EQ(events[0] + "," + events[1] + "," + events.back(), "reading,start 0:0,idle");
        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_EQ(prompter.busyDepth, 0);
    }

    ScriptedPrompter prompter;
    std::vector<std::string> events;
    std::function<void(int track, int head, DiskReader&)> onSide;
    DiskImage image{kOldImage};
};

TEST_F(DiskReaderTest, DriveLetterIsTrimmedAndUpperCased) {
    const std::pair<const char*, int> valid[] = {{"A", 0}, {" b ", 1}, {"  Z", 25}};
    expectEach(valid, [](const auto& text) { return DiskReader::DriveNumber(text); });
    for (const char* text : {"   ", "AB", "1", "\tA", "@", "[", "\xC3\xA9"}) {
        EXPECT_FALSE(DiskReader::DriveNumber(text).has_value()) << '"' << text << '"';
    }
}

// Single-sided track sides from .. to - 1 of the disk as filler.
Bytes sidesFilled(Bytes disk, int from, int to, std::uint8_t filler = 0xE5) {
    std::fill(disk.begin() + from * kTrackSide, disk.begin() + to * kTrackSide, filler);
    return disk;
}

TEST_F(DiskReaderTest, ReadsEverySideInOrderRetriesThreeTimesAndFillsWhatFails) {
    expectRead({.name = "double sided: head 0 before head 1",
                .disk = patternDisk(2),
                .faults = "",
                .options = {.bDoubleSided = true},
                .lines = {"1:0 Read OK", "0:39 Read OK"},
                .failedSides = 0,
                .requests = 80,
                .published = patternDisk(2)});
    expectRead({.name = "80 tracks are never double-stepped",
                .disk = patternDisk(2, 80),
                .faults = "",
                .options = {.bDoubleSided = true, .Tracks = 80},
                .lines = {"1:79 Read OK"},
                .failedSides = 0,
                .requests = 160,
                .published = patternDisk(2, 80)});
    expectRead({.name = "sides that succeed on the second and third attempt",
                .disk = patternDisk(1),
                .faults = "0:3:23:1;0:6:1122:2",
                .options = {},
                .lines = {"0:3 Read OK", "0:6 Read OK"},
                .failedSides = 0,
                .requests = 40 + 1 + 2,
                .published = patternDisk(1),
                .recovered = 2 * 18});
    expectRead({.name = "single step hits the wrong cylinder",
                .disk = patternDisk(1),
                .faults = "",
                .options = {.bDoubleStep = false},
                .lines = {"0:0 Read OK", "0:39 Wrong Cylinder (0x00000463)"},
                .failedSides = 39,
                .requests = 1 + 39 * 3,
                .published = sidesFilled(patternDisk(1), 1, 40)});
    Bytes damaged = patternDisk(1);  // stops inside track 20; the tracks after were never formatted
    damaged.resize(20 * kTrackSide + 1000);
    expectRead({.name = "damaged disk with a bad side, filler 0x00",
                .disk = damaged,
                .faults = "0:12:23:3",
                .options = {.FillerByte = 0x00},
                .lines = {"0:12 CRC Error (0x00000017)", "0:13 Read OK", "0:19 Read OK",
                          "0:20 Sector Not Found (0x0000001B)", "0:21 ID Mark Not Found (0x00000462)"},
                .failedSides = 21,
                // 19 good sides at once; three attempts at 0:12 and at each of the 20 from track 20 on
                .requests = 19 + 3 + 20 * 3,
                .published = sidesFilled(sidesFilled(patternDisk(1), 12, 13, 0), 20, 40, 0)});
}

TEST_F(DiskReaderTest, CancelDuringTrackFiveFinishesThatSideAndKeepsTheOldImage) {
    // Track 5 head 0 needs all three attempts: Cancel must not cut them short.
    SimulatedFloppyDriver sim(patternDisk(2), {{0, 5, 23, 2}});
    onSide = [](int t, int h, DiskReader& reader) {
        if (t == 5 && h == 0) {
            reader.Cancel();
        }
    };
    const ReadReport report = read(sim, "A", {.bDoubleSided = true});
    EXPECT_EQ(report.outcome, ReadOutcome::Canceled);
    ASSERT_EQ(report.statusLines.size(), 11u);
    EXPECT_EQ(report.statusLines.back(), "0:5 Read OK");
    EXPECT_EQ(sim.ReadRequests(), 10 + 3);  // all three attempts at 0:5, nothing after it
    EXPECT_EQ(events.back(), "idle");
    EXPECT_TRUE(bytesEqual(kOldImage, image.bytes));
}

TEST_F(DiskReaderTest, InvalidOrMissingDriveReadsNothing) {
    SimulatedFloppyDriver driver(patternDisk(1), {});  // drive A only
    EXPECT_EQ(read(driver, "AB").outcome, ReadOutcome::InvalidDrive);
    prompter.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};  // asks again until Cancel
    EXPECT_EQ(read(driver, "b").outcome, ReadOutcome::NoFloppy);
    EXPECT_EQ(prompter.shown.size(), 3u);
    EXPECT_TRUE(events.empty() && driver.ReadRequests() == 0);
    EXPECT_TRUE(bytesEqual(kOldImage, image.bytes));
}

// A driver that breaks its promises: a track of another length, or a failure
// (a fault it trapped) that names no error.
class BrokenPromiseDriver : public NoFloppyDriver {
public:
    explicit BrokenPromiseDriver(bool shortTrack) : m_shortTrack(shortTrack) {}
    bool SenseDriveStatus(std::uint8_t, std::string&) override { return true; }
    bool ReadSingleTrack(std::uint8_t, std::uint8_t, std::uint8_t, Bytes& data, std::int32_t&, std::string&,
                         std::int32_t, bool) override {
        data.assign(100, 0x11);
        return m_shortTrack;
    }

private:
    bool m_shortTrack;
};

TEST_F(DiskReaderTest, AFailureTheDriverDoesNotExplainIsStillRecorded) {
    for (const bool shortTrack : {true, false}) {
        BrokenPromiseDriver driver(shortTrack);
        EXPECT_EQ(read(driver, "A").statusLines[0], "0:0 Floppy Unknown Error (0x00000464)");
        EXPECT_EQ(image.bytes, Bytes(kOneSide, 0xE5));
        EXPECT_EQ(image.sectorMap->entries.front().error, fderr::FloppyUnknownError);
    }
}

TEST_F(DiskReaderTest, SectorBySectorKeepsEverySectorThatComesBackAndMapsTheRest) {
    const struct {
        const char* name;
        std::string faults;
        std::string line12;
        std::vector<int> filler;  // sectors of 0:12 left as filler
        std::string map;
    } cases[] = {
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
        {"a whole track read again is recovered", "0:12:23:2", "0:12 Read OK", {}, "18 recovered, bad"},
        {"a clean read", "", "0:12 Read OK", {}, "0 recovered, bad"},
    };
    for (const auto& c : cases) {
        SimulatedFloppyDriver driver(patternDisk(1), SimulatedFloppyDriver::ParseFaults(c.faults));
        const ReadReport report = read(driver, "A", {.bSectorBySector = true});
        EXPECT_EQ(report.statusLines.at(12), c.line12) << c.name;
        EXPECT_EQ(report.failedSides.size(), c.filler.empty() ? 0u : 1u) << c.name;
        EXPECT_TRUE(bytesEqual(withFiller(12, c.filler), image.bytes)) << c.name;
        EXPECT_EQ(mapText(image), c.map) << c.name;
    }
}

TEST_F(DiskReaderTest, RetryOfBadSectorsMergesIntoTheImageRead) {
    SimulatedFloppyDriver first(patternDisk(1),
                                SimulatedFloppyDriver::ParseFaults("0:3:23:99:4;0:20:1122:99"));
    read(first, "A", {.bSectorBySector = true});
    const auto retry = [this](const std::string& faults, const ReadOptions& options = {}) {
        SimulatedFloppyDriver driver(patternDisk(1), SimulatedFloppyDriver::ParseFaults(faults));
        const ReadReport report = DiskReader(driver, prompter).RetryBadSectors("A", options, image);
        return std::pair{report, driver.ReadRequests()};
    };
    // The second read fails elsewhere, and once more on one sector of track 20:
    // only the 19 bad sectors are read, three attempts at the one that stays bad.
    const auto [report, requests] = retry("0:3:23:99:0;0:20:27:99:7;0:30:23:99");
    EXPECT_EQ(requests, 18 + 3);
    EXPECT_EQ(report.statusLines,
              (std::vector<std::string>{"0:3 Read OK, 1 of 1 sectors recovered",
                                        "0:20 Sector Not Found (0x0000001B), 17 of 18 sectors recovered"}));
    EXPECT_TRUE(bytesEqual(withFiller(20, {7}), image.bytes));
    EXPECT_EQ(mapText(image), "35 recovered, bad 0:20:7/27");
    EXPECT_EQ(retry("").second, 1);
    EXPECT_TRUE(bytesEqual(patternDisk(1), image.bytes));
    EXPECT_EQ(mapText(image), "36 recovered, bad");

    // A map of another geometry, or none: nothing is read.
    for (const auto& map : {std::optional<SectorMap>{image.sectorMap}, std::optional<SectorMap>{}}) {
        image.sectorMap = map;
        prompter.shown.clear();
        const auto [refused, none] = retry("", {.bDoubleSided = map.has_value()});
        EXPECT_EQ(refused.outcome, ReadOutcome::NoMap);
        EXPECT_EQ(none, 0);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_TRUE(bytesEqual(patternDisk(1), image.bytes));
    }
}

}  // namespace
