// quillmar-cli check IMAGE

#include <ostream>

#include "cli/Cli.h"
#include "disk/FilesHit.h"
#include "disk/SectorMapFile.h"

namespace {

// Exit 1 says "something is damaged" the way diff says "something differs",
// so scripts can sort a shelf of images without reading the lines.
int runCheck(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {}, {});
    if (parsed.positional.size() != 1) {
        throw UsageError("check takes one IMAGE");
    }
    const LoadedDisk disk = loadDisk(parsed.positional[0], cli, false, DamagedMap::Fail);
    if (!disk.image.sectorMap) {
        cli.err << "note: no sector map beside " << disk.path << " (" << SectorMapPath(disk.path)
                << "); no sector is known to be bad\n";
        return kExitOk;
    }
    // A damaged catalogue still names the files it reached; the rest is lost anyway.
    Catalogue catalogue;
    StderrLog log(cli.err);
    (void)GetDiskFiles(disk.image, catalogue, log);
    const std::vector<HitFile> hits = FilesHit(catalogue, *disk.image.sectorMap);
    for (const HitFile& hit : hits) {
        cli.out << hit.index << '\t' << hit.name << '\t' << SectorListText(hit.badSectors) << '\n';
    }
    return hits.empty() ? kExitOk : kExitFailed;
}

}  // namespace

extern constinit const CommandInfo kCheckCommand{
    "check", "check IMAGE",
    "List the files hit by the bad sectors of the map beside IMAGE (exit 1 when any is hit).", &runCheck};
