// Tape files checked by an outside reader: Debian's tzxlist (fuse-emulator-utils)
// lists every block with its raw header, data length and checksum verdict.

#include <gtest/gtest.h>

#include <sstream>

#include "ExportTestSupport.h"
#include "export/SaveTAP.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> blocksOf(const std::string& listing) {
    std::vector<std::string> blocks;
    std::istringstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("--= Block #", 0) == 0) {
            blocks.emplace_back();
        } else if (!blocks.empty()) {
            blocks.back() += line + "\n";
        }
    }
    return blocks;
}

// "03 | 48 45 ... | 03 00 | 00 80 | 00 80", as tzxlist writes a header.
std::string rawHeaderOf(const CatalogueEntry& e) {
    char buf[8];
    auto hex = [&](int v) {
        std::snprintf(buf, sizeof buf, "%02x", v & 0xFF);
        return std::string(buf);
    };
    std::string s = hex(e.Type) + " |";
    for (const char c : e.RawName) {
        s += " " + hex(static_cast<unsigned char>(c));
    }
    for (const int v : {e.Length, e.Param1, e.Param2}) {
        s += " | " + hex(v) + " " + hex(v >> 8);
    }
    return s;
}

TEST(TapeTools, TzxlistReadsNamesLengthsAndChecksumsOfEverySavedFile) {
    if (!programAvailable("tzxlist")) {
        GTEST_SKIP() << "tzxlist (fuse-emulator-utils) is not installed";
    }
    Bytes screen(6912);
    for (std::size_t i = 0; i < screen.size(); ++i) {
        screen[i] = static_cast<std::uint8_t>(i * 7);
    }
    const std::vector<CatalogueEntry> entries = {
        makeEntry(0, "prog      ", {0x00, 0x0A, 0x02, 0x00, 0xF5, 0x0D, 0x80}, 10, 6),
        makeEntry(1, "nums      ", {0x01, 0x02, 0x00, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0}, 0x8E00, 0),
        makeEntry(2, "chars     ", {0x01, 0x03, 0x00, 'a', 'b', 'c'}, 0xD300, 0),
        makeEntry(3,
                  std::string("\x7F"
                              "code\xA9    "),
                  {0x3E, 0x00, 0xC9}, 32768, 0),
        makeEntry(3, "screen    ", screen, 16384, 0),
        makeEntry(3, "empty     ", {}, 0, 0),
    };
    TempDir dir;
    const std::string path = dir.file("all.tap");
    for (const CatalogueEntry& e : entries) {
        BusyAwarePrompter prompter;
        RecordingLog log;
        SaveTAP(e, path, prompter, log);
        ASSERT_TRUE(log.at(kSeverityERROR).empty()) << log.at(kSeverityERROR)[0];
    }

    const CommandResult r = runCommand({"tzxlist", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> blocks = blocksOf(r.out);
    ASSERT_EQ(blocks.size(), entries.size() * 2) << r.out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& header = blocks[2 * i];
        const std::string& data = blocks[2 * i + 1];
        SCOPED_TRACE("entry " + std::to_string(i) + "\n" + header + data);
        EXPECT_NE(header.find("Block length: 19 bytes"), std::string::npos);
        EXPECT_NE(header.find("Raw header: " + rawHeaderOf(entries[i]) + "\n"), std::string::npos);
        EXPECT_NE(data.find("Datablock length: " + std::to_string(entries[i].Length) + "\n"),
                  std::string::npos);
        EXPECT_NE(header.find("(PASS)"), std::string::npos);
        EXPECT_NE(data.find("(PASS)"), std::string::npos);
    }
    EXPECT_EQ(r.out.find("FAIL"), std::string::npos);
    EXPECT_NE(blocks[0].find("Program: \"prog      \" LINE 10"), std::string::npos) << blocks[0];
    EXPECT_NE(blocks[8].find("Bytes: \"screen    \" SCREEN$  16384, 6912"), std::string::npos) << blocks[8];
}

}  // namespace
