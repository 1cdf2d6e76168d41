// Every subcommand of quillmar-cli reaches its procedure and prints what it
// returns. What the procedures do is proved in their own tests; here one call
// per command shows the wiring.

#include <random>

#include "CliDiskFixture.h"
#include "disk/DiskBuilder.h"
#include "disk/SectorMapFile.h"

namespace {

// The demo disk's files as tools/make-demo-disk.cpp writes them: 1 demo
// (BASIC), 2 screen, 3 code (at 32768: 3E 02 CD 01 16 ..., "QUILLMAR" at
// offset 16), 4 numbers, 5 letters.
TEST(CliCommand, PrintsWhatItsProcedureReturns) {
    struct Case {
        std::vector<std::string> args;
        std::string outStart;     // stdout begins with this
        std::string outContains;  // and holds this somewhere
    };
    const Case cases[] = {
        {{"list", "{img}"}, "Disk: QUILLMAR", "\n3\tcode      \tCODE\t"},
        {{"list", "{img}", "--json"}, "{\n", "\"name\": \"letters   \""},
        {{"dump", "{img}"}, "", "QUILLMAR"},
        {{"hex", "{img}", "3"}, "Address | 00 | 01 |", "\n   8000 | 3E | 02 | CD | 01 | 16 | "},
        {{"basic", "{img}", "1"}, "  10 REM Quillmar demo disk\n", "\n 100 PRINT \"UDG: \""},
        {{"basic", "{img}", "1", "--expanded"}, "  10 REM Quillmar demo disk{ENTER}\n", ""},
        {{"vars", "{img}", "1"}, "a\tNumeric\t5\n", "\nb(2)\tNum Array\t1; 2\n"},
        {{"search", "{img}", "3", "quillmar"}, "16\n", ""},
        {{"export", "{img}", "3", "{dir}/code.bin"}, "File successfully saved as [{dir}/code.bin].\n", ""},
        {{"extract", "{img}", "{dir}/out"},
         "1\tdemo      \t{dir}/out/demo.bin\n",
         "5\tletters   \t{dir}/out/letters.bin\n"},
        {{"help", "list"}, "Usage: quillmar-cli list IMAGE [--json]\n", ""},
        {{"--version"}, "quillmar-cli ", ""},
    };
    const CliRun cli;
    for (const Case& c : cases) {
        const CommandResult r = cli.run(c.args);
        ASSERT_EQ(r.exitCode, 0) << c.args[0] << ": " << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.find('\r'), std::string::npos) << c.args[0];  // lines end in LF alone
        EXPECT_EQ(slashes(r.out).rfind(slashes(cli.expand(c.outStart)), 0), 0u) << r.out.substr(0, 300);
        EXPECT_NE(slashes(r.out).find(slashes(cli.expand(c.outContains))), std::string::npos)
            << r.out.substr(0, 300);
    }
    EXPECT_EQ(cli.run({"help", "export"}).out, cli.run({"export", "--help"}).out);
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
    std::string cells;  // ours, as xxd -p would print them
    for (std::size_t at = ours.out.find('\n') + 1; at < ours.out.size(); at = ours.out.find('\n', at) + 1) {
        for (std::size_t c = 0; c < 16; ++c) {
            for (const char ch : ours.out.substr(at + 10 + 5 * c, 2)) {
                cells += ch == ' ' ? "" : std::string(1, static_cast<char>(std::tolower(ch)));
            }
        }
        cells += '\n';
    }
    EXPECT_EQ(cells, theirs.out);
}

TEST(DemoDisk, TheCommittedCopyMatchesTheGenerator) {
    const auto committed = readBytes(std::string(QUILLMAR_SOURCE_DIR) + "/samples/demo.opu");
    EXPECT_TRUE(readBytes(CliRun::kDemo) == committed) << "run: cp build/samples/demo.opu samples/demo.opu";
}

// The first two tracks of a one-sided Opus disk recorded to SCP, with sector
// 4 of cylinder 1 unreadable: scan, convert and the image commands open it
// as the 40-track disk it is, the tracks the capture lacks missing.
TEST(CliCommand, FluxRecordings) {
    const CliRun cli;
    writeBytes(cli.file("disk.scp"), scpWithOneBadSector());
    const std::string warning =
        "warning: 685 of 720 sectors could not be read (first: cylinder 1 head 0 sector 4)\n";
    CommandResult r = cli.run({"scan", "{dir}/disk.scp"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "0.0: 18 good, 0 bad, 0 missing\n1.0: 17 good, 1 bad, 0 missing\n");
    r = cli.run({"convert", "{dir}/disk.scp", "{dir}/disk.opd", "--filler", "0x00"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, warning);
    std::vector<std::uint8_t> image = DiskBuilder("FLUX").imageLength(2 * 18 * 256).build();
    std::fill_n(image.begin() + (18 + 4) * 256, 256, 0x00);
    image.resize(40 * 18 * 256, 0x00);
    EXPECT_TRUE(bytesEqual(image, readBytes(cli.file("disk.opd"))));
#ifndef _WIN32  // the redirection needs a POSIX shell
    // Piped in, the recording is read once and converted as from its file, map and all.
    r = cli.shell("{cli} convert - '" + cli.file("piped.opd") + "' --filler 0x00 < '" + cli.file("disk.scp") +
                  "'");
    EXPECT_EQ(r.err, warning);
    EXPECT_TRUE(bytesEqual(image, readBytes(cli.file("piped.opd"))));
    EXPECT_EQ(readBytes(cli.file("piped.opd.map.json")), readBytes(cli.file("disk.opd.map.json")));
#endif
    EXPECT_EQ(cli.run({"convert", "{dir}/disk.scp", "{dir}/disk.opd"}).exitCode, 1);  // no overwriting
    r = cli.run({"list", "{dir}/disk.scp"});
    EXPECT_EQ(r.out, "Disk: FLUX      \n");
    EXPECT_EQ(r.err, warning);
}

// The whole rescue: a read that keeps all but one sector, check naming the
// file that sector spoils, a second read merged in, check clean.
TEST(CliCommand, ReadSectorBySectorCheckMergeCheck) {
    const CliRun disk;
    const std::string image = disk.file("disk.opu"), out = disk.file("out.opu");
    writeBytes(image, DiskBuilder("RESCUE").addFile("PROG", 3, std::vector<std::uint8_t>(600, 0x5A)).build());
    const ScopedEnv floppy("QUILLMAR_FLOPPY", "sim:" + image);
    writeBytes(out, {1, 2, 3});  // an older file stays unless --force
    CommandResult r = disk.run({"read", "-o", out});
    EXPECT_EQ(r.err, "quillmar-cli: " + out + " already exists; use --force to replace it\n");
    EXPECT_TRUE(r.exitCode == 1 && bytesEqual({1, 2, 3}, readBytes(out)));
    {
        const ScopedEnv faults("QUILLMAR_FLOPPY_FAULTS", "0:0:23:99:8");  // PROG's header: block 8
        r = disk.run(
            {"read", "--sector-by-sector", "--tracks", "40", "-o", out, "--filler", "0xE5", "--force"});
    }
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("0:0 CRC Error (0x00000017), 17 of 18 sectors recovered\n0:1 Read OK\n", 0), 0u);
    EXPECT_NE(r.out.find("\nRead finished: 1 of 40 track sides failed: 0:0\nSector map: " + out +
                         ".map.json (1 bad, 17 recovered)\n"),
              std::string::npos)
        << r.out;
    r = disk.run({"check", out});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out, "1\tPROG      \t0:0:8\n");
    const Bytes before = readBytes(out);
    writeBytes(image + ".other", DiskBuilder("OTHER").build());
    {
        const ScopedEnv other("QUILLMAR_FLOPPY", "sim:" + image + ".other");
        r = disk.run({"read", "--merge", out});
    }
    EXPECT_EQ(r.err, "quillmar-cli: the disk in the drive is not the disk of " + out +
                         " (sector 0:0:1 differs); nothing was merged\n");
    EXPECT_TRUE(r.exitCode == 1 && bytesEqual(before, readBytes(out)));
    r = disk.run({"read", "--merge", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "0:0 Read OK, 1 of 1 sectors recovered\nMerge finished: 1 of 1 bad sectors recovered\n"
              "Sector map: " +
                  out + ".map.json (0 bad, 18 recovered)\n");
    EXPECT_TRUE(bytesEqual(readBytes(image), readBytes(out)));
    r = disk.run({"check", out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

// The bad sectors travel with every conversion: an image's map goes along to
// an image, into the flux of a recording, and a clean image over OUT takes
// the old map away; a damaged map is an error for check.
TEST(CliCommand, ConvertKeepsTheRecordOfBadSectors) {
    const CliRun cli;
    const std::string in = cli.file("disk.opd"), clean = cli.file("clean.opd");
    writeBytes(in, DiskBuilder("RESCUE").addFile("PROG", 3, Bytes(600, 0x5A)).build());
    writeBytes(clean, readBytes(in));
    writeBytes(SectorMapPath(in), [] {
        const std::string text =
            SectorMapToJson(SectorMap{{40, 1, 18, 256}, {{0, 0, 8, SectorState::Bad, 23}}});
        return Bytes(text.begin(), text.end());
    }());
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string out, err;
    } steps[] = {
        {{"convert", in, "{dir}/out.opd"},
         0,
         "Sector map: {dir}/out.opd.map.json (1 bad, 0 recovered)\n",
         ""},
        {{"check", "{dir}/out.opd"}, 1, "1\tPROG      \t0:0:8\n", ""},
        {{"convert", in, "{dir}/out.hfe"}, 0, "", ""},
        {{"check", "{dir}/out.hfe"},
         1,
         "1\tPROG      \t0:0:8\n",
         "warning: 1 of 720 sectors could not be read (first: cylinder 0 head 0 sector 8)\n"},
        {{"convert", clean, "{dir}/out.opd"},
         1,
         "",
         "quillmar-cli: {dir}/out.opd already exists; use --force to replace it\n"},
        {{"convert", clean, "{dir}/out.opd", "--force"}, 0, "", ""},
        {{"check", "{dir}/out.opd"},
         0,
         "",
         "note: no sector map beside {dir}/out.opd ({dir}/out.opd.map.json); no sector is known to be bad\n"},
    };
    for (const auto& step : steps) {
        const CommandResult r = cli.run(step.args);
        EXPECT_EQ(r.exitCode, step.exitCode) << step.args[0] << ": " << r.err;
        EXPECT_EQ(slashes(r.out), slashes(cli.expand(step.out))) << step.args[0];
        EXPECT_EQ(slashes(r.err), slashes(cli.expand(step.err))) << step.args[0];
    }
    writeBytes(SectorMapPath(cli.file("out.opd")), {'{'});
    const CommandResult r = cli.run({"check", "{dir}/out.opd"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(
        slashes(r.err),
        slashes(cli.expand(
            "quillmar-cli: the sector map beside {dir}/out.opd is damaged: not valid JSON (at byte 2)\n")));
}

// An image onto the simulated drive: a side written again, the disk left
// holding the image; a length that needs to be told its shape is refused.
TEST(CliCommand, WriteVerifiesEverySide) {
    const CliRun disk;
    const std::string image = disk.file("image.opu"), drive = disk.file("drive.opu");
    writeBytes(image, DiskBuilder("COPY").addFile("PROG", 3, std::vector<std::uint8_t>(600, 0x5A)).build());
    writeBytes(drive, std::vector<std::uint8_t>(184320, 0x00));
    const ScopedEnv floppy("QUILLMAR_FLOPPY", "sim:" + drive);
    const ScopedEnv faults("QUILLMAR_FLOPPY_FAULTS", "0:2:23:1:4");
    CommandResult r = disk.run({"write", image});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind(
                  "0:0 Write OK\n0:1 Write OK\n0:2 Verify failed: sectors 4 (try 1 of 3)\n0:2 Write OK\n", 0),
              0u)
        << r.out;
    EXPECT_TRUE(r.out.ends_with("\n0:39 Write OK\nWrite finished: 40 track sides written and verified\n"));
    EXPECT_TRUE(bytesEqual(readBytes(image), readBytes(drive)));
    writeBytes(image, std::vector<std::uint8_t>(368640, 0x00));
    r = disk.run({"write", image});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
              "quillmar-cli: 368,640 bytes is 40 tracks on two sides or 80 on one; add --double-sided or "
              "--tracks 80");
}

// A Greaseweazle that cannot be reached says why, not that no driver answers.
TEST(CliCommand, ReadSaysWhyTheGreaseweazleCannotBeReached) {
    const CliRun cli;
    const std::string port = cli.file("ttyACM9");
    const ScopedEnv floppy("QUILLMAR_FLOPPY", "greaseweazle:" + port);
    const CommandResult r = cli.run({"read", "-o", "{dir}/out.opu"});
    EXPECT_EQ(r.exitCode, 1);
    // The system's own words for the reason follow.
    const std::string said = "quillmar-cli: cannot open " + port + ": ";
    EXPECT_EQ(r.err.rfind(said, 0), 0u) << r.err;
    EXPECT_GT(r.err.size(), said.size() + 1) << r.err;
}

}  // namespace
