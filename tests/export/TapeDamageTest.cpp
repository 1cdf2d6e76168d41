// Whether a file may be appended to as a tape: its blocks one after another,
// each a length word, then flag, contents and a checksum that XORs them to 0.

#include <gtest/gtest.h>

#include "export/SaveTAP.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TapeCase {
    const char* name;
    Bytes tape;
    std::optional<std::string> damage;
};

class Tape : public ::testing::TestWithParam<TapeCase> {};

TEST_P(Tape, IsSoundOrSaysWhereItIsNot) {
    EXPECT_EQ(TapeDamage(GetParam().tape), GetParam().damage);
}

// A sound block: length 3 | flag FF | data 12 | checksum FF ^ 12 = ED.
const Bytes kBlock = {0x03, 0x00, 0xFF, 0x12, 0xED};

Bytes twice(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

INSTANTIATE_TEST_SUITE_P(
    Tapes, Tape,
    ::testing::Values(
        TapeCase{"empty_file", {}, std::nullopt}, TapeCase{"one_block", kBlock, std::nullopt},
        TapeCase{"two_blocks", twice(kBlock, kBlock), std::nullopt},
        TapeCase{
            "text", {'h', 'e', 'l', 'l', 'o', '\n'}, "block 1 at byte 0 promises 25960 bytes but 4 follow"},
        TapeCase{"half_a_length_word", twice(kBlock, {0x03}), "block 2 at byte 5 has no whole length word"},
        TapeCase{"no_room_for_a_checksum",
                 {0x01, 0x00, 0xFF},
                 "block 1 at byte 0 is 1 bytes long, too short for a flag and a checksum"},
        TapeCase{"cut_short", twice(kBlock, {0x03, 0x00, 0xFF, 0x12}),
                 "block 2 at byte 5 promises 3 bytes but 2 follow"},
        TapeCase{"wrong_checksum", twice(kBlock, {0x03, 0x00, 0xFF, 0x12, 0xEE}),
                 "block 2 at byte 5 has a wrong checksum"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Tape, WhatSaveWritesIsSound) {
    CatalogueEntry entry;
    entry.RawName = "prog      ";
    entry.Type = 3;
    entry.Length = 3;
    entry.Data = {0x3E, 0x00, 0xC9};
    EXPECT_EQ(TapeDamage(BuildTapBlocks(entry)), std::nullopt);
}

}  // namespace
