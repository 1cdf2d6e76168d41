#include "bytes/ByteGrid.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/CodePage.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr const char* kAsciiHeader = "     ASCII      ";

void appendHex2(std::string& out, std::uint8_t b) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 0x0F];
}

void appendAddress(std::string& out, std::uint32_t address) {
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += kHexDigits[(address >> shift) & 0x0F];
    }
}

// The ASCII column: 32..127 are the same in Windows-1252 and UTF-8.
char asciiCell(std::uint8_t b) {
    return b >= 32 && b <= 127 ? static_cast<char>(b) : '.';
}

// A byte cell of a print line, "3E | ", for every byte value: a row is then
// sixteen copies of five bytes, with no formatting left to do per byte.
struct PrintCells {
    char cell[256][5];
};

constexpr PrintCells makePrintCells() {
    PrintCells t{};
    for (int b = 0; b < 256; ++b) {
        t.cell[b][0] = kHexDigits[b >> 4];
        t.cell[b][1] = kHexDigits[b & 0x0F];
        t.cell[b][2] = ' ';
        t.cell[b][3] = '|';
        t.cell[b][4] = ' ';
    }
    return t;
}

constexpr PrintCells kPrintCells = makePrintCells();

char* put(char* p, const char* text, std::size_t n) {
    std::memcpy(p, text, n);
    return p + n;
}

// Writes print line ROW (at most kPrintLineLength bytes) and returns its end.
char* writePrintLine(char* p, const std::vector<std::uint8_t>& data, int base, int row) {
    const std::size_t start = static_cast<std::size_t>(row - 1) * ByteGrid::kBytesPerRow;
    const std::size_t end = std::min(data.size(), start + ByteGrid::kBytesPerRow);
    const auto address = static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(start);
    p = put(p, "   ", 3);
    p = put(p, kPrintCells.cell[(address >> 8) & 0xFF], 2);
    p = put(p, kPrintCells.cell[address & 0xFF], 5);
    for (std::size_t i = start; i < end; ++i) {
        p = put(p, kPrintCells.cell[data[i]], 5);
    }
    for (std::size_t i = end; i < start + ByteGrid::kBytesPerRow; ++i) {
        p = put(p, "   | ", 5);
    }
    for (std::size_t i = start; i < end; ++i) {
        *p++ = asciiCell(data[i]);
    }
    return put(p, " | ", 3);
}

}  // namespace

ByteGrid::ByteGrid(std::vector<std::uint8_t> data, int addressBase)
    : m_data(std::move(data)), m_base(addressBase) {}

ByteGrid::ByteGrid(const CatalogueEntry& entry) : ByteGrid(entry.Data, AddressBase(entry)) {}

int ByteGrid::AddressBase(const CatalogueEntry& entry) {
    switch (entry.Type) {
        case kTypeBasic:
            return kBasicAddress;
        case kTypeCode:
            return entry.Param1;
        default:
            return 0;
    }
}

std::string ByteGrid::FormatString() {
    std::string s = "^Address";
    for (int c = 0; c < kBytesPerRow; ++c) {
        s += '|';
        appendHex2(s, static_cast<std::uint8_t>(c));
    }
    s += "|<";
    s += kAsciiHeader;
    return s;
}

std::string ByteGrid::HeaderText(int column) {
    if (column == kAddressColumn) {
        return "Address";
    }
    if (column == kAsciiColumn) {
        return kAsciiHeader;
    }
    if (column >= kFirstByteColumn && column <= kLastByteColumn) {
        std::string s;
        appendHex2(s, static_cast<std::uint8_t>(column - kFirstByteColumn));
        return s;
    }
    return {};
}

int ByteGrid::dataRows() const {
    return static_cast<int>((m_data.size() + kBytesPerRow - 1) / kBytesPerRow);
}

std::string ByteGrid::cellText(int row, int column) const {
    if (row == 0) {
        return HeaderText(column);
    }
    if (row < 0 || row > dataRows() || column < 0 || column >= kColumns) {
        return {};
    }
    const std::size_t start = static_cast<std::size_t>(row - 1) * kBytesPerRow;
    std::string s;
    if (column == kAddressColumn) {
        appendAddress(s, static_cast<std::uint32_t>(m_base) + static_cast<std::uint32_t>(start));
    } else if (column == kAsciiColumn) {
        const std::size_t end = std::min(m_data.size(), start + kBytesPerRow);
        for (std::size_t i = start; i < end; ++i) {
            s += cp1252ToUtf8(static_cast<std::uint8_t>(asciiCell(m_data[i])));
        }
    } else {
        const std::size_t i = start + static_cast<std::size_t>(column - kFirstByteColumn);
        if (i < m_data.size()) {
            appendHex2(s, m_data[i]);
        }
    }
    return s;
}

std::string ByteGrid::CopySelection(const GridSelection& selection) const {
    int r1 = selection.firstRow;
    int c1 = selection.firstColumn;
    int r2 = selection.lastRow;
    int c2 = selection.lastColumn;
    // A selection dragged upwards or leftwards starts at its other end.
    if (r1 > r2) {
        std::swap(r1, r2);
        std::swap(c1, c2);
    } else if (r1 == r2 && c1 > c2) {
        std::swap(c1, c2);
    }
    std::string text;
    for (int row = std::max(r1, 1); row <= std::min(r2, dataRows()); ++row) {
        for (int c = kFirstByteColumn; c <= kLastByteColumn; ++c) {
            const bool take = (r1 == r2 && c >= c1 && c <= c2) || (row == r1 && r1 < r2 && c >= c1) ||
                              (row == r2 && r2 > r1 && c <= c2) || (row > r1 && row < r2);
            if (take) {
                text += cellText(row, c);
                text += ' ';
            }
        }
    }
    return text;
}

std::string ByteGrid::PrintHeaderLine() {
    std::string line;
    for (int c = 0; c < kColumns; ++c) {
        line += HeaderText(c);
        line += " | ";
    }
    return line;
}

void ByteGrid::appendPrintLine(std::string& out, int row) const {
    const std::size_t at = out.size();
    out.resize(at + kPrintLineLength);
    char* end = writePrintLine(out.data() + at, m_data, m_base, row);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

void ByteGrid::appendPrintText(std::string& out, int firstRow, int lastRow) const {
    firstRow = std::max(firstRow, 0);
    lastRow = std::min(lastRow, dataRows());
    if (firstRow > lastRow) {
        return;
    }
    if (firstRow == 0) {
        out += PrintHeaderLine();
        out += '\n';
        firstRow = 1;
    }
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(lastRow - firstRow + 1) * (kPrintLineLength + 1));
    char* p = out.data() + at;
    for (int r = firstRow; r <= lastRow; ++r) {
        p = writePrintLine(p, m_data, m_base, r);
        *p++ = '\n';
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

std::string ByteGrid::PrintText() const {
    std::string text;
    appendPrintText(text, 0, dataRows());
    return text;
}

std::vector<std::string> ByteGrid::PrintLines() const {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(rows()));
    lines.push_back(PrintHeaderLine());
    for (int r = 1; r <= dataRows(); ++r) {
        std::string line;
        line.reserve(3 + 7 + 16 * 5 + 16 + 3);
        appendPrintLine(line, r);
        lines.push_back(std::move(line));
    }
    return lines;
}
