#include "basic/ZxText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

constexpr std::array<std::string_view, 91> kTokens = {
    // 0xA5..0xAF
    "RND ",
    "INKEY$ ",
    "PI ",
    "FN ",
    "POINT ",
    "SCREEN$ ",
    "ATTR ",
    "AT ",
    "TAB ",
    "VAL$ ",
    "CODE ",
    // 0xB0..0xBF
    "VAL ",
    "LEN ",
    "SIN ",
    "COS ",
    "TAN ",
    "ASN ",
    "ACS ",
    "ATN ",
    "LN ",
    "EXP ",
    "INT ",
    "SQR ",
    "SGN ",
    "ABS ",
    "PEEK ",
    "IN ",
    // 0xC0..0xCF
    "USR ",
    "STR$ ",
    "CHR$ ",
    "NOT ",
    "BIN ",
    "OR ",
    "AND ",
    "<=",
    ">=",
    "<>",
    "LINE ",
    "THEN ",
    "TO ",
    "STEP ",
    "DEF FN ",
    "CAT ",
    // 0xD0..0xDF
    "FORMAT ",
    "MOVE ",
    "ERASE ",
    "OPEN #",
    "CLOSE #",
    "MERGE ",
    "VERIFY ",
    "BEEP ",
    "CIRCLE ",
    "INK ",
    "PAPER ",
    "FLASH ",
    "BRIGHT ",
    "INVERSE ",
    "OVER ",
    "OUT ",
    // 0xE0..0xEF
    "LPRINT ",
    "LLIST ",
    "STOP ",
    "READ ",
    "DATA ",
    "RESTORE ",
    "NEW ",
    "BORDER ",
    "CONTINUE ",
    "DIM ",
    "REM ",
    "FOR ",
    "GOTO ",
    "GOSUB ",
    "INPUT ",
    "LOAD ",
    // 0xF0..0xFF
    "LIST ",
    "LET ",
    "PAUSE ",
    "NEXT ",
    "POKE ",
    "PRINT ",
    "PLOT ",
    "RUN ",
    "SAVE ",
    "RANDOMIZE ",
    "IF ",
    "CLS ",
    "DRAW ",
    "CLEAR ",
    "RETURN ",
    "COPY ",
};

constexpr std::string_view kCopyright = "\xC2\xA9";

std::string braced(std::string_view name, std::uint8_t value) {
    std::string out = "{";
    out += name;
    out += ' ';
    out += std::to_string(value);
    out += '}';
    return out;
}

}  // namespace

const std::array<std::string_view, 91>& ZxTokens() {
    return kTokens;
}

ZxPiece DecodeZxCode(std::span<const std::uint8_t> bytes, std::size_t p) {
    ZxPiece piece;
    const std::uint8_t c = bytes[p];
    const std::size_t after = bytes.size() - p - 1;  // bytes after the code
    auto needs = [&](std::size_t n) {
        if (after < n) {
            piece.cut = true;
            piece.used = n + 1;
            return false;
        }
        piece.used = n + 1;
        return true;
    };

    if (c >= 165) {
        piece.expanded = std::string(kTokens[c - 165]);
        piece.unexpanded = piece.expanded;
        piece.spacedKeyword = c < 0xC7 || c > 0xC9;
        return piece;
    }
    if (c >= 144) {
        piece.expanded = "{UDG ";
        piece.expanded += static_cast<char>(c - 79);
        piece.expanded += '}';
        return piece;
    }
    if (c == 127) {
        piece.expanded = std::string(kCopyright);
        piece.unexpanded = piece.expanded;
        return piece;
    }
    if (c >= 32 && c <= 126) {
        piece.expanded = std::string(1, static_cast<char>(c));
        piece.unexpanded = piece.expanded;
        return piece;
    }
    switch (c) {
        case 6:
            piece.expanded = "{print_comma}";
            return piece;
        case 7:
            piece.expanded = "{edit}";
            return piece;
        case 8:
            piece.expanded = "{crsr_left}";
            return piece;
        case 9:
            piece.expanded = "{crsr_right}";
            return piece;
        case 10:
            piece.expanded = "{crsr_down}";
            return piece;
        case 11:
            piece.expanded = "{crsr_up}";
            return piece;
        case 12:
            piece.expanded = "{DELETE}";
            return piece;
        case 13:
            piece.expanded = "{ENTER}";
            return piece;
        case 14: {
            // A short hidden number is not a failure of the walk: its text is
            // shown and the walk ends because the 6 bytes reach past the end.
            piece.used = 6;
            const std::size_t n = after < 5 ? after : 5;
            piece.expanded = "{" + FormatZXNumber(bytes.subspan(p + 1, n)) + "}";
            return piece;
        }
        case 16:
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
        case 23: {
            static constexpr std::array<std::string_view, 8> kNames = {"INK",     "PAPER", "FLASH", "BRIGHT",
                                                                       "INVERSE", "OVER",  "",      "TAB"};
            if (needs(1)) {
                piece.expanded = braced(kNames[c - 16], bytes[p + 1]);
            }
            return piece;
        }
        case 22:
            if (needs(2)) {
                piece.expanded =
                    "{AT " + std::to_string(bytes[p + 1]) + "," + std::to_string(bytes[p + 2]) + "}";
            }
            return piece;
        default:
            // 0..5, 15, 24..31 and the block graphics 128..143.
            piece.expanded = "{chr " + std::to_string(c) + "}";
            piece.unexpanded = "?";
            return piece;
    }
}

std::string ExpandZXText(std::span<const std::uint8_t> sBytes) {
    std::string text;
    std::size_t p = 0;
    while (p < sBytes.size()) {
        ZxPiece piece = DecodeZxCode(sBytes, p);
        if (piece.cut) {
            return {};
        }
        if (piece.spacedKeyword && (text.empty() || text.back() != ' ')) {
            text += ' ';
        }
        text += piece.expanded;
        p += piece.used;
    }
    return text;
}

std::string ExpandZXText(std::string_view sBytes) {
    return ExpandZXText(asByteSpan(sBytes));
}

bool ZxNumberValue(std::span<const std::uint8_t> b, float& value) {
    if (b.empty()) {
        return false;
    }
    if (b[0] == 0) {
        if (b.size() < 4) {
            return false;
        }
        int v = b[2] + 256 * b[3];
        if (b[1] == 0xFF) {
            v -= 65536;
        }
        value = static_cast<float>(v);
        return true;
    }
    if (b.size() < 5) {
        return false;
    }
    const int e = b[0] - 128;
    const double m = std::ldexp(static_cast<double>(b[1] | 0x80), -8) +
                     std::ldexp(static_cast<double>(b[2]), -16) + std::ldexp(static_cast<double>(b[3]), -24) +
                     std::ldexp(static_cast<double>(b[4]), -32);
    const float mantissa = static_cast<float>(m);
    float v = static_cast<float>(std::ldexp(static_cast<double>(mantissa), e));
    if ((b[1] & 0x80) != 0) {
        v = -v;
    }
    value = v;
    return true;
}

std::string FormatZXNumber(std::span<const std::uint8_t> sFiveBytes) {
    float value = 0;
    if (!ZxNumberValue(sFiveBytes, value)) {
        return "(error)";
    }
    return FormatSingle(value);
}

std::string FormatZXNumber(std::string_view sFiveBytes) {
    return FormatZXNumber(asByteSpan(sFiveBytes));
}

std::string FormatSingle(float value) {
    if (value == 0.0f || !std::isfinite(value)) {
        return "0";
    }
    // Seven significant digits, as d.dddddde±x, then laid out by hand so the
    // locale never decides the decimal point.
    char buffer[64];
    const double v = static_cast<double>(value);
    const auto res =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(v), std::chars_format::scientific, 6);
    const std::string_view sci(buffer, static_cast<std::size_t>(res.ptr - buffer));
    const auto ePos = sci.find('e');
    std::string digits;
    for (char ch : sci.substr(0, ePos)) {
        if (ch >= '0' && ch <= '9') {
            digits += ch;
        }
    }
    const int exponent = std::atoi(std::string(sci.substr(ePos + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    std::string out = value < 0 ? "-" : "";
    if (exponent >= 7 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'E';
        out += exponent < 0 ? '-' : '+';
        const int magnitude = std::abs(exponent);
        if (magnitude < 10) {
            out += '0';
        }
        out += std::to_string(magnitude);
        return out;
    }
    if (exponent >= 0) {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits + std::string(whole - digits.size(), '0');
        } else {
            out += digits.substr(0, whole) + "." + digits.substr(whole);
        }
        return out;
    }
    out += "." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    return out;
}
