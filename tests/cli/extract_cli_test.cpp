// quillmar-cli extract: every file out, names from the disk made safe.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "CliDiskFixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

std::set<std::string> filesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        names.insert(fs::relative(e.path(), dir).string());
    }
    return names;
}

DiskBuilder hostileDisk() {
    return DiskBuilder("../../x")
        .addFile("../evil", 3, {1}, 0)             // 1
        .addFile("PROG", 0, {2}, 0)                // 2
        .addFile("prog", 0, {3}, 0)                // 3
        .addFile("CON", 3, {4}, 0)                 // 4
        .addFile("a/b\\c:d", 3, {5}, 0)            // 5
        .addFile(".hidden", 3, {6}, 0)             // 6
        .addFile("pic", 3, Bytes(6912, 7), 16384)  // 7
        .addFile("..", 3, {8}, 0);                 // 8
}

TEST(ExtractCli, RawFilesGetSafeNumberedNamesInsideTheFolder) {
    const CliDisk disk(hostileDisk());
    const fs::path out = disk.dir().path() / "out";
    const CommandResult r = disk.run({"extract", disk.path(), out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::set<std::string> expected = {"___evil.bin", "PROG.bin",    "prog (2).bin", "_CON.bin",
                                            "a_b_c_d.bin", "_hidden.bin", "pic.scr",      "__.bin"};
    EXPECT_EQ(filesIn(out), expected);
    EXPECT_EQ(filesIn(disk.dir().path()).size(), expected.size() + 2) << "image, folder and its files only";
    EXPECT_TRUE(bytesEqual({1}, readBytes((out / "___evil.bin").string())));
    EXPECT_TRUE(bytesEqual({3}, readBytes((out / "prog (2).bin").string())));
    EXPECT_EQ(readBytes((out / "pic.scr").string()).size(), 6912u);
    EXPECT_NE(r.out.find("3\tprog      \t" + (out / "prog (2).bin").string() + "\n"), std::string::npos)
        << r.out;
}

TEST(ExtractCli, AFolderGivenWithATrailingSlashOrDotsIsTheSameFolder) {
    const CliDisk disk(DiskBuilder("D").addFile("one", 3, {1}, 0));
    fs::create_directories(disk.dir().path() / "sub");
    for (const std::string& given : {std::string("out/"), std::string("sub/../out//")}) {
        const CommandResult r =
            disk.run({"extract", disk.path(), (disk.dir().path() / given).string(), "--force"});
        ASSERT_EQ(r.exitCode, 0) << given << ": " << r.err;
        EXPECT_EQ(filesIn(disk.dir().path() / "out"), std::set<std::string>{"one.bin"});
    }
}

TEST(ExtractCli, TapeHoldsEveryFileInCatalogueOrder) {
    const CliDisk disk(hostileDisk());
    const fs::path out = disk.dir().path() / "tapes";
    const CommandResult r = disk.run({"extract", disk.path(), out.string(), "--as", "tap"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(filesIn(out), std::set<std::string>{"___.._x.tap"});
    const Bytes tap = readBytes((out / "___.._x.tap").string());
    EXPECT_EQ(tap.size(), 7u * 26u + 6937u);
    if (!programAvailable("tzxlist")) {
        GTEST_SKIP() << "tzxlist is not installed";
    }
    const CommandResult list = runCommand({"tzxlist", (out / "___.._x.tap").string()});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    int headers = 0;
    int passes = 0;
    for (auto p = list.out.find("Raw header: "); p != std::string::npos;
         p = list.out.find("Raw header: ", p + 1)) {
        ++headers;
    }
    for (auto p = list.out.find("(PASS)"); p != std::string::npos; p = list.out.find("(PASS)", p + 1)) {
        ++passes;
    }
    EXPECT_EQ(headers, 8) << list.out;
    EXPECT_EQ(passes, 16) << list.out;
    // Catalogue order: the BASIC pair between the first and the fourth file.
    const auto evil = list.out.find("2e 2e 2f 65 76 69 6c");
    const auto prog = list.out.find("Program: \"PROG      \"");
    const auto pic = list.out.find("Bytes: \"pic       \" SCREEN$");
    EXPECT_TRUE(evil < prog && prog < pic && pic != std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("FAIL"), std::string::npos);
}

TEST(ExtractCli, AnExistingFileStopsTheRunBeforeAnythingIsWritten) {
    const CliDisk disk(hostileDisk());
    const fs::path out = disk.dir().path() / "out";
    fs::create_directories(out);
    writeBytes((out / "pic.scr").string(), {0xEE});
    const CommandResult r = disk.run({"extract", disk.path(), out.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("already exists; use --force"), std::string::npos) << r.err;
    EXPECT_EQ(filesIn(out), std::set<std::string>{"pic.scr"});
    EXPECT_TRUE(bytesEqual({0xEE}, readBytes((out / "pic.scr").string())));

    const CommandResult forced = disk.run({"extract", disk.path(), out.string(), "--force"});
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(readBytes((out / "pic.scr").string()).size(), 6912u);
    EXPECT_EQ(filesIn(out).size(), 8u);
}

TEST(ExtractCli, AFileNoTapeBlockCanHoldStopsTheTapeWithNothingWritten) {
    const CliDisk disk(DiskBuilder("BIG").addFile("ok", 3, {1}, 0).addFile("huge", 3, Bytes(65535, 0), 0));
    const fs::path out = disk.dir().path() / "out";
    const CommandResult r = disk.run({"extract", disk.path(), out.string(), "--as", "tap"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("entry 2 [huge      ] cannot be written as a tape file"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(out));
}

struct ExtractRefusal {
    const char* name;
    std::vector<std::string> extra;
    int exitCode;
};

class ExtractCliRefusals : public ::testing::TestWithParam<ExtractRefusal> {};

TEST_P(ExtractCliRefusals, BadCallsWriteNothing) {
    const CliDisk disk(hostileDisk());
    std::vector<std::string> args{"extract", disk.path(), (disk.dir().path() / "out").string()};
    args.insert(args.end(), GetParam().extra.begin(), GetParam().extra.end());
    const CommandResult r = disk.run(args);
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.err;
    EXPECT_FALSE(fs::exists(disk.dir().path() / "out"));
}

INSTANTIATE_TEST_SUITE_P(Calls, ExtractCliRefusals,
                         ::testing::Values(ExtractRefusal{"unknownForm", {"--as", "zip"}, 2},
                                           ExtractRefusal{"unknownOption", {"--zoom", "2"}, 2}),
                         [](const auto& tc) { return std::string(tc.param.name); });

TEST(ExtractCli, AFileWhereTheFolderShouldBeIsRefused) {
    const CliDisk disk(hostileDisk());
    writeBytes(disk.file("out"), {1});
    const CommandResult r = disk.run({"extract", disk.path(), disk.file("out")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("is not a folder"), std::string::npos) << r.err;
}

}  // namespace
