#include "export/SafeFileNames.h"

#include <array>
#include <string>

namespace {

// One decoded character: its code point and its bytes, or an invalid byte.
struct Utf8Char {
    char32_t cp = 0;
    std::size_t length = 1;
    bool valid = false;
};

Utf8Char decodeAt(std::string_view s, std::size_t i) {
    const auto lead = static_cast<std::uint8_t>(s[i]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return {};
    }
    if (i + extra >= s.size()) {
        return {};
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto c = static_cast<std::uint8_t>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            return {};
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return {};
    }
    return {cp, extra + 1, true};
}

bool forbidden(char32_t cp) {
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
        return true;
    }
    if ((cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0x200E || cp == 0x200F) {
        return true;
    }
    switch (cp) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '/':
        case '\\':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            return false;
    }
}

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isDeviceName(std::string_view name) {
    // Windows looks at the part before the first dot, blanks at its end ignored.
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    for (char& c : base) {
        c = asciiUpper(c);
    }
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (const std::string_view d : kPlain) {
        if (base == d) {
            return true;
        }
    }
    if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)) {
        return false;
    }
    const std::string_view tail = std::string_view(base).substr(3);
    // COM1..COM9 and the superscript digits Windows also reserves (¹ ² ³).
    return (tail.size() == 1 && tail[0] >= '0' && tail[0] <= '9') || tail == "\xC2\xB9" ||
           tail == "\xC2\xB2" || tail == "\xC2\xB3";
}

void trimEnd(std::string& s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '.')) {
        s.pop_back();
    }
}

}  // namespace

std::string SafeFileNames::Sanitize(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const Utf8Char c = decodeAt(name, i);
        if (!c.valid || forbidden(c.cp)) {
            out += '_';
        } else {
            out.append(name.substr(i, c.length));
        }
        i += c.length;
    }

    const auto first = out.find_first_not_of(' ');
    out.erase(0, first == std::string::npos ? out.size() : first);
    for (std::size_t i = 0; i < out.size() && out[i] == '.'; ++i) {
        out[i] = '_';
    }
    trimEnd(out);

    if (out.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes;
        while (cut > 0 && (static_cast<std::uint8_t>(out[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out.resize(cut);
        trimEnd(out);
    }
    if (out.empty()) {
        return "unnamed";
    }
    if (isDeviceName(out)) {
        out.insert(0, "_");
    }
    return out;
}

std::string SafeFileNames::foldCase(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const Utf8Char c = decodeAt(name, i);
        if (c.valid && c.cp >= 'A' && c.cp <= 'Z') {
            out += static_cast<char>(c.cp - 'A' + 'a');
        } else if (c.valid && c.cp >= 0xC0 && c.cp <= 0xDE && c.cp != 0xD7) {
            // Latin-1 capitals: two bytes C3 80..C3 9E fold to C3 A0..C3 BE.
            out += '\xC3';
            out += static_cast<char>(0x80 + (c.cp - 0xC0) + 0x20);
        } else {
            out.append(name.substr(i, c.length));
        }
        i += c.length;
    }
    return out;
}

void SafeFileNames::reserve(const std::string& fileName) {
    m_taken.insert(foldCase(fileName));
}

std::string SafeFileNames::unique(std::string_view name, const std::string& extension) {
    const std::string stem = Sanitize(name);
    std::string candidate = stem + extension;
    // Numbering goes on from where the same name stopped last time: a disk
    // holding thousands of one name would otherwise retry every number before.
    const std::string key = foldCase(candidate);
    int& next = m_nextNumber[key];
    if (next == 0) {
        next = 2;
    }
    while (m_taken.count(foldCase(candidate)) != 0) {
        candidate = stem + " (" + std::to_string(next++) + ")" + extension;
    }
    m_taken.insert(foldCase(candidate));
    return candidate;
}
