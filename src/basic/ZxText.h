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

// What one code of the character table gives.
struct ZxPiece {
    std::string expanded;        // text for the expanded form
    std::string unexpanded;      // text for the listing form
    std::size_t used = 1;        // bytes used, the code itself included
    bool spacedKeyword = false;  // a keyword that may get a space in front
    bool cut = false;            // its parameter bytes run past the end
};

// Decodes the code at position p (which must be inside bytes).
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
