// quillmar-cli hex IMAGE INDEX

#include <ostream>

#include "bytes/ByteGrid.h"
#include "cli/Cli.h"

namespace {

int runHex(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {}, {});
    if (parsed.positional.size() != 2) {
        throw UsageError("hex takes IMAGE and INDEX");
    }
    const LoadedDisk disk = loadDisk(parsed.positional[0], cli);
    const ByteGrid grid(entryAt(disk, parsed.positional[1]));

    // Built as one text so a 64 KB file is a single write.
    const std::string text = grid.PrintText();
    cli.out << text;
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kHexCommand{
    "hex", "hex IMAGE INDEX",
    "Print a file's bytes as the byte viewer prints them: a header line, then one "
    "line per 16 bytes with address, hex and ASCII.",
    &runHex};
