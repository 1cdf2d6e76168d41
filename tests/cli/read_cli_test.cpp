#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "floppy/FloppyFixtures.h"
#include "support/TestSupport.h"

namespace {

using floppyfix::kTrackSide;
using floppyfix::patternDisk;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class ReadCli : public ::testing::Test {
protected:
    void SetUp() override {
        disk = dir.file("in.opu");
        out = dir.file("out.opu");
    }

    CommandResult run(std::vector<std::string> args, const std::optional<std::string>& floppy,
                      const std::optional<std::string>& faults = std::nullopt) {
        const ScopedEnv env("QUILLMAR_FLOPPY", floppy);
        const ScopedEnv envFaults("QUILLMAR_FLOPPY_FAULTS", faults);
        args.insert(args.begin(), {QUILLMAR_CLI_PATH, "read"});
        return runCommand(args);
    }

    TempDir dir;
    std::string disk;
    std::string out;
};

TEST_F(ReadCli, CleanReadWritesTheImageAndOneLinePerSide) {
    writeBytes(disk, patternDisk(1));
    const CommandResult r = run({"-o", out}, "sim:" + disk);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 41u);
    EXPECT_EQ(lines[0], "0:0 Read OK");
    EXPECT_EQ(lines[39], "0:39 Read OK");
    EXPECT_EQ(lines[40], "Read finished: 0 of 40 track sides failed");
    EXPECT_TRUE(bytesEqual(patternDisk(1), readBytes(out)));
}

TEST_F(ReadCli, DoubleSidedReadTakesBothHeadsInTurn) {
    writeBytes(disk, patternDisk(2));
    const CommandResult r = run({"--double-sided", "-o", out, "--drive", " a "}, "sim:" + disk);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 81u);
    EXPECT_EQ(lines[0], "0:0 Read OK");
    EXPECT_EQ(lines[1], "1:0 Read OK");
    EXPECT_EQ(lines[79], "1:39 Read OK");
    EXPECT_TRUE(bytesEqual(patternDisk(2), readBytes(out)));
}

TEST_F(ReadCli, FailedSidesAreFilledSummarisedAndStillExitZero) {
    writeBytes(disk, patternDisk(1));
    const CommandResult r =
        run({"-o", out, "--filler", "0x00"}, "sim:" + disk, "0:3:23:3;0:30:1112:5;0:31:27:2");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 42u);
    EXPECT_EQ(lines[3], "0:3 CRC Error (0x00000017)");
    EXPECT_EQ(lines[30], "0:30 No Miedia In Drive (0x00000458)");
    EXPECT_EQ(lines[31], "0:31 Read OK");
    EXPECT_EQ(lines[40], "Read finished: 2 of 40 track sides failed: 0:3, 0:30");
    EXPECT_EQ(lines[41], "Sector map: " + out + ".map.json (36 bad, 18 recovered)");
    std::vector<std::uint8_t> expected = patternDisk(1);
    std::fill_n(expected.begin() + 3 * kTrackSide, kTrackSide, 0x00);
    std::fill_n(expected.begin() + 30 * kTrackSide, kTrackSide, 0x00);
    EXPECT_TRUE(bytesEqual(expected, readBytes(out)));
}

TEST_F(ReadCli, SingleStepMissesEveryTrackAfterTheFirst) {
    writeBytes(disk, patternDisk(1));
    const CommandResult r = run({"-o", out, "--single-step", "--filler=0xe5"}, "sim:" + disk);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 42u);
    EXPECT_EQ(lines[0], "0:0 Read OK");
    EXPECT_EQ(lines[1], "0:1 Wrong Cylinder (0x00000463)");
    EXPECT_EQ(lines[40].rfind("Read finished: 39 of 40 track sides failed: 0:1, 0:2, ", 0), 0u) << lines[40];
    const auto bytes = readBytes(out);
    ASSERT_EQ(bytes.size(), floppyfix::kOneSide);
    EXPECT_EQ(bytes[kTrackSide], 0xE5);
}

TEST_F(ReadCli, DriveThatDoesNotAnswerFailsWithItsErrorText) {
    writeBytes(out, {1, 2, 3});
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::optional<std::string> floppy;
        const char* err;
    };
    const Case cases[] = {
        {"empty drive",
         {"-o", out},
         "sim:" + dir.file("missing.opu"),
         "quillmar-cli: drive A: does not answer (Not Ready (0x00000015))\n"},
        {"no such drive",
         {"-o", out, "--drive", "b"},
         "sim:" + disk,
         "quillmar-cli: drive B: does not answer (no such drive)\n"},
        {"no driver",
         {"-o", out},
         "none",
         "quillmar-cli: no floppy driver answers (QUILLMAR_FLOPPY=sim:IMAGE reads an image in a simulated "
         "drive)\n"},
    };
    writeBytes(disk, patternDisk(1));
    for (const auto& c : cases) {
        const CommandResult r = run(c.args, c.floppy);
        EXPECT_EQ(r.exitCode, 1) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
        EXPECT_TRUE(bytesEqual({1, 2, 3}, readBytes(out))) << c.name << ": the old file must survive";
    }
}

TEST_F(ReadCli, WrongWordsAreUsageErrors) {
    writeBytes(disk, patternDisk(1));
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{}, "needs -o OUT"},
        {{"-o"}, "-o needs a value"},
        {{"-o", out, "image.opu"}, "takes no IMAGE"},
        {{"-o", out, "--drive", "AB"}, "The drive selected seems not to be valid."},
        {{"-o", out, "--drive", "1"}, "The drive selected seems not to be valid."},
        {{"-o", out, "--drive", ""}, "The drive selected seems not to be valid."},
        {{"-o", out, "--filler", "0xFF"}, "--filler takes 0x00 or 0xE5, not \"0xFF\""},
        {{"-o", out, "--sides", "2"}, "unknown option --sides"},
    };
    for (const auto& c : cases) {
        const CommandResult r = run(c.args, "sim:" + disk);
        EXPECT_EQ(r.exitCode, 2) << c.mentions;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(ReadCli, UnwritableTargetIsFoundBeforeReading) {
    writeBytes(disk, patternDisk(1));
    const CommandResult folder = run({"-o", dir.path().string()}, "sim:" + disk);
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("it is a folder"), std::string::npos) << folder.err;
    EXPECT_EQ(folder.out, "");

    const CommandResult nowhere = run({"-o", dir.file("no/such/out.opu")}, "sim:" + disk);
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_NE(nowhere.err.find("no folder"), std::string::npos) << nowhere.err;
    EXPECT_EQ(nowhere.out, "");
}

TEST_F(ReadCli, BadSimulationSettingsFailClearly) {
    writeBytes(disk, patternDisk(1));
    const CommandResult faults = run({"-o", out}, "sim:" + disk, "0:3:23");
    EXPECT_EQ(faults.exitCode, 1);
    EXPECT_NE(faults.err.find("QUILLMAR_FLOPPY_FAULTS: \"0:3:23\" does not have four or five fields"),
              std::string::npos)
        << faults.err;
    const CommandResult floppy = run({"-o", out}, "simulate");
    EXPECT_EQ(floppy.exitCode, 1);
    EXPECT_NE(floppy.err.find("QUILLMAR_FLOPPY: \"simulate\""), std::string::npos) << floppy.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(ReadCli, NoTemporaryFileIsLeftBeside) {
    writeBytes(disk, patternDisk(1));
    ASSERT_EQ(run({"-o", out}, "sim:" + disk).exitCode, 0);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"in.opu", "out.opu"}));
}

}  // namespace
