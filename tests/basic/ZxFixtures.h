#pragma once

// Builders for ZX Spectrum BASIC bytes and tape files, for the tests and the
// benchmarks. Header-only and free of GoogleTest so the benchmarks can use it.
//
// The 5-byte encoder here works from the value with frexp, the opposite way
// round from the decoder under test, so a round trip checks both. The
// tokenizer takes its keyword spellings from ZxTokens; the listbasic
// cross-check is what holds that table to an outside decoder.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "basic/ZxText.h"

namespace zx {

using Bytes = std::vector<std::uint8_t>;

// Keyword tokens the tests use.
enum Token : std::uint8_t {
    RND = 0xA5,
    PI = 0xA7,
    AT = 0xAC,
    TAB = 0xAD,
    CODE = 0xAF,
    VAL = 0xB0,
    SIN = 0xB2,
    INT = 0xBA,
    SQR = 0xBB,
    PEEK = 0xBE,
    USR = 0xC0,
    CHRS = 0xC2,
    NOT = 0xC3,
    OR = 0xC5,
    AND = 0xC6,
    LE = 0xC7,
    GE = 0xC8,
    NE = 0xC9,
    THEN = 0xCB,
    TO = 0xCC,
    STEP = 0xCD,
    DEF_FN = 0xCE,
    BEEP = 0xD7,
    INK = 0xD9,
    PAPER = 0xDA,
    BORDER = 0xE7,
    DATA = 0xE4,
    READ = 0xE3,
    DIM = 0xE9,
    REM = 0xEA,
    FOR = 0xEB,
    GOTO = 0xEC,
    GOSUB = 0xED,
    INPUT = 0xEE,
    LOAD = 0xEF,
    LET = 0xF1,
    PAUSE = 0xF2,
    NEXT = 0xF3,
    POKE = 0xF4,
    PRINT = 0xF5,
    PLOT = 0xF6,
    RANDOMIZE = 0xF9,
    IF = 0xFA,
    CLS = 0xFB,
    DRAW = 0xFC,
    RETURN = 0xFE,
};

inline constexpr std::uint8_t kNumberMark = 0x0E;
inline constexpr std::uint8_t kEnter = 0x0D;

inline void append(Bytes& b, std::string_view text) {
    b.insert(b.end(), text.begin(), text.end());
}

inline void append(Bytes& b, std::initializer_list<std::uint8_t> more) {
    b.insert(b.end(), more.begin(), more.end());
}

inline void append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

// Always the floating-point form, whole numbers included.
inline Bytes floating(double value) {
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(value), &exponent);  // 0.5 <= mantissa < 1
    auto bits = static_cast<std::uint64_t>(std::llround(std::ldexp(mantissa, 32)));
    if (bits > 0xFFFFFFFFu) {  // rounded up to 1.0
        bits >>= 1;
        ++exponent;
    }
    auto word = static_cast<std::uint32_t>(bits) & 0x7FFFFFFFu;  // the sign takes the implied bit's place
    if (value < 0) {
        word |= 0x80000000u;
    }
    return {static_cast<std::uint8_t>(exponent + 128), static_cast<std::uint8_t>(word >> 24),
            static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 8),
            static_cast<std::uint8_t>(word)};
}

// The Spectrum's own encoding: the small-integer form for whole numbers from
// -65535 to 65535, the floating-point form otherwise.
inline Bytes number(double value) {
    if (value == std::floor(value) && std::fabs(value) <= 65535) {
        const int v = static_cast<int>(value);
        const int stored = v < 0 ? v + 65536 : v;
        return {0x00, static_cast<std::uint8_t>(v < 0 ? 0xFF : 0x00),
                static_cast<std::uint8_t>(stored & 0xFF), static_cast<std::uint8_t>(stored >> 8), 0x00};
    }
    return floating(value);
}

// A number literal as typed, followed by code 14 and its hidden copy.
inline void literal(Bytes& b, std::string_view typed, const Bytes& hidden) {
    append(b, typed);
    b.push_back(kNumberMark);
    append(b, hidden);
}

inline void literal(Bytes& b, std::string_view typed, double value) {
    literal(b, typed, number(value));
}

// A program line record: number (big-endian), body length (little-endian),
// body. The body gets its ENTER unless asked not to.
inline void line(Bytes& program, int lineNumber, Bytes body, bool addEnter = true) {
    if (addEnter) {
        body.push_back(kEnter);
    }
    program.push_back(static_cast<std::uint8_t>((lineNumber >> 8) & 0xFF));
    program.push_back(static_cast<std::uint8_t>(lineNumber & 0xFF));
    program.push_back(static_cast<std::uint8_t>(body.size() & 0xFF));
    program.push_back(static_cast<std::uint8_t>((body.size() >> 8) & 0xFF));
    append(program, body);
}

// A number variable with a one-letter name.
inline Bytes numberVariable(char letter, double value) {
    Bytes b{static_cast<std::uint8_t>(0x60 | (letter - 96))};
    append(b, number(value));
    return b;
}

// One tape block: length (little-endian), flag, bytes, XOR checksum.
inline Bytes tapBlock(std::uint8_t flag, const Bytes& bytes) {
    Bytes block;
    const std::size_t length = bytes.size() + 2;
    block.push_back(static_cast<std::uint8_t>(length & 0xFF));
    block.push_back(static_cast<std::uint8_t>(length >> 8));
    block.push_back(flag);
    append(block, bytes);
    std::uint8_t check = flag;
    for (const std::uint8_t b : bytes) {
        check ^= b;
    }
    block.push_back(check);
    return block;
}

// A BASIC program as a .tap file: header block (type 0, ten-character name,
// data length, autostart line, program length without variables) and the
// data block.
inline Bytes basicTap(const std::string& name, const Bytes& data, std::size_t programLength,
                      std::uint16_t autostart = 0x8000) {
    Bytes header{0x00};
    std::string padded = name.substr(0, 10);
    padded.resize(10, ' ');
    append(header, padded);
    const auto word = [&](std::size_t v) {
        header.push_back(static_cast<std::uint8_t>(v & 0xFF));
        header.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    };
    word(data.size());
    word(autostart);
    word(programLength);
    Bytes tap = tapBlock(0x00, header);
    append(tap, tapBlock(0xFF, data));
    return tap;
}

// One line of BASIC as typed, "20 PRINT AT 10,4;\"*\"", tokenized the way
// the Spectrum's editor stores it: keywords spelled as listed ("GOTO",
// "DEF FN") become their tokens, number literals get code 14 and their
// hidden 5-byte copy, strings and REM text stay as typed, and other spaces
// are not stored (the listing puts in its own). Names are written in lower
// case so that no keyword is found inside one; an upper-case word that is
// no keyword throws.
inline Bytes typedLine(std::string_view text) {
    std::size_t i = 0;
    int lineNumber = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        lineNumber = lineNumber * 10 + (text[i++] - '0');
    }
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    const auto isDigit = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
    Bytes body;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            const std::size_t close = text.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close + 1;
            append(body, text.substr(i, end - i));
            i = end;
            continue;
        }
        std::size_t best = 0;
        std::size_t bestLength = 0;
        for (std::size_t t = 0; t < ZxTokens().size(); ++t) {
            std::string_view keyword = ZxTokens()[t];
            if (keyword.back() == ' ') {
                keyword.remove_suffix(1);
            }
            if (keyword.size() > bestLength && text.substr(i, keyword.size()) == keyword) {
                best = t;
                bestLength = keyword.size();
            }
        }
        if (bestLength > 0) {
            const auto token = static_cast<std::uint8_t>(0xA5 + best);
            body.push_back(token);
            i += bestLength;
            if (token == REM) {
                if (i < text.size() && text[i] == ' ') {
                    ++i;
                }
                append(body, text.substr(i));
                break;
            }
            continue;
        }
        const bool afterName = !body.empty() && ((body.back() >= 'a' && body.back() <= 'z') ||
                                                 (body.back() >= '0' && body.back() <= '9'));
        if (!afterName && (isDigit(i) || (c == '.' && isDigit(i + 1)))) {
            std::size_t end = i;
            while (isDigit(end) || (end < text.size() && text[end] == '.')) {
                ++end;
            }
            if (end < text.size() && text[end] == 'E') {
                std::size_t e = end + 1;
                if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
                    ++e;
                }
                if (isDigit(e)) {
                    end = e;
                    while (isDigit(end)) {
                        ++end;
                    }
                }
            }
            const std::string typed(text.substr(i, end - i));
            literal(body, typed, number(std::strtod(typed.c_str(), nullptr)));
            i = end;
            continue;
        }
        if (c >= 'A' && c <= 'Z') {
            // A word the keyword table does not know: a typing slip here, or
            // a misspelt table, which the listbasic cross-check must see.
            throw std::invalid_argument("no keyword at \"" + std::string(text.substr(i)) + "\"");
        }
        if (c != ' ') {
            body.push_back(static_cast<std::uint8_t>(c));
        }
        ++i;
    }
    Bytes record;
    line(record, lineNumber, body);
    return record;
}

inline Bytes typedProgram(std::initializer_list<std::string_view> lines) {
    Bytes program;
    for (const std::string_view l : lines) {
        append(program, typedLine(l));
    }
    return program;
}

// A long program of short ordinary-looking lines (about 19 bytes each) with
// small-integer and floating-point literals, until it holds at least
// targetBytes. Line numbers go up in fours and stay below 10000 for up to
// 2,497 lines.
inline Bytes longProgram(std::size_t targetBytes) {
    static constexpr std::array<std::string_view, 5> kShapes = {
        "LET x=x+1.5", "PRINT AT 10,4;x", "IF x>99 THEN GOTO 90", "BEEP .1,i", "REM loop"};
    Bytes program;
    for (int n = 0; program.size() < targetBytes && n < 2497; ++n) {
        append(program, typedLine(std::to_string(10 + 4 * n) + " " + std::string(kShapes[n % 5])));
    }
    return program;
}

}  // namespace zx
