#include "basic/clsBASICLine.h"

#include "core/ZxText.h"

namespace {

bool endsInLetterOrDigit(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    const char c = text.back();
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "  10 ": the number and a space, right-aligned in five columns; longer
// numbers keep only their last five characters, as the listing always has.
std::string linePrefix(std::int32_t lineNumber) {
    const std::string padded = "     " + std::to_string(lineNumber) + " ";
    return padded.substr(padded.size() - 5);
}

}  // namespace

void clsBASICLine::SetBytes(std::span<const std::uint8_t> sBytes) {
    m_expanded = linePrefix(m_lineNumber);
    m_unexpanded = m_expanded;
    m_expanded.reserve(m_expanded.size() + sBytes.size() + sBytes.size() / 2);
    m_unexpanded.reserve(m_unexpanded.size() + sBytes.size());
    std::size_t p = 0;
    while (p < sBytes.size()) {
        const ZxCodeSize size = SizeOfZxCode(sBytes, p);
        if (size.cut) {
            return;
        }
        if (size.spacedKeyword) {
            // Each text decides on its own: after "{INK 2}" the expanded text
            // ends in a brace while the unexpanded one may end in a letter.
            if (endsInLetterOrDigit(m_expanded)) {
                m_expanded += ' ';
            }
            if (endsInLetterOrDigit(m_unexpanded)) {
                m_unexpanded += ' ';
            }
        }
        AppendZxExpanded(m_expanded, sBytes, p);
        AppendZxUnexpanded(m_unexpanded, sBytes, p);
        p += size.used;
    }
}

void clsBASICLine::SetBytes(std::string_view sBytes) {
    SetBytes(asByteSpan(sBytes));
}
