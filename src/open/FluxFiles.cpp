#include "open/FluxFiles.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "disk/ImageFile.h"
#include "flux/Hfe.h"
#include "flux/KryoFlux.h"
#include "flux/Scp.h"

namespace flux {

namespace fs = std::filesystem;

namespace {

constexpr SectorGeometry kOpusSides{};  // 18 sectors of 256 bytes per track side

std::string Unreadable(const std::string& name, const std::string& reason) {
    return name + " is not a readable stream file (" + reason + "); its track side is missing";
}

// Every stream file of the set that reads, each under the track side its
// name gives (a lone stream file without such a name is track 0 side 0).
FluxDisk LoadKryoFluxSet(const input::InputFiles& input) {
    FluxDisk disk;
    disk.format = "kryoflux";
    std::string firstReason;
    for (const input::InputFile& file : input.files) {
        const auto name = input::ParseStreamName(fs::path(file.name).filename().string());
        std::optional<std::string> problem;
        if (!file.problem.empty()) {
            problem = file.problem;
        } else if (!(problem = KryoFluxStreamProblem(file.bytes))) {
            try {
                FluxTrack track = ReadKryoFluxStream(file.bytes, name ? name->track : 0,
                                                     name ? name->head : 0, &disk.warnings);
                if (track.intervals.empty()) {
                    problem = "it holds no flux";
                } else {
                    disk.revolutions =
                        std::max(disk.revolutions, static_cast<int>(track.indexTicks.size()) - 1);
                    disk.tracks.push_back(std::move(track));
                }
            } catch (const Failure& f) {
                problem = f.description();
            }
        }
        if (problem) {
            disk.warnings.push_back(Unreadable(file.name, *problem));
            if (firstReason.empty()) {
                firstReason = *problem;
            }
        }
    }
    if (disk.tracks.empty()) {
        // A lone file's own reason says it all; a set's names its first.
        throw Failure(failure::TypeMismatch, input.files.size() == 1
                                                 ? firstReason
                                                 : "not one of its " + std::to_string(input.files.size()) +
                                                       " stream files is readable (" + input.files[0].name +
                                                       ": " + firstReason + ")");
    }
    std::stable_sort(disk.tracks.begin(), disk.tracks.end(), [](const FluxTrack& a, const FluxTrack& b) {
        return std::tie(a.track, a.head) < std::tie(b.track, b.head);
    });
    // Two names for one track side (track1.0.raw beside track01.0.raw): the first is read.
    disk.tracks.erase(std::unique(disk.tracks.begin(), disk.tracks.end(),
                                  [](const FluxTrack& a, const FluxTrack& b) {
                                      return a.track == b.track && a.head == b.head;
                                  }),
                      disk.tracks.end());
    return disk;
}

}  // namespace

FluxFormat DetectFluxFormat(const input::InputFiles& input) {
    if (input.container) {
        return FluxFormat::KryoFlux;
    }
    if (input.files.empty()) {
        return FluxFormat::None;
    }
    return DetectFluxFormat(input.files[0].bytes, input.files[0].name);
}

FluxDisk LoadFluxDisk(const input::InputFiles& input) {
    switch (DetectFluxFormat(input)) {
        case FluxFormat::Scp:
            return ReadScp(input.files[0].bytes);
        case FluxFormat::Hfe:
            return ReadHfe(input.files[0].bytes);
        case FluxFormat::KryoFlux:
            return LoadKryoFluxSet(input);
        case FluxFormat::None:
            break;
    }
    throw Failure(failure::TypeMismatch, input.label + " is not a flux recording");
}

DecodedRecording DecodeRecording(const input::InputFiles& input, std::uint8_t filler,
                                 const DecodeProgress& progress) {
    const DecodedDisk disk = DecodeFluxDisk(LoadFluxDisk(input), progress);
    std::optional<DecodedImage> decoded = BuildImage(disk, filler);
    if (!decoded) {
        throw Failure(failure::DeviceIO, "not one sector could be decoded from " + input.label);
    }
    return {std::move(*decoded), disk.warnings};
}

std::vector<std::string> BrowseWarnings(const DecodedRecording& recording) {
    std::vector<std::string> warnings = recording.warnings;
    if (std::string summary = UnreadableSummary(recording.decoded); !summary.empty()) {
        warnings.push_back(std::move(summary));
    }
    const SectorGeometry& g = recording.decoded.shape.geometry;
    if (g.sectors != kOpusSides.sectors || g.size != kOpusSides.size) {
        warnings.push_back("this recording holds " + std::to_string(g.sectors) + " sectors of " +
                           std::to_string(g.size) + " bytes per track side, not an Opus disk");
    }
    return warnings;
}

FluxFormat DetectFluxFormat(const std::string& path) {
    if (path == "-") {
        return FluxFormat::None;  // standard input can be read once only: ReadInput's to read
    }
    try {
        return DetectFluxFormat(input::ReadInput(path));
    } catch (const Failure&) {
        return FluxFormat::None;
    }
}

FluxDisk LoadFluxFile(const std::string& path) {
    return LoadFluxDisk(input::ReadInput(path));
}

DiskShape OpusShapeForLength(std::size_t length) {
    constexpr std::size_t kSide = kSectorsPerTrack * kBlockSize;
    const std::size_t sides = std::max<std::size_t>(1, (length + kSide - 1) / kSide);
    DiskShape shape;
    shape.geometry.heads = sides > kTracks ? 2 : 1;
    shape.geometry.cylinders = sides > 2 * kTracks ? 80 : 40;
    return shape;
}

LoadedDiskFile LoadDiskFile(const std::string& path, DiskImage& image, Prompter& prompter, ActivityLog& log,
                            const DecodeProgress& progress) {
    LoadedDiskFile result;
    try {
        input::InputFiles input;
        try {
            input = input::ReadInput(path);
        } catch (const OpenRefusal& refusal) {
            if (refusal.description() == "not a regular file") {
                throw;
            }
            // Anything else that is no file is the image loader's to report, as it always was.
        }
        if (input.files.empty() || DetectFluxFormat(input) == FluxFormat::None) {
            input = {};
            image.sectorMap.reset();  // whatever the last recording said is no longer true
            result.loaded = LoadImageFile(path, image, prompter, log);
            return result;
        }
        result.fromRecording = true;
        bool cancelled = false;
        const DecodeProgress watched = [&](int done, int total) {
            cancelled = progress && !progress(done, total);
            return !cancelled;
        };
        DecodedRecording recording = DecodeRecording(input, 0xE5, watched);
        if (cancelled) {
            return result;
        }
        result.warnings = BrowseWarnings(recording);
        image = std::move(recording.decoded.image);
        result.loaded = true;
        for (const std::string& warning : result.warnings) {
            log.LogThis(warning, kSeverityWARNING, false);
        }
    } catch (const OpenRefusal& refusal) {
        result.error = "Cannot open " + path + ": " + refusal.description();
    } catch (const Failure& f) {
        result.error = "Cannot read " + path + ": " + f.description();
    } catch (const std::bad_alloc&) {
        result.error = "There is not enough memory to open " + path + ".";
    }
    if (!result.error.empty()) {
        log.LogThis(result.error, kSeverityERROR, false);
    }
    return result;
}

std::vector<FileFilter> DiskFileFilters() {
    std::vector<FileFilter> filters = ImageFileFilters();
    filters.insert(filters.begin() + 1, FileFilter{"Flux Recordings (*.scp;*.hfe;*.raw;*.zip)",
                                                   {"*.scp", "*.hfe", "*.raw", "*.zip"}});
    return filters;
}

}  // namespace flux
