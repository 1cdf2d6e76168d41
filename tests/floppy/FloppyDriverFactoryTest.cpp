#include <gtest/gtest.h>

#include "floppy/FloppyFixtures.h"
#include "floppy/modFDRawCmd.h"
#include "support/TestSupport.h"

namespace {

TEST(CreateFloppyDriver, NoneMeansNoDriver) {
    const ScopedEnv env("QUILLMAR_FLOPPY", "none");
    const auto driver = CreateFloppyDriver();
    std::uint32_t version = 42;
    EXPECT_FALSE(driver->IsDriverPresent(version));
    EXPECT_EQ(version, 42u);
    std::string text = "kept";
    EXPECT_FALSE(driver->SenseDriveStatus(0, text));
    EXPECT_EQ(text, "kept");
}

TEST(CreateFloppyDriver, SimHoldsTheImageInDriveAWithTheFaultsGiven) {
    TempDir dir;
    const std::string path = dir.file("disk.opu");
    writeBytes(path, floppyfix::patternDisk(1));
    const ScopedEnv env("QUILLMAR_FLOPPY", "sim:" + path);
    const ScopedEnv faults("QUILLMAR_FLOPPY_FAULTS", "0:1:25:1");
    const auto driver = CreateFloppyDriver();

    std::uint32_t version = 0;
    EXPECT_TRUE(MakeDriverProbe(*driver)(version));
    EXPECT_EQ(version, 0x01000A00u);
    std::string text;
    EXPECT_TRUE(driver->SenseDriveStatus(0, text));
    EXPECT_FALSE(driver->SenseDriveStatus(1, text));

    std::vector<std::uint8_t> data;
    std::int32_t code = 0;
    EXPECT_FALSE(driver->ReadSingleTrack(0, 1, 0, data, code, text, 1, true));
    EXPECT_EQ(text, "Seek Error (0x00000019)");
    EXPECT_TRUE(driver->ReadSingleTrack(0, 1, 0, data, code, text, 1, true));
    EXPECT_TRUE(bytesEqual(floppyfix::trackSide(1, 0), data));
}

TEST(CreateFloppyDriver, UnsetOrEmptyMeansThePlatformsDriver) {
    for (const std::optional<std::string>& value :
         {std::optional<std::string>{}, std::optional<std::string>{""}}) {
        const ScopedEnv env("QUILLMAR_FLOPPY", value);
        const auto driver = CreateFloppyDriver();
        ASSERT_NE(driver, nullptr);
        // What it answers depends on the machine; it must answer without harm.
        std::uint32_t version = 0;
        (void)driver->IsDriverPresent(version);
    }
}

TEST(CreateFloppyDriver, UnknownSettingsAreRefusedNotGuessed) {
    struct Case {
        const char* floppy;
        const char* faults;
        const char* mentions;
        const char* bus = nullptr;
    };
    const Case cases[] = {
        {"simulated", nullptr, "QUILLMAR_FLOPPY: \"simulated\""},
        {"NONE", nullptr, "QUILLMAR_FLOPPY: \"NONE\""},
        {"sim:", nullptr, "needs the path"},
        {"sim:/tmp/x.opu", "0:1:2", "QUILLMAR_FLOPPY_FAULTS"},
        {"greaseweazle:", nullptr, "needs the port"},
        {"greaseweazle:/dev/ttyACM0", nullptr, "QUILLMAR_GW_BUS: \"amiga\"", "amiga"},
    };
    for (const auto& c : cases) {
        const ScopedEnv env("QUILLMAR_FLOPPY", c.floppy);
        const ScopedEnv faults("QUILLMAR_FLOPPY_FAULTS",
                               c.faults != nullptr ? std::optional<std::string>(c.faults) : std::nullopt);
        const ScopedEnv bus("QUILLMAR_GW_BUS",
                            c.bus != nullptr ? std::optional<std::string>(c.bus) : std::nullopt);
        try {
            (void)CreateFloppyDriver();
            ADD_FAILURE() << c.floppy << " was accepted";
        } catch (const Failure& f) {
            EXPECT_NE(f.description().find(c.mentions), std::string::npos) << f.description();
        }
    }
}

}  // namespace
