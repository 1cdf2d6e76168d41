// The print text is the print lines, each with its line break, in one piece
// or in row ranges that join up to the same text.

#include <gtest/gtest.h>

#include "bytes/ByteGrid.h"

namespace {

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + '\n';
    }
    return text;
}

struct PieceCase {
    const char* name;
    std::size_t bytes;
    int rowsPerPiece;
};

class PrintText : public ::testing::TestWithParam<PieceCase> {};

TEST_P(PrintText, IsThePrintLinesWholeOrInPieces) {
    std::vector<std::uint8_t> data(GetParam().bytes);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    const ByteGrid grid(data, 0xFFF0);
    const std::string expected = joined(grid.PrintLines());
    EXPECT_EQ(grid.PrintText(), expected);
    std::string pieces;
    for (int first = 0; first <= grid.dataRows() + 1; first += GetParam().rowsPerPiece) {
        grid.appendPrintText(pieces, first, first + GetParam().rowsPerPiece - 1);
    }
    EXPECT_EQ(pieces, expected);
}

INSTANTIATE_TEST_SUITE_P(Files, PrintText,
                         ::testing::Values(PieceCase{"empty", 0, 1}, PieceCase{"short_last_row", 37, 2},
                                           PieceCase{"whole_rows", 64, 3},
                                           PieceCase{"one_row_a_piece", 33, 1},
                                           PieceCase{"full_size", 65535, 1024}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
