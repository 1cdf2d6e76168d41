// Extraction is the one place where names from a disk become file names on
// this machine: a hostile catalogue must stay inside the target folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "disk/DiskBuilder.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

CommandResult cli(std::vector<std::string> args) {
    args.insert(args.begin(), QUILLMAR_CLI_PATH);
    return runCommand(args);
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

}  // namespace
