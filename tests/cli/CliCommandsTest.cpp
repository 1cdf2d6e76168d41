// Every subcommand of quillmar-cli reaches its procedure and prints what it
// returns. What the procedures do is proved in their own tests; here one call
// per command shows the wiring.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "CliDiskFixture.h"
#include "disk/DiskBuilder.h"
#include "floppy/FloppyFixtures.h"

namespace {

namespace fs = std::filesystem;

struct CommandCase {
    const char* name;
    std::vector<std::string> args;
    std::string outStart;     // stdout begins with this
    std::string outContains;  // and holds this somewhere
};

class CliCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CliCommand, PrintsWhatItsProcedureReturns) {
    const CliRun cli;
    const CommandCase& c = GetParam();
    const CommandResult r = cli.run(c.args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind(cli.expand(c.outStart), 0), 0u) << r.out.substr(0, 300);
    EXPECT_NE(r.out.find(cli.expand(c.outContains)), std::string::npos) << r.out.substr(0, 300);
}

// The demo disk's files as tools/make-demo-disk.cpp writes them: 1 demo
// (BASIC), 2 screen, 3 code (at 32768: 3E 02 CD 01 16 ..., "QUILLMAR" at
// offset 16), 4 numbers, 5 letters.
INSTANTIATE_TEST_SUITE_P(
    Demo, CliCommand,
    ::testing::Values(
        CommandCase{"list", {"list", "{img}"}, "Disk: QUILLMAR", "\n3\tcode      \tCODE\t"},
        CommandCase{"list_json", {"list", "{img}", "--json"}, "{\n", "\"name\": \"letters   \""},
        CommandCase{"dump", {"dump", "{img}"}, "", "QUILLMAR"},
        CommandCase{
            "hex", {"hex", "{img}", "3"}, "Address | 00 | 01 |", "\n   8000 | 3E | 02 | CD | 01 | 16 | "},
        CommandCase{
            "basic", {"basic", "{img}", "1"}, "  10 REM Quillmar demo disk\n", "\n 100 PRINT \"UDG: \""},
        CommandCase{"basic_expanded",
                    {"basic", "{img}", "1", "--expanded"},
                    "  10 REM Quillmar demo disk{ENTER}\n",
                    ""},
        CommandCase{"vars", {"vars", "{img}", "1"}, "a\tNumeric\t5\n", "a$\tString\thello\n"},
        CommandCase{"search", {"search", "{img}", "3", "quillmar"}, "16\n", ""},
        CommandCase{"export",
                    {"export", "{img}", "3", "{dir}/code.bin"},
                    "File successfully saved as [{dir}/code.bin].\n",
                    ""},
        CommandCase{"extract",
                    {"extract", "{img}", "{dir}/out"},
                    "1\tdemo      \t{dir}/out/demo.bin\n",
                    "5\tletters   \t{dir}/out/letters.bin\n"},
        CommandCase{"help_command", {"help", "list"}, "Usage: quillmar-cli list IMAGE [--json]\n", ""},
        CommandCase{"version", {"--version"}, "quillmar-cli ", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CliCommand, HelpCommandIsTheCommandsOwnHelp) {
    const CliRun cli;
    EXPECT_EQ(cli.run({"help", "export"}).out, cli.run({"export", "--help"}).out);
}

TEST(CliCommand, ReadWritesTheImageTheDriveHolds) {
    const CliRun cli;
    writeBytes(cli.file("in.opu"), floppyfix::patternDisk(1));
    const ScopedEnv floppy("QUILLMAR_FLOPPY", "sim:" + cli.file("in.opu"));
    const CommandResult r = cli.run({"read", "-o", "{dir}/out.opu", "--filler", "0xE5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\nRead finished: 0 of 40 track sides failed\n"), std::string::npos) << r.out;
    EXPECT_TRUE(bytesEqual(floppyfix::patternDisk(1), readBytes(cli.file("out.opu"))));
}

// xxd reads the raw bytes on its own; with -p it prints 16 of them a line as
// plain lower-case hex, which must be the byte cells of our lines in order.
TEST(CliCommand, HexAgreesWithXxdOnAFullSizeFile) {
    if (!programAvailable("xxd")) {
        GTEST_SKIP() << "xxd is not installed";
    }
    const CliRun cli;
    std::vector<std::uint8_t> data(65535);
    std::mt19937 rng(1234);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(rng());
    }
    writeBytes(cli.file("big.opu"), DiskBuilder("BIG").addFile("big", 3, data, 0x1234).build());
    writeBytes(cli.file("raw.bin"), data);
    const CommandResult ours = cli.run({"hex", "{dir}/big.opu", "1"});
    const CommandResult theirs = runCommand({"xxd", "-p", "-c", "16", cli.file("raw.bin")});
    ASSERT_EQ(ours.exitCode, 0) << ours.err;
    ASSERT_EQ(theirs.exitCode, 0) << theirs.err;
    std::string cells;  // ours, as xxd -p would print them
    for (std::size_t at = ours.out.find('\n') + 1; at < ours.out.size(); at = ours.out.find('\n', at) + 1) {
        for (std::size_t c = 0; c < 16; ++c) {
            const std::string cell = ours.out.substr(at + 10 + 5 * c, 2);
            for (const char ch : cell) {
                cells += ch == ' ' ? "" : std::string(1, static_cast<char>(std::tolower(ch)));
            }
        }
        cells += '\n';
    }
    EXPECT_EQ(cells, theirs.out);
}

TEST(DemoDisk, TheCommittedCopyMatchesTheGenerator) {
    const auto built = readBytes(CliRun::kDemo);
    const auto committed = readBytes(std::string(QUILLMAR_SOURCE_DIR) + "/samples/demo.opu");
    EXPECT_TRUE(built == committed) << "run: cp build/samples/demo.opu samples/demo.opu";
}

}  // namespace
