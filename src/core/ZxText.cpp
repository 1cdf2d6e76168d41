#include "core/ZxText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

// clang-format off
constexpr std::array<std::string_view, 91> kTokens = {
    /* 0xA5 */ "RND ", "INKEY$ ", "PI ", "FN ", "POINT ", "SCREEN$ ", "ATTR ", "AT ", "TAB ", "VAL$ ", "CODE ",
    /* 0xB0 */ "VAL ", "LEN ", "SIN ", "COS ", "TAN ", "ASN ", "ACS ", "ATN ", "LN ", "EXP ", "INT ", "SQR ",
               "SGN ", "ABS ", "PEEK ", "IN ",
    /* 0xC0 */ "USR ", "STR$ ", "CHR$ ", "NOT ", "BIN ", "OR ", "AND ", "<=", ">=", "<>", "LINE ", "THEN ",
               "TO ", "STEP ", "DEF FN ", "CAT ",
    /* 0xD0 */ "FORMAT ", "MOVE ", "ERASE ", "OPEN #", "CLOSE #", "MERGE ", "VERIFY ", "BEEP ", "CIRCLE ",
               "INK ", "PAPER ", "FLASH ", "BRIGHT ", "INVERSE ", "OVER ", "OUT ",
    /* 0xE0 */ "LPRINT ", "LLIST ", "STOP ", "READ ", "DATA ", "RESTORE ", "NEW ", "BORDER ", "CONTINUE ",
               "DIM ", "REM ", "FOR ", "GOTO ", "GOSUB ", "INPUT ", "LOAD ",
    /* 0xF0 */ "LIST ", "LET ", "PAUSE ", "NEXT ", "POKE ", "PRINT ", "PLOT ", "RUN ", "SAVE ", "RANDOMIZE ",
               "IF ", "CLS ", "DRAW ", "CLEAR ", "RETURN ", "COPY ",
};
// clang-format on

constexpr std::uint8_t kFirstToken = 0xA5;
constexpr std::uint8_t kNumberMark = 14;
constexpr std::uint8_t kAt = 22;

// The operators <=, >= and <> are the only keywords that never get a space.
constexpr bool isSpacedKeyword(std::uint8_t c) {
    return c >= kFirstToken && (c < 0xC7 || c > 0xC9);
}

// Parameter bytes that follow a code.
constexpr std::size_t parameterCount(std::uint8_t c) {
    if (c == kNumberMark) {
        return 5;
    }
    if (c == kAt) {
        return 2;
    }
    return c >= 16 && c <= 23 ? 1 : 0;
}

// The fixed texts of every code; the codes with parameters get their names
// here and their values when appended.
struct CodeTexts {
    std::array<std::string, 256> expanded;
    std::array<std::string, 256> unexpanded;
};

CodeTexts buildCodeTexts() {
    CodeTexts t;
    for (int c = 0; c < 256; ++c) {
        auto& ex = t.expanded[static_cast<std::size_t>(c)];
        auto& un = t.unexpanded[static_cast<std::size_t>(c)];
        if (c >= kFirstToken) {
            ex = kTokens[static_cast<std::size_t>(c - kFirstToken)];
            un = ex;
        } else if (c >= 144) {
            ex = std::string("{UDG ") + static_cast<char>(c - 79) + "}";
        } else if (c == 127) {
            ex = "\xC2\xA9";  // ©
            un = ex;
        } else if (c >= 32 && c <= 126) {
            ex = std::string(1, static_cast<char>(c));
            un = ex;
        } else if (c >= 6 && c <= 13) {
            static constexpr std::array<std::string_view, 8> kNames = {
                "{print_comma}", "{edit}",    "{crsr_left}", "{crsr_right}",
                "{crsr_down}",   "{crsr_up}", "{DELETE}",    "{ENTER}"};
            ex = kNames[static_cast<std::size_t>(c - 6)];
        } else if (c >= 16 && c <= 23) {
            static constexpr std::array<std::string_view, 8> kNames = {
                "{INK ", "{PAPER ", "{FLASH ", "{BRIGHT ", "{INVERSE ", "{OVER ", "{AT ", "{TAB "};
            ex = kNames[static_cast<std::size_t>(c - 16)];
        } else if (c != kNumberMark) {
            // 0..5, 15, 24..31 and the block graphics 128..143.
            ex = "{chr " + std::to_string(c) + "}";
            un = "?";
        }
    }
    return t;
}

const CodeTexts& codeTexts() {
    static const CodeTexts texts = buildCodeTexts();
    return texts;
}

void appendDecimal(std::string& out, unsigned value) {
    char buffer[16];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, res.ptr);
}

}  // namespace

const std::array<std::string_view, 91>& ZxTokens() {
    return kTokens;
}

ZxCodeSize SizeOfZxCode(std::span<const std::uint8_t> bytes, std::size_t p) {
    ZxCodeSize size;
    if (p >= bytes.size()) {
        size.cut = true;
        return size;
    }
    const std::uint8_t c = bytes[p];
    const std::size_t params = parameterCount(c);
    size.used = params + 1;
    size.spacedKeyword = isSpacedKeyword(c);
    // A hidden number cut short is shown as far as it goes and ends the walk
    // through its size alone; only the other parameters make a code cut.
    size.cut = c != kNumberMark && bytes.size() - p - 1 < params;
    return size;
}

void AppendZxExpanded(std::string& out, std::span<const std::uint8_t> bytes, std::size_t p) {
    if (p >= bytes.size()) {
        return;
    }
    const std::uint8_t c = bytes[p];
    if (c >= 32 && c <= 126) {  // most of any text
        out += static_cast<char>(c);
        return;
    }
    const std::size_t after = bytes.size() - p - 1;
    if (c == kNumberMark) {
        out += '{';
        out += FormatZXNumber(bytes.subspan(p + 1, after < 5 ? after : 5));
        out += '}';
        return;
    }
    const std::size_t params = parameterCount(c);
    if (after < params) {
        return;
    }
    out += codeTexts().expanded[c];
    if (params == 0) {
        return;
    }
    appendDecimal(out, bytes[p + 1]);
    if (c == kAt) {
        out += ',';
        appendDecimal(out, bytes[p + 2]);
    }
    out += '}';
}

void AppendZxUnexpanded(std::string& out, std::span<const std::uint8_t> bytes, std::size_t p) {
    if (p >= bytes.size()) {
        return;
    }
    const std::uint8_t c = bytes[p];
    if (c >= 32 && c <= 126) {
        out += static_cast<char>(c);
    } else {
        out += codeTexts().unexpanded[c];
    }
}

ZxPiece DecodeZxCode(std::span<const std::uint8_t> bytes, std::size_t p) {
    const ZxCodeSize size = SizeOfZxCode(bytes, p);
    ZxPiece piece;
    piece.used = size.used;
    piece.spacedKeyword = size.spacedKeyword;
    piece.cut = size.cut;
    if (!size.cut) {
        AppendZxExpanded(piece.expanded, bytes, p);
        AppendZxUnexpanded(piece.unexpanded, bytes, p);
    }
    return piece;
}

std::string ExpandZXText(std::span<const std::uint8_t> sBytes) {
    std::string text;
    text.reserve(sBytes.size() + 8);
    std::size_t p = 0;
    while (p < sBytes.size()) {
        const ZxCodeSize size = SizeOfZxCode(sBytes, p);
        if (size.cut) {
            return {};
        }
        // An empty text does not end in a space, so a leading keyword gets one.
        if (size.spacedKeyword && (text.empty() || text.back() != ' ')) {
            text += ' ';
        }
        AppendZxExpanded(text, sBytes, p);
        p += size.used;
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
    // The 32 mantissa bits fit a double exactly, so the sum is exact and the
    // only roundings are the two to single precision. With exponents from
    // -127 to +127 and a mantissa below 1 (at most 1 after rounding) the value
    // stays between 2^-128 and 2^127: always finite, at worst subnormal.
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
    // Whole numbers below ten million are exact in seven digits: most
    // literals of a program, written without the decimal round trip.
    if (std::fabs(value) < 1e7f && value == std::trunc(value)) {
        char whole[16];
        const auto res = std::to_chars(whole, whole + sizeof whole, static_cast<long>(value));
        return std::string(whole, res.ptr);
    }
    // Seven significant digits as d.dddddde±x from the exact value of the
    // single, then laid out by hand: to_chars ignores the locale, so the
    // point is always ".". Everything stays in fixed buffers; the longest
    // result ("-1.234568E+07", "-.00001234568") fits a short string.
    char sci[32];
    const auto res = std::to_chars(sci, sci + sizeof sci, std::fabs(static_cast<double>(value)),
                                   std::chars_format::scientific, 6);
    char digits[8];
    std::size_t count = 0;
    const char* p = sci;
    for (; p != res.ptr && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9' && count < sizeof digits) {
            digits[count++] = *p;
        }
    }
    int exponent = 0;
    if (p != res.ptr) {
        ++p;  // past the 'e'
        if (p != res.ptr && *p == '+') {
            ++p;
        }
        std::from_chars(p, res.ptr, exponent);
    }
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }

    char out[32];
    std::size_t n = 0;
    if (value < 0) {
        out[n++] = '-';
    }
    // Plain form from 1E-05 up to just below 1E+07; beyond that the exponent
    // form keeps the text within seven significant digits.
    if (exponent >= 7 || exponent < -5) {
        out[n++] = digits[0];
        if (count > 1) {
            out[n++] = '.';
            for (std::size_t i = 1; i < count; ++i) {
                out[n++] = digits[i];
            }
        }
        out[n++] = 'E';
        out[n++] = exponent < 0 ? '-' : '+';
        const int magnitude = std::abs(exponent);
        if (magnitude < 10) {
            out[n++] = '0';
        }
        n = static_cast<std::size_t>(std::to_chars(out + n, out + sizeof out, magnitude).ptr - out);
    } else if (exponent >= 0) {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        for (std::size_t i = 0; i < whole; ++i) {
            out[n++] = i < count ? digits[i] : '0';
        }
        if (count > whole) {
            out[n++] = '.';
            for (std::size_t i = whole; i < count; ++i) {
                out[n++] = digits[i];
            }
        }
    } else {
        out[n++] = '.';
        for (int i = -1; i > exponent; --i) {
            out[n++] = '0';
        }
        for (std::size_t i = 0; i < count; ++i) {
            out[n++] = digits[i];
        }
    }
    return std::string(out, n);
}
