// quillmar-cli scan FILE [--json]

#include <new>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Cli.h"
#include "core/Failure.h"
#include "open/FluxFiles.h"

namespace {

nlohmann::ordered_json scanJson(const flux::DecodedDisk& disk) {
    nlohmann::ordered_json tracks = nlohmann::ordered_json::array();
    for (const flux::DecodedSide& side : disk.sides) {
        nlohmann::ordered_json sectors = nlohmann::ordered_json::array();
        for (const flux::DecodedSector& s : side.decoded.sectors) {
            sectors.push_back(
                {{"id", s.sector}, {"size", 128 << std::min<int>(s.sizeCode, 6)}, {"ok", s.dataOk}});
        }
        tracks.push_back({{"cylinder", side.track}, {"head", side.head}, {"sectors", std::move(sectors)}});
    }
    return {{"format", disk.format}, {"revolutions", disk.revolutions}, {"tracks", std::move(tracks)}};
}

int runScan(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {"--json"}, {});
    if (parsed.positional.size() != 1) {
        throw UsageError("scan takes one FILE");
    }
    const std::string& path = parsed.positional[0];
    flux::DecodedDisk disk;
    try {
        const input::InputFiles input = readInput(path);
        if (flux::DetectFluxFormat(input) == flux::FluxFormat::None) {
            throw CliFailure(input.label + " is not a flux recording (SCP, HFE or KryoFlux stream)");
        }
        disk = flux::DecodeFluxDisk(flux::LoadFluxDisk(input));
    } catch (const Failure& f) {
        throw CliFailure("cannot read " + path + ": " + f.description());
    } catch (const std::bad_alloc&) {
        throw outOfMemory(path);
    }
    for (const std::string& warning : disk.warnings) {
        cli.err << "warning: " << warning << '\n';
    }
    if (parsed.has("--json")) {
        cli.out << scanJson(disk).dump(2) << '\n';
    } else {
        cli.out << flux::ScanText(disk);
    }
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kScanCommand{
    "scan", "scan FILE [--json]", "Show which sectors of a flux recording decode (JSON with --json).",
    &runScan};
