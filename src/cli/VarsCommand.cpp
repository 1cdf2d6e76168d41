// quillmar-cli vars IMAGE INDEX

#include <ostream>

#include "basic/BasicProgram.h"
#include "cli/Cli.h"

namespace {

// A long variable name keeps whatever seven-bit codes its record holds; a
// damaged one could hold a tab or a line break and break the row apart.
std::string printable(std::string text) {
    for (char& c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            c = '?';
        }
    }
    return text;
}

int runVars(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {}, {});
    if (parsed.positional.size() != 2) {
        throw UsageError("vars takes an IMAGE and an INDEX");
    }
    const LoadedDisk disk = loadDisk(parsed.positional[0], cli);
    const CatalogueEntry& entry = entryAt(disk, parsed.positional[1]);

    warnIfNotBasic(entry, parsed.positional[1], cli);
    StderrLog log(cli.err);
    const BasicProgram program = AnalyzeBlock(entry.Data, log);
    const std::vector<clsBASICVar> variables = ShowVariables(program, log);
    log.sayTraps(variables.size(), "variables");
    std::string text;
    for (const clsBASICVar& variable : variables) {
        text += printable(variable.VariableName());
        text += '\t';
        text += variable.VariableTypeString();
        text += '\t';
        text += printable(variable.VariableValues());
        text += '\n';
    }
    cli.out << text;
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kVarsCommand{
    "vars", "vars IMAGE INDEX",
    "List the saved variables of catalogue entry INDEX: name, type and contents, "
    "tab-separated.",
    &runVars};
