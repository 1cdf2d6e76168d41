// What quillmar-cli itself decides: refusals before anything is written, the
// messages people read, standard input and output. One case per behaviour;
// the file writing, tape checking and formatting underneath have their own
// tests.

#include <gtest/gtest.h>

#include <filesystem>

#include "CliDiskFixture.h"
#include "disk/Catalogue.h"
#include "disk/DiskImage.h"
#include "export/SaveTAP.h"

namespace {

namespace fs = std::filesystem;

struct MessageCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    std::string err;  // stderr exactly
};

class CliMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(CliMessage, SaysItInWords) {
    const CliRun cli;
    fs::create_directory(cli.file("folder.txt"));
    const MessageCase& c = GetParam();
    const CommandResult r = cli.run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.err, cli.expand(c.err));
}

const std::string kEntryZero = "quillmar-cli: entry 0 is the disk itself; files are 1 to 5\n";

INSTANTIATE_TEST_SUITE_P(
    Calls, CliMessage,
    ::testing::Values(
        MessageCase{"hex_entry_0", {"hex", "{img}", "0"}, 1, kEntryZero},
        MessageCase{"basic_entry_0", {"basic", "{img}", "0"}, 1, kEntryZero},
        MessageCase{"vars_entry_0", {"vars", "{img}", "0"}, 1, kEntryZero},
        MessageCase{"search_entry_0", {"search", "{img}", "0", "a"}, 1, kEntryZero},
        MessageCase{"export_entry_0", {"export", "{img}", "0", "{dir}/x.tap"}, 1, kEntryZero},
        MessageCase{"no_extension",
                    {"export", "{img}", "2", "{dir}/noext"},
                    1,
                    "quillmar-cli: {dir}/noext has no extension; use .tap, .txt, .scr, .bmp, .png or .bin\n"},
        MessageCase{"dot_only_in_folder",
                    {"export", "{img}", "2", "../dir"},
                    1,
                    "quillmar-cli: ../dir has no extension; use .tap, .txt, .scr, .bmp, .png or .bin\n"},
        MessageCase{"target_is_a_folder",
                    {"export", "{img}", "1", "{dir}/folder.txt", "--force"},
                    1,
                    "quillmar-cli: {dir}/folder.txt is a folder\n"},
        MessageCase{"not_a_regular_file",
                    {"list", "/dev/zero"},
                    1,
                    "quillmar-cli: cannot open /dev/zero: not a regular file\n"},
        MessageCase{"empty_needle",
                    {"search", "{img}", "3", ""},
                    2,
                    "quillmar-cli: NEEDLE is empty; give the text or bytes to look for\n"
                    "Usage: quillmar-cli search IMAGE INDEX [--type text|dec|hex] NEEDLE\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CliBehaviour, AFileThatIsNotBasicIsShownAfterAWarning) {
    const CliRun cli;
    const CommandResult r = cli.run({"vars", "{img}", "3"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.rfind("warning: entry 3 is a CODE file, not a BASIC program\n", 0), 0u) << r.err;
}

// Every 16 bytes after the first block are catalogue slots of an empty CODE
// file (Word1 = 256 names a block whose bytes read as type 3, length 0): the
// catalogue runs to the image's end, (184,320 - 256) / 16 slots, the disk's
// own among them.
TEST(CliBehaviour, ACatalogueRunningPastTheImageIsAPlainWarning) {
    const CliRun cli;
    std::vector<std::uint8_t> image(kNominalImageLength);
    for (std::size_t s = kBlockSize; s + kSlotSize <= image.size(); s += kSlotSize) {
        const std::uint8_t slot[] = {0x03, 0x00, 0x00, 0x01, 0x00, 0x00, 'x', ' ',
                                     ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ', ' '};
        std::copy(std::begin(slot), std::end(slot), image.begin() + static_cast<std::ptrdiff_t>(s));
    }
    writeBytes(cli.file("endless.opu"), image);
    const CommandResult r = cli.run({"list", "{dir}/endless.opu"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "warning: the catalogue runs past the end of the image; 11503 entries listed\n");
}

TEST(CliBehaviour, ReadKeepsAnExistingImageUnlessForced) {
    const CliRun cli;
    const ScopedEnv noDrive("QUILLMAR_FLOPPY", "none");
    writeBytes(cli.file("good.opu"), {1, 2, 3});
    const CommandResult r = cli.run({"read", "-o", "{dir}/good.opu"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, cli.expand("quillmar-cli: {dir}/good.opu already exists; use --force to replace it\n"));
    EXPECT_TRUE(bytesEqual({1, 2, 3}, readBytes(cli.file("good.opu"))));
    const CommandResult forced = cli.run({"read", "-o", "{dir}/good.opu", "--force"});
    EXPECT_EQ(forced.err.find("already exists"), std::string::npos) << "--force gets past the check";
}

TEST(CliBehaviour, TapeAppendsOnlyToATapeAndForceStartsANewOne) {
    const CliRun cli;
    const std::string tap = cli.file("notes.tap");
    writeBytes(tap, {'h', 'e', 'l', 'l', 'o'});
    const CommandResult refused = cli.run({"export", "{img}", "3", tap});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(tap + " is not a tape file"), std::string::npos) << refused.err;
    EXPECT_TRUE(bytesEqual({'h', 'e', 'l', 'l', 'o'}, readBytes(tap)));

    ASSERT_EQ(cli.run({"export", "{img}", "3", tap, "--force"}).exitCode, 0);
    ASSERT_EQ(cli.run({"export", "{img}", "3", tap}).exitCode, 0);
    const auto tape = readBytes(tap);
    EXPECT_EQ(tape.size(), 2 * (21 + 89 + 4u)) << "two saves of the 89-byte file, no hello";
    EXPECT_EQ(TapeDamage(tape), std::nullopt);
}

#ifndef _WIN32
TEST(CliBehaviour, AppendingThroughALinkKeepsTheLinkAndThePermissions) {
    const CliRun cli;
    writeBytes(cli.file("real.txt"), {'x', '\r', '\n'});
    fs::permissions(cli.file("real.txt"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real.txt", cli.file("link.txt"));
    ASSERT_EQ(cli.run({"export", "{img}", "1", "{dir}/link.txt", "--append"}).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(cli.file("link.txt")));
    EXPECT_EQ(fs::status(cli.file("real.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(readText(cli.file("real.txt")).find("x\r\n  10 REM Quillmar demo disk"), std::string::npos);
}

TEST(CliBehaviour, ExtractChecksEveryTargetBeforeWritingAny) {
    const CliRun cli;
    fs::create_directories(cli.file("out/code.bin"));
    const CommandResult r = cli.run({"extract", "{img}", "{dir}/out", "--force"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, cli.expand("quillmar-cli: {dir}/out/code.bin is a folder (nothing was written)\n"));
    EXPECT_EQ(std::distance(fs::directory_iterator(cli.file("out")), fs::directory_iterator()), 1);
}

TEST(CliBehaviour, StandardInputAndOutput) {
    const CliRun cli;
    const CommandResult piped = cli.shell("{cli} list - < {img}");
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.out, cli.run({"list", "{img}"}).out);
    const CommandResult full = cli.shell("{cli} hex {img} 3 > /dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "quillmar-cli: cannot write to standard output: Disk full\n");
}
#endif

}  // namespace
