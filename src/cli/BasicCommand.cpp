// quillmar-cli basic IMAGE INDEX [--expanded]

#include <ostream>

#include "basic/BasicProgram.h"
#include "cli/Cli.h"

namespace {

int runBasic(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {"--expanded"}, {});
    if (parsed.positional.size() != 2) {
        throw UsageError("basic takes an IMAGE and an INDEX");
    }
    const LoadedDisk disk = loadDisk(parsed.positional[0], cli);
    const CatalogueEntry& entry = entryAt(disk, parsed.positional[1]);

    // Any file lists as BASIC, as in the viewer; damage shows up as warnings
    // and the lines reached are still printed.
    warnIfNotBasic(entry, parsed.positional[1], cli);
    StderrLog log(cli.err);
    const BasicProgram program = AnalyzeBlock(entry.Data, log);
    log.sayTraps(program.m_colLines.size(), "lines");
    const bool expanded = parsed.has("--expanded");
    std::size_t size = 0;
    for (const KeyedLine& keyed : program.m_colLines) {
        size += (expanded ? keyed.line.ExpandedLine() : keyed.line.UnexpandedLine()).size() + 1;
    }
    std::string text;
    text.reserve(size);
    for (const KeyedLine& keyed : program.m_colLines) {
        text += expanded ? keyed.line.ExpandedLine() : keyed.line.UnexpandedLine();
        text += '\n';
    }
    cli.out << text;
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kBasicCommand{
    "basic", "basic IMAGE INDEX [--expanded]",
    "List catalogue entry INDEX as a BASIC program (control codes in braces with "
    "--expanded).",
    &runBasic};
