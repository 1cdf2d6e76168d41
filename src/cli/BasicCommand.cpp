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
    StderrLog log(cli.err);
    const BasicProgram program = AnalyzeBlock(entry.Data, log);
    std::string text;
    for (const std::string& line : ListingLines(program, parsed.has("--expanded"))) {
        text += line;
        text += '\n';
    }
    cli.out << text;
    return kExitOk;
}

const CommandRegistration kBasic{
    {"basic", "basic IMAGE INDEX [--expanded]",
     "List catalogue entry INDEX as a BASIC program (control codes in braces with "
     "--expanded).",
     &runBasic}};

}  // namespace
