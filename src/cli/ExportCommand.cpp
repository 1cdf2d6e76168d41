// quillmar-cli export IMAGE INDEX OUT [--expanded] [--attr on|off] [--zoom 1|2|3] [--force] [--append]

#include <filesystem>
#include <ostream>

#include "basic/BasicProgram.h"
#include "cli/Cli.h"
#include "core/Failure.h"
#include "core/FileIO.h"
#include "export/ExportFiles.h"
#include "export/ImageWriters.h"
#include "export/SaveTAP.h"
#include "export/SaveTXT.h"
#include "screen/ScreenRenderer.h"

namespace {

struct ExportOptions {
    bool expanded = false;
    bool attr = true;
    int zoom = 1;
    bool force = false;
    bool append = false;
};

// Options that mean nothing for the chosen kind of file are refused rather
// than silently ignored, so a typo in a script shows up.
void refuseOptions(const ParsedArgs& parsed, const std::vector<std::string>& names, const std::string& ext) {
    for (const std::string& n : names) {
        if (parsed.has(n)) {
            throw UsageError(n + " does not apply to ." + ext + " files");
        }
    }
}

ExportOptions readOptions(const ParsedArgs& parsed, const std::string& ext) {
    ExportOptions o;
    o.expanded = parsed.has("--expanded");
    o.force = parsed.has("--force");
    o.append = parsed.has("--append");
    const std::string attr = parsed.value("--attr", "on");
    if (attr != "on" && attr != "off") {
        throw UsageError("--attr must be on or off, not \"" + attr + "\"");
    }
    o.attr = attr == "on";
    const std::string zoom = parsed.value("--zoom", "1");
    if (zoom != "1" && zoom != "2" && zoom != "3") {
        throw UsageError("--zoom must be 1, 2 or 3, not \"" + zoom + "\"");
    }
    o.zoom = zoom[0] - '0';

    if (ext == "TAP") {
        refuseOptions(parsed, {"--expanded", "--attr", "--zoom", "--append"}, "tap");
    } else if (ext == "SCR" || ext == "BIN") {
        refuseOptions(parsed, {"--expanded", "--attr", "--zoom", "--append"}, ext == "SCR" ? "scr" : "bin");
    } else if (ext == "BMP" || ext == "PNG") {
        refuseOptions(parsed, {"--expanded", "--force", "--append"}, ext == "BMP" ? "bmp" : "png");
    } else if (ext == "TXT") {
        refuseOptions(parsed, {"--attr", "--zoom"}, "txt");
        if (o.force && o.append) {
            throw UsageError("--force and --append cannot be used together");
        }
    }
    return o;
}

// A .tap file grows by appending, so whatever is there already must be a tape:
// anything else is left alone unless --force starts a new tape over it.
void exportTap(const CatalogueEntry& entry, const std::string& out, const std::string& index,
               const ExportOptions& o) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = BuildTapBlocks(entry);
    } catch (const Failure& f) {
        throw CliFailure("entry " + index + " cannot be written as a tape file: " + tapeRefusal(entry, f) +
                         "; nothing was written");
    }
    refuseUnwritableTarget(out);
    if (o.force) {
        writeFileReplacing(out, bytes);
        return;
    }
    if (fileExists(out)) {
        if (const auto damage = TapeDamage(readWholeFile(out))) {
            throw CliFailure(out + " is not a tape file (" + *damage +
                             "); nothing was written (--force starts a new tape file)");
        }
    }
    appendFileSafely(out, bytes);
}

void exportRaw(const CatalogueEntry& entry, const std::string& out, const ExportOptions& o) {
    if (fileExists(out) && !o.force) {
        throw CliFailure(out + " already exists; use --force to replace it");
    }
    refuseUnwritableTarget(out);
    writeFileReplacing(out, entry.Data);
}

void exportPicture(const CatalogueEntry& entry, const std::string& out, const std::string& ext,
                   const ExportOptions& o) {
    ScreenRenderer renderer;
    if (const auto refusal = ScreenRenderer::ScreenDataRefusal(entry.Data)) {
        throw CliFailure(std::string(kCannotRenderMessage) + " " + *refusal);
    }
    renderer.setScreenData(entry.Data);
    renderer.setUseATTR(o.attr);
    const RgbPicture picture = renderer.render(o.zoom, ScreenRenderer::FlashPhase::Steady);
    refuseUnwritableTarget(out);
    if (ext == "BMP") {
        WriteBMP(out, picture);
    } else {
        WritePNG(out, picture);
    }
}

// Any file lists as BASIC, as the viewer's View As allows; damage shows up as
// warnings and the lines reached are still written.
void exportListing(const CatalogueEntry& entry, const std::string& out, const ExportOptions& o,
                   CliContext& cli) {
    if (fileExists(out) && !o.append && !o.force) {
        throw CliFailure(out + " already exists; use --append to add the listing or --force to replace it");
    }
    StderrLog log(cli.err);
    const BasicProgram program = AnalyzeBlock(entry.Data, log);
    log.sayTraps(program.m_colLines.size(), "lines");
    const std::string text = ListingFileText(ListingLines(program, o.expanded));
    refuseUnwritableTarget(out);
    if (o.append) {
        appendFileSafely(out, text);
    } else {
        writeFileReplacing(out, text);
    }
}

int runExport(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {"--expanded", "--force", "--append"}, {"--attr", "--zoom"});
    if (parsed.positional.size() != 3) {
        throw UsageError("export takes IMAGE, INDEX and OUT");
    }
    const std::string& index = parsed.positional[1];
    const std::string& out = parsed.positional[2];
    // The extension is the file name's own; a dot in a folder name is not one.
    const std::string fileName = std::filesystem::path(out).filename().string();
    if (fileName.find('.') == std::string::npos) {
        throw CliFailure(out + " has no extension; use .tap, .txt, .scr, .bmp, .png or .bin");
    }
    const std::string ext = SaveExtension(fileName);
    const bool known =
        ext == "TAP" || ext == "SCR" || ext == "BIN" || ext == "BMP" || ext == "PNG" || ext == "TXT";
    if (!known) {
        throw CliFailure(ExtensionNotRecognizedMessage(ext));
    }
    const ExportOptions o = readOptions(parsed, ext);
    const LoadedDisk disk = loadDisk(parsed.positional[0], cli);
    const CatalogueEntry& entry = entryAt(disk, index);

    try {
        if (ext == "TAP") {
            exportTap(entry, out, index, o);
        } else if (ext == "SCR" || ext == "BIN") {
            exportRaw(entry, out, o);
        } else if (ext == "BMP" || ext == "PNG") {
            exportPicture(entry, out, ext, o);
        } else {
            exportListing(entry, out, o, cli);
        }
    } catch (const Failure& f) {
        throw writeFailure(out, f);
    }
    cli.out << SavedMessage(out) << '\n';
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kExportCommand{
    "export", "export IMAGE INDEX OUT [--expanded] [--attr on|off] [--zoom 1|2|3] [--force] [--append]",
    "Export a file by OUT's extension: .tap appends to a tape file (--force starts a new one), .scr/.bin "
    "the raw bytes, .bmp/.png the screen picture, .txt the BASIC listing.",
    &runExport};
