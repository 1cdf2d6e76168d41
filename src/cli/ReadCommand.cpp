// quillmar-cli read -o OUT [--force] [--drive A] [--double-sided] [--single-step] [--filler 0x00|0xE5]
//                  [--sector-by-sector] [--tracks 40|80]
// quillmar-cli read --merge IMAGE [--drive A] [...]

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "cli/Cli.h"
#include "cli/DriveSession.h"
#include "core/FileIO.h"
#include "disk/SectorMapFile.h"
#include "floppy/DiskReader.h"
#include "floppy/ReadSummary.h"

namespace {

std::uint8_t fillerFrom(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (lower == "0x00") {
        return 0x00;
    }
    if (lower == "0xe5") {
        return 0xE5;
    }
    throw UsageError("--filler takes 0x00 or 0xE5, not \"" + text + "\"");
}

// Found out before the disk spins rather than after forty tracks. A good
// image already there is kept unless --force says to replace it.
void checkWritable(const std::string& out, bool force) {
    namespace fs = std::filesystem;
    refuseUnwritableTarget(out);
    std::error_code ec;
    if (!force && fs::exists(fs::symlink_status(out, ec))) {
        throw CliFailure(out + " already exists; use --force to replace it");
    }
    const fs::path parent = fs::path(out).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
        throw CliFailure("cannot write " + out + ": there is no folder " + parent.string());
    }
}

int tracksFrom(const std::string& text) {
    if (text == "40" || text == "80") {
        return std::stoi(text);
    }
    throw UsageError("--tracks takes 40 or 80, not \"" + text + "\"");
}

std::size_t countSectors(const std::optional<SectorMap>& map, SectorState state) {
    if (!map) {
        return 0;
    }
    return static_cast<std::size_t>(
        std::count_if(map->entries.begin(), map->entries.end(),
                      [state](const SectorStatus& e) { return e.state == state; }));
}

// The image to merge into and its map, which says what to read again.
DiskImage loadForMerge(const std::string& path) {
    DiskImage image;
    try {
        if (!fileExists(path)) {
            throw CliFailure("cannot open " + path + ": no such file");
        }
        image.bytes = readWholeFile(path);
        image.sectorMap = LoadSectorMapBeside(path, image.bytes.size());
    } catch (const Failure& f) {
        throw CliFailure("cannot merge into " + path + ": " + f.description());
    }
    if (!image.sectorMap) {
        throw CliFailure("no sector map beside " + path + " (" + SectorMapPath(path) +
                         "); nothing to read again");
    }
    return image;
}

int runRead(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed =
        parseArgs(args, {"--double-sided", "--single-step", "--sector-by-sector", "--force"},
                  {"-o", "--drive", "--filler", "--tracks", "--merge"});
    if (!parsed.positional.empty()) {
        throw UsageError("read takes no IMAGE; name the file to write with -o OUT");
    }
    const std::string merge = parsed.value("--merge");
    if (parsed.has("--merge") && (merge.empty() || parsed.has("-o"))) {
        throw UsageError("--merge IMAGE reads again into IMAGE itself; it takes no -o OUT");
    }
    const std::string out = parsed.has("--merge") ? merge : parsed.value("-o");
    if (out.empty()) {
        throw UsageError("read needs -o OUT, the image file to write");
    }
    const std::string driveText = parsed.value("--drive", "A");
    const auto drive = DiskReader::DriveNumber(driveText);
    if (!drive) {
        throw UsageError(kDriveNotValidMessage);
    }
    ReadOptions options;
    options.bDoubleSided = parsed.has("--double-sided");
    options.bDoubleStep = !parsed.has("--single-step");
    if (parsed.has("--filler")) {
        options.FillerByte = fillerFrom(parsed.value("--filler"));
    }
    options.bSectorBySector = parsed.has("--sector-by-sector");
    options.Tracks = tracksFrom(parsed.value("--tracks", "40"));
    DiskImage image;
    if (!merge.empty()) {
        image = loadForMerge(merge);
        // The map knows the disk's shape; options given on the line must agree with it.
        if (!parsed.has("--tracks")) {
            options.Tracks = image.sectorMap->geometry.cylinders;
        }
        if (!parsed.has("--double-sided")) {
            options.bDoubleSided = image.sectorMap->geometry.heads == 2;
        }
    }
    const std::size_t badBefore = countSectors(image.sectorMap, SectorState::Bad);
    // --merge replaces IMAGE on purpose; -o OUT never replaces a file unasked.
    checkWritable(out, parsed.has("--force") || !merge.empty());

    StderrLog log(cli.err);
    const std::unique_ptr<modFDRawCmd> driver = OpenDriver(log);

    NoQuestionsPrompter prompter;
    DiskReader reader(*driver, prompter);
    ReadHooks hooks;
    hooks.progress = [&](const ReadProgress& p) {
        cli.out << p.statusLine << std::endl;
        if (InterruptGuard::Interrupted()) {
            reader.Cancel();
        }
    };
    ReadReport report;
    {
        const InterruptGuard interrupt;
        report = merge.empty() ? reader.ReadDisk(driveText, options, image, hooks)
                               : reader.RetryBadSectors(driveText, options, image, hooks);
    }
    log.sayTraps(0, "");

    const std::string driveName = std::string(1, static_cast<char>('A' + *drive)) + ":";
    switch (report.outcome) {
        case ReadOutcome::InvalidDrive:
            throw UsageError(kDriveNotValidMessage);
        case ReadOutcome::NoFloppy:
            if (!report.sDeviceProblem.empty()) {
                throw CliFailure(report.sDeviceProblem);
            }
            throw CliFailure("drive " + driveName + " does not answer" +
                             (report.sSenseErrorText.empty() ? std::string(" (no such drive)")
                                                             : " (" + report.sSenseErrorText + ")"));
        case ReadOutcome::Canceled:
            throw CliFailure("read cancelled; " + out + " was not written");
        case ReadOutcome::NoMap:
            throw CliFailure(SectorMapPath(out) + " describes " +
                             std::to_string(image.sectorMap->geometry.cylinders) + " tracks of " +
                             std::to_string(image.sectorMap->geometry.heads) +
                             " sides and an image of its size; the options given do not");
        case ReadOutcome::Published:
            break;
    }
    const std::size_t bad = countSectors(image.sectorMap, SectorState::Bad);
    if (merge.empty()) {
        cli.out << ReadSummary(report) << std::endl;
    } else {
        cli.out << "Merge finished: " << badBefore - bad << " of " << badBefore << " bad sectors recovered"
                << std::endl;
    }
    try {
        writeFileReplacing(out, image.bytes);
        SaveSectorMapBeside(out, image.sectorMap);
    } catch (const Failure& f) {
        throw writeFailure(out, f);
    }
    if (image.sectorMap && !image.sectorMap->allGood()) {
        cli.out << "Sector map: " << SectorMapPath(out) << " (" << bad << " bad, "
                << countSectors(image.sectorMap, SectorState::Recovered) << " recovered)" << std::endl;
    }
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kReadCommand{
    "read",
    "read -o OUT|--merge IMAGE [--force] [--drive A] [--double-sided] [--single-step] [--filler 0x00|0xE5] "
    "[--sector-by-sector] [--tracks 40|80]",
    "Read a physical Opus disk track by track into the image file OUT (an existing OUT needs --force), or "
    "read again only the bad sectors of IMAGE's map into IMAGE.",
    &runRead};
