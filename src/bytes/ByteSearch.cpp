#include "bytes/ByteSearch.h"

#include <array>

#include "core/CodePage.h"
#include "core/Failure.h"

namespace {

constexpr std::size_t kDecimalWidth = 4;  // "062 "
constexpr std::size_t kHexWidth = 3;      // "3E "

std::array<std::uint8_t, 256> makeUpperTable() {
    std::array<std::uint8_t, 256> t{};
    for (std::size_t i = 0; i < t.size(); ++i) {
        t[i] = static_cast<std::uint8_t>(i);
    }
    for (std::size_t c = 'a'; c <= 'z'; ++c) {
        t[c] = static_cast<std::uint8_t>(c - 0x20);
    }
    for (std::size_t c = 0xE0; c <= 0xFE; ++c) {
        if (c != 0xF7) {  // the division sign
            t[c] = static_cast<std::uint8_t>(c - 0x20);
        }
    }
    t[0x9A] = 0x8A;  // š
    t[0x9C] = 0x8C;  // œ
    t[0x9E] = 0x8E;  // ž
    t[0xFF] = 0x9F;  // ÿ
    return t;
}

const std::array<std::uint8_t, 256>& upperTable() {
    static const std::array<std::uint8_t, 256> table = makeUpperTable();
    return table;
}

// Windows-1252 form of UTF-8 text, or false when some character has none (such
// a needle can never match a byte of the file).
bool toCp1252(const std::string& utf8, std::string& out) {
    out = utf8ToCp1252(utf8);
    return cp1252ToUtf8(out) == utf8;
}

void checkType(std::int32_t eSearchType) {
    if (eSearchType < kSearchText || eSearchType > kSearchHex) {
        throw Failure(failure::InvalidProcedureCall,
                      "search type " + std::to_string(eSearchType) + " is not 0, 1 or 2");
    }
}

std::size_t roundHalfEven(std::size_t numerator, std::size_t denominator) {
    const std::size_t q = numerator / denominator;
    const std::size_t twiceRest = 2 * (numerator % denominator);
    if (twiceRest > denominator || (twiceRest == denominator && (q & 1) != 0)) {
        return q + 1;
    }
    return q;
}

}  // namespace

void UpperCaseCp1252(std::string& text) {
    const auto& table = upperTable();
    for (char& c : text) {
        c = static_cast<char>(table[static_cast<std::uint8_t>(c)]);
    }
}

std::string SearchString(const std::string& sTyped, std::int32_t eSearchType) {
    checkType(eSearchType);
    if (eSearchType != kSearchHex) {
        return sTyped;
    }
    const auto first = sTyped.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    std::string trimmed = sTyped.substr(first, sTyped.find_last_not_of(' ') - first + 1);
    std::string ansi;
    if (toCp1252(trimmed, ansi)) {
        UpperCaseCp1252(ansi);
        return cp1252ToUtf8(ansi);
    }
    for (char& c : trimmed) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return trimmed;
}

std::string SearchForm(std::span<const std::uint8_t> bytes, std::int32_t eSearchType) {
    checkType(eSearchType);
    std::string form;
    if (eSearchType == kSearchText) {
        form.assign(bytes.begin(), bytes.end());
        UpperCaseCp1252(form);
        return form;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    if (eSearchType == kSearchDecimal) {
        form.resize(bytes.size() * kDecimalWidth);
        char* out = form.data();
        for (const std::uint8_t b : bytes) {
            *out++ = static_cast<char>('0' + b / 100);
            *out++ = static_cast<char>('0' + (b / 10) % 10);
            *out++ = static_cast<char>('0' + b % 10);
            *out++ = ' ';
        }
        return form;
    }
    form.resize(bytes.size() * kHexWidth);
    char* out = form.data();
    for (const std::uint8_t b : bytes) {
        *out++ = kHex[b >> 4];
        *out++ = kHex[b & 0x0F];
        *out++ = ' ';
    }
    return form;
}

std::string NotFoundMessage(const std::string& sNeedle) {
    return "Target string [" + sNeedle + "] not found!";
}

std::size_t ByteOffsetOfMatch(std::size_t position, std::int32_t eSearchType, std::size_t dataLength) {
    checkType(eSearchType);
    const std::size_t from = position == 0 ? 0 : position - 1;
    std::size_t offset = from;
    if (eSearchType == kSearchDecimal) {
        offset = roundHalfEven(from, kDecimalWidth);
    } else if (eSearchType == kSearchHex) {
        offset = roundHalfEven(from, kHexWidth);
    }
    if (dataLength > 0 && offset >= dataLength) {
        offset = dataLength - 1;
    }
    return offset;
}

SearchTarget TargetOf(std::size_t byteOffset) {
    return {static_cast<int>(byteOffset / 16) + 1, static_cast<int>(byteOffset % 16) + 1, 17};
}

ByteSearch::Result ByteSearch::Search(std::span<const std::uint8_t> bytes, std::int32_t eSearchType,
                                      const std::string& sNeedle) {
    return SearchIn(SearchForm(bytes, eSearchType), bytes.size(), eSearchType, sNeedle);
}

ByteSearch::Result ByteSearch::SearchIn(const std::string& form, std::size_t dataLength,
                                        std::int32_t eSearchType, const std::string& sNeedle) {
    checkType(eSearchType);
    const std::size_t start = sNeedle == m_lastSearchText ? m_lastMatch + 1 : 1;

    std::size_t found = std::string::npos;
    std::string needle;
    if (toCp1252(sNeedle, needle)) {
        if (eSearchType == kSearchText) {
            UpperCaseCp1252(needle);
        }
        // An empty needle is found at the start position, as long as that
        // position is still inside the text.
        if (start <= form.size()) {
            found = form.find(needle, start - 1);
        }
    }
    m_lastSearchText = sNeedle;

    Result result;
    if (found == std::string::npos) {
        m_lastSearchText.clear();
        m_lastMatch = 0;
        result.message = NotFoundMessage(sNeedle);
        return result;
    }
    m_lastMatch = found + 1;
    result.found = true;
    result.position = m_lastMatch;
    result.byteOffset = ByteOffsetOfMatch(result.position, eSearchType, dataLength);
    return result;
}
