// quillmar-cli: one case per command proving the wiring (the behaviour behind
// each command is tested in its own folder), the hostile-name extraction that
// only the CLI does, and the hex dump against xxd.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>

#include <nlohmann/json.hpp>

#include "disk/DiskBuilder.h"
#include "floppy/FloppyFixtures.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string kDemo = QUILLMAR_BINARY_DIR "/samples/demo.opu";

CommandResult cli(std::vector<std::string> args) {
    args.insert(args.begin(), QUILLMAR_CLI_PATH);
    return runCommand(args);
}

struct WiringCase {
    const char* name;
    std::vector<std::string> args;  // "OUT" stands for a file in a fresh folder
    int exitCode;
    std::string start;  // of stdout, or of stderr when the exit code is not 0
};

class CliWiring : public ::testing::TestWithParam<WiringCase> {};

TEST_P(CliWiring, CommandReachesItsCode) {
    const WiringCase& c = GetParam();
    TempDir dir;
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
        a = a == "OUT" ? dir.file("out.bin") : a;
    }
    const CommandResult r = cli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    const std::string& text = c.exitCode == 0 ? r.out : r.err;
    EXPECT_EQ(text.rfind(c.start, 0), 0u) << text;
}

// demo disk entries: 1 BASIC, 2 SCREEN$, 3 CODE at 0x8000, 4 number array, 5 character array
INSTANTIATE_TEST_SUITE_P(
    Commands, CliWiring,
    ::testing::Values(
        WiringCase{"list", {"list", kDemo}, 0, "Disk: QUILLMAR  \n1\tdemo      \tBASIC\t"},
        WiringCase{"dump", {"dump", kDemo}, 0, "Disk Image [" + kDemo + "] catalog:"},
        WiringCase{"basic", {"basic", kDemo, "1"}, 0, "  10 REM Quillmar demo disk"},
        WiringCase{
            "basicExpanded", {"basic", "--expanded", kDemo, "1"}, 0, "  10 REM Quillmar demo disk{ENTER}"},
        WiringCase{"vars", {"vars", kDemo, "1"}, 0, "a\tNumeric\t5"},
        WiringCase{
            "hex",
            {"hex", kDemo, "3"},
            0,
            "Address | 00 | 01 | 02 | 03 | 04 | 05 | 06 | 07 | 08 | 09 | 0A | 0B | 0C | 0D | 0E | 0F | "
            "     ASCII       | "},
        WiringCase{"search", {"search", kDemo, "1", "--type", "text", "--", "demo"}, 0, "14\n"},
        WiringCase{"export", {"export", kDemo, "3", "OUT"}, 0, "File successfully saved as ["},
        WiringCase{"unknownCommand", {"frobnicate"}, 2, "quillmar-cli: "},
        WiringCase{"missingImage", {"list", "/nonexistent/x.opu"}, 1, "quillmar-cli: "},
        WiringCase{"indexOutside", {"basic", kDemo, "6"}, 1, "quillmar-cli: "}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(CliList, JsonCarriesTheDecodedEntries) {
    const CommandResult r = cli({"list", kDemo, "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["image_length"], kNominalImageLength);
    ASSERT_EQ(doc["entries"].size(), 6u);
    EXPECT_EQ(doc["entries"][2]["type_text"], "SCREEN$");
    EXPECT_EQ(doc["entries"][2]["length"], 6912);
}

TEST(CliRead, ReadsTheSimulatedDriveIntoTheImage) {
    TempDir dir;
    writeBytes(dir.file("in.opu"), floppyfix::patternDisk(1));
    const ScopedEnv floppy("QUILLMAR_FLOPPY", "sim:" + dir.file("in.opu"));
    const ScopedEnv faults("QUILLMAR_FLOPPY_FAULTS", "0:3:23:3");
    const CommandResult r = cli({"read", "-o", dir.file("out.opu"), "--filler", "0x00"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = splitLines(r.out);
    ASSERT_EQ(lines.size(), 41u);
    EXPECT_EQ(lines[3], "0:3 CRC Error (0x00000017)");
    EXPECT_EQ(lines[40], "Read finished: 1 of 40 track sides failed: 0:3");
    Bytes expected = floppyfix::patternDisk(1);
    std::fill_n(expected.begin() + 3 * floppyfix::kTrackSide, floppyfix::kTrackSide, 0x00);
    EXPECT_TRUE(bytesEqual(expected, readBytes(dir.file("out.opu"))));
}

std::set<std::string> filesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        names.insert(fs::relative(e.path(), dir).string());
    }
    return names;
}

TEST(CliExtract, HostileNamesStayInsideTheFolder) {
    TempDir dir;
    writeBytes(dir.file("disk.opu"), DiskBuilder("../../x")
                                         .addFile("../evil", 3, {1}, 0)
                                         .addFile("PROG", 0, {2}, 0)
                                         .addFile("prog", 0, {3}, 0)
                                         .addFile("CON", 3, {4}, 0)
                                         .addFile("a/b\\c:d", 3, {5}, 0)
                                         .addFile(".hidden", 3, {6}, 0)
                                         .addFile("pic", 3, Bytes(6912, 7), 16384)
                                         .addFile("..", 3, {8}, 0)
                                         .build());
    const fs::path out = dir.path() / "out";
    const CommandResult r = cli({"extract", dir.file("disk.opu"), out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::set<std::string> expected = {"___evil.bin", "PROG.bin",    "prog (2).bin", "_CON.bin",
                                            "a_b_c_d.bin", "_hidden.bin", "pic.scr",      "__.bin"};
    EXPECT_EQ(filesIn(out), expected);
    EXPECT_EQ(filesIn(dir.path()).size(), expected.size() + 2) << "image, folder and its files only";
    EXPECT_TRUE(bytesEqual({3}, readBytes((out / "prog (2).bin").string())));
    // An existing file stops the run before anything is written.
    const fs::path again = dir.path() / "again";
    fs::create_directories(again);
    writeBytes((again / "_CON.bin").string(), {9});
    EXPECT_EQ(cli({"extract", dir.file("disk.opu"), again.string()}).exitCode, 1);
    EXPECT_EQ(filesIn(again), std::set<std::string>{"_CON.bin"});
}

// xxd reads the same bytes on its own; the dumps must agree on every byte, on
// the addresses (ours start at the CODE address and keep four digits) and on
// the characters (xxd prints 127 as ".", the viewer as itself).
TEST(CliHex, AgreesWithXxdOnAFullSizeCodeFile) {
    if (!programAvailable("xxd")) {
        GTEST_SKIP() << "xxd is not installed";
    }
    std::mt19937 rng(1234);
    Bytes data(65535);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(rng());
    }
    TempDir dir;
    writeBytes(dir.file("big.opu"), DiskBuilder("BIG").addFile("big", 3, data, 0x1234).build());
    writeBytes(dir.file("raw.bin"), data);
    const CommandResult ours = cli({"hex", dir.file("big.opu"), "1"});
    const CommandResult theirs = runCommand({"xxd", "-g", "1", "-c", "16", "-u", dir.file("raw.bin")});
    ASSERT_EQ(ours.exitCode, 0) << ours.err;
    ASSERT_EQ(theirs.exitCode, 0) << theirs.err;
    const auto a = splitLines(ours.out);
    const auto b = splitLines(theirs.out);
    ASSERT_EQ(a.size(), b.size() + 1);
    for (std::size_t i = 0; i < b.size(); ++i) {
        const std::string& mine = a[i + 1];
        const std::string& xxd = b[i];
        std::string myBytes;
        for (std::size_t c = 0; c < 16; ++c) {
            const std::string cell = mine.substr(10 + 5 * c, 2);
            myBytes += cell == "  " ? "" : (myBytes.empty() ? "" : " ") + cell;
        }
        std::string myAscii = mine.substr(90, mine.size() - 93);
        std::replace(myAscii.begin(), myAscii.end(), '\x7F', '.');
        const std::string xxdBytes = xxd.substr(10, xxd.find_last_not_of(' ', 56) - 9);
        char address[8];
        std::snprintf(address, sizeof address, "%04lX",
                      (0x1234 + std::stoul(xxd.substr(0, 8), nullptr, 16)) & 0xFFFF);
        ASSERT_TRUE(mine.substr(3, 4) == address && myBytes == xxdBytes && myAscii == xxd.substr(59))
            << "line " << i << "\nours: " << mine << "\nxxd:  " << xxd;
    }
}

TEST(DemoDisk, TheCommittedCopyMatchesTheGenerator) {
    const auto built = readBytes(kDemo);
    ASSERT_EQ(built.size(), kNominalImageLength);
    EXPECT_TRUE(built == readBytes(std::string(QUILLMAR_SOURCE_DIR) + "/samples/demo.opu"))
        << "run: cp build/samples/demo.opu samples/demo.opu";
}

}  // namespace
