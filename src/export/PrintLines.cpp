#include "export/PrintLines.h"

std::vector<std::string> BasicPrintLines(const std::vector<std::string>& listingLines,
                                         const std::vector<VariablePrintRow>& variables) {
    std::vector<std::string> out;
    out.reserve(listingLines.size() + variables.size() + 2);
    out.emplace_back("PROGRAM------------------------");
    out.insert(out.end(), listingLines.begin(), listingLines.end());
    out.emplace_back("\r\nVARIABLES----------------------");
    for (const VariablePrintRow& v : variables) {
        out.push_back(v.name + " - " + v.type + " - " + v.values);
    }
    return out;
}

std::string PrintSubtitle(long long length) {
    return std::to_string(length) + " bytes";
}
