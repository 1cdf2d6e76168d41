#include "bytes/ByteGrid.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes counting(std::size_t n, std::uint8_t from = 0) {
    Bytes b(n);
    std::iota(b.begin(), b.end(), from);
    return b;
}

CatalogueEntry entryOf(int type, int param1, Bytes data) {
    CatalogueEntry e;
    e.EntryKind = 1;
    e.Type = type;
    e.Param1 = param1;
    e.Length = static_cast<int>(data.size());
    e.Data = std::move(data);
    return e;
}

// ---------------------------------------------------------------------------

struct BaseCase {
    const char* name;
    int type;
    int param1;
    const char* firstAddress;
};

class AddressBase : public ::testing::TestWithParam<BaseCase> {};

TEST_P(AddressBase, FirstRowIsAddressedByFileType) {
    const auto& c = GetParam();
    const ByteGrid grid(entryOf(c.type, c.param1, Bytes(4, 0)));
    EXPECT_EQ(grid.cellText(1, 0), c.firstAddress);
}

INSTANTIATE_TEST_SUITE_P(Types, AddressBase,
                         ::testing::Values(BaseCase{"basicAtProgramArea", 0, 10, "5CCB"},
                                           BaseCase{"numberArrayAtZero", 1, 0x8E00, "0000"},
                                           BaseCase{"charArrayAtZero", 2, 0xD300, "0000"},
                                           BaseCase{"codeAtItsStart", 3, 32768, "8000"},
                                           BaseCase{"screenAtItsStart", 3, 16384, "4000"},
                                           BaseCase{"unknownTypeAtZero", 7, 0x1234, "0000"}),
                         [](const auto& tc) { return std::string(tc.param.name); });

// ---------------------------------------------------------------------------

struct RowCase {
    const char* name;
    int param1;
    std::size_t length;
    std::vector<std::string> addresses;
    int cellsInLastRow;
};

class GridRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(GridRows, OneRowPer16BytesAddressedByTheLastFourHexDigits) {
    const auto& c = GetParam();
    const ByteGrid grid(entryOf(3, c.param1, counting(c.length)));
    ASSERT_EQ(grid.dataRows(), static_cast<int>(c.addresses.size()));
    EXPECT_EQ(grid.rows(), grid.dataRows() + 1);
    for (std::size_t r = 0; r < c.addresses.size(); ++r) {
        EXPECT_EQ(grid.cellText(static_cast<int>(r) + 1, 0), c.addresses[r]) << "row " << r + 1;
    }
    if (c.addresses.empty()) {
        return;
    }
    const int last = grid.dataRows();
    for (int col = 1; col <= 16; ++col) {
        const std::string cell = grid.cellText(last, col);
        if (col <= c.cellsInLastRow) {
            EXPECT_EQ(cell.size(), 2u) << "column " << col;
        } else {
            EXPECT_EQ(cell, "") << "column " << col;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, GridRows,
                         ::testing::Values(RowCase{"twentyBytesAt32768", 32768, 20, {"8000", "8010"}, 4},
                                           RowCase{"exactRow", 0x4000, 16, {"4000"}, 16},
                                           RowCase{"wrapsPastFFFF", 0xFFF8, 32, {"FFF8", "0008"}, 16},
                                           RowCase{"rowAt10000ShowsZeros", 0xFFF0, 17, {"FFF0", "0000"}, 1},
                                           RowCase{"emptyFileHasNoRows", 0x8000, 0, {}, 0}),
                         [](const auto& tc) { return std::string(tc.param.name); });

TEST(GridRows, LastPossibleAddressKeepsFourDigitsOnAFullSizeFile) {
    const ByteGrid grid(entryOf(3, 0xFFFF, Bytes(65535, 0)));
    EXPECT_EQ(grid.dataRows(), 4096);
    EXPECT_EQ(grid.cellText(1, 0), "FFFF");
    EXPECT_EQ(grid.cellText(2, 0), "000F");
    EXPECT_EQ(grid.cellText(4096, 0), "FFEF");
    EXPECT_EQ(grid.cellText(4096, 16), "");  // 65,535 bytes: the last cell is empty
    EXPECT_EQ(grid.cellText(4096, 15), "00");
}

TEST(GridCells, CellsOutsideTheGridAreEmpty) {
    const ByteGrid grid(Bytes{1, 2, 3}, 0);
    EXPECT_EQ(grid.cellText(2, 1), "");
    EXPECT_EQ(grid.cellText(-1, 1), "");
    EXPECT_EQ(grid.cellText(1, 18), "");
    EXPECT_EQ(grid.cellText(1, -1), "");
}

struct AsciiCase {
    const char* name;
    Bytes bytes;
    const char* expected;
};

class AsciiColumn : public ::testing::TestWithParam<AsciiCase> {};

TEST_P(AsciiColumn, PrintableCodesAsCharactersOthersAsDots) {
    const ByteGrid grid(GetParam().bytes, 0);
    EXPECT_EQ(grid.cellText(1, 17), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Bytes, AsciiColumn,
                         ::testing::Values(AsciiCase{"blankIsBlank", {0x20}, " "},
                                           AsciiCase{"del127IsItsCharacter", {0x7F}, "\x7F"},
                                           AsciiCase{"byte128IsDot", {0x80}, "."},
                                           AsciiCase{"controlIsDot", {0x1F, 0x00, 0x0D}, "..."},
                                           AsciiCase{"highBytesAreDots", {0xA9, 0xFF, 0xC5}, "..."},
                                           AsciiCase{"textStays", {'Q', 'u', '!', '~'}, "Qu!~"}),
                         [](const auto& tc) { return std::string(tc.param.name); });

// ---------------------------------------------------------------------------

struct CopyCase {
    const char* name;
    GridSelection selection;
    const char* expected;
};

class CopySelection : public ::testing::TestWithParam<CopyCase> {};

// Four rows: byte i is i (00..3F), the last row short (0x30..0x35).
TEST_P(CopySelection, TakesTheCellsTheSelectionCoversEachWithABlank) {
    const ByteGrid grid(counting(0x36), 0x8000);
    EXPECT_EQ(grid.CopySelection(GetParam().selection), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, CopySelection,
    ::testing::Values(CopyCase{"bytes3to5OfOneRow", {1, 3, 1, 5}, "02 03 04 "},
                      CopyCase{"oneCell", {2, 16, 2, 16}, "1F "},
                      CopyCase{"middleOfRow2ToMiddleOfRow4",
                               {2, 9, 4, 4},
                               "18 19 1A 1B 1C 1D 1E 1F "
                               "20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F "
                               "30 31 32 33 "},
                      CopyCase{"twoRowsTailThenHead", {1, 15, 2, 2}, "0E 0F 10 11 "},
                      CopyCase{"addressAndAsciiColumnsAddNothing",
                               {1, 0, 1, 17},
                               "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "},
                      CopyCase{"shortRowsEmptyCellsGiveBlanks", {4, 5, 4, 9}, "34 35    "},
                      CopyCase{"rightToLeftInOneRow", {1, 5, 1, 3}, "02 03 04 "},
                      CopyCase{"upwardsFromRow3ToRow2", {3, 2, 2, 15}, "1E 1F 20 21 "},
                      CopyCase{"rowsPastTheEndAddNothing", {4, 1, 9, 6}, "30 31 32 33 34 35           "},
                      CopyCase{"headerRowIsNoDataRow", {0, 1, 0, 16}, ""}),
    [](const auto& tc) { return std::string(tc.param.name); });

// ---------------------------------------------------------------------------

TEST(PrintLines, HeaderThenOneLinePerRowAddressUnderTheWordAddress) {
    Bytes data = counting(20, 0x41);  // "ABCD..."
    data[1] = 0x00;
    const ByteGrid grid(data, 32768);
    const std::vector<std::string> lines = grid.PrintLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "Address | 00 | 01 | 02 | 03 | 04 | 05 | 06 | 07 | 08 | 09 | 0A | 0B | 0C | 0D | 0E | 0F | "
              "     ASCII       | ");
    EXPECT_EQ(lines[1],
              "   8000 | 41 | 00 | 43 | 44 | 45 | 46 | 47 | 48 | 49 | 4A | 4B | 4C | 4D | 4E | 4F | 50 | "
              "A.CDEFGHIJKLMNOP | ");
    EXPECT_EQ(lines[2],
              "   8010 | 51 | 52 | 53 | 54 |    |    |    |    |    |    |    |    |    |    |    |    | "
              "QRST | ");
    // Every line puts its first separator at the same column.
    for (const std::string& l : lines) {
        EXPECT_EQ(l.find(" | "), 7u) << l;
    }
}

}  // namespace
