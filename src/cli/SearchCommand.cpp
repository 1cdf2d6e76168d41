// quillmar-cli search IMAGE INDEX [--type text|dec|hex] NEEDLE

#include <ostream>

#include "bytes/ByteSearch.h"
#include "cli/Cli.h"

namespace {

std::int32_t searchTypeOf(const std::string& word) {
    if (word == "text") {
        return kSearchText;
    }
    if (word == "dec") {
        return kSearchDecimal;
    }
    if (word == "hex") {
        return kSearchHex;
    }
    throw UsageError("--type must be text, dec or hex, not \"" + word + "\"");
}

int runSearch(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {}, {"--type"});
    if (parsed.positional.size() != 3) {
        throw UsageError("search takes IMAGE, INDEX and NEEDLE");
    }
    const std::int32_t type = searchTypeOf(parsed.value("--type", "text"));
    const std::string needle = SearchString(parsed.positional[2], type);
    if (needle.empty()) {
        throw UsageError("NEEDLE is empty; give the text or bytes to look for");
    }
    const LoadedDisk disk = loadDisk(parsed.positional[0], cli);
    const CatalogueEntry& entry = entryAt(disk, parsed.positional[1]);

    // The viewer's search repeated with the same needle: each round starts after
    // the last match, and the first miss ends it.
    const std::string form = SearchForm(entry.Data, type);
    ByteSearch search;
    std::string text;
    for (;;) {
        const ByteSearch::Result r = search.SearchIn(form, entry.Data.size(), type, needle);
        if (!r.found) {
            break;
        }
        text += std::to_string(r.byteOffset);
        text += '\n';
    }
    cli.out << text;
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kSearchCommand{
    "search", "search IMAGE INDEX [--type text|dec|hex] NEEDLE",
    "Print the byte offset of every match the byte viewer's search finds when repeated (text is "
    "case-insensitive; dec matches \"062 000 \", hex \"3E 00 \").",
    &runSearch};
