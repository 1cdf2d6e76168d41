#include <gtest/gtest.h>

#include "disk/FilesHit.h"

namespace {

// A catalogue of three slots (disk, two files): its bytes end in block 1.
// File A: header in block 10 (Word1 9), 7 + 500 bytes, so blocks 10 and 11.
// File B: header in block 12, 7 + 249 bytes, exactly block 12.
Catalogue catalogue(int word1OfA) {
    Catalogue c(3);
    c[0].Name = "DISK";
    c[1].EntryKind = 1;
    c[1].Name = "A";
    c[1].Word1 = word1OfA;
    c[1].Length = 500;
    c[2].EntryKind = 1;
    c[2].Name = "B";
    c[2].Word1 = 11;
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
        {"no bad sector", {}, {}},
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
        SectorMap map;
        map.entries = c.entries;
        std::vector<std::string> hits;
        for (const HitFile& h : FilesHit(catalogue(c.word1OfA), map)) {
            hits.push_back(std::to_string(h.index) + " " + h.name + " " + SectorListText(h.badSectors));
        }
        EXPECT_EQ(hits, c.hits) << c.name;
    }
}

}  // namespace
