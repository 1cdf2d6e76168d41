#pragma once

#include <string>
#include <vector>

// What the viewers hand to PrintCollection.

// One saved variable as the BASIC viewer lists it.
struct VariablePrintRow {
    std::string name;    // VariableName
    std::string type;    // VariableTypeString
    std::string values;  // VariableValues
};

// The BASIC viewer's print-out: "PROGRAM" and its rule, the displayed program
// lines, then one element holding CR LF and "VARIABLES" with its rule (so a
// blank line precedes it), then "name - type - values" for each variable.
// The heading is there even when the program saved no variables.
[[nodiscard]] std::vector<std::string> BasicPrintLines(const std::vector<std::string>& listingLines,
                                                       const std::vector<VariablePrintRow>& variables);

// The footer's subtitle for a file of this many bytes: "6912 bytes".
[[nodiscard]] std::string PrintSubtitle(long long length);
