// BASIC data -> program lines and variables, and the text decoders on the same
// bytes. Invariants: the split is deterministic and ends; a CreateVariable
// offset never points backwards; every listing
// line starts with its number's prefix.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "basic/BasicProgram.h"
#include "basic/clsBASICLine.h"
#include "basic/clsBASICVar.h"
#include "core/ZxText.h"

namespace {}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    NullLog log;

    const BasicProgram a = AnalyzeBlock(bytes, log);
    const BasicProgram b = AnalyzeBlock(bytes, log);
    if (a.m_colLines.size() != b.m_colLines.size() || a.m_colVariables.size() != b.m_colVariables.size()) {
        std::abort();
    }
    const auto rows = ShowVariables(a, log);
    if (rows.size() > a.m_colVariables.size()) {
        std::abort();
    }
    for (const bool expanded : {false, true}) {
        const auto lines = ListingLines(a, expanded);
        if (lines.size() != a.m_colLines.size()) {
            std::abort();
        }
        for (const std::string& line : lines) {
            if (line.size() < 5 || line.find('\n') != std::string::npos) {
                std::abort();
            }
        }
    }

    // One variable record straight from the input.
    clsBASICVar variable;
    std::int32_t offset = 0;
    if (variable.CreateVariable(bytes, offset, log)) {
        // A record's own length field decides where the next one starts, even
        // when its elements are cut short; it can never point backwards.
        if (offset < 2 || offset > 65535 + 4) {
            std::abort();
        }
    } else if (offset != 0) {
        std::abort();  // a refused record leaves the offset alone
    }

    // The text decoders over the whole input.
    clsBASICLine line;
    line.LineNumber(10);
    line.SetBytes(bytes);
    if (line.UnexpandedLine().rfind("  10 ", 0) != 0 || line.ExpandedLine().rfind("  10 ", 0) != 0) {
        std::abort();
    }
    const std::string text = ExpandZXText(bytes);
    if (text != ExpandZXText(bytes)) {
        std::abort();
    }
    const std::string number = FormatZXNumber(bytes.first(std::min<std::size_t>(size, 5)));
    if (number.empty() || number.size() > 16) {
        std::abort();
    }
    return 0;
}
