#pragma once

// Builders for ZX Spectrum BASIC bytes, for the tests and the benchmarks.
// Header-only and free of GoogleTest so the benchmarks can use it.
//
// The 5-byte encoder here works from the value with frexp, the opposite way
// round from the decoder under test, so a round trip checks both. The
// tokenizer takes its keyword spellings from ZxTokens; the listbasic
// cross-check is what holds that table to an outside decoder.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/ZxText.h"

namespace zx {

using Bytes = std::vector<std::uint8_t>;

inline void append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

inline void append(Bytes& b, std::string_view text) {
    b.insert(b.end(), text.begin(), text.end());
}

// Always the floating-point form, whole numbers included: exponent + 128,
// then the mantissa with the sign in place of its implied top bit.
inline Bytes floating(double value) {
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(value), &exponent);  // 0.5 <= mantissa < 1
    auto bits = static_cast<std::uint64_t>(std::llround(std::ldexp(mantissa, 32)));
    if (bits > 0xFFFFFFFFu) {  // rounded up to 1.0
        bits >>= 1;
        ++exponent;
    }
    const auto word = static_cast<std::uint32_t>((bits & 0x7FFFFFFFu) | (value < 0 ? 0x80000000u : 0u));
    return {static_cast<std::uint8_t>(exponent + 128), static_cast<std::uint8_t>(word >> 24),
            static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 8),
            static_cast<std::uint8_t>(word)};
}

// The Spectrum's own encoding: the small-integer form (00, sign, low, high, 00)
// for whole numbers from -65535 to 65535, the floating-point form otherwise.
inline Bytes number(double value) {
    if (value != std::floor(value) || std::fabs(value) > 65535) {
        return floating(value);
    }
    const int stored = static_cast<int>(value) & 0xFFFF;
    return {0x00, static_cast<std::uint8_t>(value < 0 ? 0xFF : 0x00),
            static_cast<std::uint8_t>(stored & 0xFF), static_cast<std::uint8_t>(stored >> 8), 0x00};
}

// A number variable with a one-letter name.
inline Bytes numberVariable(char letter, double value) {
    Bytes b{static_cast<std::uint8_t>(0x60 | (letter - 96))};
    append(b, number(value));
    return b;
}

// One line of BASIC as typed, "20 PRINT AT 10,4;\"*\"", tokenized the way
// the Spectrum's editor stores it: keywords spelled as listed ("GOTO",
// "DEF FN") become their tokens, number literals get code 14 and their
// hidden 5-byte copy, strings and REM text stay as typed, and other spaces
// are not stored (the listing puts in its own). Names are written in lower
// case so that no keyword is found inside one; an upper-case word that is
// no keyword throws: a typing slip here, or a misspelt table, which the
// listbasic cross-check must see.
inline Bytes typedLine(std::string_view typedText) {
    const std::string text(typedText);
    char* end = nullptr;
    const long lineNumber = std::strtol(text.c_str(), &end, 10);
    Bytes body;
    for (auto i = static_cast<std::size_t>(end - text.c_str()); i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t token = 0;
        std::size_t length = 0;
        for (std::size_t t = 0; t < ZxTokens().size(); ++t) {
            const std::string_view keyword = ZxTokens()[t].substr(0, ZxTokens()[t].find_last_not_of(' ') + 1);
            if (keyword.size() > length && text.compare(i, keyword.size(), keyword) == 0) {
                token = t;
                length = keyword.size();
            }
        }
        const bool afterName = !body.empty() && (std::islower(body.back()) || std::isdigit(body.back()));
        if (c == '"') {
            const std::size_t close = std::min(text.find('"', i + 1), text.size() - 1) + 1;
            append(body, std::string_view(text).substr(i, close - i));
            i = close;
        } else if (length > 0) {
            body.push_back(static_cast<std::uint8_t>(0xA5 + token));
            i += length;
            if (body.back() == 0xEA && i < text.size()) {  // REM: the rest as typed
                append(body, std::string_view(text).substr(i + 1));
                break;
            }
        } else if (!afterName && (std::isdigit(c) || (c == '.' && std::isdigit(text[i + 1])))) {
            const double value = std::strtod(text.c_str() + i, &end);
            const auto stop = static_cast<std::size_t>(end - text.c_str());
            append(body, std::string_view(text).substr(i, stop - i));
            body.push_back(0x0E);
            append(body, number(value));
            i = stop;
        } else if (std::isupper(c)) {
            throw std::invalid_argument("no keyword at \"" + text.substr(i) + "\"");
        } else {
            if (c != ' ') {
                body.push_back(c);
            }
            ++i;
        }
    }
    // The line record: number (big-endian), body length (little-endian), body.
    body.push_back(0x0D);
    Bytes record{static_cast<std::uint8_t>(lineNumber >> 8), static_cast<std::uint8_t>(lineNumber & 0xFF),
                 static_cast<std::uint8_t>(body.size() & 0xFF), static_cast<std::uint8_t>(body.size() >> 8)};
    append(record, body);
    return record;
}

inline Bytes typedProgram(std::initializer_list<std::string_view> lines) {
    Bytes program;
    for (const std::string_view l : lines) {
        append(program, typedLine(l));
    }
    return program;
}

}  // namespace zx
