#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// ZX Spectrum text: one byte per character in the Spectrum's own character
// set. Codes 32..126 print as themselves, 127 is "©", codes below 32 are
// control codes (some with parameter bytes), 128..143 block graphics, 144..164
// user-defined graphics and 165..255 keyword tokens. Output is UTF-8.

// The 91 keywords of codes 165..255, trailing space included as stored.
[[nodiscard]] const std::array<std::string_view, 91>& ZxTokens();

// How much of the input one code uses: itself plus its parameter bytes (one
// for INK..OVER and TAB, two for AT, five for the hidden number after 14).
struct ZxCodeSize {
    std::size_t used = 1;        // bytes used, the code itself included
    bool spacedKeyword = false;  // a keyword that may get a space in front
    bool cut = false;            // its parameter bytes run past the end
};

// The size of the code at position p; a p at or past the end is cut.
[[nodiscard]] ZxCodeSize SizeOfZxCode(std::span<const std::uint8_t> bytes, std::size_t p);

// Append what the code at position p gives to the expanded or the unexpanded
// text. Keywords come without the space a walk may put in front of them. A
// code whose parameters are cut off appends nothing, except a hidden number,
// whose bytes that are there are shown ("{(error)}" when too few).
void AppendZxExpanded(std::string& out, std::span<const std::uint8_t> bytes, std::size_t p);
void AppendZxUnexpanded(std::string& out, std::span<const std::uint8_t> bytes, std::size_t p);

// What one code of the character table gives, both texts at once.
struct ZxPiece {
    std::string expanded;        // text for the expanded form
    std::string unexpanded;      // text for the listing form
    std::size_t used = 1;        // bytes used, the code itself included
    bool spacedKeyword = false;  // a keyword that may get a space in front
    bool cut = false;            // its parameter bytes run past the end
};

// Decodes the code at position p; a p at or past the end gives a cut piece.
[[nodiscard]] ZxPiece DecodeZxCode(std::span<const std::uint8_t> bytes, std::size_t p);

// The expanded text of a whole ZX string; empty when a code's parameter bytes
// are cut off by the end of the string.
[[nodiscard]] std::string ExpandZXText(std::span<const std::uint8_t> sBytes);
[[nodiscard]] std::string ExpandZXText(std::string_view sBytes);

// The decimal text of the 5-byte number in the first five bytes; "(error)"
// when the bytes are too few for the form they hold.
[[nodiscard]] std::string FormatZXNumber(std::span<const std::uint8_t> sFiveBytes);
[[nodiscard]] std::string FormatZXNumber(std::string_view sFiveBytes);

// The value of a 5-byte number as single precision; nothing when too short.
[[nodiscard]] bool ZxNumberValue(std::span<const std::uint8_t> bytes, float& value);

// Writes a single-precision value with at most 7 significant digits: ".5",
// "-.25", "65535", "1E+10", "1.234568E+07".
[[nodiscard]] std::string FormatSingle(float value);

inline std::span<const std::uint8_t> asByteSpan(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}
