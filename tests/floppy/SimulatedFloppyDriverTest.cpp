#include <gtest/gtest.h>

#include "floppy/FloppyFixtures.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "support/TestSupport.h"

namespace {

using floppyfix::patternDisk;
using floppyfix::trackSide;

struct TrackRead {
    bool ok = false;
    std::vector<std::uint8_t> data;
    std::int32_t code = -7;  // what the caller held before
    std::string text = "before";
};

TrackRead readTrack(SimulatedFloppyDriver& d, int cylinder, int head, bool doubleStep, int drive = 0,
                    std::int32_t sizeCode = 1) {
    TrackRead r;
    r.data = {0xAA, 0xBB};
    r.ok = d.ReadSingleTrack(static_cast<std::uint8_t>(drive), static_cast<std::uint8_t>(cylinder),
                             static_cast<std::uint8_t>(head), r.data, r.code, r.text, sizeCode, doubleStep);
    return r;
}

TEST(SimulatedFloppyDriver, FaultsFailTheFirstAttemptsOfTheirSideOnly) {
    SimulatedFloppyDriver d(patternDisk(2), {{1, 7, 23, 2}, {0, 9, -1, 1}});
    EXPECT_EQ(readTrack(d, 7, 1, true).text, "CRC Error (0x00000017)");
    EXPECT_TRUE(readTrack(d, 7, 0, true).ok) << "the other head is not affected";
    EXPECT_EQ(readTrack(d, 7, 1, true).code, 23);
    EXPECT_TRUE(readTrack(d, 7, 1, true).ok) << "the third attempt gets through";
    EXPECT_EQ(readTrack(d, 9, 0, true).text, "Unknown Error Code (0xFFFFFFFF)");
    EXPECT_TRUE(readTrack(d, 9, 0, true).ok);
    EXPECT_EQ(d.Faults()[0].remaining, 0);
    EXPECT_EQ(d.Faults()[1].remaining, 0);
}

TEST(SimulatedFloppyDriver, ImageFileIsTheDiskAndAMissingFileAnEmptyDrive) {
    TempDir dir;
    const std::string path = dir.file("disk.opu");
    SimulatedFloppyDriver d(path, {});
    std::string text;
    EXPECT_FALSE(d.SenseDriveStatus(0, text));
    EXPECT_EQ(text, "Not Ready (0x00000015)");

    writeBytes(path, patternDisk(1));
    text.clear();
    EXPECT_TRUE(d.SenseDriveStatus(0, text));
    EXPECT_EQ(text, "");
    const TrackRead r = readTrack(d, 12, 0, true);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(bytesEqual(trackSide(12, 0), r.data));
}

TEST(SimulatedFloppyDriver, SingleSidedImageHasNoSecondSide) {
    SimulatedFloppyDriver d(patternDisk(1), {});
    EXPECT_EQ(readTrack(d, 4, 1, true).code, fderr::IdMarkNotFound);
}

TEST(SimulatedFloppyDriver, SeekPastTheLastCylinderFails) {
    SimulatedFloppyDriver d(patternDisk(1), {});
    const TrackRead r = readTrack(d, 40, 0, true);
    EXPECT_EQ(r.code, fderr::Seek);
    EXPECT_EQ(d.ReadRequests(), 0) << "a failed seek skips the read";
    EXPECT_EQ(d.HeadCylinder(), 0);
}

TEST(SimulatedFloppyDriver, FaultsInsideTheDriverAreTrappedAndLogged) {
    RecordingLog log;
    SimulatedFloppyDriver d(patternDisk(1), {}, &log);
    const TrackRead badSize = readTrack(d, 0, 0, true, 0, -1);
    const TrackRead overflow = readTrack(d, 200, 0, true);
    for (const TrackRead* r : {&badSize, &overflow}) {
        EXPECT_FALSE(r->ok);
        EXPECT_EQ(r->code, -7);
        EXPECT_EQ(r->text, "before");
        EXPECT_TRUE(bytesEqual({0xAA, 0xBB}, r->data));
    }
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[0].what,
              "Error 5 (Invalid procedure call or argument ) in ReadSingleTrack at line 1");
    EXPECT_EQ(log.entries[1].what, "Error 6 (Overflow ) in ReadSingleTrack at line 3");
    EXPECT_EQ(log.entries[1].severity, kSeverityERROR);
}

TEST(SimulatedFloppyDriver, FaultListParses) {
    const auto faults =
        SimulatedFloppyDriver::ParseFaults(" 0:5:23:3 ;1:79:0x463:1;;0:0:-1:0;1:2:0xFFFFFFFF:2:17");
    ASSERT_EQ(faults.size(), 4u);
    const SimulatedFault expected[] = {{0, 5, 23, 3}, {1, 79, 1123, 1}, {0, 0, -1, 0}, {1, 2, -1, 2, 17}};
    for (std::size_t i = 0; i < faults.size(); ++i) {
        EXPECT_EQ(faults[i].head, expected[i].head) << i;
        EXPECT_EQ(faults[i].track, expected[i].track) << i;
        EXPECT_EQ(faults[i].code, expected[i].code) << i;
        EXPECT_EQ(faults[i].remaining, expected[i].remaining) << i;
        EXPECT_EQ(faults[i].sector, expected[i].sector) << i;
    }
    EXPECT_TRUE(SimulatedFloppyDriver::ParseFaults("").empty());
}

TEST(SimulatedFloppyDriver, MalformedFaultListsAreRefusedNamingTheItem) {
    struct Case {
        const char* text;
        const char* mentions;
    };
    const Case cases[] = {
        {"0:5:23", "does not have four or five fields"},
        {"0:5:23:3:1:1", "does not have four or five fields"},
        {"0:5:23:3:18", "sector"},
        {"2:5:23:3", "head"},
        {"0:80:23:3", "track"},
        {"0:x:23:3", "track"},
        {"0:5:0:3", "error code"},
        {"0:5:abc:3", "error code"},
        {"0:5:4294967296:3", "error code"},
        {"0:5:23:-1", "attempt count"},
        {"0:5:23:", "attempt count"},
        {"0:1:23:1;oops", "\"oops\""},
    };
    for (const auto& c : cases) {
        try {
            (void)SimulatedFloppyDriver::ParseFaults(c.text);
            ADD_FAILURE() << c.text << " was accepted";
        } catch (const Failure& f) {
            EXPECT_NE(f.description().find("QUILLMAR_FLOPPY_FAULTS"), std::string::npos) << f.description();
            EXPECT_NE(f.description().find(c.mentions), std::string::npos) << f.description();
        }
    }
}

}  // namespace
