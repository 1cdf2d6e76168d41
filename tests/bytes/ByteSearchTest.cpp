#include "bytes/ByteSearch.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kSample{0x3E, 0x00, 0xC9, 0x3E};  // LD A,0 / RET / LD A,...

TEST(SearchForms, OneFieldPerByte) {
    EXPECT_EQ(SearchForm(Bytes{0x3E, 0x00, 0xC9}, kSearchDecimal), "062 000 201 ");
    EXPECT_EQ(SearchForm(Bytes{0x3E, 0x00, 0xC9}, kSearchHex), "3E 00 C9 ");
    EXPECT_EQ(SearchForm(Bytes{'a', 'B', 'z', '1'}, kSearchText), "ABZ1");
    // Windows-1252 letters upper-cased in place: é š ÿ, and ß ÷ unchanged
    EXPECT_EQ(SearchForm(Bytes{0xE9, 0x9A, 0xFF, 0xDF, 0xF7}, kSearchText), "\xC9\x8A\x9F\xDF\xF7");
}

TEST(SearchStrings, HexIsTrimmedAndUpperCasedOthersStayAsTyped) {
    EXPECT_EQ(SearchString("  c9 ", kSearchHex), "C9");
    EXPECT_EQ(SearchString("3e 00", kSearchHex), "3E 00");
    EXPECT_EQ(SearchString("\xC3\xA9", kSearchHex), "\xC3\x89");
    EXPECT_EQ(SearchString(" ab ", kSearchText), " ab ");
}

// A run of searches with one viewer's memory: each needle with the byte it
// should select, or -1 for "not found".
struct RunCase {
    const char* name;
    std::int32_t type;
    Bytes bytes;
    std::vector<std::pair<std::string, long>> steps;
};

class SearchRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(SearchRuns, RepeatsGoOnAfterTheLastMatchAndAMissStartsOver) {
    const auto& c = GetParam();
    ByteSearch search;
    for (const auto& [typed, expected] : c.steps) {
        const std::string needle = SearchString(typed, c.type);
        const ByteSearch::Result r = search.Search(c.bytes, c.type, needle);
        EXPECT_EQ(r.found ? static_cast<long>(r.byteOffset) : -1, expected) << typed << ": " << r.message;
        EXPECT_EQ(search.lastSearchText(), r.found ? needle : "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SearchRuns,
    ::testing::Values(
        RunCase{"gtThreeTimesThenAgain", kSearchText, kSample, {{">", 0}, {">", 3}, {">", -1}, {">", 0}}},
        RunCase{"decimalAcrossTheBlank", kSearchDecimal, {0x3E, 0x00, 0xC9}, {{"62 0", 0}}},
        RunCase{
            "textIgnoresCase", kSearchText, {'A', 'B', '-', 'a', 'b'}, {{"ab", 0}, {"ab", 3}, {"ab", -1}}},
        RunCase{"anotherNeedleStartsAtTheStart", kSearchText, kSample, {{">", 0}, {">", 3}, {"\xC3\x89", 2}}},
        RunCase{"emptyNeedleIsFoundAtTheStart", kSearchText, {1, 2}, {{"", 0}, {"", 1}, {"", -1}, {"", 0}}},
        RunCase{"euroSignIsByte80", kSearchText, {0x41, 0x80}, {{"\xE2\x82\xAC", 1}}},
        RunCase{"charactersWindows1252LacksNeverMatch", kSearchText, {'?', 0x3F}, {{"\xE2\x9C\x93", -1}}},
        RunCase{"hexMatchesInsideOneByteRepeatIt", kSearchHex, {0x3E, 0x00}, {{"0", 1}, {"0", 1}, {"0", -1}}},
        RunCase{"matchOnTheTrailingBlankStaysOnTheLastByte", kSearchDecimal, {0x3E}, {{" ", 0}, {" ", -1}}}),
    [](const auto& tc) { return std::string(tc.param.name); });

// A match position in the search form, rounded to the nearest byte, a half
// to the even one (decimal fields are 4 characters, hex 3, text 1).
TEST(MatchOffsets, RoundedToTheNearestByteHalfToEven) {
    const std::tuple<std::size_t, std::int32_t, std::size_t> cases[] = {
        {17, kSearchText, 16},   {2, kSearchDecimal, 0}, {3, kSearchDecimal, 0},
        {4, kSearchDecimal, 1},  {7, kSearchDecimal, 2}, {11, kSearchDecimal, 2},
        {15, kSearchDecimal, 4}, {2, kSearchHex, 0},     {3, kSearchHex, 1}};
    for (const auto& [position, type, expected] : cases) {
        EXPECT_EQ(ByteOffsetOfMatch(position, type, 100), expected) << position << " type " << type;
    }
}

TEST(SearchTargets, SelectionRunsFromTheByteToTheAsciiCell) {
    const std::tuple<std::size_t, int, int> cases[] = {{0, 1, 1}, {15, 1, 16}, {16, 2, 1}, {65534, 4096, 15}};
    for (const auto& [offset, row, column] : cases) {
        const SearchTarget t = TargetOf(offset);
        EXPECT_EQ(std::tuple(t.row, t.column, t.selectionEndColumn), std::tuple(row, column, 17)) << offset;
    }
}

}  // namespace
