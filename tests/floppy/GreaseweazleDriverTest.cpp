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

struct Rig {
    gwsim::PtyServer server;
    GreaseweazleDriver driver;

    Rig(int sides, const std::string& faults)
        : server(options(sides, faults)), driver(settings(server.path())) {
        server.start();
    }
    static gwsim::Options options(int sides, const std::string& faults) {
        gwsim::Options o;
        o.image = patternDisk(sides);
        o.faults = gwsim::ParseFaults(faults);
        o.noIndexDelay = std::chrono::milliseconds(50);
        return o;
    }
    // Short enough that a silent device costs a test little, long enough for
    // the simulator to encode a track under the sanitizers.
    static GreaseweazleDriver::Settings settings(const std::string& port) {
        GreaseweazleDriver::Settings s;
        s.port = port;
        s.timeouts = {std::chrono::milliseconds(1000), std::chrono::milliseconds(1000),
                      std::chrono::milliseconds(8000), std::chrono::milliseconds(8000),
                      std::chrono::milliseconds(30000)};
        return s;
    }
    std::vector<std::string> commandsWithoutClearComms() const {
        std::vector<std::string> c = server.commands();
        c.erase(std::remove(c.begin(), c.end(), "ClearComms"), c.end());
        return c;
    }
};

TEST(GreaseweazleDriver, OneTrackSideIsReadWithTheHostsCommandSequence) {
    Rig rig(2, "");
    std::vector<std::uint8_t> data;
    std::int32_t code = 0;
    std::string text;
    ASSERT_TRUE(rig.driver.ReadSingleTrack(0, 2, 1, data, code, text, 1, true)) << text;
    EXPECT_TRUE(bytesEqual(trackSide(2, 1), data));
    EXPECT_EQ(rig.server.commands().front(), "ClearComms");
    EXPECT_EQ(rig.commandsWithoutClearComms(),
              (std::vector<std::string>{"GetInfo 0", "SetBusType 1", "Select 0", "Motor 0 1", "Seek 4",
                                        "Head 1", "ReadFlux 0 4", "GetFluxStatus", "Motor 0 0", "Deselect"}));
    EXPECT_FALSE(rig.server.motorOn());
    EXPECT_FALSE(rig.server.selected());
}

TEST(GreaseweazleDriver, ErrorsOfASideAreTheControllersCodes) {
    const struct {
        const char* name;
        const char* faults;
        int track;
        bool doubleStep;
        int sector;  // -1: the whole side
        std::int32_t code;
    } cases[] = {
        {"no sector marks at all", "nosync:5:0", 5, true, -1, fderr::IdMarkNotFound},
        {"single step finds another cylinder's IDs", "", 5, false, -1, fderr::WrongCylinder},
        {"a lost flux read is read again", "overflow:1", 5, true, -1, 0},
        {"one sector bad on every revolution", "crc:5:0:9", 5, true, 9, fderr::Crc},
        {"its neighbour reads", "crc:5:0:9", 5, true, 10, 0},
    };
    for (const auto& c : cases) {
        Rig rig(1, c.faults);
        std::vector<std::uint8_t> data;
        std::int32_t code = 0;
        std::string text;
        const bool ok = c.sector < 0
                            ? rig.driver.ReadSingleTrack(0, c.track, 0, data, code, text, 1, c.doubleStep)
                            : rig.driver.ReadSingleSector(0, c.track, 0, static_cast<std::uint8_t>(c.sector),
                                                          data, code, text, 1, c.doubleStep);
        EXPECT_EQ(ok ? 0 : code, c.code) << c.name << ": " << text;
        if (ok) {
            std::vector<std::uint8_t> wanted = trackSide(c.track, 0);
            if (c.sector >= 0) {
                wanted = {wanted.begin() + c.sector * 256, wanted.begin() + (c.sector + 1) * 256};
            }
            EXPECT_TRUE(bytesEqual(wanted, data)) << c.name;
        }
        EXPECT_FALSE(rig.server.motorOn()) << c.name;
    }
}

TEST(GreaseweazleDriver, NoDiskAsksForAFloppy) {
    Rig rig(1, "noindex");
    ScriptedPrompter prompter;
    prompter.answers = {MsgAnswer::Cancel};
    DiskImage image;
    const ReadReport report = DiskReader(rig.driver, prompter).ReadDisk("A", {}, image);
    EXPECT_EQ(report.outcome, ReadOutcome::NoFloppy);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              std::string(kInsertFloppyMessage) + "\r\n(No Miedia In Drive (0x00000458))");
    EXPECT_FALSE(rig.server.motorOn());
}

TEST(GreaseweazleDriver, ADeviceLostInTheMiddleOfAReadEndsItCleanly) {
    const struct {
        const char* name;
        const char* faults;
        bool unplug;  // the device goes away after the first side
    } cases[] = {
        // 8 answers for the drive check and the first side, 3 more into the second.
        {"stops answering", "mute:19", false},
        {"unplugged", "", true},
    };
    for (const auto& c : cases) {
        auto server = std::make_unique<gwsim::PtyServer>(Rig::options(1, c.faults));
        server->start();
        GreaseweazleDriver driver(Rig::settings(server->path()));
        ScriptedPrompter prompter;
        ReadHooks hooks;
        hooks.progress = [&](const ReadProgress&) {
            if (c.unplug) {
                server.reset();
            }
        };
        DiskImage image;
        const ReadReport report = DiskReader(driver, prompter).ReadDisk("A", {}, image, hooks);
        EXPECT_EQ(report.outcome, ReadOutcome::Published) << c.name;
        ASSERT_EQ(report.statusLines.size(), 40u) << c.name;
        EXPECT_EQ(report.statusLines[0], "0:0 Read OK") << c.name;
        EXPECT_EQ(report.statusLines[1], "0:1 Not Ready (0x00000015)") << c.name;
        EXPECT_EQ(report.failedSides.size(), 39u) << c.name;
    }
}

TEST(GreaseweazleDriver, CancelLeavesTheMotorOffAndTheDriveDeselected) {
    Rig rig(1, "");
    ScriptedPrompter prompter;
    DiskReader reader(rig.driver, prompter);
    ReadHooks hooks;
    hooks.progress = [&](const ReadProgress& p) {
        if (p.track == 1) {
            reader.Cancel();
        }
    };
    DiskImage image;
    EXPECT_EQ(reader.ReadDisk("A", {}, image, hooks).outcome, ReadOutcome::Canceled);
    const std::vector<std::string> c = rig.commandsWithoutClearComms();
    ASSERT_GE(c.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(c.end() - 3, c.end()),
              (std::vector<std::string>{"GetFluxStatus", "Motor 0 0", "Deselect"}));
    EXPECT_EQ(std::count(c.begin(), c.end(), "Seek 2"), 1);  // track 1 was the last one sought
    EXPECT_EQ(std::count(c.begin(), c.end(), "Seek 4"), 0);
    EXPECT_FALSE(rig.server.motorOn());
    EXPECT_FALSE(rig.server.selected());
}

TEST(GreaseweazleDriver, CliReadsTheWholeDiskWithFillerForTheBadSide) {
    TempDir dir;
    gwsim::Options options = Rig::options(1, "crc:3:0:5;crc:7:0:2:1");
    gwsim::PtyServer server(options);
    server.start();
    const ScopedEnv floppy("QUILLMAR_FLOPPY", "greaseweazle:" + server.path());
    const CommandResult r = runCommand({QUILLMAR_CLI_PATH, "read", "-o", dir.file("out.opu")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("0:3 CRC Error (0x00000017)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0:7 Read OK\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Read finished: 1 of 40 track sides failed: 0:3\n"), std::string::npos) << r.out;
    std::vector<std::uint8_t> wanted = patternDisk(1);
    std::fill_n(wanted.begin() + 3 * 4608, 4608, 0xE5);
    EXPECT_TRUE(bytesEqual(wanted, readBytes(dir.file("out.opu"))));
}

TEST(GreaseweazleDriver, AFluxRecordingIsReplayedAsTheDiskInTheDrive) {
    // A real KryoFlux recording of a 40-track PC disk (9 sectors of 512 bytes, IDs from 1).
    gwsim::Options options;
    options.recording = flux::LoadFluxFile(QUILLMAR_BINARY_DIR "/testdata/flux/kryoflux");
    gwsim::PtyServer server(std::move(options));
    server.start();
    GreaseweazleDriver driver(Rig::settings(server.path()));
    const std::vector<std::uint8_t> image =
        readBytes(QUILLMAR_SOURCE_DIR "/tests/data/flux/sector_test_360k.img");
    for (const auto& [cylinder, head, sector] : {std::tuple{0, 0, 1}, {17, 1, 9}, {39, 1, 5}}) {
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
