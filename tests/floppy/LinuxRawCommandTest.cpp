#include <gtest/gtest.h>

#include <cerrno>

#include "core/Failure.h"
#include "floppy/LinuxRawCommand.h"
#include "floppy/modFDRawCmd.h"
#include "support/TestSupport.h"

#ifdef __linux__
#include <unistd.h>

#include "floppy/LinuxFloppyDriver.h"
#endif

namespace {

using linuxfd::CommandKind;
using linuxfd::RawOutcome;

TEST(LinuxRawCommand, SenseDriveStatusNeedsADiskAndNamesTheUnit) {
    const linuxfd::RawCommand c = linuxfd::SenseCommand(1);
    EXPECT_TRUE(bytesEqual({0x04, 0x01}, c.cmd));
    EXPECT_EQ(c.flags, linuxfd::kRawNeedDisk);
    EXPECT_EQ(c.length, 0u);
}

TEST(LinuxRawCommand, SeekGoesToThePhysicalCylinder) {
    struct Case {
        std::uint8_t drive, cylinder, head;
        bool doubleStep;
        std::vector<std::uint8_t> expected;  // command, head << 2 | unit, physical cylinder
    };
    const Case cases[] = {
        {0, 39, 0, true, {0x0F, 0x00, 78}},
        {0, 39, 0, false, {0x0F, 0x00, 39}},
        {5, 2, 0, true, {0x0F, 0x01, 4}},  // the second controller's unit 1
    };
    for (const auto& c : cases) {
        const linuxfd::RawCommand seek = linuxfd::SeekCommand(c.drive, c.cylinder, c.head, c.doubleStep);
        EXPECT_TRUE(bytesEqual(c.expected, seek.cmd)) << int(c.cylinder);
        EXPECT_EQ(seek.flags, linuxfd::kRawIntr | linuxfd::kRawNeedDisk);
    }
    EXPECT_THROW((void)linuxfd::SeekCommand(0, 200, 0, true), Failure);
}

TEST(LinuxRawCommand, ReadDataIsMfmSectorsZeroToSeventeen) {
    struct Case {
        std::uint8_t drive, cylinder, head;
        std::vector<std::uint8_t> expected;
    };
    const Case cases[] = {
        // READ DATA|MFM, head << 2 | unit, C, H, R, N, EOT, GPL, DTL
        {0, 0, 0, {0x46, 0x00, 0x00, 0x00, 0x00, 0x01, 0x12, 0x0A, 0xFF}},
        {0, 39, 1, {0x46, 0x04, 0x27, 0x01, 0x00, 0x01, 0x12, 0x0A, 0xFF}},
    };
    for (const auto& c : cases) {
        const linuxfd::RawCommand read = linuxfd::ReadCommand(c.drive, c.cylinder, c.head, 1, 4608);
        EXPECT_TRUE(bytesEqual(c.expected, read.cmd)) << int(c.cylinder) << ":" << int(c.head);
        EXPECT_EQ(read.flags,
                  linuxfd::kRawRead | linuxfd::kRawIntr | linuxfd::kRawSpin | linuxfd::kRawNeedDisk);
        EXPECT_EQ(read.length, 4608u);
        EXPECT_EQ(read.rate, 2);
    }
}

TEST(LinuxRawCommand, RefusedRequestsMapErrnoOntoTheTable) {
    struct Case {
        const char* name;
        int err;
        std::uint32_t flags;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"busy", EBUSY, 0, fderr::Busy},
        {"read-only", EROFS, 0, fderr::WriteProtect},
#ifdef ENOMEDIUM
        {"no medium", ENOMEDIUM, 0, fderr::NoMediaInDrive},
#endif
        {"empty drive or timeout", EIO, linuxfd::kRawFailure | linuxfd::kRawHardFailure, fderr::NotReady},
        {"i/o error without hard failure", EIO, linuxfd::kRawFailure, fderr::FloppyUnknownError},
        {"permission", EACCES, 0, fderr::FloppyUnknownError},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(linuxfd::ErrnoCode(c.err, c.flags), c.expected) << c.name;
        RawOutcome o;
        o.ioctlFailed = true;
        o.err = c.err;
        o.flags = c.flags;
        o.reply = {0x00, 0x00, 0x00, 0, 0, 0, 0};  // ignored once the kernel refused
        EXPECT_EQ(linuxfd::OutcomeCode(CommandKind::ReadData, o, 0), c.expected) << c.name;
    }
}

RawOutcome replied(std::vector<std::uint8_t> reply, long residue = 0) {
    RawOutcome o;
    o.reply = std::move(reply);
    o.residue = residue;
    return o;
}

TEST(LinuxRawCommand, ReadResultBytesMapOntoTheTable) {
    struct Case {
        const char* name;
        RawOutcome outcome;
        std::int32_t expected;
    };
    // ST0, ST1, ST2, C, H, R, N
    const Case cases[] = {
        {"normal end", replied({0x00, 0x00, 0x00, 5, 0, 18, 1}), 0},
        {"normal end, bytes missing", replied({0x00, 0x00, 0x00, 5, 0, 18, 1}, 256),
         fderr::FloppyUnknownError},
        {"end of cylinder, all bytes in", replied({0x40, 0x80, 0x00, 6, 0, 0, 1}), 0},
        {"end of cylinder, bytes missing", replied({0x40, 0x80, 0x00, 6, 0, 0, 1}, 512),
         fderr::FloppyUnknownError},
        {"not ready", replied({0x48, 0x00, 0x00, 0, 0, 0, 1}), fderr::NotReady},
        {"equipment check", replied({0x50, 0x00, 0x00, 0, 0, 0, 1}), fderr::Seek},
        {"CRC in the ID or data", replied({0x40, 0x20, 0x00, 0, 0, 0, 1}), fderr::Crc},
        {"wrong cylinder with no data", replied({0x40, 0x04, 0x10, 0, 0, 0, 1}), fderr::WrongCylinder},
        {"missing ID address mark", replied({0x40, 0x01, 0x00, 0, 0, 0, 1}), fderr::IdMarkNotFound},
        {"no data", replied({0x40, 0x04, 0x00, 0, 0, 0, 1}), fderr::SectorNotFound},
        {"not writable", replied({0x40, 0x02, 0x00, 0, 0, 0, 1}), fderr::WriteProtect},
        {"invalid command", replied({0x80, 0x00, 0x00, 0, 0, 0, 0}), fderr::FloppyUnknownError},
        // Damaged answers: too short to hold the three status registers.
        {"no reply", replied({}), fderr::FloppyUnknownError},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(linuxfd::OutcomeCode(CommandKind::ReadData, c.outcome, 0), c.expected) << c.name;
    }
}

TEST(LinuxRawCommand, SeekResultMustReachTheCylinder) {
    struct Case {
        const char* name;
        RawOutcome outcome;
        std::int32_t expected;
    };
    // ST0, present cylinder number
    const Case cases[] = {
        {"seek end at 78", replied({0x20, 78}), 0},
        {"stopped at 76", replied({0x20, 76}), fderr::Seek},
        {"abnormal end", replied({0x60, 78}), fderr::Seek},
        {"not ready", replied({0x28, 78}), fderr::NotReady},
        {"one byte only", replied({0x20}), fderr::FloppyUnknownError},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(linuxfd::OutcomeCode(CommandKind::Seek, c.outcome, 78), c.expected) << c.name;
    }
}

#ifdef __linux__

TEST(LinuxFloppyDriver, KernelRequestCarriesTheCommandBlock) {
    std::vector<std::uint8_t> buffer(4608);
    const floppy_raw_cmd raw = ToKernelRawCommand(linuxfd::ReadCommand(0, 39, 1, 1, 4608), buffer.data());
    EXPECT_EQ(raw.flags, unsigned{FD_RAW_READ | FD_RAW_INTR | FD_RAW_SPIN | FD_RAW_NEED_DISK});
    EXPECT_EQ(raw.cmd_count, 9);
    EXPECT_TRUE(bytesEqual({0x46, 0x04, 0x27, 0x01, 0x00, 0x01, 0x12, 0x0A, 0xFF},
                           std::vector<std::uint8_t>(raw.cmd, raw.cmd + raw.cmd_count)));
    EXPECT_EQ(raw.data, buffer.data());
    EXPECT_EQ(raw.length, 4608);
    EXPECT_EQ(raw.rate, 2);
    EXPECT_EQ(raw.reply_count, 0);

    const floppy_raw_cmd seek = ToKernelRawCommand(linuxfd::SeekCommand(0, 39, 0, true), buffer.data());
    EXPECT_EQ(seek.data, nullptr);  // nothing is transferred
    EXPECT_EQ(seek.cmd_count, 3);
    EXPECT_EQ(seek.cmd[2], 78);
}

// This machine has no floppy controller: the driver must say so without
// touching what the caller holds.
TEST(LinuxFloppyDriver, WithoutDeviceNothingAnswersAndNothingIsTouched) {
    if (::access("/dev/fd0", F_OK) == 0) {
        GTEST_SKIP() << "a floppy device exists here";
    }
    RecordingLog log;
    LinuxFloppyDriver driver(&log);
    std::uint32_t version = 0x12345678;
    EXPECT_FALSE(driver.IsDriverPresent(version));
    EXPECT_EQ(version, 0x12345678u);

    std::string text = "kept";
    EXPECT_FALSE(driver.SenseDriveStatus(0, text));
    EXPECT_EQ(text, "kept");

    std::vector<std::uint8_t> data{1, 2, 3};
    std::int32_t code = 0;
    EXPECT_FALSE(driver.ReadSingleTrack(0, 0, 0, data, code, text, 1, true));
    EXPECT_EQ(code, fderr::FloppyUnknownError);  // the device node is missing
    EXPECT_EQ(text, "Floppy Unknown Error (0x00000464)");
    EXPECT_TRUE(bytesEqual({1, 2, 3}, data));
    EXPECT_TRUE(log.entries.empty());
}

TEST(LinuxFloppyDriver, FaultsAreLoggedWithTheStepTheyHappenedAt) {
    RecordingLog log;
    LinuxFloppyDriver driver(&log);
    std::vector<std::uint8_t> data{9};
    std::int32_t code = 77;
    std::string text = "kept";
    EXPECT_FALSE(driver.ReadSingleTrack(0, 0, 0, data, code, text, 9, false));
    EXPECT_FALSE(driver.ReadSingleTrack(0, 130, 0, data, code, text, 1, true));
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[0].what,
              "Error 5 (Invalid procedure call or argument ) in ReadSingleTrack at line 1");
    EXPECT_EQ(log.entries[1].what, "Error 6 (Overflow ) in ReadSingleTrack at line 3");
    EXPECT_EQ(log.entries[1].severity, kSeverityERROR);
    EXPECT_FALSE(log.entries[1].forced);
    EXPECT_EQ(code, 77);
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(bytesEqual({9}, data));
}

#endif

}  // namespace
