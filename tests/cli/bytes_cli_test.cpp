// quillmar-cli hex and search against the byte viewer's rules, and hex against xxd.

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "CliDiskFixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

TEST(HexCli, PrintsTheViewersPrintLines) {
    Bytes data(20);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(0x7C + i);  // | } ~ DEL then bytes above 127
    }
    const CliDisk disk(
        DiskBuilder("HEX").addFile("code", 3, data, 32768).addFile("prog", 0, {0x00, 0x0A}, 10, 2));
    const CommandResult r = disk.run({"hex", disk.path(), "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0],
              "Address | 00 | 01 | 02 | 03 | 04 | 05 | 06 | 07 | 08 | 09 | 0A | 0B | 0C | 0D | 0E | 0F | "
              "     ASCII       | ");
    EXPECT_EQ(lines[1],
              "   8000 | 7C | 7D | 7E | 7F | 80 | 81 | 82 | 83 | 84 | 85 | 86 | 87 | 88 | 89 | 8A | 8B | "
              "|}~\x7F............ | ");
    EXPECT_EQ(lines[2],
              "   8010 | 8C | 8D | 8E | 8F |    |    |    |    |    |    |    |    |    |    |    |    | "
              ".... | ");

    const CommandResult basic = disk.run({"hex", disk.path(), "2"});
    ASSERT_EQ(basic.exitCode, 0) << basic.err;
    EXPECT_EQ(linesOf(basic.out).at(1).substr(0, 7), "   5CCB");
}

struct HexRefusal {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
};

class HexCliRefusals : public ::testing::TestWithParam<HexRefusal> {};

TEST_P(HexCliRefusals, BadCallsExitWithAMessageAndNoOutput) {
    const CliDisk disk(DiskBuilder("HEX").addFile("code", 3, {1, 2, 3}, 0));
    std::vector<std::string> args = GetParam().args;
    for (std::string& a : args) {
        if (a == "IMAGE") {
            a = disk.path();
        }
    }
    const CommandResult r = disk.run(args);
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("quillmar-cli: ", 0), 0u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, HexCliRefusals,
    ::testing::Values(HexRefusal{"indexPastTheCatalogue", {"hex", "IMAGE", "9"}, 1},
                      HexRefusal{"indexNotANumber", {"hex", "IMAGE", "x"}, 2},
                      HexRefusal{"missingIndex", {"hex", "IMAGE"}, 2},
                      HexRefusal{"missingImage", {"hex", "/nonexistent/disk.opu", "1"}, 1},
                      HexRefusal{"searchWithoutNeedle", {"search", "IMAGE", "1"}, 2},
                      HexRefusal{"searchUnknownType", {"search", "IMAGE", "1", "--type", "oct", "1"}, 2}),
    [](const auto& tc) { return std::string(tc.param.name); });

// xxd reads the same bytes on its own; the two dumps must agree on every byte,
// on the addresses (ours start at the CODE address and keep four digits) and
// on the characters (xxd prints 127 as ".", the viewer as itself).
TEST(HexCli, AgreesWithXxdOnAFullSizeCodeFile) {
    if (!programAvailable("xxd")) {
        GTEST_SKIP() << "xxd is not installed";
    }
    std::mt19937 rng(1234);
    Bytes data(65535);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(rng());
    }
    const CliDisk disk(DiskBuilder("BIG").addFile("big", 3, data, 0x1234));
    writeBytes(disk.file("raw.bin"), data);

    const CommandResult ours = disk.run({"hex", disk.path(), "1"});
    const CommandResult theirs = runCommand({"xxd", "-g", "1", "-c", "16", disk.file("raw.bin")});
    ASSERT_EQ(ours.exitCode, 0) << ours.err;
    ASSERT_EQ(theirs.exitCode, 0) << theirs.err;
    const auto a = linesOf(ours.out);
    const auto b = linesOf(theirs.out);
    ASSERT_EQ(a.size(), b.size() + 1);
    int mismatches = 0;
    for (std::size_t i = 0; i < b.size() && mismatches < 5; ++i) {
        const std::string& mine = a[i + 1];
        const std::string& xxd = b[i];
        const unsigned long offset = std::stoul(xxd.substr(0, 8), nullptr, 16);
        unsigned long address = 0;
        std::istringstream(mine.substr(3, 4)) >> std::hex >> address;
        std::string myBytes;
        std::string myAscii;
        for (int c = 0; c < 16; ++c) {
            const std::string cell = mine.substr(10 + 5 * static_cast<std::size_t>(c), 2);
            if (cell != "  ") {
                myBytes += (myBytes.empty() ? "" : " ") + cell;
            }
        }
        myAscii = mine.substr(90, mine.size() - 93);
        for (char& ch : myAscii) {
            ch = ch == '\x7F' ? '.' : ch;
        }
        std::string xxdBytes = xxd.substr(10, 47);
        while (!xxdBytes.empty() && xxdBytes.back() == ' ') {
            xxdBytes.pop_back();
        }
        for (char& ch : xxdBytes) {
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
        const std::string xxdAscii = xxd.substr(59);  // after 16 "xx " cells and one more blank
        const bool same =
            address == ((0x1234 + offset) & 0xFFFF) && myBytes == xxdBytes && myAscii == xxdAscii;
        if (!same) {
            ++mismatches;
            ADD_FAILURE() << "line " << i << "\nours: " << mine << "\nxxd:  " << xxd;
        }
    }
}

// ---------------------------------------------------------------------------

struct SearchCliCase {
    const char* name;
    Bytes data;
    std::string type;
    std::string needle;
    std::string expected;
};

class SearchCli : public ::testing::TestWithParam<SearchCliCase> {};

TEST_P(SearchCli, PrintsEveryOffsetTheRepeatedSearchSelects) {
    const auto& c = GetParam();
    const CliDisk disk(DiskBuilder("FIND").addFile("code", 3, c.data, 0x8000));
    std::vector<std::string> args{"search", disk.path(), "1"};
    if (!c.type.empty()) {
        args.insert(args.end(), {"--type", c.type});
    }
    args.push_back("--");
    args.push_back(c.needle);
    const CommandResult r = disk.run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SearchCli,
    ::testing::Values(
        SearchCliCase{"textGreaterThan", {0x3E, 0x00, 0xC9, 0x3E}, "text", ">", "0\n3\n"},
        SearchCliCase{"textIsTheDefault", {0x3E, 0x00, 0xC9, 0x3E}, "", ">", "0\n3\n"},
        SearchCliCase{"hexLowerCaseTrailingBlank", {0x3E, 0x00, 0xC9}, "hex", "c9 ", "2\n"},
        SearchCliCase{"decimalWhole", {0x3E, 0x00, 0xC9}, "dec", "201", "2\n"},
        SearchCliCase{"decimalAcrossBytes", {0x3E, 0x00, 0xC9, 0x3E, 0x00}, "dec", "62 0", "0\n3\n"},
        SearchCliCase{"textCaseInsensitive", {'a', 'b', 'A', 'B', 'x', 'A', 'b'}, "text", "ab", "0\n2\n5\n"},
        SearchCliCase{"nothingFoundPrintsNothing", {0x3E, 0x00, 0xC9}, "hex", "FF", ""},
        SearchCliCase{"emptyNeedleEveryPosition", {1, 2, 3}, "text", "", "0\n1\n2\n"},
        SearchCliCase{"needleStartingWithADash", {'-', '1', '-'}, "text", "-", "0\n2\n"}),
    [](const auto& tc) { return std::string(tc.param.name); });

}  // namespace
