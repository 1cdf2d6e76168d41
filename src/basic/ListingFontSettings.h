#pragma once

#include <optional>
#include <string>

#include "core/FontChooser.h"

// The BASIC viewer's listing font, kept in section "Basic Listing" of the
// settings file under seven keys, written in the forms the classic profile
// code used and read back leniently:
//
//   key              default   written as              read as
//   Font Name        Courier New  the name              text
//   Font Bold        0         True / False            a boolean text
//   Font Italic      0         True / False            a boolean text
//   Font Size        8.25      8.25, 12                the leading decimal number
//   Font Strikethru  0         True / False            a boolean text
//   Font Underline   0         True / False            a boolean text
//   Font Color       0         &HFF& (hex, no zeros)   the leading number, &H = hex
//
// Values that are none of these forms (a bold of "yes", a size of "big")
// fall back to the key's default rather than to whatever a half-read value
// would give: the listing must stay readable whatever the file holds.
inline constexpr const char* kListingFontSection = "Basic Listing";
inline constexpr double kDefaultListingFontSize = 8.25;
// The largest size the font dialog offers; anything above is read as this.
inline constexpr double kMaxListingFontSize = 1638;

[[nodiscard]] FontChoice LoadListingFont(const std::string& sFilePath);
void SaveListingFont(const FontChoice& font, const std::string& sFilePath);

// "True" / "False" in any case, or a number (non-zero is true); nothing for
// any other text.
[[nodiscard]] std::optional<bool> BooleanText(const std::string& text);
// The leading number of the text as a size; the default when it gives none
// above zero.
[[nodiscard]] double FontSizeFromText(const std::string& text);
// "8.25", "12": the size as a single-precision number, without trailing zeros.
[[nodiscard]] std::string FontSizeText(double size);
// The leading number, "&H" meaning hexadecimal, rounded; black when it is no
// colour (negative or above 0xFFFFFF).
[[nodiscard]] std::uint32_t FontColorFromText(const std::string& text);
// "&H" + upper-case hex without leading zeros + "&": "&H0&", "&HFF&".
[[nodiscard]] std::string FontColorText(std::uint32_t color);
