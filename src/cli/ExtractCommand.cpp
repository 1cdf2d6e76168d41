// quillmar-cli extract IMAGE OUTDIR [--as tap|raw] [--force]

#include <filesystem>
#include <ostream>

#include "cli/Cli.h"
#include "core/Failure.h"
#include "core/FileIO.h"
#include "export/ExportFiles.h"
#include "export/SafeFileNames.h"
#include "export/SaveTAP.h"

namespace fs = std::filesystem;

namespace {

struct PlannedFile {
    std::size_t index = 0;
    std::string name;  // the entry's display name
    fs::path path;
    std::vector<std::uint8_t> bytes;
};

// The joined path must stay a direct child of the folder. SafeFileNames already
// guarantees that; this is the last line of defence should it ever not.
fs::path childOf(const fs::path& dir, const std::string& fileName) {
    fs::path p = dir / fs::path(fileName);
    if (p.parent_path() != dir || p.filename().string() != fileName || fileName == "." || fileName == "..") {
        throw CliFailure("refusing to write \"" + fileName + "\" outside " + dir.string());
    }
    return p;
}

int runExtract(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {"--force"}, {"--as"});
    if (parsed.positional.size() != 2) {
        throw UsageError("extract takes IMAGE and OUTDIR");
    }
    const std::string as = parsed.value("--as", "raw");
    if (as != "raw" && as != "tap") {
        throw UsageError("--as must be tap or raw, not \"" + as + "\"");
    }
    const bool force = parsed.has("--force");
    const LoadedDisk disk = loadDisk(parsed.positional[0], cli);
    fs::path dir = fs::path(parsed.positional[1]).lexically_normal();
    if (!dir.has_filename() && dir.has_relative_path()) {
        dir = dir.parent_path();  // "out/" names the folder "out"
    }

    std::error_code ec;
    if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
        throw CliFailure(dir.string() + " exists and is not a folder");
    }

    // Everything is planned and built before the first byte is written, so a
    // file that cannot be exported stops the whole run with nothing written.
    SafeFileNames names;
    std::vector<PlannedFile> plan;
    if (as == "tap") {
        PlannedFile tape;
        tape.name = disk.catalogue[0].Name;
        tape.path = childOf(dir, names.unique(disk.catalogue[0].Name, ".tap"));
        for (std::size_t i = 1; i < disk.catalogue.size(); ++i) {
            try {
                const std::vector<std::uint8_t> blocks = BuildTapBlocks(disk.catalogue[i]);
                tape.bytes.insert(tape.bytes.end(), blocks.begin(), blocks.end());
            } catch (const Failure& f) {
                throw CliFailure("entry " + std::to_string(i) + " [" + disk.catalogue[i].Name +
                                 "] cannot be written as a tape file: " + tapeRefusal(disk.catalogue[i], f) +
                                 "; nothing was written (--as raw extracts it)");
            }
        }
        plan.push_back(std::move(tape));
    } else {
        for (std::size_t i = 1; i < disk.catalogue.size(); ++i) {
            const CatalogueEntry& e = disk.catalogue[i];
            const char* ext = KindOf(e) == FileKind::Screen ? ".scr" : ".bin";
            plan.push_back({i, e.Name, childOf(dir, names.unique(e.Name, ext)), e.Data});
        }
    }

    // Every target is checked before the first file is written: one that may
    // not or cannot be replaced stops the run with nothing written.
    for (const PlannedFile& p : plan) {
        const std::string target = p.path.string();
        if (!force && fs::exists(fs::symlink_status(p.path, ec))) {
            throw CliFailure(target + " already exists; use --force to replace it (nothing was written)");
        }
        try {
            refuseUnwritableTarget(target);
        } catch (const CliFailure& e) {
            throw CliFailure(std::string(e.what()) + " (nothing was written)");
        }
    }

    fs::create_directories(dir, ec);
    if (ec) {
        throw CliFailure("cannot create " + dir.string() + ": " + ec.message());
    }
    std::string report;
    for (const PlannedFile& p : plan) {
        try {
            writeFileReplacing(p.path.string(), p.bytes);
        } catch (const Failure& f) {
            cli.out << report;
            throw writeFailure(p.path.string(), f);
        }
        if (as == "tap") {
            report += p.path.string() + "\n";
        } else {
            report += std::to_string(p.index) + '\t' + p.name + '\t' + p.path.string() + '\n';
        }
    }
    cli.out << report;
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kExtractCommand{
    "extract", "extract IMAGE OUTDIR [--as tap|raw] [--force]",
    "Write every file of the disk into OUTDIR: one raw file each (.scr for "
    "screens, .bin otherwise), or with "
    "--as tap one tape file of them all in catalogue order. Names are made "
    "safe; existing files need --force.",
    &runExtract};
