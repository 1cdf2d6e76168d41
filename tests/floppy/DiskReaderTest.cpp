#include <gtest/gtest.h>

#include <functional>

#include "floppy/DiskReader.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/NoFloppyDriver.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "support/TestSupport.h"

namespace {

using floppyfix::kOneSide;
using floppyfix::kTrackSide;
using floppyfix::kTwoSides;
using floppyfix::patternDisk;
using floppyfix::trackSide;

const std::vector<std::uint8_t> kOldImage{'o', 'l', 'd'};

// Everything the dialog would have shown, in order.
struct Watch {
    std::vector<std::string> events;
    std::vector<ReadProgress> progress;
    std::function<void(const ReadProgress&, DiskReader&)> onProgress;

    ReadHooks hooks(DiskReader& reader) {
        ReadHooks h;
        h.readingState = [this](bool reading) { events.push_back(reading ? "reading" : "idle"); };
        h.sideStarting = [this](int t, int head) {
            events.push_back("start " + std::to_string(head) + ":" + std::to_string(t));
        };
        h.progress = [this, &reader](const ReadProgress& p) {
            progress.push_back(p);
            if (onProgress) {
                onProgress(p, reader);
            }
        };
        return h;
    }
};

std::vector<std::string> okLines(int sides) {
    std::vector<std::string> lines;
    for (int t = 0; t < 40; ++t) {
        for (int h = 0; h < sides; ++h) {
            lines.push_back(std::to_string(h) + ":" + std::to_string(t) + " Read OK");
        }
    }
    return lines;
}

class DiskReaderTest : public ::testing::Test {
protected:
    ReadReport read(modFDRawCmd& driver, const std::string& drive, const ReadOptions& options = {}) {
        DiskReader reader(driver, prompter);
        return readWith(reader, drive, options);
    }
    ReadReport readWith(DiskReader& reader, const std::string& drive, const ReadOptions& options = {}) {
        return reader.ReadDisk(drive, options, image, watch.hooks(reader));
    }

    ScriptedPrompter prompter;
    Watch watch;
    DiskImage image{kOldImage};
};

TEST_F(DiskReaderTest, DriveLetterIsTrimmedAndUpperCased) {
    const std::pair<const char*, int> valid[] = {{"A", 0}, {" b ", 1}, {"  Z", 25}};
    for (const auto& [text, number] : valid) {
        EXPECT_EQ(DiskReader::DriveNumber(text), number) << '"' << text << '"';
    }
    for (const char* text : {"   ", "AB", "1", "\tA", "@", "[", "\xC3\xA9"}) {
        EXPECT_FALSE(DiskReader::DriveNumber(text).has_value()) << '"' << text << '"';
    }
}

TEST_F(DiskReaderTest, InvalidDriveIsRefusedWithItsMessageAndNothingChanges) {
    SimulatedFloppyDriver driver(patternDisk(1), {});
    for (const char* text : {"", "AB", "1"}) {
        prompter.shown.clear();
        const ReadReport report = read(driver, text);
        EXPECT_EQ(report.outcome, ReadOutcome::InvalidDrive) << text;
        EXPECT_EQ(prompter.shown.size(), 1u);
    }
    EXPECT_TRUE(watch.events.empty());
    EXPECT_EQ(driver.ReadRequests(), 0);
    EXPECT_TRUE(bytesEqual(kOldImage, image.bytes));
}

TEST_F(DiskReaderTest, CleanSingleSidedReadPublishesTheNominalImage) {
    SimulatedFloppyDriver driver(patternDisk(1), {});
    const ReadReport report = read(driver, "a");
    EXPECT_EQ(report.outcome, ReadOutcome::Published);
    EXPECT_EQ(report.drive, 0);
    ASSERT_EQ(image.bytes.size(), kOneSide);
    EXPECT_TRUE(bytesEqual(patternDisk(1), image.bytes));
    EXPECT_EQ(report.statusLines, okLines(1));
    EXPECT_TRUE(report.failedSides.empty());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(prompter.busyDepth, 0);
}

TEST_F(DiskReaderTest, DoubleSidedReadTakesHeadZeroBeforeHeadOne) {
    SimulatedFloppyDriver driver(patternDisk(2), {});
    ReadOptions options;
    options.bDoubleSided = true;
    const ReadReport report = read(driver, "A", options);
    EXPECT_EQ(report.outcome, ReadOutcome::Published);
    ASSERT_EQ(image.bytes.size(), kTwoSides);
    EXPECT_TRUE(bytesEqual(patternDisk(2), image.bytes));
    EXPECT_EQ(report.statusLines, okLines(2));
    ASSERT_EQ(watch.events.size(), 82u);
    EXPECT_EQ(watch.events[0], "reading");
    EXPECT_EQ(watch.events[1], "start 0:0");
    EXPECT_EQ(watch.events[2], "start 1:0");
    EXPECT_EQ(watch.events[81], "idle");
}

TEST_F(DiskReaderTest, WithoutDoubleStepEveryTrackButTheFirstHitsTheWrongCylinder) {
    SimulatedFloppyDriver driver(patternDisk(1), {});
    ReadOptions options;
    options.bDoubleStep = false;
    const ReadReport report = read(driver, "A", options);
    EXPECT_EQ(report.outcome, ReadOutcome::Published) << "a read with failures is still published";
    ASSERT_EQ(report.statusLines.size(), 40u);
    EXPECT_EQ(report.statusLines[0], "0:0 Read OK");
    EXPECT_EQ(report.statusLines[1], "0:1 Wrong Cylinder (0x00000463)");
    EXPECT_EQ(report.statusLines[39], "0:39 Wrong Cylinder (0x00000463)");
    EXPECT_EQ(report.failedSides.size(), 39u);
    EXPECT_EQ(driver.ReadRequests(), 1 + 39 * 3);
    std::vector<int> seeks{0};  // single step seeks to the track itself, once per attempt
    for (int t = 1; t < 40; ++t) {
        seeks.insert(seeks.end(), 3, t);
    }
    EXPECT_EQ(driver.Seeks(), seeks);
    std::vector<std::uint8_t> expected = trackSide(0, 0);
    expected.resize(kOneSide, 0xE5);
    EXPECT_TRUE(bytesEqual(expected, image.bytes));
}

TEST_F(DiskReaderTest, SideThatSucceedsOnALaterAttemptShowsOnlyReadOk) {
    SimulatedFloppyDriver driver(patternDisk(1), {{0, 3, 23, 1}, {0, 6, 1122, 2}});
    const ReadReport report = read(driver, "A");
    EXPECT_EQ(report.statusLines, okLines(1));
    EXPECT_TRUE(bytesEqual(patternDisk(1), image.bytes));
    EXPECT_EQ(watch.progress[3].attempts, 2);
    EXPECT_EQ(watch.progress[6].attempts, 3);
    EXPECT_TRUE(watch.progress[6].ok);
}

TEST_F(DiskReaderTest, SideThatFailsThreeTimesBecomesFillerAndTheReadGoesOn) {
    struct Case {
        const char* name;
        std::uint8_t filler;
    };
    for (const Case c : {Case{"filler 0xE5", 0xE5}, Case{"filler 0x00", 0x00}}) {
        SimulatedFloppyDriver driver(patternDisk(1), {{0, 12, 23, 3}});
        ReadOptions options;
        options.FillerByte = c.filler;
        image.bytes = kOldImage;
        const ReadReport report = read(driver, "A", options);
        EXPECT_EQ(report.outcome, ReadOutcome::Published) << c.name;
        ASSERT_EQ(report.statusLines.size(), 40u) << c.name;
        EXPECT_EQ(report.statusLines[12], "0:12 CRC Error (0x00000017)") << c.name;
        EXPECT_EQ(report.statusLines[13], "0:13 Read OK") << c.name;
        ASSERT_EQ(report.failedSides.size(), 1u);
        EXPECT_EQ(report.failedSides[0].track, 12);
        EXPECT_EQ(report.failedSides[0].sErrorText, "CRC Error (0x00000017)");
        std::vector<std::uint8_t> expected = patternDisk(1);
        std::fill_n(expected.begin() + 12 * kTrackSide, kTrackSide, c.filler);
        EXPECT_TRUE(bytesEqual(expected, image.bytes)) << c.name;
    }
}

// Passes every request on, and lets a test act while a track is being read,
// the way a press of Cancel arrives in the middle of a side.
class InterceptingDriver : public modFDRawCmd {
public:
    explicit InterceptingDriver(modFDRawCmd& inner) : modFDRawCmd(nullptr), m_inner(inner) {}
    bool IsDriverPresent(std::uint32_t& version) override { return m_inner.IsDriverPresent(version); }
    bool SenseDriveStatus(std::uint8_t drive, std::string& text) override {
        return m_inner.SenseDriveStatus(drive, text);
    }
    bool ReadSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                         std::vector<std::uint8_t>& data, std::int32_t& code, std::string& text,
                         std::int32_t sizeCode, bool doubleStep) override {
        if (duringRead) {
            duringRead(cylinder, head);
        }
        return m_inner.ReadSingleTrack(drive, cylinder, head, data, code, text, sizeCode, doubleStep);
    }
    std::function<void(int track, int head)> duringRead;

private:
    modFDRawCmd& m_inner;
};

TEST_F(DiskReaderTest, CancelDuringTrackFiveFinishesThatSideAndKeepsTheOldImage) {
    // Track 5 head 0 needs all three attempts: Cancel must not cut them short.
    SimulatedFloppyDriver sim(patternDisk(2), {{0, 5, 23, 2}});
    InterceptingDriver driver(sim);
    ReadOptions options;
    options.bDoubleSided = true;
    DiskReader reader(driver, prompter);
    driver.duringRead = [&reader](int t, int h) {
        if (t == 5 && h == 0) {
            reader.Cancel();
        }
    };
    const ReadReport report = readWith(reader, "A", options);
    EXPECT_EQ(report.outcome, ReadOutcome::Canceled);
    EXPECT_TRUE(reader.Canceled());
    ASSERT_EQ(report.statusLines.size(), 11u);
    EXPECT_EQ(report.statusLines.back(), "0:5 Read OK");
    EXPECT_EQ(watch.progress.back().attempts, 3);
    EXPECT_EQ(sim.ReadRequests(), 10 + 3) << "nothing after 0:5, not even its head 1";
    EXPECT_EQ(watch.events.back(), "idle");
    EXPECT_EQ(prompter.busyDepth, 0);
    EXPECT_TRUE(bytesEqual(kOldImage, image.bytes));
}

TEST_F(DiskReaderTest, MissingDriveAsksWithEmptyBracketsUntilCancel) {
    SimulatedFloppyDriver driver(patternDisk(1), {});
    prompter.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
    const ReadReport report = read(driver, "b");
    EXPECT_EQ(report.outcome, ReadOutcome::NoFloppy);
    EXPECT_EQ(report.drive, 1);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(watch.events.empty());
    EXPECT_TRUE(bytesEqual(kOldImage, image.bytes));
}

TEST_F(DiskReaderTest, DamagedDiskReadsWhatItCanAndFillsTheRest) {
    // The image stops in the middle of track 20: that track lacks sectors,
    // the ones after were never formatted.
    std::vector<std::uint8_t> disk = patternDisk(1);
    disk.resize(20 * kTrackSide + 1000);
    SimulatedFloppyDriver driver(disk, {});
    const ReadReport report = read(driver, "A");
    EXPECT_EQ(report.outcome, ReadOutcome::Published);
    EXPECT_EQ(report.statusLines[19], "0:19 Read OK");
    EXPECT_EQ(report.statusLines[20], "0:20 Sector Not Found (0x0000001B)");
    EXPECT_EQ(report.statusLines[21], "0:21 ID Mark Not Found (0x00000462)");
    EXPECT_EQ(report.failedSides.size(), 20u);
    std::vector<std::uint8_t> expected(disk.begin(), disk.begin() + 20 * kTrackSide);
    expected.resize(kOneSide, 0xE5);
    EXPECT_TRUE(bytesEqual(expected, image.bytes));
}

// A driver that breaks its promise of exactly one track's length.
class ShortTrackDriver : public NoFloppyDriver {
public:
    bool SenseDriveStatus(std::uint8_t, std::string&) override { return true; }
    bool ReadSingleTrack(std::uint8_t, std::uint8_t, std::uint8_t, std::vector<std::uint8_t>& data,
                         std::int32_t&, std::string&, std::int32_t, bool) override {
        data.assign(100, 0x11);
        return true;
    }
};

TEST_F(DiskReaderTest, TrackOfTheWrongLengthIsNotTrusted) {
    ShortTrackDriver driver;
    const ReadReport report = read(driver, "A");
    EXPECT_EQ(report.statusLines[0], "0:0 Floppy Unknown Error (0x00000464)");
    EXPECT_EQ(image.bytes, std::vector<std::uint8_t>(kOneSide, 0xE5));
}

TEST_F(DiskReaderTest, ReadingStateIsLeftWhenAHookThrows) {
    SimulatedFloppyDriver driver(patternDisk(1), {});
    DiskReader reader(driver, prompter);
    watch.onProgress = [](const ReadProgress& p, DiskReader&) {
        if (p.track == 2) {
            throw std::runtime_error("window gone");
        }
    };
    EXPECT_THROW(readWith(reader, "A"), std::runtime_error);
    EXPECT_EQ(watch.events.back(), "idle");
    EXPECT_EQ(prompter.busyDepth, 0);
    EXPECT_TRUE(bytesEqual(kOldImage, image.bytes));
}

}  // namespace
