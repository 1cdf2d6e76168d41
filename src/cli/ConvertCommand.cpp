// quillmar-cli convert IN OUT [--force] [--filler 0x00|0xE5]

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>

#include "cli/Cli.h"
#include "core/AsciiCase.h"
#include "core/Failure.h"
#include "core/FileIO.h"
#include "disk/SectorMapFile.h"
#include "flux/Hfe.h"
#include "flux/Scp.h"
#include "open/FluxFiles.h"

namespace {

// The most an Opus disk holds: 80 cylinders, two sides.
constexpr std::size_t kLargestOpusImage = 4 * kNominalImageLength;

std::string lowerExtension(const std::string& path) {
    return asciiLower(std::filesystem::path(path).extension().string());
}

// The sector image with its shape and sector map, and the recording's flux
// when IN was one.
struct Source {
    std::vector<std::uint8_t> bytes;
    flux::DiskShape shape;
    std::optional<SectorMap> map;
    std::optional<flux::FluxDisk> recording;
};

Source loadSource(const std::string& in, std::uint8_t filler, CliContext& cli) {
    Source source;
    input::InputFiles input = readInput(in);
    if (flux::DetectFluxFormat(input) == flux::FluxFormat::None) {
        // The map travels with the image; a damaged one would leave OUT
        // looking clean, so it stops the conversion.
        DiskImage image = loadDisk(std::move(input), cli, false, DamagedMap::Fail).image;
        source.bytes = std::move(image.bytes);
        source.map = std::move(image.sectorMap);
        source.shape = source.map ? flux::DiskShape{source.map->geometry}
                                  : flux::OpusShapeForLength(source.bytes.size());
        return source;
    }
    try {
        source.recording = flux::LoadFluxDisk(input);
    } catch (const Failure& f) {
        throw CliFailure("cannot read " + in + ": " + f.description());
    }
    auto decoded = flux::BuildImage(flux::DecodeFluxDisk(*source.recording), filler);
    if (!decoded) {
        throw CliFailure("not one sector could be decoded from " + in);
    }
    if (decoded->unreadable > 0) {
        cli.err << "warning: " << flux::UnreadableSummary(*decoded) << '\n';
    }
    source.bytes = std::move(decoded->image.bytes);
    source.map = std::move(decoded->image.sectorMap);
    source.shape = decoded->shape;
    return source;
}

std::vector<std::uint8_t> scpFromImage(const Source& source) {
    const auto sides = flux::ImageToCells(source.bytes, source.shape, source.map);
    flux::FluxDisk disk;
    flux::EncodeOptions options;
    options.tickHz = 40'000'000.0;
    for (std::size_t i = 0; i < sides.size(); ++i) {
        const std::vector<std::vector<std::uint8_t>> one = {sides[i]};
        flux::FluxTrack track = flux::CellsToFlux(one, options);
        track.track = static_cast<int>(i) / source.shape.geometry.heads;
        track.head = static_cast<int>(i) % source.shape.geometry.heads;
        disk.tracks.push_back(std::move(track));
    }
    return flux::WriteScp(disk);
}

// OUT's bytes by its extension. A recording written from a sector image
// keeps its unreadable sectors unreadable (a wrong data CRC), so it needs no
// map beside it.
std::vector<std::uint8_t> outputBytes(const Source& source, const std::string& in, const std::string& ext) {
    if (ext != ".hfe" && ext != ".scp") {
        return source.bytes;  // Opus order and the plain image order are one and the same
    }
    if (ext == ".scp" && source.recording) {
        return flux::WriteScp(*source.recording);
    }
    if (!source.recording && source.bytes.size() > kLargestOpusImage) {
        throw CliFailure(in + " holds " + std::to_string(source.bytes.size()) +
                         " bytes, more than the largest Opus disk (" + std::to_string(kLargestOpusImage) +
                         "); nothing was written");
    }
    if (ext == ".scp") {
        return scpFromImage(source);
    }
    const auto sides = flux::ImageToCells(source.bytes, source.shape, source.map);
    return flux::WriteHfe(sides, source.shape.geometry.cylinders, source.shape.geometry.heads);
}

int runConvert(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {"--force"}, {"--filler"});
    if (parsed.positional.size() != 2) {
        throw UsageError("convert takes IN and OUT");
    }
    const std::string& in = parsed.positional[0];
    const std::string& out = parsed.positional[1];
    const std::uint8_t filler = fillerOption(parsed.value("--filler", "0xE5"));
    const std::string ext = lowerExtension(out);
    if (ext != ".opd" && ext != ".opu" && ext != ".img" && ext != ".hfe" && ext != ".scp") {
        throw UsageError("OUT must end in .opd, .opu, .img, .hfe or .scp");
    }
    refuseImageTarget(out, parsed.has("--force"));
    const Source source = loadSource(in, filler, cli);

    const bool flux = ext == ".hfe" || ext == ".scp";
    const std::optional<SectorMap> map = flux ? std::nullopt : source.map;
    try {
        ReplaceImageAndMap(out, outputBytes(source, in, ext), map);
    } catch (const Failure& f) {
        throw writeFailure(out, f);
    }
    if (const std::string line = sectorMapLine(out, map); !line.empty()) {
        cli.out << line << '\n';
    }
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kConvertCommand{
    "convert", "convert IN OUT [--force] [--filler 0x00|0xE5]",
    "Convert a disk image or flux recording to .opd/.opu, .img, .hfe or .scp (by OUT's extension).",
    &runConvert};
