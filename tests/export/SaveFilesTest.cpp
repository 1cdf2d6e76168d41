#include <algorithm>
#include <cctype>
#include <functional>
#include <numeric>

#include "core/Failure.h"
#include "disk/Catalogue.h"
#include "export/ExportFiles.h"
#include "export/SaveBMP.h"
#include "export/SaveRaw.h"
#include "export/SaveTAP.h"
#include "export/SaveTXT.h"
#include "support/TestSupport.h"

namespace {

CatalogueEntry makeEntry(int type, const std::string& rawName, Bytes data, int param1 = 0, int param2 = 0) {
    const auto length = static_cast<int>(data.size());
    return {1, 0, 0, 0, rawName, rawName, type, length, param1, param2, std::move(data)};
}

using Saver = std::function<void(const std::string&, Prompter&, ActivityLog&)>;

Saver txt(const std::string& text) {
    return [text](const std::string& p, Prompter& pr, ActivityLog& l) { SaveTXT(text, p, pr, l); };
}
template <void (*save)(const CatalogueEntry&, const std::string&, Prompter&, ActivityLog&)>
Saver entry(const CatalogueEntry& e) {
    return [e](const std::string& p, Prompter& pr, ActivityLog& l) { save(e, p, pr, l); };
}
CatalogueEntry sized(int length, std::size_t dataBytes, int param1 = 0, int param2 = 0) {
    CatalogueEntry e = makeEntry(3, "big       ", Bytes(dataBytes, 0xE5), param1, param2);
    e.Length = length;
    return e;
}
Bytes bytes(const std::string& s) {
    return {s.begin(), s.end()};
}
Bytes everyByte() {
    Bytes b(256);
    std::iota(b.rbegin(), b.rend(), 0);
    return b;
}

const CatalogueEntry kCode = makeEntry(3, "code      ", everyByte(), 32768);
enum Where { kNew, kOld, kReadOnly, kNoFolder };  // the target before: none, "old\r\n" (read-only), no folder

struct SaveCase {
    Saver save;
    Where where;
    std::deque<MsgAnswer> answers;  // to the overwrite question
    std::optional<Bytes> after;     // the file afterwards
    std::vector<int> busyAt;        // the busy depth at every message shown
    std::string error;              // "start|end" of the one error logged
};

TEST(SaveFiles, WriteAskAboutAnExistingFileOrLogTheFailure) {
    const Bytes old = bytes("old\r\n");
    const Bytes rem = bytes("10 REM\r\n");
    const auto yes = MsgAnswer::Yes;
    const auto no = MsgAnswer::No;
    const std::string ovf = "Error " + std::to_string(failure::Overflow) + " |happened in SaveTAP at line ";
    const CatalogueEntry big = sized(65533, 65533);
    const std::string past =
        "Error " + std::to_string(failure::InputPastEnd) + " |happened in SaveTAP at line 4";
    const Saver bmp = [](const std::string& p, Prompter& pr, ActivityLog& l) {
        SaveBMP({1, 1, {0, 0, 0}}, p, pr, l);
    };
    const SaveCase cases[] = {
        {txt("10 REM\r\n"), kNew, {}, rem, {0}, ""},
        {txt("10 REM\r\n"), kOld, {yes}, concat({old, rem}), {0, 0}, ""},  // appends
        {txt("10 REM\r\n"), kOld, {no}, rem, {0, 0}, ""},                  // replaces
        {txt("10 REM\r\n"), kOld, {MsgAnswer::Cancel}, old, {0}, ""},
        {txt("x"), kNoFolder, {}, {}, {0}, "Error |) happened in SaveTXT at line 3"},
        {entry<SaveBIN>(kCode), kOld, {yes}, everyByte(), {1, 0}, ""},
        {entry<SaveBIN>(kCode), kOld, {no}, old, {1}, ""},
        {entry<SaveBIN>(kCode), kReadOnly, {yes}, old, {1}, "Error |) happened in SaveBIN at line 3"},
        {entry<SaveTAP>(kCode), kOld, {}, concat({old, BuildTapBlocks(kCode)}), {0}, ""},  // appends
        {entry<SaveTAP>(big), kNew, {}, BuildTapBlocks(big), {0}, ""},                     // the largest
        {entry<SaveTAP>(sized(65534, 65534)), kOld, {}, old, {}, ovf + "4"},
        {entry<SaveTAP>(sized(70000, 0)), kNew, {}, {}, {}, ovf + "2"},
        {entry<SaveTAP>(sized(1, 1, -1)), kNew, {}, {}, {}, ovf + "2"},
        {entry<SaveTAP>(sized(100, 40)), kOld, {}, old, {}, past},
        {entry<SaveTAP>(kCode), kReadOnly, {}, old, {}, "Error 70 (Permission denied|in SaveTAP at line 6"},
        {bmp, kNoFolder, {}, {}, {0}, "Error |) in mnuFileSaveAs at line 5"}};
    int row = 0;
    for (const SaveCase& c : cases) {
        SCOPED_TRACE("row " + std::to_string(row++));
        TempDir dir;
        const std::string path = dir.file(c.where == kNoFolder ? "no/such.file" : "out.file");
        if (c.where == kOld || c.where == kReadOnly) {
            writeBytes(path, old);
        }
        if (c.where == kReadOnly) {
            std::filesystem::permissions(path, std::filesystem::perms::owner_read);
        }
        ScriptedPrompter prompter;
        prompter.answers = c.answers;
        RecordingLog log;
        c.save(path, prompter, log);
        std::vector<int> busyAt;
        for (const auto& shown : prompter.shown) {
            busyAt.push_back(shown.busyDepth);
        }
        EXPECT_EQ(busyAt, c.busyAt);
        EXPECT_EQ(prompter.busyDepth, 0);
        const auto errors = log.at(kSeverityERROR);
        ASSERT_EQ(errors.size(), c.error.empty() ? 0U : 1U);
        if (!c.error.empty()) {
            const std::size_t bar = c.error.find('|');
            EXPECT_TRUE(errors[0].starts_with(c.error.substr(0, bar)) &&
                        errors[0].ends_with(c.error.substr(bar + 1)));
        }
        EXPECT_TRUE(bytesEqual(c.after.value_or(Bytes{}), readBytes(path)));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), c.after ? 1 : 0);
    }
}

TEST(SaveFiles, ExtensionIsTheTextAfterTheLastDotUpperCasedAndTrimmed) {
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"Screen.Scr", "SCR"}, {"x. bmp ", "BMP"}, {"a.tap.bin", "BIN"}, {"prog", "PROG"}, {"prog.", ""}};
    // clang-format on
    expectEach(cases, [](const auto& name) { return SaveExtension(name); });
}

TEST(SaveFiles, ListingTextEndsEveryLineInCrLfAndOneEmptyLineFollows) {
    EXPECT_EQ(ListingFileText({"10 REM a", "20 GO TO 10"}), "10 REM a\r\n20 GO TO 10\r\n\r\n");
    EXPECT_EQ(ListingFileText({}), "\r\n");
}

TEST(TapeFiles, HeaderBlockThenDataBlockWithTheirChecksums) {
    // Length 19, header, BASIC, the name, then length, auto-run line, vars, the checksum; the data block.
    EXPECT_TRUE(bytesEqual(concat({{0x13, 0x00, 0x00, 0x00, 'r', 'u', 'n', ' ', ' ', ' ', ' ', ' ', ' ', ' '},
                                   {0x03, 0x00, 0x0A, 0x00, 0x03, 0x00, 0x43},
                                   {0x05, 0x00, 0xFF, 0x00, 0x0A, 0x80, 0x75}}),
                           BuildTapBlocks(makeEntry(0, "run       ", {0x00, 0x0A, 0x80}, 10, 3))));
    // CODE, with the raw name bytes.
    EXPECT_TRUE(
        bytesEqual(concat({{0x13, 0x00, 0x00, 0x03, 0xA9, 0xFF, 0x80, 'A', ' ', ' ', ' ', ' ', ' ', ' '},
                           {0x02, 0x00, 0x34, 0x12, 0xCD, 0xAB, 0xD6},
                           {0x04, 0x00, 0xFF, 0xC9, 0x80, 0xB6}}),
                   BuildTapBlocks(makeEntry(3, "\251\377\200A      ", {0xC9, 0x80}, 0x1234, 0xABCD))));
}

TEST(TapeFiles, DamageSaysWhereATapeIsNotSound) {
    const Bytes block = {0x03, 0x00, 0xFF, 0x12, 0xED};  // length 3, flag FF, data 12, checksum ED
    const std::pair<Bytes, std::optional<std::string>> cases[] = {
        {{}, std::nullopt},
        {concat({block, block}), std::nullopt},
        {bytes("hello\n"), "block 1 at byte 0 promises 25960 bytes but 4 follow"},
        {concat({block, {0x03}}), "block 2 at byte 5 has no whole length word"},
        {{0x01, 0x00, 0xFF}, "block 1 at byte 0 is 1 bytes long, too short for a flag and a checksum"},
        {concat({block, {0x03, 0x00, 0xFF, 0x12}}), "block 2 at byte 5 promises 3 bytes but 2 follow"},
        {concat({block, {0x03, 0x00, 0xFF, 0x12, 0xEE}}), "block 2 at byte 5 has a wrong checksum"}};
    expectEach(cases, [](const auto& tape) { return TapeDamage(tape); });
}

// Tape files checked by an outside reader: Debian's tzxlist (fuse-emulator-utils)
// lists every block with its raw header, data length and checksum verdict.
// "03 | 48 45 ... | 03 00 | 00 80 | 00 80", as tzxlist writes a header.
std::string rawHeaderOf(const CatalogueEntry& e) {
    std::string s = hexBytes({static_cast<std::uint8_t>(e.Type)}) + " |";
    for (const char c : e.RawName) {
        s += " " + hexBytes({static_cast<std::uint8_t>(c)});
    }
    for (const int v : {e.Length, e.Param1, e.Param2}) {
        s += " | " + hexBytes({static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
    }
    std::ranges::transform(s, s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

TEST(TapeTools, TzxlistReadsNamesLengthsAndChecksumsOfEverySavedFile) {
    if (!programAvailable("tzxlist")) {
        GTEST_SKIP() << "tzxlist (fuse-emulator-utils) is not installed";
    }
    const std::vector<CatalogueEntry> entries = {
        makeEntry(0, "prog      ", {0x00, 0x0A, 0x02, 0x00, 0xF5, 0x0D, 0x80}, 10, 6),
        makeEntry(1, "nums      ", {0x01, 0x02, 0x00, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0}, 0x8E00, 0),
        makeEntry(2, "chars     ", {0x01, 0x03, 0x00, 'a', 'b', 'c'}, 0xD300, 0),
        makeEntry(3, "\177code\251    ", {0x3E, 0x00, 0xC9}, 32768, 0),
        makeEntry(3, "screen    ", Bytes(6912, 0x5A), 16384, 0),
        makeEntry(3, "empty     ", {}, 0, 0)};
    TempDir dir;
    const std::string path = dir.file("all.tap");
    ScriptedPrompter prompter;
    RecordingLog log;
    for (const CatalogueEntry& e : entries) {
        SaveTAP(e, path, prompter, log);
    }
    ASSERT_TRUE(log.at(kSeverityERROR).empty());

    const CommandResult r = runCommand({"tzxlist", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> blocks;
    for (const std::string& line : splitLines(r.out)) {
        if (line.starts_with("--= Block #")) {
            blocks.emplace_back();
        } else if (!blocks.empty()) {
            blocks.back() += line + "\n";
        }
    }
    ASSERT_EQ(blocks.size(), entries.size() * 2) << r.out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& header = blocks[2 * i];
        const std::string& data = blocks[2 * i + 1];
        SCOPED_TRACE(header + data);
        EXPECT_NE(header.find("Block length: 19 bytes"), std::string::npos);
        EXPECT_NE(header.find("Raw header: " + rawHeaderOf(entries[i]) + "\n"), std::string::npos);
        EXPECT_NE(data.find("Datablock length: " + std::to_string(entries[i].Length) + "\n"),
                  std::string::npos);
        EXPECT_TRUE(header.find("(PASS)") != std::string::npos && data.find("(PASS)") != std::string::npos);
    }
    EXPECT_NE(blocks[0].find("Program: \"prog      \" LINE 10"), std::string::npos);
    EXPECT_NE(blocks[8].find("Bytes: \"screen    \" SCREEN$  16384, 6912"), std::string::npos);
}

}  // namespace
