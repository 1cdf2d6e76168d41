// What quillmar-cli itself decides: refusals before anything is written, the
// messages people read, standard input and output, and the file names that
// extraction makes of names from a disk. One case per behaviour; the file
// writing, tape checking and formatting underneath have their own tests.

#include <set>

#include "CliDiskFixture.h"
#include "disk/Catalogue.h"
#include "disk/DiskBuilder.h"

namespace {

namespace fs = std::filesystem;

TEST(CliBehaviour, RefusalsSayWhyInWords) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string err;  // stderr exactly
    };
    const Case cases[] = {
        {{"hex", "{img}", "0"}, 1, "quillmar-cli: entry 0 is the disk itself; files are 1 to 5\n"},
        {{"hex", "{img}", "x"},
         2,
         "quillmar-cli: INDEX must be a catalogue entry number, not \"x\"\nUsage: quillmar-cli hex IMAGE "
         "INDEX\n"},
        {{"export", "{img}", "2", "../dir"},
         1,
         "quillmar-cli: ../dir has no extension; use .tap, .txt, .scr, .bmp, .png or .bin\n"},
        {{"export", "{img}", "2", "{dir}/x.bmp", "--append"},
         2,
         "quillmar-cli: --append does not apply to .bmp files\nUsage: quillmar-cli export IMAGE INDEX OUT "
         "[--expanded] [--attr on|off] [--zoom 1|2|3] [--force] [--append]\n"},
        {{"export", "{img}", "1", "{dir}/folder.txt", "--force"},
         1,
         "quillmar-cli: {dir}/folder.txt is a folder\n"},
#ifndef _WIN32
        {{"list", "/dev/zero"}, 1, "quillmar-cli: cannot open /dev/zero: not a regular file\n"},
#endif
        {{"read", "-o", "{dir}/x.opu", "--tracks", "50"},
         2,
         "quillmar-cli: --tracks takes 40 or 80, not \"50\"\nUsage: quillmar-cli read -o OUT|--merge IMAGE "
         "[--force] "
         "[--drive A] [--double-sided] [--single-step] [--filler 0x00|0xE5] [--sector-by-sector] [--tracks "
         "40|80]\n"},
        {{"search", "{img}", "3", ""},
         2,
         "quillmar-cli: NEEDLE is empty; give the text or bytes to look for\n"
         "Usage: quillmar-cli search IMAGE INDEX [--type text|dec|hex] NEEDLE\n"},
    };
    for (const Case& c : cases) {
        const CliRun cli;
        fs::create_directory(cli.file("folder.txt"));
        const CommandResult r = cli.run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0];
        EXPECT_EQ(slashes(r.err), slashes(cli.expand(c.err)));
    }
}

TEST(CliBehaviour, WarningsGoToStandardError) {
    const CliRun cli;
    CommandResult r = cli.run({"vars", "{img}", "3"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.rfind("warning: entry 3 is a CODE file, not a BASIC program\n", 0), 0u) << r.err;
    // Every slot after the first block names an empty CODE file: the catalogue
    // runs to the image's end, (184,320 - 256) / 16 slots, the disk's own among them.
    std::vector<std::uint8_t> image(kNominalImageLength);
    for (std::size_t s = kBlockSize; s + kSlotSize <= image.size(); s += kSlotSize) {
        image[s] = 3;
        image[s + 3] = 1;
    }
    writeBytes(cli.file("endless.opu"), image);
    r = cli.run({"list", "{dir}/endless.opu"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "warning: the catalogue runs past the end of the image; 11503 entries listed\n");
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
    EXPECT_EQ(readBytes(tap).size(), 2 * (21 + 89 + 4u)) << "two saves of the 89-byte file, no hello";
}

std::set<std::string> filesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        names.insert(fs::relative(e.path(), dir).string());
    }
    return names;
}

// Extraction is the one place where names from a disk become file names on
// this machine: a hostile catalogue must stay inside the target folder.
TEST(CliBehaviour, ExtractKeepsHostileNamesInsideTheFolderAndChecksEveryTargetFirst) {
    const CliRun cli;
    writeBytes(cli.file("disk.opu"), DiskBuilder("../../x")
                                         .addFile("../evil", 3, {1})
                                         .addFile("PROG", 0, {2})
                                         .addFile("prog", 0, {3})
                                         .addFile("CON", 3, {4})
                                         .addFile("a/b\\c:d", 3, {5})
                                         .addFile(".hidden", 3, {6})
                                         .addFile("pic", 3, std::vector<std::uint8_t>(6912, 7), 16384)
                                         .addFile("..", 3, {8})
                                         .build());
    ASSERT_EQ(cli.run({"extract", "{dir}/disk.opu", "{dir}/out"}).exitCode, 0);
    const std::set<std::string> expected = {"___evil.bin", "PROG.bin",    "prog (2).bin", "_CON.bin",
                                            "a_b_c_d.bin", "_hidden.bin", "pic.scr",      "__.bin"};
    EXPECT_EQ(filesIn(cli.file("out")), expected);
    EXPECT_EQ(filesIn(cli.dir().path()).size(), expected.size() + 2) << "image, folder and its files only";
    EXPECT_TRUE(bytesEqual({3}, readBytes(cli.file("out/prog (2).bin"))));
    // An existing file, or with --force a folder, in the way stops the run before anything is written.
    fs::create_directory(cli.file("again"));
    writeBytes(cli.file("again/_CON.bin"), {9});
    EXPECT_EQ(cli.run({"extract", "{dir}/disk.opu", "{dir}/again"}).exitCode, 1);
    EXPECT_EQ(filesIn(cli.file("again")), std::set<std::string>{"_CON.bin"});
    fs::create_directories(cli.file("again/pic.scr"));
    const CommandResult r = cli.run({"extract", "{dir}/disk.opu", "{dir}/again", "--force"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(slashes(r.err),
              slashes(cli.expand("quillmar-cli: {dir}/again/pic.scr is a folder (nothing was written)\n")));
    EXPECT_TRUE(bytesEqual({9}, readBytes(cli.file("again/_CON.bin"))));
}

#ifndef _WIN32
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
