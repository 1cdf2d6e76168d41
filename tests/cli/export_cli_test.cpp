// quillmar-cli export: the file kinds by extension, their overwrite rules, and
// the files checked by outside readers (tzxlist, PIL).

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "CliDiskFixture.h"
#include "export/ImageWriters.h"
#include "screen/ScreenRenderer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

Bytes screenBytes() {
    Bytes s(6912);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<std::uint8_t>((i * 13) ^ (i >> 5));
    }
    return s;
}

DiskBuilder exportDisk() {
    return DiskBuilder("EXPORTS")
        .addFile("code", 3, {0x3E, 0x00, 0xC9, 0xFF, 0x80}, 32768)  // 1
        .addFile("screen", 3, screenBytes(), 16384)                 // 2
        .addFile("empty", 3, {}, 0)                                 // 3
        .addFile("huge", 3, Bytes(65534, 0xAA), 0);                 // 4
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) {
        ++n;
    }
    return n;
}

TEST(ExportCli, TapAppendsTwoBlocksEachTimeThatTzxlistAccepts) {
    const CliDisk disk(exportDisk());
    const std::string out = disk.file("out.TAP");
    for (const char* index : {"1", "3", "1"}) {
        const CommandResult r = disk.run({"export", disk.path(), index, out});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "File successfully saved as [" + out + "].\n");
    }
    const Bytes tap = readBytes(out);
    EXPECT_EQ(tap.size(), (25u + 5u) * 2u + 25u);
    EXPECT_TRUE(bytesEqual(Bytes(tap.begin(), tap.begin() + 30), Bytes(tap.begin() + 55, tap.end())))
        << "the same file twice";
    if (!programAvailable("tzxlist")) {
        GTEST_SKIP() << "tzxlist (fuse-emulator-utils) is not installed";
    }
    const CommandResult list = runCommand({"tzxlist", out});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(count(list.out, "(PASS)"), 6) << list.out;
    EXPECT_EQ(count(list.out, "FAIL"), 0) << list.out;
    EXPECT_EQ(count(list.out, "Bytes: \"code      \" CODE  32768, 5"), 2) << list.out;
    EXPECT_EQ(count(list.out, "Bytes: \"empty     \" CODE  0, 0"), 1) << list.out;
}

TEST(ExportCli, TapOfAFileTooLongForATapeBlockWritesNothing) {
    const CliDisk disk(exportDisk());
    const std::string out = disk.file("huge.tap");
    writeBytes(out, {1, 2, 3});
    const CommandResult r = disk.run({"export", disk.path(), "4", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Overflow"), std::string::npos) << r.err;
    EXPECT_TRUE(bytesEqual({1, 2, 3}, readBytes(out)));
}

struct RawCliCase {
    const char* name;
    const char* fileName;
    bool existing;
    bool force;
    int exitCode;
    bool replaced;
};

class RawExportCli : public ::testing::TestWithParam<RawCliCase> {};

TEST_P(RawExportCli, RawBytesReplaceAnExistingFileOnlyWithForce) {
    const auto& c = GetParam();
    const CliDisk disk(exportDisk());
    const std::string out = disk.file(c.fileName);
    const Bytes former{'k', 'e', 'e', 'p'};
    if (c.existing) {
        writeBytes(out, former);
    }
    std::vector<std::string> args{"export", disk.path(), "1", out};
    if (c.force) {
        args.push_back("--force");
    }
    const CommandResult r = disk.run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    if (c.replaced) {
        EXPECT_TRUE(bytesEqual({0x3E, 0x00, 0xC9, 0xFF, 0x80}, readBytes(out)));
    } else {
        EXPECT_TRUE(bytesEqual(former, readBytes(out)));
        EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(disk.dir().path()), {}), 2) << "image and output only";
}

INSTANTIATE_TEST_SUITE_P(Files, RawExportCli,
                         ::testing::Values(RawCliCase{"newScr", "a.scr", false, false, 0, true},
                                           RawCliCase{"newBin", "a.Bin", false, false, 0, true},
                                           RawCliCase{"existingScrKept", "a.scr", true, false, 1, false},
                                           RawCliCase{"existingBinKept", "a.BIN", true, false, 1, false},
                                           RawCliCase{"existingBinForced", "a.bin", true, true, 0, true},
                                           RawCliCase{"newWithForce", "a.scr", false, true, 0, true}),
                         [](const auto& tc) { return std::string(tc.param.name); });

TEST(ExportCli, EmptyFileGivesAnEmptyRawFile) {
    const CliDisk disk(exportDisk());
    const CommandResult r = disk.run({"export", disk.path(), "3", disk.file("e.bin")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(readBytes(disk.file("e.bin")).empty());
    EXPECT_TRUE(fs::exists(disk.file("e.bin")));
}

// ---------------------------------------------------------------------------

std::string pythonWithPil() {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        if (runCommand({python, "-c", "import PIL.Image"}).exitCode == 0) {
            return python;
        }
    }
    return {};
}

struct PictureCliCase {
    const char* name;
    const char* fileName;
    std::vector<std::string> options;
    int zoom;
    bool attr;
    const char* format;
};

class PictureExportCli : public ::testing::TestWithParam<PictureCliCase> {};

TEST_P(PictureExportCli, PicturesReadBackAsTheSteadyScreen) {
    const std::string python = pythonWithPil();
    if (python.empty()) {
        GTEST_SKIP() << "python3 with PIL is not installed";
    }
    const auto& c = GetParam();
    if (std::string(c.format) == "PNG" && !PngExportAvailable()) {
        GTEST_SKIP() << "built without libpng (QUILLMAR_PNG=OFF)";
    }
    const CliDisk disk(exportDisk());
    const std::string out = disk.file(c.fileName);
    std::vector<std::string> args{"export", disk.path(), "2", out};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CommandResult r = disk.run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    const std::string raw = disk.file("decoded.rgb");
    const std::string script =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
        "print(im.format, im.size[0], im.size[1])\n"
        "open(sys.argv[2], 'wb').write(im.convert('RGB').tobytes())\n";
    const CommandResult decoded = runCommand({python, "-c", script, out, raw});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.err;
    EXPECT_EQ(decoded.out, std::string(c.format) + " " + std::to_string(256 * c.zoom) + " " +
                               std::to_string(192 * c.zoom) + "\n");

    ScreenRenderer renderer;
    renderer.setScreenData(screenBytes());
    renderer.setUseATTR(c.attr);
    EXPECT_TRUE(bytesEqual(renderer.render(c.zoom, ScreenRenderer::FlashPhase::Steady).rgb, readBytes(raw)));
}

INSTANTIATE_TEST_SUITE_P(
    Files, PictureExportCli,
    ::testing::Values(PictureCliCase{"bmpDefaults", "s.bmp", {}, 1, true, "BMP"},
                      PictureCliCase{"pngDefaults", "s.png", {}, 1, true, "PNG"},
                      PictureCliCase{"pngZoom3", "s.PNG", {"--zoom", "3"}, 3, true, "PNG"},
                      PictureCliCase{
                          "bmpAttrOffZoom2", "s.Bmp", {"--attr", "off", "--zoom", "2"}, 2, false, "BMP"}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(ExportCli, WithoutLibpngPngIsRefusedAndNothingIsWritten) {
    if (PngExportAvailable()) {
        GTEST_SKIP() << "built with libpng";
    }
    const CliDisk disk(exportDisk());
    const std::string out = disk.file("s.png");
    const CommandResult r = disk.run({"export", disk.path(), "2", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("PNG export is not available in this build"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(ExportCli, PicturesReplaceAnExistingFile) {
    const CliDisk disk(exportDisk());
    const std::string out = disk.file("s.bmp");
    writeBytes(out, {1});
    const CommandResult r = disk.run({"export", disk.path(), "2", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readBytes(out).size(), 54u + 256u * 192u * 3u);
}

// ---------------------------------------------------------------------------

// 10 REM hi
// 20 PRINT "<INK 2>a"
const Bytes kProgram = {
    0x00, 0x0A, 0x04, 0x00, 0xEA, 'h', 'i',  0x0D,                  // line 10, 4 bytes: REM hi
    0x00, 0x14, 0x07, 0x00, 0xF5, '"', 0x10, 0x02, 'a', '"', 0x0D,  // line 20, 7 bytes: PRINT "..."
};

// The listing as `quillmar-cli basic` prints it, one line per "\n".
std::vector<std::string> listingOf(const CliDisk& disk, bool expanded) {
    std::vector<std::string> args{"basic", disk.path(), "1"};
    if (expanded) {
        args.push_back("--expanded");
    }
    const CommandResult r = disk.run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::string crlfText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) {
        text += l + "\r\n";
    }
    return text + "\r\n";
}

struct TxtCliCase {
    const char* name;
    bool existing;
    std::vector<std::vector<std::string>> runs;  // options of each export, run in turn
    std::vector<int> exitCodes;
    int listings;  // how many listings follow the former text
    bool formerKept;
    bool expanded;
};

class TxtExportCli : public ::testing::TestWithParam<TxtCliCase> {};

TEST_P(TxtExportCli, ListingLinesEndInCrLfWithOneEmptyLineAfter) {
    const auto& c = GetParam();
    const CliDisk disk(
        DiskBuilder("TEXT").addFile("prog", 0, kProgram, 10, static_cast<std::uint16_t>(kProgram.size())));
    const std::string out = disk.file("prog.Txt");
    const std::string former = "former\r\n";
    if (c.existing) {
        writeBytes(out, Bytes(former.begin(), former.end()));
    }
    for (std::size_t i = 0; i < c.runs.size(); ++i) {
        std::vector<std::string> args{"export", disk.path(), "1", out};
        args.insert(args.end(), c.runs[i].begin(), c.runs[i].end());
        const CommandResult r = disk.run(args);
        EXPECT_EQ(r.exitCode, c.exitCodes[i]) << "run " << i << ": " << r.err;
    }
    const std::vector<std::string> lines = listingOf(disk, c.expanded);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(lines[0].find_first_not_of(' '), 9), "10 REM hi");
    std::string expected = c.formerKept ? former : "";
    for (int i = 0; i < c.listings; ++i) {
        expected += crlfText(lines);
    }
    EXPECT_EQ(readText(out), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TxtExportCli,
    ::testing::Values(TxtCliCase{"newFile", false, {{}}, {0}, 1, false, false},
                      TxtCliCase{"expandedControlCodes", false, {{"--expanded"}}, {0}, 1, false, true},
                      TxtCliCase{"existingRefused", true, {{}}, {1}, 0, true, false},
                      TxtCliCase{"existingAppended", true, {{"--append"}}, {0}, 1, true, false},
                      TxtCliCase{"appendedTwice", true, {{"--append"}, {"--append"}}, {0, 0}, 2, true, false},
                      TxtCliCase{"existingReplaced", true, {{"--force"}}, {0}, 1, false, false},
                      TxtCliCase{
                          "forceAndAppendTogether", true, {{"--force", "--append"}}, {2}, 0, true, false}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(ExportCli, ExpandedListingShowsTheControlCodes) {
    const CliDisk disk(
        DiskBuilder("TEXT").addFile("prog", 0, kProgram, 10, static_cast<std::uint16_t>(kProgram.size())));
    const auto plain = listingOf(disk, false);
    const auto expanded = listingOf(disk, true);
    ASSERT_EQ(plain.size(), 2u);
    ASSERT_EQ(expanded.size(), 2u);
    EXPECT_NE(plain[1], expanded[1]);
    EXPECT_EQ(plain[1].find('{'), std::string::npos) << plain[1];
    EXPECT_NE(expanded[1].find('{'), std::string::npos) << expanded[1];
}

// ---------------------------------------------------------------------------

struct ExportRefusal {
    const char* name;
    std::vector<std::string> args;  // after IMAGE
    int exitCode;
    const char* message;
};

class ExportCliRefusals : public ::testing::TestWithParam<ExportRefusal> {};

TEST_P(ExportCliRefusals, NothingIsWrittenAndTheReasonIsGiven) {
    const auto& c = GetParam();
    const CliDisk disk(exportDisk());
    std::vector<std::string> args{"export", disk.path()};
    for (const std::string& a : c.args) {
        args.push_back(a.find('.') != std::string::npos && a[0] != '-' ? disk.file(a) : a);
    }
    const CommandResult r = disk.run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk.dir().path()), {}), 1) << "only the image";
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ExportCliRefusals,
    ::testing::Values(
        ExportRefusal{
            "unknownExtension", {"1", "x.doc"}, 1, "Extension [DOC] not recognized. Command ignored."},
        ExportRefusal{"noExtension", {"1", "noext"}, 1, "Extension [NOEXT] not recognized. Command ignored."},
        ExportRefusal{"notAScreen", {"1", "c.bmp"}, 1, "File cannot be rendered as a ZX Spectrum Screen: "},
        ExportRefusal{"emptyIsNoScreen", {"3", "c.png"}, 1, "but this file has 0 bytes"},
        ExportRefusal{"zoomOutOfRange", {"2", "s.png", "--zoom", "4"}, 2, "--zoom must be 1, 2 or 3"},
        ExportRefusal{"attrNotOnOff", {"2", "s.png", "--attr", "yes"}, 2, "--attr must be on or off"},
        ExportRefusal{
            "zoomForATape", {"1", "t.tap", "--zoom", "2"}, 2, "--zoom does not apply to .tap files"},
        ExportRefusal{"forceForATape", {"1", "t.tap", "--force"}, 2, "--force does not apply to .tap files"},
        ExportRefusal{
            "appendForRawBytes", {"1", "t.bin", "--append"}, 2, "--append does not apply to .bin files"},
        ExportRefusal{"expandedForAPicture", {"2", "s.bmp", "--expanded"}, 2, "--expanded does not apply"},
        ExportRefusal{
            "zoomForAListing", {"1", "l.txt", "--zoom", "2"}, 2, "--zoom does not apply to .txt files"},
        ExportRefusal{"indexOutside", {"9", "t.bin"}, 1, "outside the catalogue"},
        ExportRefusal{"missingFolder", {"1", "no/such/dir.bin"}, 1, "cannot write"}),
    [](const auto& tc) { return std::string(tc.param.name); });

}  // namespace
