#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "disk/DiskBuilder.h"
#include "support/TestSupport.h"

namespace {

const std::string kCli = QUILLMAR_CLI_PATH;

CommandResult cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        out.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return out;
}

std::string sampleDisk(const TempDir& dir, std::size_t length = kNominalImageLength) {
    std::string path = dir.file("sample.opu");
    writeBytes(path, DiskBuilder("SAMPLE")
                         .addFile("hello", 0, {0x00, 0x0A, 0x02, 0x00, 0xF5, 0x0D}, 10, 6)
                         .addFile("pic", 3, std::vector<std::uint8_t>(6912, 0x55), 16384)
                         .addFile(std::string("\x90nums", 5), 1, {1, 3, 0}, 0x8100)
                         .addFile("odd", 9, {}, 1, 2)
                         .imageLength(length)
                         .build());
    return path;
}

TEST(CliList, PrintsTheDiskNameAndOneLinePerFile) {
    TempDir dir;
    const CommandResult r = cli({"list", sampleDisk(dir)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Disk: SAMPLE    \n"
              "1\thello     \tBASIC\tLen: #0006 - 6\tRun: #000A - 10\tN/A: #0006 - 6\n"
              "2\tpic       \tSCREEN$\tLen: #1B00 - 6912\tAddr: #4000 - 16384\tN/A: #0000 - 0\n"
              "3\t{UDG A}nums     \tNum Array\tLen: #0003 - 3\tName: a() [#8100 - 33024]\tN/A: #0000 - 0\n"
              "4\todd       \t\t#0000 - 0\t#0001 - 1\t#0002 - 2\n");
}

TEST(CliList, JsonHoldsEveryEntry) {
    TempDir dir;
    const CommandResult r = cli({"list", sampleDisk(dir), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["disk"], "SAMPLE    ");
    EXPECT_EQ(doc["image_length"], 184320);
    ASSERT_EQ(doc["entries"].size(), 5u);
    const auto& disk = doc["entries"][0];
    EXPECT_EQ(disk["index"], 0);
    EXPECT_EQ(disk["kind"], 0);
    EXPECT_EQ(disk["raw_name_hex"], "53414d504c4520202020");
    const auto& nums = doc["entries"][3];
    EXPECT_EQ(nums["kind"], 1);
    EXPECT_EQ(nums["raw_name_hex"], "906e756d732020202020");
    EXPECT_EQ(nums["name"], "{UDG A}nums     ");
    EXPECT_EQ(nums["type"], 1);
    EXPECT_EQ(nums["type_text"], "Num Array");
    EXPECT_EQ(nums["length"], 3);
    EXPECT_EQ(nums["param1"], 0x8100);
    EXPECT_EQ(nums["param2"], 0);
    EXPECT_EQ(nums["columns"],
              nlohmann::json({"Len: #0003 - 3", "Name: a() [#8100 - 33024]", "N/A: #0000 - 0"}));
    for (const char* key : {"word0", "word1", "word2"}) {
        EXPECT_TRUE(nums[key].is_number_integer()) << key;
    }
}

TEST(CliList, UnusualLengthWarnsAndGoesOn) {
    TempDir dir;
    const CommandResult r = cli({"list", sampleDisk(dir, 184321)});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.rfind("warning: ", 0), 0u) << r.err;
    EXPECT_EQ(lines(r.out).size(), 5u);
}

TEST(CliList, FailuresAndUsage) {
    TempDir dir;
    std::vector<std::uint8_t> noEntries(kNominalImageLength, 0);
    noEntries[256 + 4] = 0xFF;
    noEntries[256 + 5] = 0xFF;
    writeBytes(dir.file("blank.opu"), noEntries);
    writeBytes(dir.file("empty.opu"), {});

    struct Case {
        std::vector<std::string> args;
        int exitCode;
    };
    const Case cases[] = {
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"list"}, 2},
        {{"list", "a", "b"}, 2},
        {{"list", dir.file("blank.opu"), "--bogus"}, 2},
        {{"list", dir.file("missing.opu")}, 1},
        {{"list", dir.path().string()}, 1},
        {{"list", dir.file("empty.opu")}, 1},
        {{"list", dir.file("blank.opu")}, 1},
        {{"dump", dir.file("missing.opu")}, 1},
    };
    for (const Case& c : cases) {
        const CommandResult r = cli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << (c.args.empty() ? "" : c.args[0]) << " " << r.err;
        if (c.exitCode == 1) {
            const auto last = lines(r.err).back();
            EXPECT_EQ(last.rfind("quillmar-cli: ", 0), 0u) << r.err;
            EXPECT_EQ(r.out, "");
        }
    }
}

TEST(CliList, HelpAndVersion) {
    const CommandResult help = cli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("list IMAGE"), std::string::npos);
    EXPECT_NE(help.out.find("dump IMAGE"), std::string::npos);
    const CommandResult version = cli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.out.find("2.0.0"), std::string::npos);
}

TEST(CliDump, MatchesTheLoggedDumpWithUnixLineEnds) {
    TempDir dir;
    const std::string path = sampleDisk(dir);
    const CommandResult r = cli({"dump", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const auto rows = lines(r.out);
    ASSERT_EQ(rows.size(), 113u);
    EXPECT_EQ(rows[0], "Disk Image [" + path + "] catalog:");
    EXPECT_EQ(rows[1].substr(0, 7), "\t0100: ");
    EXPECT_EQ(rows[112].substr(0, 7), "\t07F0: ");
    EXPECT_EQ(rows[1].size(), 1u + 6 + 48 + 16);
}

TEST(CliDump, AShortImageIsAFailure) {
    TempDir dir;
    writeBytes(dir.file("short.opu"), std::vector<std::uint8_t>(1000, 0));
    const CommandResult r = cli({"dump", dir.file("short.opu")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("quillmar-cli: "), std::string::npos);
}

TEST(DemoDisk, TheCommittedCopyMatchesTheGenerator) {
    const auto built = readBytes(std::string(QUILLMAR_BINARY_DIR) + "/samples/demo.opu");
    const auto committed = readBytes(std::string(QUILLMAR_SOURCE_DIR) + "/samples/demo.opu");
    ASSERT_EQ(built.size(), kNominalImageLength);
    EXPECT_TRUE(built == committed) << "run: cp build/samples/demo.opu samples/demo.opu";
}

TEST(DemoDisk, ListsEveryKindOfFile) {
    const CommandResult r = cli({"list", std::string(QUILLMAR_BINARY_DIR) + "/samples/demo.opu"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* type : {"\tBASIC\t", "\tSCREEN$\t", "\tCODE\t", "\tNum Array\t", "\tChar Array\t"}) {
        EXPECT_NE(r.out.find(type), std::string::npos) << type;
    }
}

}  // namespace
