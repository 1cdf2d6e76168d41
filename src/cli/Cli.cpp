#include "cli/Cli.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "cli/FluxOpen.h"
#include "core/FileIO.h"
#include "core/Prompter.h"
#include "disk/ImageFile.h"

namespace {

std::vector<CommandInfo>& registry() {
    static std::vector<CommandInfo> commands;
    return commands;
}

// The command line asks nobody: the one question loading can ask (a file that
// is not 184,320 bytes long) is answered Yes after a warning of our own.
class AnsweringPrompter : public Prompter {
public:
    MsgAnswer message(const std::string&, const std::string&, MsgIcon, MsgButtons buttons) override {
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Yes;
    }
};

}  // namespace

CommandRegistration::CommandRegistration(const CommandInfo& info) {
    auto& commands = registry();
    commands.push_back(info);
    std::sort(commands.begin(), commands.end(),
              [](const CommandInfo& a, const CommandInfo& b) { return std::string(a.name) < b.name; });
}

const std::vector<CommandInfo>& registeredCommands() {
    return registry();
}

bool ParsedArgs::has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::string ParsedArgs::value(const std::string& name, const std::string& fallback) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->first == name) {
            return it->second;
        }
    }
    return fallback;
}

ParsedArgs parseArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags,
                     const std::vector<std::string>& valueOptions) {
    ParsedArgs parsed;
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositional || a.size() < 2 || a[0] != '-') {
            parsed.positional.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = a;
        std::string value;
        bool inlineValue = false;
        const auto eq = a.find('=');
        if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        if (std::find(flags.begin(), flags.end(), name) != flags.end() && !inlineValue) {
            parsed.options.emplace_back(name, "");
        } else if (std::find(valueOptions.begin(), valueOptions.end(), name) != valueOptions.end()) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    throw UsageError("option " + name + " needs a value");
                }
                value = args[++i];
            }
            parsed.options.emplace_back(name, value);
        } else {
            throw UsageError("unknown option " + a);
        }
    }
    return parsed;
}

bool StderrLog::LogThis(const std::string& sWhat, int eSeverity, bool) {
    if (eSeverity >= kSeverityERROR && eSeverity <= kSeverityWARNING) {
        const auto eol = sWhat.find_first_of("\r\n");
        m_err << "warning: " << sWhat.substr(0, eol) << '\n';
    }
    return true;
}

// An image file's bytes, with the warnings of an odd length.
static void loadImageBytes(const std::string& path, DiskImage& image, CliContext& cli) {
    const auto length = fileLength(path);
    if (!length) {
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            throw CliFailure("cannot open " + path + ": it is a folder");
        }
        throw CliFailure("cannot open " + path + ": no such file");
    }
    if (*length == 0) {
        throw CliFailure(path + " is empty");
    }
    if (!IsOpusImageLength(*length)) {
        cli.err << "warning: " << path << " is " << *length << " bytes long, not " << kNominalImageLength
                << "; it may not be an Opus Discovery disk image\n";
    }
    AnsweringPrompter prompter;
    StderrLog log(cli.err);
    LoadImageFile(path, image, prompter, log);
}

LoadedDisk loadDisk(const std::string& path, CliContext& cli, bool decodeCatalogue) {
    LoadedDisk disk;
    disk.path = path;
    if (!loadFluxRecording(path, disk.image, cli)) {
        loadImageBytes(path, disk.image, cli);
    }
    StderrLog log(cli.err);
    if (disk.image.bytes.empty()) {
        throw CliFailure("cannot read " + path);
    }
    if (decodeCatalogue) {
        disk.catalogueDecoded = GetDiskFiles(disk.image, disk.catalogue, log);
        if (!disk.catalogueDecoded) {
            throw CliFailure("no catalogue entry could be decoded from " + path);
        }
    }
    return disk;
}

const CatalogueEntry& entryAt(const LoadedDisk& disk, const std::string& indexText) {
    const bool digits =
        !indexText.empty() && indexText.size() <= 9 &&
        std::all_of(indexText.begin(), indexText.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        throw UsageError("INDEX must be a catalogue entry number, not \"" + indexText + "\"");
    }
    const auto index = static_cast<std::size_t>(std::stoul(indexText));
    if (index >= disk.catalogue.size()) {
        throw CliFailure("entry " + indexText + " is outside the catalogue of " + disk.path +
                         " (entries 0 to " + std::to_string(disk.catalogue.size() - 1) + ")");
    }
    return disk.catalogue[index];
}
