// quillmar-cli convert IN OUT [--force] [--filler 0x00|0xE5]

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>

#include "cli/Cli.h"
#include "core/AsciiCase.h"
#include "core/Failure.h"
#include "core/FileIO.h"
#include "flux/Hfe.h"
#include "flux/Scp.h"
#include "open/FluxFiles.h"

namespace {

std::string lowerExtension(const std::string& path) {
    return asciiLower(std::filesystem::path(path).extension().string());
}

std::uint8_t parseFiller(const std::string& text) {
    if (text == "0x00" || text == "0X00")
        return 0x00;
    if (text == "0xE5" || text == "0xe5" || text == "0XE5")
        return 0xE5;
    throw UsageError("--filler must be 0x00 or 0xE5, not \"" + text + "\"");
}

// The sector image with its shape, and the recording's flux when IN was one.
struct Source {
    std::vector<std::uint8_t> bytes;
    flux::DiskShape shape;
    std::optional<flux::FluxDisk> recording;
};

Source loadSource(const std::string& in, std::uint8_t filler, CliContext& cli) {
    Source source;
    if (flux::DetectFluxFormat(in) == flux::FluxFormat::None) {
        source.bytes = loadDisk(in, cli, false).image.bytes;
        source.shape = flux::OpusShapeForLength(source.bytes.size());
        return source;
    }
    try {
        source.recording = flux::LoadFluxFile(in);
    } catch (const Failure& f) {
        throw CliFailure("cannot read " + in + ": " + f.description());
    }
    const auto decoded = flux::BuildImage(flux::DecodeFluxDisk(*source.recording), filler);
    if (!decoded) {
        throw CliFailure("not one sector could be decoded from " + in);
    }
    if (decoded->unreadable > 0) {
        cli.err << "warning: " << flux::UnreadableSummary(*decoded) << '\n';
    }
    source.bytes = decoded->image.bytes;
    source.shape = decoded->shape;
    return source;
}

std::vector<std::uint8_t> scpFromImage(const Source& source) {
    const auto sides = flux::ImageToCells(source.bytes, source.shape);
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

int runConvert(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {"--force"}, {"--filler"});
    if (parsed.positional.size() != 2) {
        throw UsageError("convert takes IN and OUT");
    }
    const std::string& in = parsed.positional[0];
    const std::string& out = parsed.positional[1];
    const std::uint8_t filler = parseFiller(parsed.value("--filler", "0xE5"));
    const std::string ext = lowerExtension(out);
    if (ext != ".opd" && ext != ".opu" && ext != ".img" && ext != ".hfe" && ext != ".scp") {
        throw UsageError("OUT must end in .opd, .opu, .img, .hfe or .scp");
    }
    std::error_code ec;
    if (std::filesystem::exists(out, ec) && !parsed.has("--force")) {
        throw CliFailure(out + " exists; add --force to replace it");
    }
    const Source source = loadSource(in, filler, cli);

    std::vector<std::uint8_t> bytes;
    if (ext == ".hfe") {
        const auto sides = flux::ImageToCells(source.bytes, source.shape);
        bytes = flux::WriteHfe(sides, source.shape.geometry.cylinders, source.shape.geometry.heads);
    } else if (ext == ".scp") {
        bytes = source.recording ? flux::WriteScp(*source.recording) : scpFromImage(source);
    } else {
        bytes = source.bytes;  // Opus order and the plain image order are one and the same
    }
    try {
        writeFileReplacing(out, bytes);
    } catch (const Failure& f) {
        throw CliFailure("cannot write " + out + ": " + f.description());
    }
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kConvertCommand{
    "convert", "convert IN OUT [--force] [--filler 0x00|0xE5]",
    "Convert a disk image or flux recording to .opd/.opu, .img, .hfe or .scp (by OUT's extension).",
    &runConvert};
