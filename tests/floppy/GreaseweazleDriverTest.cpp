// The Greaseweazle driver against the simulated device, over a real
// pseudo-terminal: the bytes go through the same tty code as with hardware.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>

#include "floppy/DiskReader.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/GreaseweazleDriver.h"
#include "flux/FluxFiles.h"
#include "gwsim/PtyServer.h"
#include "support/TestSupport.h"

namespace {

using floppyfix::patternDisk;
using floppyfix::trackSide;

gwsim::Options simOptions(int sides, const std::string& faults) {
    gwsim::Options o;
    o.image = patternDisk(sides);
    o.faults = gwsim::ParseFaults(faults);
    o.noIndexDelay = std::chrono::milliseconds(50);
    return o;
}

// Short enough that a silent device costs a test little, long enough for
// the simulator to encode a track under the sanitizers.
GreaseweazleDriver::Settings settings(const std::string& port) {
    GreaseweazleDriver::Settings s;
    s.port = port;
    s.timeouts = {std::chrono::milliseconds(1000), std::chrono::milliseconds(1000),
                  std::chrono::milliseconds(8000), std::chrono::milliseconds(8000),
                  std::chrono::milliseconds(30000)};
    return s;
}

struct Rig {
    gwsim::PtyServer server;
    GreaseweazleDriver driver;

    explicit Rig(const std::string& faults, int sides = 1)
        : server(simOptions(sides, faults)), driver(settings(server.path())) {
        server.start();
    }
    std::vector<std::string> commands() const {
        std::vector<std::string> c = server.commands();
        c.erase(std::remove(c.begin(), c.end(), "ClearComms"), c.end());
        return c;
    }
};

TEST(GreaseweazleDriver, QuillmarFloppyNamesThePortAndASideIsReadWithTheHostsCommands) {
    Rig rig("", 2);
    const ScopedEnv floppy("QUILLMAR_FLOPPY", "greaseweazle:" + rig.server.path());
    std::vector<std::uint8_t> data;
    std::int32_t code = 0;
    std::string text;
    ASSERT_TRUE(CreateFloppyDriver()->ReadSingleTrack(0, 2, 1, data, code, text, 1, true)) << text;
    EXPECT_TRUE(bytesEqual(trackSide(2, 1), data));
    EXPECT_EQ(rig.server.commands().front(), "ClearComms");
    EXPECT_EQ(rig.commands(),
              (std::vector<std::string>{"GetInfo 0", "SetBusType 1", "Select 0", "Motor 0 1", "Seek 4",
                                        "Head 1", "ReadFlux 0 4", "GetFluxStatus", "Motor 0 0", "Deselect"}));
    EXPECT_FALSE(rig.server.motorOn());
    EXPECT_FALSE(rig.server.selected());
}

TEST(GreaseweazleDriver, ErrorsOfASideAreTheControllersCodes) {
    const struct {
        const char* name;
        const char* faults;
        bool doubleStep;
        int sector;  // -1: the whole side of track 5
        std::int32_t code;
    } cases[] = {
        {"no sector marks at all", "nosync:5:0", true, -1, fderr::IdMarkNotFound},
        {"single step finds another cylinder's IDs", "", false, -1, fderr::WrongCylinder},
        {"a lost flux read is read again", "overflow:1", true, -1, 0},
        {"one sector bad on every revolution", "crc:5:0:9", true, 9, fderr::Crc},
        {"its neighbour reads", "crc:5:0:9", true, 10, 0},
    };
    for (const auto& c : cases) {
        Rig rig(c.faults);
        std::vector<std::uint8_t> data;
        std::int32_t code = 0;
        std::string text;
        const bool ok = c.sector < 0
                            ? rig.driver.ReadSingleTrack(0, 5, 0, data, code, text, 1, c.doubleStep)
                            : rig.driver.ReadSingleSector(0, 5, 0, static_cast<std::uint8_t>(c.sector), data,
                                                          code, text, 1, c.doubleStep);
        EXPECT_EQ(ok ? 0 : code, c.code) << c.name << ": " << text;
        std::vector<std::uint8_t> wanted = trackSide(5, 0);
        if (c.sector >= 0) {
            wanted = {wanted.begin() + c.sector * 256, wanted.begin() + (c.sector + 1) * 256};
        }
        EXPECT_TRUE(!ok || bytesEqual(wanted, data)) << c.name;
        EXPECT_FALSE(rig.server.motorOn()) << c.name;
    }
}

TEST(GreaseweazleDriver, NoDiskAsksForAFloppy) {
    Rig rig("noindex");
    ScriptedPrompter prompter;
    prompter.answers = {MsgAnswer::Cancel};
    DiskImage image;
    EXPECT_EQ(DiskReader(rig.driver, prompter).ReadDisk("A", {}, image).outcome, ReadOutcome::NoFloppy);
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_FALSE(rig.server.motorOn());
}

TEST(GreaseweazleDriver, ADeviceLostInTheMiddleOfAReadEndsItCleanly) {
    // 8 answers for the drive check and the first side, 3 more into the second.
    for (const char* faults : {"mute:19", "unplug"}) {
        auto server =
            std::make_unique<gwsim::PtyServer>(simOptions(1, faults == std::string("unplug") ? "" : faults));
        server->start();
        GreaseweazleDriver driver(settings(server->path()));
        ScriptedPrompter prompter;
        ReadHooks hooks;
        hooks.progress = [&](const ReadProgress&) {
            if (faults == std::string("unplug")) {
                server.reset();
            }
        };
        DiskImage image;
        const ReadReport report = DiskReader(driver, prompter).ReadDisk("A", {}, image, hooks);
        EXPECT_EQ(report.outcome, ReadOutcome::Published) << faults;
        ASSERT_EQ(report.statusLines.size(), 40u) << faults;
        EXPECT_EQ(report.statusLines[0], "0:0 Read OK") << faults;
        EXPECT_EQ(report.statusLines[1], "0:1 Not Ready (0x00000015)") << faults;
        EXPECT_EQ(report.failedSides.size(), 39u) << faults;
    }
}

TEST(GreaseweazleDriver, AFluxRecordingIsReplayedAsTheDiskInTheDrive) {
    // A real KryoFlux recording of a 40-track PC disk (9 sectors of 512 bytes, IDs from 1).
    gwsim::Options options;
    options.recording = flux::LoadFluxFile(QUILLMAR_BINARY_DIR "/testdata/flux/kryoflux");
    gwsim::PtyServer server(std::move(options));
    server.start();
    GreaseweazleDriver driver(settings(server.path()));
    const std::vector<std::uint8_t> image =
        readBytes(QUILLMAR_SOURCE_DIR "/tests/data/flux/sector_test_360k.img");
    for (const auto& [cylinder, head, sector] : {std::tuple{0, 0, 1}, {39, 1, 9}}) {
        std::vector<std::uint8_t> data;
        std::int32_t code = 0;
        std::string text;
        ASSERT_TRUE(driver.ReadSingleSector(0, cylinder, head, sector, data, code, text, 2, true)) << text;
        const auto at = image.begin() + ((cylinder * 2 + head) * 9 + sector - 1) * 512;
        EXPECT_TRUE(bytesEqual({at, at + 512}, data)) << cylinder << "." << head << "." << sector;
    }
}

}  // namespace

#endif
