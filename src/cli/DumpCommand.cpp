// quillmar-cli dump IMAGE

#include <ostream>

#include "cli/Cli.h"
#include "core/Failure.h"
#include "disk/ImageFile.h"

namespace {

int runDump(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {}, {});
    if (parsed.positional.size() != 1) {
        throw UsageError("dump takes one IMAGE");
    }
    const LoadedDisk disk = loadDisk(parsed.positional[0], cli, false);
    std::string dump;
    try {
        dump = CatalogueDump(disk.path, disk.image);
    } catch (const Failure&) {
        throw CliFailure(disk.path + " is " + std::to_string(disk.image.bytes.size()) +
                         " bytes long, too short for the catalogue area (2048 bytes needed)");
    }
    std::string text;
    text.reserve(dump.size());
    for (std::size_t i = 0; i < dump.size(); ++i) {
        if (dump[i] == '\r' && i + 1 < dump.size() && dump[i + 1] == '\n') {
            continue;
        }
        text += dump[i];
    }
    cli.out << text;
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kDumpCommand{
    "dump", "dump IMAGE", "Print the catalogue area (bytes 0x100 to 0x7FF) as hexadecimal and text.",
    &runDump};
