// quillmar-cli hex IMAGE INDEX

#include <ostream>
#include <utility>

#include "bytes/ByteGrid.h"
#include "cli/Cli.h"

namespace {

int runHex(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {}, {});
    if (parsed.positional.size() != 2) {
        throw UsageError("hex takes IMAGE and INDEX");
    }
    LoadedDisk disk = loadDisk(parsed.positional[0], cli);
    CatalogueEntry& entry = entryAt(disk, parsed.positional[1]);
    const int base = ByteGrid::AddressBase(entry);
    const ByteGrid grid(std::move(entry.Data), base);

    // Written in pieces of 1,024 rows through one buffer: the same memory
    // pages serve every piece, and a piece is large enough to go out in one
    // write.
    constexpr int kRowsPerPiece = 1024;
    std::string text;
    text.reserve(static_cast<std::size_t>(kRowsPerPiece) * (ByteGrid::kPrintLineLength + 1));
    for (int first = 0; first <= grid.dataRows(); first += kRowsPerPiece) {
        text.clear();
        grid.appendPrintText(text, first, first + kRowsPerPiece - 1);
        cli.out << text;
    }
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kHexCommand{
    "hex", "hex IMAGE INDEX",
    "Print a file's bytes as the byte viewer prints them: a header line, then one "
    "line per 16 bytes with address, hex and ASCII.",
    &runHex};
