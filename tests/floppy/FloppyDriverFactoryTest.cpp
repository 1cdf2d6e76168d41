// QUILLMAR_FLOPPY picks the driver; "sim:" holds an image file in drive A
// with the faults of QUILLMAR_FLOPPY_FAULTS.
#include <gtest/gtest.h>

#include "floppy/FloppyFixtures.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "floppy/modFDRawCmd.h"
#include "support/TestSupport.h"

namespace {

TEST(CreateFloppyDriver, NoneMeansNoDriver) {
    const ScopedEnv env("QUILLMAR_FLOPPY", "none");
    std::uint32_t version = 42;
    std::string text = "kept";
    EXPECT_FALSE(CreateFloppyDriver()->IsDriverPresent(version));
    EXPECT_FALSE(CreateFloppyDriver()->SenseDriveStatus(0, text));
    EXPECT_EQ(std::to_string(version) + text, "42kept");
}

TEST(CreateFloppyDriver, SimHoldsTheImageFileInDriveAWithTheFaultsGiven) {
    TempDir dir;
    const std::string path = dir.file("disk.opu");
    const ScopedEnv env("QUILLMAR_FLOPPY", "sim:" + path);
    const ScopedEnv faults("QUILLMAR_FLOPPY_FAULTS", "1:1:25:1;0:1:0xFFFFFFFF:1");
    const auto driver = CreateFloppyDriver();
    std::uint32_t version = 0;
    EXPECT_TRUE(MakeDriverProbe(*driver)(version));
    EXPECT_EQ(version, 0x01000A00u);
    std::string text;
    EXPECT_FALSE(driver->SenseDriveStatus(0, text));  // no file yet: an empty drive
    EXPECT_EQ(text, "Not Ready (0x00000015)");

    writeBytes(path, floppyfix::patternDisk(2));
    EXPECT_TRUE(driver->SenseDriveStatus(0, text));
    EXPECT_FALSE(driver->SenseDriveStatus(1, text));
    std::vector<std::uint8_t> data;
    std::int32_t code = 0;
    EXPECT_FALSE(driver->ReadSingleTrack(0, 1, 0, data, code, text, 1, true));
    EXPECT_EQ(code, -1);
    EXPECT_FALSE(driver->ReadSingleTrack(0, 1, 1, data, code, text, 1, true));
    EXPECT_EQ(text, "Seek Error (0x00000019)");
    EXPECT_TRUE(driver->ReadSingleTrack(0, 1, 1, data, code, text, 1, true));
    EXPECT_TRUE(bytesEqual(floppyfix::trackSide(1, 1), data));
    EXPECT_FALSE(driver->ReadSingleTrack(0, 40, 0, data, code, text, 1, true));
    EXPECT_EQ(code, fderr::Seek);
}

TEST(SimulatedFloppyDriver, FaultListParses) {
    const auto faults = SimulatedFloppyDriver::ParseFaults(" 0:5:23:3 ;1:79:0x463:1;;1:2:0XFFFFFFFF:2:17");
    const SimulatedFault expected[] = {{0, 5, 23, 3}, {1, 79, 1123, 1}, {1, 2, -1, 2, 17}};
    ASSERT_EQ(faults.size(), 3u);
    for (std::size_t i = 0; i < faults.size(); ++i) {
        EXPECT_EQ(
            std::tie(faults[i].head, faults[i].track, faults[i].code, faults[i].remaining, faults[i].sector),
            std::tie(expected[i].head, expected[i].track, expected[i].code, expected[i].remaining,
                     expected[i].sector))
            << i;
    }
}

TEST(CreateFloppyDriver, UnknownSettingsAreRefusedNamingTheItem) {
    const struct {
        const char* floppy;
        const char* faults;
        const char* mentions;
        const char* bus = nullptr;
    } cases[] = {
        {"simulated", nullptr, "QUILLMAR_FLOPPY: \"simulated\""},
        {"sim:", nullptr, "needs the path"},
        {"greaseweazle:", nullptr, "needs the port"},
        {"greaseweazle:/dev/ttyACM0", nullptr, "QUILLMAR_GW_BUS: \"amiga\"", "amiga"},
        {"sim:x", "0:5:23", "four or five fields"},
        {"sim:x", "0:5:23:3:18", "sector"},
        {"sim:x", "2:5:23:3", "head"},
        {"sim:x", "0:80:23:3", "track"},
        {"sim:x", "0:5:4294967296:3", "error code"},
        {"sim:x", "0:5:23:-1", "attempt count"},
        {"sim:x", "0:1:23:1;oops", "QUILLMAR_FLOPPY_FAULTS: \"oops\""},
    };
    for (const auto& c : cases) {
        const ScopedEnv env("QUILLMAR_FLOPPY", c.floppy);
        const ScopedEnv faults("QUILLMAR_FLOPPY_FAULTS",
                               c.faults != nullptr ? std::optional<std::string>(c.faults) : std::nullopt);
        const ScopedEnv bus("QUILLMAR_GW_BUS",
                            c.bus != nullptr ? std::optional<std::string>(c.bus) : std::nullopt);
        try {
            (void)CreateFloppyDriver();
            ADD_FAILURE() << c.floppy << " " << c.faults << " was accepted";
        } catch (const Failure& f) {
            EXPECT_NE(f.description().find(c.mentions), std::string::npos) << f.description();
        }
    }
}

}  // namespace
