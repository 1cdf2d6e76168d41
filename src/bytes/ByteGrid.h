#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "disk/Catalogue.h"

// The byte viewer's grid, as text: what every cell shows, what Copy Selection
// puts on the clipboard and what Print sends to the printer. The window only
// hands these texts to its table.
//
// Grid coordinates: row 0 is the header, rows 1..dataRows() hold 16 bytes each;
// column 0 the address, columns 1..16 the bytes, column 17 the ASCII text.
struct GridSelection {
    int firstRow = 1;
    int firstColumn = 1;
    int lastRow = 1;
    int lastColumn = 1;
};

class ByteGrid {
public:
    static constexpr int kColumns = 18;
    static constexpr int kAddressColumn = 0;
    static constexpr int kFirstByteColumn = 1;
    static constexpr int kLastByteColumn = 16;
    static constexpr int kAsciiColumn = 17;
    static constexpr int kBytesPerRow = 16;
    static constexpr int kBasicAddress = 23755;  // 0x5CCB, where a program sits in memory

    ByteGrid(std::vector<std::uint8_t> data, int addressBase);
    // The entry's data at the address its type gives (AddressBase).
    explicit ByteGrid(const CatalogueEntry& entry);

    // BASIC 23755, number and character arrays 0, CODE its start address
    // (Param1), anything else 0.
    [[nodiscard]] static int AddressBase(const CatalogueEntry& entry);

    // The grid's header as its format string: "^" centres, "<" aligns left.
    [[nodiscard]] static std::string FormatString();
    // Header texts without the alignment marks: "Address", "00".."0F" and the
    // 16-character "     ASCII      ".
    [[nodiscard]] static std::string HeaderText(int column);

    [[nodiscard]] int dataRows() const;
    // Data rows plus the header row.
    [[nodiscard]] int rows() const { return dataRows() + 1; }
    [[nodiscard]] int addressBase() const { return m_base; }
    [[nodiscard]] const std::vector<std::uint8_t>& data() const { return m_data; }

    // The text of any cell; row 0 gives the header texts, a cell past the data
    // (the tail of a short last row, or outside the grid) is empty.
    //   address: base + 16 (row - 1) as its last four upper-case hex digits;
    //   bytes:   two upper-case hex digits;
    //   ASCII:   bytes 32..127 as their Windows-1252 characters (UTF-8), others ".".
    [[nodiscard]] std::string cellText(int row, int column) const;

    // Copy Selection: the byte cells the selection covers, row by row, each
    // followed by one blank. Within one row, columns first..last; across rows,
    // the first row from its first column on, the last row up to its last
    // column, every row between whole. A selection given from its end to its
    // start (a later row first, or in one row a later column first) is turned
    // round first; rows outside the data add nothing.
    [[nodiscard]] std::string CopySelection(const GridSelection& selection) const;

    // The lines Print sends: the header line, then per data row three blanks and
    // every column followed by " | ", the byte cells right-aligned in two
    // characters (an empty one as two blanks).
    [[nodiscard]] std::vector<std::string> PrintLines() const;
    void appendPrintLine(std::string& out, int row) const;
    [[nodiscard]] static std::string PrintHeaderLine();
    // The header line and every print line, each ending in "\n", as one text;
    // appendPrintText gives rows firstRow..lastRow of it (row 0 the header).
    [[nodiscard]] std::string PrintText() const;
    void appendPrintText(std::string& out, int firstRow, int lastRow) const;
    // A whole data row: three blanks, address, 16 byte cells, 16 ASCII characters.
    static constexpr std::size_t kPrintLineLength = 3 + 4 + 3 + 16 * 5 + 16 + 3;

private:
    std::vector<std::uint8_t> m_data;
    int m_base = 0;
};
