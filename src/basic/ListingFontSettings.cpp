#include "basic/ListingFontSettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/CodePage.h"
#include "core/IniMgr.h"

namespace {

constexpr const char* kName = "Font Name";
constexpr const char* kBold = "Font Bold";
constexpr const char* kItalic = "Font Italic";
constexpr const char* kSize = "Font Size";
constexpr const char* kStrikethru = "Font Strikethru";
constexpr const char* kUnderline = "Font Underline";
constexpr const char* kColor = "Font Color";

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool equalsNoCase(const std::string& a, const char* b) {
    const std::string other(b);
    return a.size() == other.size() && std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A whole text that is one decimal number ("-1", "0", "2.5", "1E3"). strtod
// alone would also take "inf", "nan" and hexadecimal floats.
std::optional<double> wholeNumber(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' && c != 'e' &&
            c != 'E') {
            return std::nullopt;
        }
    }
    double value = 0;
    const char* first = text.data();
    if (*first == '+') {
        ++first;
    }
    const auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool readBoolean(const std::string& key, const std::string& path) {
    return BooleanText(IniMgr::Read(kListingFontSection, key, "0", path)).value_or(false);
}

const char* booleanText(bool value) {
    return value ? "True" : "False";
}

}  // namespace

std::optional<bool> BooleanText(const std::string& text) {
    const std::string t = trimmed(text);
    if (equalsNoCase(t, "True")) {
        return true;
    }
    if (equalsNoCase(t, "False")) {
        return false;
    }
    if (const auto n = wholeNumber(t)) {
        return *n != 0;
    }
    return std::nullopt;
}

double FontSizeFromText(const std::string& text) {
    const double size = leadingNumber(text);
    if (!std::isfinite(size) || size <= 0) {
        return kDefaultListingFontSize;
    }
    return std::min(size, kMaxListingFontSize);
}

std::string FontSizeText(double size) {
    // The shortest text that reads back as the same single-precision value:
    // the dialog's 8.25 stays "8.25", not "8.2500000000000000".
    const auto single = static_cast<float>(size);
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, single, std::chars_format::fixed);
    if (ec != std::errc()) {
        return "8.25";
    }
    return std::string(buffer, end);
}

std::uint32_t FontColorFromText(const std::string& text) {
    const long long value = roundHalfEven(leadingNumber(text));
    if (value < 0 || value > 0xFFFFFF) {
        return 0;
    }
    return static_cast<std::uint32_t>(value);
}

std::string FontColorText(std::uint32_t color) {
    return "&H" + hexUpper(color, 1) + "&";
}

FontChoice LoadListingFont(const std::string& sFilePath) {
    FontChoice font;
    font.name = IniMgr::Read(kListingFontSection, kName, "Courier New", sFilePath);
    if (font.name.empty()) {
        font.name = "Courier New";  // "Font Name=" names no font at all
    }
    font.bold = readBoolean(kBold, sFilePath);
    font.italic = readBoolean(kItalic, sFilePath);
    font.size = FontSizeFromText(IniMgr::Read(kListingFontSection, kSize, "8.25", sFilePath));
    font.strikethrough = readBoolean(kStrikethru, sFilePath);
    font.underline = readBoolean(kUnderline, sFilePath);
    font.color = FontColorFromText(IniMgr::Read(kListingFontSection, kColor, "0", sFilePath));
    return font;
}

void SaveListingFont(const FontChoice& font, const std::string& sFilePath) {
    IniMgr::Write(kListingFontSection, kName, font.name, sFilePath);
    IniMgr::Write(kListingFontSection, kBold, booleanText(font.bold), sFilePath);
    IniMgr::Write(kListingFontSection, kItalic, booleanText(font.italic), sFilePath);
    IniMgr::Write(kListingFontSection, kSize, FontSizeText(font.size), sFilePath);
    IniMgr::Write(kListingFontSection, kStrikethru, booleanText(font.strikethrough), sFilePath);
    IniMgr::Write(kListingFontSection, kUnderline, booleanText(font.underline), sFilePath);
    IniMgr::Write(kListingFontSection, kColor, FontColorText(font.color), sFilePath);
}
