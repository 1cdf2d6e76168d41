#include <array>
#include <numeric>
#include <tuple>

#include "disk/Catalogue.h"
#include "disk/DiskBuilder.h"
#include "disk/FilesHit.h"
#include "disk/ListRows.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::uint8_t> bytesOf(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), std::uint8_t{0});
    return v;
}

TEST(GetDiskFiles, DecodesSlotsHeadersAndData) {
    const DiskImage image = DiskBuilder("MYDISK")
                                .addFile("prog", 0, bytesOf(300), 10, 250)
                                .addFile("pic", 3, bytesOf(6912), 16384)
                                .image();
    Catalogue cat;
    RecordingLog log;
    ASSERT_TRUE(GetDiskFiles(image, cat, log));
    ASSERT_EQ(cat.size(), 3u);
    EXPECT_EQ(cat[0].Name, "MYDISK    ");
    EXPECT_EQ(cat[1].RawName, "prog      ");
    EXPECT_EQ(std::vector<int>({cat[1].Type, cat[1].Length, cat[1].Param1, cat[1].Param2}),
              std::vector<int>({0, 300, 10, 250}));
    EXPECT_TRUE(bytesEqual(bytesOf(300), cat[1].Data));
    EXPECT_EQ(cat[2].Data.size(), 6912u);
    EXPECT_TRUE(log.entries.empty());
}

std::vector<std::uint8_t> poked(std::vector<std::uint8_t> bytes, std::size_t from, std::size_t step,
                                std::uint8_t value) {
    for (std::size_t at = from; at < bytes.size(); at += step) {
        bytes[at] = value;
    }
    return bytes;
}

TEST(GetDiskFiles, MalformedCatalogues) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool ok;
        std::size_t entries;
        std::size_t lastDataSize;
        const char* error;  // part of the one error logged
        bool warns = false;
    };
    const Case cases[] = {
        {"end mark in slot zero keeps the old catalogue",
         poked(poked(DiskBuilder("X").build(), 260, 100000, 0xFF), 261, 100000, 0xFF), false, 2, 0, nullptr},
        {"only the disk slot", DiskBuilder("ALONE").build(), true, 1, 0, nullptr},
        {"112 slots, end mark in block 8", {}, true, 112, 111, nullptr},
        {"no end mark, every slot points at block 8", poked(std::vector<std::uint8_t>(4096), 258, 16, 7),
         true, 240, 1792, "at line 2"},
        {"header past the end",
         DiskBuilder("D").addFile("ok", 3, bytesOf(10)).addRawSlot(0, 5000, 0, "far").build(), true, 2, 10,
         "at line 5"},
        {"data past the end keeps what exists",
         DiskBuilder("D").addFile("cut", 3, bytesOf(100), 0, 0, 60000).imageLength(10000).build(), true, 2,
         10000 - 8 * 256 - 7, nullptr, true},
        {"slots naming one 33,023-byte file stop at 16 MB and four times the image",
         poked(poked(std::vector<std::uint8_t>(184320), 258, 16, 0x80), 33025, 100000, 0xFF), true, 531,
         33023, nullptr, true},
        {"zero length after a long file",
         DiskBuilder("D").addFile("long", 3, bytesOf(5000)).addFile("e", 3, {}).build(), true, 3, 0, nullptr},
    };
    DiskBuilder full("FULL");  // its end mark, slot 112, lies in block 8
    for (int i = 1; i < 112; ++i) {
        full.addFile("f" + std::to_string(i), 3, bytesOf(static_cast<std::size_t>(i)), 32768);
    }
    for (Case c : cases) {
        c.bytes = c.bytes.empty() ? full.build() : c.bytes;
        Catalogue cat(2);
        cat[0].Name = "previous";
        RecordingLog log;
        EXPECT_EQ(GetDiskFiles(DiskImage{c.bytes}, cat, log), c.ok) << c.name;
        ASSERT_EQ(cat.size(), c.entries) << c.name;
        EXPECT_EQ(cat[0].Name == "previous", !c.ok) << c.name;
        EXPECT_EQ(cat.back().Data.size(), c.lastDataSize) << c.name;
        EXPECT_EQ(log.at(1).size(), c.error ? 1u : 0u) << c.name;
        if (c.error) {
            EXPECT_NE(log.at(1)[0].find(c.error), std::string::npos) << c.name;
        }
        EXPECT_EQ(log.at(2).size(), c.warns ? 1u : 0u) << c.name;
    }
}

TEST(ListRows, RowTexts) {
    const std::pair<std::array<int, 4>, const char*> cases[] = {
        {{0, 300, 10, 250}, "BASIC 2|Len: #012C - 300|Run: #000A - 10|N/A: #00FA - 250"},
        {{1, 35, 0x8100, 0}, "Num Array 3|Len: #0023 - 35|Name: a() [#8100 - 33024]|N/A: #0000 - 0"},
        {{2, 15, 0xC100, 0}, "Char Array 4|Len: #000F - 15|Name: a$() [#C100 - 49408]|N/A: #0000 - 0"},
        {{3, 6912, 16384, 0}, "SCREEN$ 6|Len: #1B00 - 6912|Addr: #4000 - 16384|N/A: #0000 - 0"},
        {{3, 6911, 16384, 0}, "CODE 5|Len: #1AFF - 6911|Addr: #4000 - 16384|N/A: #0000 - 0"},
        {{3, 6913, 0, 65535}, "CODE 5|Len: #1B01 - 6913|Addr: #0000 - 0|N/A: #FFFF - 65535"},
        {{7, 1, 2, 3}, " 7|#0001 - 1|#0002 - 2|#0003 - 3"},
    };
    for (const auto& [fields, texts] : cases) {
        CatalogueEntry e;
        e.EntryKind = 1;
        e.Name = "name";
        std::tie(e.Type, e.Length, e.Param1, e.Param2) = std::tie(fields[0], fields[1], fields[2], fields[3]);
        const ListRow r = MakeListRow(e, 112);
        EXPECT_EQ(IndexFromRowKey(r.key), 112);
        EXPECT_EQ(r.text, "name");
        EXPECT_EQ(r.typeText + " " + std::to_string(r.icon) + "|" + r.parameter1 + "|" + r.parameter2 + "|" +
                      r.parameter3,
                  texts);
    }
    EXPECT_EQ(IndexFromRowKey("D"), -1);
}

// A catalogue of three slots (disk, two files): its bytes end in block 1.
// File A: header in block 10 (Word1 9), 7 + 500 bytes, so blocks 10 and 11.
// File B: header in block 12, 7 + 249 bytes, exactly block 12.
Catalogue catalogue(int word1OfA) {
    Catalogue c(3);
    c[0].Name = "DISK";
    c[1].Name = "A";
    c[2].Name = "B";
    c[1].EntryKind = c[2].EntryKind = 1;
    c[1].Word1 = word1OfA;
    c[2].Word1 = 11;
    c[1].Length = 500;
    c[2].Length = 249;
    return c;
}

// Block b of a single-sided disk: track b / 18, sector b % 18.
SectorStatus at(int block, SectorState state = SectorState::Bad) {
    return {block / 18, 0, block % 18, state, state == SectorState::Recovered ? 0 : 23};
}

TEST(FilesHit, AFileIsHitFromItsHeaderBlockToItsLastDataByte) {
    struct Case {
        const char* name;
        std::vector<SectorStatus> entries;
        std::vector<std::string> hits;  // "index name sectors"
        int word1OfA = 9;
    };
    const Case cases[] = {
        {"a recovered sector holds good data", {at(10, SectorState::Recovered)}, {}},
        {"header block", {at(10)}, {"1 A 0:0:10"}},
        {"block of the last data byte", {at(11)}, {"1 A 0:0:11"}},
        {"a file ending on a block boundary", {at(12), at(13)}, {"2 B 0:0:12"}},
        {"an unused block", {at(2), at(40)}, {}},
        {"the catalogue's block and a missing one on the next track",
         {at(1), at(19, SectorState::Missing)},
         {"0 (catalogue) 0:0:1", "1 A 0:1:1"},
         18},
    };
    for (const Case& c : cases) {
        const SectorMap map{{}, c.entries};
        std::vector<std::string> hits;
        for (const HitFile& h : FilesHit(catalogue(c.word1OfA), map)) {
            hits.push_back(std::to_string(h.index) + " " + h.name + " " + SectorListText(h.badSectors));
        }
        EXPECT_EQ(hits, c.hits) << c.name;
    }
}

}  // namespace

namespace {

TEST(FilesHit, SectorRunsGroupNeighboursOfOneSide) {
    const auto bad = [](int head, int cylinder, int sector) {
        return SectorStatus{cylinder, head, sector, SectorState::Bad, 23};
    };
    struct Case {
        const char* name;
        std::vector<SectorStatus> sectors;
        std::string text;
    };
    std::vector<SectorStatus> wholeSide;
    wholeSide.reserve(18);
    for (int r = 0; r < 18; ++r) {
        wholeSide.push_back(bad(0, 1, r));
    }
    const Case cases[] = {
        {"none", {}, ""},
        {"one", {bad(0, 12, 5)}, "0:12:5"},
        {"a whole side", wholeSide,
         "0:1:0\xE2\x80\x93"
         "17"},
        {"a gap splits a run",
         {bad(0, 3, 1), bad(0, 3, 2), bad(0, 3, 4)},
         "0:3:1\xE2\x80\x93"
         "2, 0:3:4"},
        {"the next side starts a run", {bad(0, 3, 17), bad(1, 3, 0)}, "0:3:17, 1:3:0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SectorRunsText(c.sectors), c.text) << c.name;
    }
}

}  // namespace
