// quillmar-cli read -o OUT [--force] [--drive A] [--double-sided] [--single-step] [--filler 0x00|0xE5]
//                  [--sector-by-sector] [--tracks 40|80]
// quillmar-cli read --merge IMAGE [--drive A] [...]

#include <algorithm>
#include <ostream>

#include "cli/Cli.h"
#include "cli/DriveSession.h"
#include "core/FileIO.h"
#include "disk/SameDisk.h"
#include "disk/SectorMapFile.h"
#include "floppy/DiskReader.h"
#include "floppy/ReadSummary.h"

namespace {

int tracksFrom(const std::string& text) {
    if (text == "40" || text == "80") {
        return std::stoi(text);
    }
    throw UsageError("--tracks takes 40 or 80, not \"" + text + "\"");
}

// Sectors the drive never delivered: bad, or missing from a recording's map.
std::size_t countUnread(const std::optional<SectorMap>& map) {
    if (!map) {
        return 0;
    }
    return static_cast<std::size_t>(
        std::count_if(map->entries.begin(), map->entries.end(), [](const SectorStatus& e) {
            return e.state == SectorState::Bad || e.state == SectorState::Missing;
        }));
}

// What the words of the call ask for.
struct ReadRequest {
    std::string out;  // -o OUT, or IMAGE of --merge IMAGE
    bool merge = false;
    bool force = false;
    bool tracksGiven = false;
    bool sidesGiven = false;
    std::string driveText;
    ReadOptions options;
};

ReadRequest parseRead(const std::vector<std::string>& args) {
    const ParsedArgs parsed =
        parseArgs(args, {"--double-sided", "--single-step", "--sector-by-sector", "--force"},
                  {"-o", "--drive", "--filler", "--tracks", "--merge"});
    if (!parsed.positional.empty()) {
        throw UsageError("read takes no IMAGE; name the file to write with -o OUT");
    }
    ReadRequest request;
    request.merge = parsed.has("--merge");
    const std::string merge = parsed.value("--merge");
    if (request.merge && (merge.empty() || parsed.has("-o"))) {
        throw UsageError("--merge IMAGE reads again into IMAGE itself; it takes no -o OUT");
    }
    request.out = request.merge ? merge : parsed.value("-o");
    if (request.out.empty()) {
        throw UsageError("read needs -o OUT, the image file to write");
    }
    request.driveText = parsed.value("--drive", "A");
    if (!DiskReader::DriveNumber(request.driveText)) {
        throw UsageError(kDriveNotValidMessage);
    }
    // --merge replaces IMAGE on purpose; -o OUT never replaces a file unasked.
    request.force = parsed.has("--force") || request.merge;
    request.tracksGiven = parsed.has("--tracks");
    request.sidesGiven = parsed.has("--double-sided");
    ReadOptions& options = request.options;
    options.bDoubleSided = request.sidesGiven;
    options.bDoubleStep = !parsed.has("--single-step");
    if (parsed.has("--filler")) {
        options.FillerByte = fillerOption(parsed.value("--filler"));
    }
    options.bSectorBySector = parsed.has("--sector-by-sector");
    options.Tracks = tracksFrom(parsed.value("--tracks", "40"));
    return request;
}

// The image to merge into and its map, which says what to read again; the
// map knows the disk's shape, so options not given on the line follow it.
DiskImage loadForMerge(ReadRequest& request) {
    const std::string& path = request.out;
    DiskImage image;
    try {
        if (!fileExists(path)) {
            throw CliFailure("cannot open " + path + ": no such file");
        }
        image.bytes = readRegularFile(path);
    } catch (const Failure& f) {
        throw CliFailure("cannot merge into " + path + ": " + f.description());
    }
    try {
        image.sectorMap = LoadSectorMapBeside(path, image.bytes.size());
    } catch (const Failure& f) {
        throw CliFailure("the sector map beside " + path + " is damaged: " + f.description());
    }
    if (!image.sectorMap) {
        throw CliFailure("no sector map beside " + path + " (" + SectorMapPath(path) +
                         "); nothing to read again");
    }
    if (!request.tracksGiven) {
        request.options.Tracks = image.sectorMap->geometry.cylinders;
    }
    if (!request.sidesGiven) {
        request.options.bDoubleSided = image.sectorMap->geometry.heads == 2;
    }
    return image;
}

// Found out before the disk spins rather than after forty tracks.
DiskImage checkRead(ReadRequest& request) {
    DiskImage image;
    if (request.merge) {
        image = loadForMerge(request);
    }
    refuseImageTarget(request.out, request.force);
    return image;
}

// A read that did not reach its end, in words; nothing is written then.
void refuseUnpublished(const ReadReport& report, const ReadRequest& request, const DiskImage& image) {
    const std::string driveName = std::string(1, static_cast<char>('A' + report.drive)) + ":";
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
            throw CliFailure("read cancelled; " + request.out + " was not written");
        case ReadOutcome::NoMap:
            throw CliFailure(SectorMapPath(request.out) + " describes " +
                             std::to_string(image.sectorMap->geometry.cylinders) + " tracks of " +
                             std::to_string(image.sectorMap->geometry.heads) +
                             " sides and an image of its size; the options given do not");
        case ReadOutcome::Published:
            break;
    }
}

// Before a sector of the drive goes into IMAGE, the disk there must be the
// disk IMAGE was read from: a whole read, quietly, compared wherever both
// read good. Merging another disk's sectors would spoil IMAGE for good.
void refuseOtherDisk(DiskReader& reader, const ReadRequest& request, const DiskImage& image) {
    DiskImage inDrive;
    ReadHooks hooks;
    hooks.progress = [&](const ReadProgress&) {
        if (InterruptGuard::Interrupted()) {
            reader.Cancel();
        }
    };
    const ReadReport report = reader.ReadDisk(request.driveText, request.options, inDrive, hooks);
    refuseUnpublished(report, request, image);
    if (const auto differs = FirstDifferentSector(image, inDrive)) {
        throw CliFailure("the disk in the drive is not the disk of " + request.out + " (sector " +
                         std::to_string(differs->cylinder) + ":" + std::to_string(differs->head) + ":" +
                         std::to_string(differs->sector) + " differs); nothing was merged");
    }
}

ReadReport runDrive(const ReadRequest& request, DiskImage& image, CliContext& cli) {
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
        if (request.merge) {
            refuseOtherDisk(reader, request, image);
            report = reader.RetryBadSectors(request.driveText, request.options, image, hooks);
        } else {
            report = reader.ReadDisk(request.driveText, request.options, image, hooks);
        }
    }
    log.sayTraps(0, "");
    return report;
}

int runRead(const std::vector<std::string>& args, CliContext& cli) {
    ReadRequest request = parseRead(args);
    DiskImage image = checkRead(request);
    const std::size_t unreadBefore = countUnread(image.sectorMap);

    const ReadReport report = runDrive(request, image, cli);
    refuseUnpublished(report, request, image);

    const std::size_t unread = countUnread(image.sectorMap);
    if (request.merge) {
        cli.out << "Merge finished: " << unreadBefore - unread << " of " << unreadBefore
                << " bad sectors recovered" << std::endl;
    } else {
        cli.out << ReadSummary(report) << std::endl;
    }
    try {
        ReplaceImageAndMap(request.out, image.bytes, image.sectorMap);
    } catch (const Failure& f) {
        throw writeFailure(request.out, f);
    }
    if (const std::string line = sectorMapLine(request.out, image.sectorMap); !line.empty()) {
        cli.out << line << std::endl;
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
