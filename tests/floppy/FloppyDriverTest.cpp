// The controller commands sent through FDRAWCMD (Windows) and FDRAWCMD ioctl
// (Linux), and how the controller's answers map onto the driver's codes.
// QUILLMAR_FLOPPY picks the driver; "sim:" holds an image file in drive A
// with the faults of QUILLMAR_FLOPPY_FAULTS.

#include <cerrno>

#include "core/Failure.h"
#include "floppy/FdRawRequests.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/LinuxRawCommand.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "floppy/modFDRawCmd.h"
#include "flux/Mfm.h"
#include "support/TestSupport.h"

#ifdef __linux__
#include <unistd.h>

#include "floppy/LinuxFloppyDriver.h"
#endif

namespace {

TEST(CreateFloppyDriver, NoneMeansNoDriverAndSimHoldsTheImageFileInDriveAWithTheFaultsGiven) {
    std::uint32_t version = 0;
    {
        const ScopedEnv none("QUILLMAR_FLOPPY", "none");
        EXPECT_FALSE(CreateFloppyDriver()->IsDriverPresent(version));
    }
    TempDir dir;
    const std::string path = dir.file("disk.opu");
    const ScopedEnv env("QUILLMAR_FLOPPY", "sim:" + path);
    const ScopedEnv faults("QUILLMAR_FLOPPY_FAULTS", "1:1:0x19:1;0:1:0xFFFFFFFF:1");
    const auto driver = CreateFloppyDriver();
    EXPECT_TRUE(MakeDriverProbe(*driver)(version));
    EXPECT_EQ(version, 0x01000A00u);
    std::string text;
    EXPECT_FALSE(driver->SenseDriveStatus(0, text));  // no file yet: an empty drive
    EXPECT_EQ(text, "Not Ready (0x00000015)");

    writeBytes(path, floppyfix::patternDisk(2));
    EXPECT_TRUE(driver->SenseDriveStatus(0, text));
    std::vector<std::uint8_t> data;
    std::int32_t code = 0;
    EXPECT_FALSE(driver->ReadSingleTrack(0, 1, 0, data, code, text, 1, true));
    EXPECT_EQ(code, -1);
    EXPECT_FALSE(driver->ReadSingleTrack(0, 1, 1, data, code, text, 1, true));
    EXPECT_EQ(text, "Seek Error (0x00000019)");
    EXPECT_FALSE(driver->ReadSingleTrack(0, 40, 0, data, code, text, 1, true));
    EXPECT_EQ(code, fderr::Seek);
}

// A simulated drive made from bytes keeps what is written in memory, and
// has no head 2.
TEST(SimulatedFloppyDriver, WithoutAFileItKeepsWritesAndHasTwoHeads) {
    SimulatedFloppyDriver driver(floppyfix::patternDisk(2), {});
    const std::vector<std::uint8_t> side(floppyfix::kTrackSide, 0xA5);
    std::int32_t code = 0;
    std::string text;
    ASSERT_TRUE(driver.WriteSingleTrack(0, 7, 1, side, code, text, 1, true)) << text;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(driver.ReadSingleTrack(0, 7, 1, data, code, text, 1, true)) << text;
    EXPECT_EQ(data, side);
    EXPECT_FALSE(driver.ReadSingleTrack(0, 7, 2, data, code, text, 1, true));
    EXPECT_EQ(code, fderr::InvalidParameter);
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
        {"sim:x", "0:5:0:3", "error code"},
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
            ADD_FAILURE() << c.floppy << " was accepted, wanted " << c.mentions;
        } catch (const Failure& f) {
            EXPECT_NE(f.description().find(c.mentions), std::string::npos) << f.description();
        }
    }
}

using linuxfd::CommandKind;
using linuxfd::RawOutcome;

TEST(LinuxRawCommand, CommandBytes) {
    using namespace linuxfd;
    constexpr std::uint32_t kSeek = kRawIntr | kRawNeedDisk;
    constexpr std::uint32_t kRead = kRawRead | kRawIntr | kRawSpin | kRawNeedDisk;
    constexpr std::uint32_t kWrite = kRawWrite | kRawIntr | kRawSpin | kRawNeedDisk;
    const struct {
        const char* name;
        RawCommand command;
        Bytes bytes;
        std::uint32_t flags;
        std::size_t length;
    } cases[] = {
        {"sense unit 1", SenseCommand(1), {0x04, 0x01}, kRawNeedDisk, 0},
        // SEEK, head << 2 | unit, physical cylinder
        {"seek 39 double step", SeekCommand(0, 39, 0, true), {0x0F, 0x00, 78}, kSeek, 0},
        {"seek 39 single step", SeekCommand(0, 39, 1, false), {0x0F, 0x04, 39}, kSeek, 0},
        {"seek 127, unit 1 of controller 2", SeekCommand(5, 127, 0, true), {0x0F, 0x01, 254}, kSeek, 0},
        // READ DATA|MFM, head << 2 | unit, C, H, R, N, EOT, GPL, DTL
        {"read 39:1 N=2", ReadCommand(1, 39, 1, 2, 9216), {0x46, 5, 39, 1, 0, 2, 18, 10, 255}, kRead, 9216},
        {"sector 9", SectorReadCommand(1, 12, 1, 9, 1, 256), {0x46, 5, 12, 1, 9, 1, 9, 10, 255}, kRead, 256},
        // WRITE DATA|MFM, the read's fields
        {"write 39:1", WriteCommand(0, 39, 1, 1, 4608), {0x45, 4, 39, 1, 0, 1, 18, 10, 255}, kWrite, 4608},
        // FORMAT TRACK|MFM, head << 2 | unit, N, sectors, GPL, filler; the ID table follows as data
        {"format head 1", FormatCommand(1, 1, 1, true), {0x4D, 5, 1, 18, 24, 0xE5}, kWrite, 72},
        {"erase: a side of gap", FormatCommand(0, 0, 1, false), {0x4D, 0, 1, 0, 24, 0xE5}, kWrite, 0},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(bytesEqual(c.bytes, c.command.cmd)) << c.name;
        EXPECT_EQ(c.command.flags, c.flags) << c.name;
        EXPECT_EQ(c.command.length, c.length) << c.name;
    }
    // The controller has no cylinder 256: refused, not wrapped round to 0.
    EXPECT_THROW((void)linuxfd::SeekCommand(0, 128, 0, true), Failure);
}

// FORMAT TRACK's IDs in the order the flux encoder lays an Opus track down.
TEST(FdRawRequests, OpusIdTableFollowsTheEncodersOrder) {
    const Bytes table = fdraw::OpusIdTable(7, 1, 1);
    const std::vector<flux::EncodeSector> sectors = flux::OpusTrackSectors(Bytes(2 * 8 * 4608), 7, 1, 2);
    ASSERT_EQ(table.size(), 4 * sectors.size());
    for (std::size_t i = 0; i < sectors.size(); ++i) {
        EXPECT_EQ(Bytes(table.begin() + 4 * i, table.begin() + 4 * i + 4),
                  (Bytes{sectors[i].cylinder, sectors[i].head, sectors[i].sector, sectors[i].sizeCode}))
            << i;
    }
}

TEST(FdRawRequests, TrackLengthAndVersion) {
    const std::pair<std::int32_t, std::size_t> valid[] = {{0, 2304}, {1, 4608}, {7, 294912}};
    expectEach(valid, [](const auto& code) { return fdraw::TrackLength(code); });
    for (const std::int32_t code : {-1, 8}) {
        EXPECT_FALSE(fdraw::TrackLength(code).has_value()) << "N=" << code;
    }
    EXPECT_EQ(fdraw::DecodeVersion(std::array<std::uint8_t, 4>{0x0B, 0x01, 0x00, 0x01}), 0x0100010Bu);
    EXPECT_TRUE(fdraw::IsCompatibleVersion(0x01000000u) && fdraw::IsCompatibleVersion(0x0100FFFFu));
    EXPECT_FALSE(fdraw::IsCompatibleVersion(0x01010000u) || fdraw::IsCompatibleVersion(0));
}

TEST(LinuxRawCommand, AnswersMapOntoTheDriversCodes) {
    const struct {
        const char* name;
        int err;  // 0: the controller answered ST0, ST1, ST2 with `missing` bytes not transferred
        std::uint32_t flags;
        std::uint8_t st0, st1, st2;
        long missing;
        std::int32_t expected;
    } cases[] = {
        {"busy", EBUSY, 0, 0, 0, 0, 0, fderr::Busy},
        {"read-only", EROFS, 0, 0, 0, 0, 0, fderr::WriteProtect},
        {"empty drive", EIO, linuxfd::kRawFailure | linuxfd::kRawHardFailure, 0, 0, 0, 0, fderr::NotReady},
        {"i/o error", EIO, linuxfd::kRawFailure, 0, 0, 0, 0, fderr::FloppyUnknownError},
        {"normal end", 0, 0, 0x00, 0x00, 0x00, 0, 0},
        {"end of cylinder", 0, 0, 0x40, 0x80, 0x00, 0, 0},
        {"end of cylinder, bytes missing", 0, 0, 0x40, 0x80, 0x00, 512, fderr::FloppyUnknownError},
        {"not ready", 0, 0, 0x48, 0x00, 0x00, 0, fderr::NotReady},
        {"equipment check", 0, 0, 0x50, 0x00, 0x00, 0, fderr::Seek},
        {"CRC", 0, 0, 0x40, 0x20, 0x00, 0, fderr::Crc},
        {"wrong cylinder", 0, 0, 0x40, 0x04, 0x10, 0, fderr::WrongCylinder},
        {"missing ID mark", 0, 0, 0x40, 0x01, 0x00, 0, fderr::IdMarkNotFound},
        {"no data", 0, 0, 0x40, 0x04, 0x00, 0, fderr::SectorNotFound},
        {"not writable", 0, 0, 0x40, 0x02, 0x00, 0, fderr::WriteProtect},
        {"invalid command", 0, 0, 0x80, 0x00, 0x00, 0, fderr::FloppyUnknownError},
    };
    for (const auto& c : cases) {
        const RawOutcome o{c.err != 0, c.err, c.flags, {c.st0, c.st1, c.st2, 5, 0, 18, 1}, c.missing};
        EXPECT_EQ(linuxfd::OutcomeCode(CommandKind::ReadData, o, 0), c.expected) << c.name;
    }
    // A seek to physical cylinder 78: ST0, present cylinder.
    const std::pair<Bytes, std::int32_t> seeks[] = {{{0x20, 78}, 0},
                                                    {{0x20, 76}, fderr::Seek},
                                                    {{0x60, 78}, fderr::Seek},
                                                    {{0x28, 78}, fderr::NotReady},
                                                    {{0x20}, fderr::FloppyUnknownError}};
    for (const auto& [reply, expected] : seeks) {
        EXPECT_EQ(linuxfd::OutcomeCode(CommandKind::Seek, RawOutcome{false, 0, 0, reply, 0}, 78), expected)
            << int(reply[0]) << " " << reply.size();
    }
    EXPECT_EQ(linuxfd::OutcomeCode(CommandKind::ReadData, RawOutcome{}, 0), fderr::FloppyUnknownError);
}

#ifdef __linux__

TEST(LinuxFloppyDriver, KernelRequestCarriesTheCommandBlock) {
    Bytes buffer(4608);
    const floppy_raw_cmd raw = ToKernelRawCommand(linuxfd::ReadCommand(0, 39, 1, 1, 4608), buffer.data());
    EXPECT_EQ(raw.flags, unsigned{FD_RAW_READ | FD_RAW_INTR | FD_RAW_SPIN | FD_RAW_NEED_DISK});
    EXPECT_TRUE(raw.cmd_count == 9 && raw.cmd[2] == 39 && raw.cmd[8] == 0xFF && raw.length == 4608);
    EXPECT_EQ(ToKernelRawCommand(linuxfd::SeekCommand(0, 39, 0, true), buffer.data()).data, nullptr);
}

// No floppy controller here: the driver says so, and its own faults are
// logged, without touching what the caller holds.
TEST(LinuxFloppyDriver, WithoutDeviceOrWithBadArgumentsNothingIsTouched) {
    if (::access("/dev/fd0", F_OK) == 0) {
        GTEST_SKIP() << "a floppy device exists here";
    }
    RecordingLog log;
    LinuxFloppyDriver driver(&log);
    std::uint32_t version = 0x12345678;
    std::string text = "kept";
    EXPECT_FALSE(driver.IsDriverPresent(version) || driver.SenseDriveStatus(0, text));
    EXPECT_TRUE(version == 0x12345678u && text == "kept");
    Bytes data{1, 2, 3};
    std::int32_t code = 0;
    EXPECT_FALSE(driver.ReadSingleTrack(0, 0, 0, data, code, text, 1, true));
    EXPECT_EQ(text, "Floppy Unknown Error (0x00000464)");  // the device node is missing
    EXPECT_TRUE(log.entries.empty());

    code = 77;
    text = "kept";
    EXPECT_FALSE(driver.ReadSingleTrack(0, 0, 0, data, code, text, 9, false));
    EXPECT_FALSE(driver.ReadSingleTrack(0, 130, 0, data, code, text, 1, true));
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[1].what, "Error 6 (Overflow ) in ReadSingleTrack at line 3");
    EXPECT_TRUE(code == 77 && text == "kept" && data.size() == 3);
}

#endif

}  // namespace
