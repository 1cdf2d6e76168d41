#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The byte viewer's search. The bytes are turned into a search form, one
// character per byte in Windows-1252, and the needle is looked for in it:
//   text (0):    the bytes as text, upper-cased ("ab" finds "AB", "ab", "Ab");
//   decimal (1): "062 000 201 " for 3E 00 C9, three digits and a blank a byte;
//   hex (2):     "3E 00 C9 ", two upper-case digits and a blank a byte.
// The needle is matched anywhere, so "62 0" finds byte 0 of "062 000 ".
enum SearchType : std::int32_t { kSearchText = 0, kSearchDecimal = 1, kSearchHex = 2 };

// The needle as the dialog hands it over: for hex trimmed of blanks and
// upper-cased, otherwise exactly as typed. Text is UTF-8.
[[nodiscard]] std::string SearchString(const std::string& sTyped, std::int32_t eSearchType);

// The search form of the bytes (Windows-1252 bytes, not UTF-8).
[[nodiscard]] std::string SearchForm(std::span<const std::uint8_t> bytes, std::int32_t eSearchType);

// Upper-cases Windows-1252 text in place the way the Windows "ANSI" upper-case
// does: a-z, the accented small letters, š œ ž ÿ. ß and µ have no capital here.
void UpperCaseCp1252(std::string& text);

// "Target string [NEEDLE] not found!"
[[nodiscard]] std::string NotFoundMessage(const std::string& sNeedle);

// The byte a match at a 1-based position of the search form stands for: the
// position itself for text; for decimal (position - 1) / 4 and for hex
// (position - 1) / 3, rounded to the nearest whole number, a half to the even
// one. A match that starts on the blank after the last byte would round past
// the end; it stands for the last byte.
[[nodiscard]] std::size_t ByteOffsetOfMatch(std::size_t position, std::int32_t eSearchType,
                                            std::size_t dataLength);

// Where the grid puts its selection for a found byte: it runs from the byte to
// the end of its row, ASCII cell included.
struct SearchTarget {
    int row = 1;
    int column = 1;
    int selectionEndColumn = 17;
};
[[nodiscard]] SearchTarget TargetOf(std::size_t byteOffset);

// One viewer's search memory: the last needle and where it matched. The same
// needle again goes on after its last match; a miss forgets both, so the next
// search starts from the first byte.
class ByteSearch {
public:
    struct Result {
        bool found = false;
        std::size_t position = 0;    // 1-based, in the search form
        std::size_t byteOffset = 0;  // 0-based, in the data
        std::string message;         // the not-found text when nothing was found
    };

    // sNeedle is SearchString's result. The form may be passed in to save
    // building it again for repeated searches of the same bytes.
    Result Search(std::span<const std::uint8_t> bytes, std::int32_t eSearchType, const std::string& sNeedle);
    Result SearchIn(const std::string& form, std::size_t dataLength, std::int32_t eSearchType,
                    const std::string& sNeedle);

    [[nodiscard]] const std::string& lastSearchText() const { return m_lastSearchText; }
    [[nodiscard]] std::size_t lastMatchPosition() const { return m_lastMatch; }

private:
    std::string m_lastSearchText;
    std::size_t m_lastMatch = 0;
};
