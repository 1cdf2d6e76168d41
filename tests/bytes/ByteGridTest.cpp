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

// ---------------------------------------------------------------------------

struct RowCase {
    const char* name;
    int type;
    int param1;
    std::size_t length;
    std::vector<std::string> addresses;
    int cellsInLastRow;
};

class GridRows : public ::testing::TestWithParam<RowCase> {};

// The first address comes from the file type; every row holds 16 bytes and is
// addressed by the last four hex digits.
TEST_P(GridRows, AddressedByTypeOneRowPer16Bytes) {
    const auto& c = GetParam();
    CatalogueEntry e;
    e.EntryKind = 1;
    e.Type = c.type;
    e.Param1 = c.param1;
    e.Length = static_cast<int>(c.length);
    e.Data = counting(c.length);
    const ByteGrid grid(e);
    ASSERT_EQ(grid.dataRows(), static_cast<int>(c.addresses.size()));
    EXPECT_EQ(grid.rows(), grid.dataRows() + 1);
    for (std::size_t r = 0; r < c.addresses.size(); ++r) {
        EXPECT_EQ(grid.cellText(static_cast<int>(r) + 1, 0), c.addresses[r]) << "row " << r + 1;
    }
    for (int col = 1; col <= 16 && !c.addresses.empty(); ++col) {
        EXPECT_EQ(grid.cellText(grid.dataRows(), col).size(), col <= c.cellsInLastRow ? 2u : 0u) << col;
    }
    EXPECT_EQ(grid.cellText(0, ByteGrid::kColumns), "");  // no column past the characters
}

INSTANTIATE_TEST_SUITE_P(
    Files, GridRows,
    ::testing::Values(RowCase{"basicAtProgramArea", 0, 10, 4, {"5CCB"}, 4},
                      RowCase{"numberArrayAtZero", 1, 0x8E00, 4, {"0000"}, 4},

                      RowCase{"codeTwentyBytesAt32768", 3, 32768, 20, {"8000", "8010"}, 4},

                      RowCase{"wrapsPastFFFF", 3, 0xFFF8, 32, {"FFF8", "0008"}, 16},
                      RowCase{"rowAt10000ShowsZeros", 3, 0xFFF0, 17, {"FFF0", "0000"}, 1},
                      RowCase{"emptyFileHasNoRows", 3, 0x8000, 0, {}, 0}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(GridCells, FullSizeFileAndCellsOutsideTheGrid) {
    const ByteGrid grid(Bytes(65535, 0), 0xFFFF);
    EXPECT_EQ(grid.dataRows(), 4096);
    EXPECT_EQ(grid.cellText(2, 0), "000F");
    EXPECT_EQ(grid.cellText(4096, 0), "FFEF");
    EXPECT_EQ(grid.cellText(4096, 15), "00");
    EXPECT_EQ(grid.cellText(4096, 16), "");  // 65,535 bytes: the last cell is empty
    const std::pair<int, int> outside[] = {{4097, 1}, {-1, 1}, {1, 18}, {1, -1}};
    for (const auto& [row, column] : outside) {
        EXPECT_EQ(grid.cellText(row, column), "") << row << "," << column;
    }
}

TEST(GridCells, AsciiColumnShowsCodes32To127AndDotsForTheRest) {
    EXPECT_EQ(ByteGrid(Bytes{0x20, 'Q', '~', 0x7F, 0x1F, 0x00, 0x80, 0xFF}, 0).cellText(1, 17),
              " Q~\x7F....");
}

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

                      CopyCase{"middleOfRow2ToMiddleOfRow4",
                               {2, 9, 4, 4},
                               "18 19 1A 1B 1C 1D 1E 1F "
                               "20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F "
                               "30 31 32 33 "},
                      CopyCase{"addressAndAsciiColumnsAddNothing",
                               {1, 0, 1, 17},
                               "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "},

                      CopyCase{"rightToLeftInOneRow", {1, 5, 1, 3}, "02 03 04 "},
                      CopyCase{"upwardsFromRow3ToRow2", {3, 2, 2, 15}, "1E 1F 20 21 "},
                      CopyCase{"rowsPastTheEndAddNothing", {4, 1, 9, 6}, "30 31 32 33 34 35           "},
                      CopyCase{"headerRowIsNoDataRow", {0, 1, 0, 16}, ""}),
    [](const auto& tc) { return std::string(tc.param.name); });

// ---------------------------------------------------------------------------

// The window lays its header out from this: the address centred, the 16
// byte columns, the ASCII column aligned left.
TEST(GridHeader, FormatStringNamesEveryColumn) {
    EXPECT_EQ(ByteGrid::FormatString(), "^Address|00|01|02|03|04|05|06|07|08|09|0A|0B|0C|0D|0E|0F|<" +
                                            ByteGrid::HeaderText(ByteGrid::kAsciiColumn));
}

TEST(PrintLines, HeaderThenOneLinePerRowAddressUnderTheWordAddress) {
    Bytes data = counting(20, 0x41);  // "ABCD..."
    data[1] = 0x00;
    const std::vector<std::string> lines = ByteGrid(data, 32768).PrintLines();
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Address | 00 | 01 | 02 | 03 | 04 | 05 | 06 | 07 | 08 | 09 | 0A | 0B | 0C | 0D | 0E | 0F | "
                  "     ASCII       | ",
                  "   8000 | 41 | 00 | 43 | 44 | 45 | 46 | 47 | 48 | 49 | 4A | 4B | 4C | 4D | 4E | 4F | 50 | "
                  "A.CDEFGHIJKLMNOP | ",
                  "   8010 | 51 | 52 | 53 | 54 |    |    |    |    |    |    |    |    |    |    |    |    | "
                  "QRST | "}));
}

}  // namespace
