#include "bytes/ByteSearch.h"

#include <gtest/gtest.h>

#include "core/Failure.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kSample{0x3E, 0x00, 0xC9, 0x3E};  // LD A,0 / RET / LD A,...

struct FormCase {
    const char* name;
    std::int32_t type;
    Bytes bytes;
    std::string expected;
};

class SearchForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(SearchForms, OneFieldPerByte) {
    EXPECT_EQ(SearchForm(GetParam().bytes, GetParam().type), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Types, SearchForms,
    ::testing::Values(FormCase{"decimal", kSearchDecimal, {0x3E, 0x00, 0xC9}, "062 000 201 "},
                      FormCase{"hex", kSearchHex, {0x3E, 0x00, 0xC9}, "3E 00 C9 "},
                      FormCase{"textUpperCased", kSearchText, {'a', 'B', 'z', '1'}, "ABZ1"},
                      FormCase{"textWindows1252Letters",
                               kSearchText,
                               {0xE9, 0x9A, 0xFF, 0xDF, 0xF7},
                               std::string("\xC9\x8A\x9F\xDF\xF7")},
                      FormCase{"emptyFile", kSearchHex, {}, ""}),
    [](const auto& tc) { return std::string(tc.param.name); });

struct NeedleCase {
    const char* name;
    std::int32_t type;
    std::string typed;
    std::string expected;
};

class SearchStrings : public ::testing::TestWithParam<NeedleCase> {};

TEST_P(SearchStrings, HexIsTrimmedAndUpperCasedOthersStayAsTyped) {
    EXPECT_EQ(SearchString(GetParam().typed, GetParam().type), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Types, SearchStrings,
                         ::testing::Values(NeedleCase{"hexTrimmedUpper", kSearchHex, "  c9 ", "C9"},
                                           NeedleCase{"hexInnerBlanksStay", kSearchHex, "3e 00", "3E 00"},
                                           NeedleCase{"textAsTyped", kSearchText, " ab ", " ab "},
                                           NeedleCase{"hexAccentUpper", kSearchHex, "\xC3\xA9", "\xC3\x89"}),
                         [](const auto& tc) { return std::string(tc.param.name); });

// ---------------------------------------------------------------------------

// A run of searches with one viewer's memory: each needle with the byte it
// should select, or -1 for "not found".
struct Step {
    std::string typed;
    long expected;
};

struct RunCase {
    const char* name;
    std::int32_t type;
    Bytes bytes;
    std::vector<Step> steps;
};

class SearchRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(SearchRuns, RepeatsGoOnAfterTheLastMatchAndAMissStartsOver) {
    const auto& c = GetParam();
    ByteSearch search;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const std::string needle = SearchString(c.steps[i].typed, c.type);
        const ByteSearch::Result r = search.Search(c.bytes, c.type, needle);
        if (c.steps[i].expected < 0) {
            EXPECT_FALSE(r.found) << "step " << i << " found byte " << r.byteOffset;
            EXPECT_EQ(search.lastSearchText(), "");
        } else {
            ASSERT_TRUE(r.found) << "step " << i << ": " << r.message;
            EXPECT_EQ(r.byteOffset, static_cast<std::size_t>(c.steps[i].expected)) << "step " << i;
            EXPECT_EQ(search.lastSearchText(), needle);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SearchRuns,
    ::testing::Values(
        RunCase{"gtThreeTimesThenAgain", kSearchText, kSample, {{">", 0}, {">", 3}, {">", -1}, {">", 0}}},
        RunCase{"hexLowerCaseWithTrailingBlank", kSearchHex, {0x3E, 0x00, 0xC9}, {{"c9 ", 2}}},
        RunCase{"decimalAcrossTheBlank", kSearchDecimal, {0x3E, 0x00, 0xC9}, {{"62 0", 0}}},
        RunCase{"textIgnoresCase",
                kSearchText,
                {'A', 'B', '-', 'a', 'b', '-', 'A', 'b'},
                {{"ab", 0}, {"ab", 3}, {"ab", 6}, {"ab", -1}}},
        RunCase{
            "anotherNeedleStartsAtTheBeginning", kSearchText, kSample, {{">", 0}, {">", 3}, {"\xC3\x89", 2}}},
        RunCase{
            "emptyNeedleIsFoundAtTheStart", kSearchText, {1, 2, 3}, {{"", 0}, {"", 1}, {"", 2}, {"", -1}}},
        RunCase{"euroSignIsByte80", kSearchText, {0x41, 0x80}, {{"\xE2\x82\xAC", 1}}},
        RunCase{"charactersWindows1252LacksNeverMatch", kSearchText, {'?', 0x3F}, {{"\xE2\x9C\x93", -1}}},
        RunCase{"accentedLettersFoldToo", kSearchText, {0xC9, 0xE9}, {{"\xC3\xA9", 0}, {"\xC3\xA9", 1}}},
        RunCase{"hexMatchesInsideOneByteRepeatIt", kSearchHex, {0x3E, 0x00}, {{"0", 1}, {"0", 1}, {"0", -1}}},
        RunCase{"matchOnTheTrailingBlankStaysOnTheLastByte", kSearchDecimal, {0x3E}, {{" ", 0}, {" ", -1}}}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(SearchRuns, ANotFoundNeedleThatWasLastSearchedStartsFromTheFirstByteAgain) {
    ByteSearch search;
    ASSERT_TRUE(search.Search(kSample, kSearchHex, "3E").found);
    EXPECT_EQ(search.lastMatchPosition(), 1u);
    EXPECT_FALSE(search.Search(kSample, kSearchHex, "AA").found);
    EXPECT_EQ(search.lastMatchPosition(), 0u);
    EXPECT_EQ(search.Search(kSample, kSearchHex, "3E").byteOffset, 0u);
}

// ---------------------------------------------------------------------------

struct OffsetCase {
    std::size_t position;
    std::int32_t type;
    std::size_t expected;
};

class MatchOffsets : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(MatchOffsets, RoundedToTheNearestByteHalfToEven) {
    EXPECT_EQ(ByteOffsetOfMatch(GetParam().position, GetParam().type, 100), GetParam().expected)
        << "position " << GetParam().position;
}

INSTANTIATE_TEST_SUITE_P(Positions, MatchOffsets,
                         ::testing::Values(OffsetCase{1, kSearchText, 0}, OffsetCase{17, kSearchText, 16},
                                           OffsetCase{2, kSearchDecimal, 0},   // 0.25
                                           OffsetCase{3, kSearchDecimal, 0},   // 0.5 -> 0
                                           OffsetCase{4, kSearchDecimal, 1},   // 0.75
                                           OffsetCase{7, kSearchDecimal, 2},   // 1.5 -> 2
                                           OffsetCase{11, kSearchDecimal, 2},  // 2.5 -> 2
                                           OffsetCase{15, kSearchDecimal, 4},  // 3.5 -> 4
                                           OffsetCase{2, kSearchHex, 0},       // 0.33
                                           OffsetCase{3, kSearchHex, 1},       // 0.67
                                           OffsetCase{7, kSearchHex, 2}));

struct TargetCase {
    std::size_t offset;
    int row;
    int column;
};

class SearchTargets : public ::testing::TestWithParam<TargetCase> {};

TEST_P(SearchTargets, SelectionRunsFromTheByteToTheAsciiCell) {
    const SearchTarget t = TargetOf(GetParam().offset);
    EXPECT_EQ(t.row, GetParam().row);
    EXPECT_EQ(t.column, GetParam().column);
    EXPECT_EQ(t.selectionEndColumn, 17);
}

INSTANTIATE_TEST_SUITE_P(Offsets, SearchTargets,
                         ::testing::Values(TargetCase{0, 1, 1}, TargetCase{15, 1, 16}, TargetCase{16, 2, 1},
                                           TargetCase{65534, 4096, 15}));

}  // namespace
