// quillmar-cli list IMAGE [--json]

#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Cli.h"
#include "disk/ListRows.h"

namespace {

std::string hexOf(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

int runList(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {"--json"}, {});
    if (parsed.positional.size() != 1) {
        throw UsageError("list takes one IMAGE");
    }
    const LoadedDisk disk = loadDisk(parsed.positional[0], cli);

    if (parsed.has("--json")) {
        nlohmann::ordered_json entries = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i < disk.catalogue.size(); ++i) {
            const CatalogueEntry& e = disk.catalogue[i];
            const ListRow row = MakeListRow(e, static_cast<int>(i));
            nlohmann::ordered_json j;
            j["index"] = i;
            j["kind"] = e.EntryKind;
            j["word0"] = e.Word0;
            j["word1"] = e.Word1;
            j["word2"] = e.Word2;
            j["raw_name_hex"] = hexOf(e.RawName);
            j["name"] = e.Name;
            j["type"] = e.Type;
            j["type_text"] = row.typeText;
            j["length"] = e.Length;
            j["param1"] = e.Param1;
            j["param2"] = e.Param2;
            j["columns"] = {row.parameter1, row.parameter2, row.parameter3};
            entries.push_back(std::move(j));
        }
        nlohmann::ordered_json doc;
        doc["disk"] = disk.catalogue[0].Name;
        doc["image_length"] = disk.image.bytes.size();
        doc["entries"] = std::move(entries);
        cli.out << doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
        return kExitOk;
    }

    cli.out << "Disk: " << disk.catalogue[0].Name << '\n';
    for (std::size_t i = 1; i < disk.catalogue.size(); ++i) {
        const ListRow row = MakeListRow(disk.catalogue[i], static_cast<int>(i));
        cli.out << i << '\t' << row.text << '\t' << row.typeText << '\t' << row.parameter1 << '\t'
                << row.parameter2 << '\t' << row.parameter3 << '\n';
    }
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kListCommand{
    "list", "list IMAGE [--json]", "List the disk's name and its files (JSON with --json).", &runList};
