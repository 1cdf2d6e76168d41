#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/FileChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/DiskImage.h"
#include "flux/FluxImage.h"
#include "flux/FluxTrack.h"

namespace flux {

enum class FluxFormat { None, Scp, Hfe, KryoFlux };

// What a path holds, by its first bytes and then by its extension: an SCP or
// HFE file, a KryoFlux stream file or a folder of them, or none of those.
[[nodiscard]] FluxFormat DetectFluxFormat(const std::string& path);

// Reads a recording; a KryoFlux set is read from the folder or from any one of
// its trackNN.H.raw files. Throws a Failure when the file cannot be read or is
// malformed.
[[nodiscard]] FluxDisk LoadFluxFile(const std::string& path);

// Reads and decodes a recording into a sector image. Throws a Failure when the
// recording cannot be read or not one sector decodes.
[[nodiscard]] DecodedImage LoadRecording(const std::string& path, std::uint8_t filler = 0xE5,
                                         const DecodeProgress& progress = {});

// An Opus image file's shape by its length: 40 cylinders of 18 sectors of 256
// bytes on one side, two sides when it holds more, 80 cylinders beyond that.
[[nodiscard]] DiskShape OpusShapeForLength(std::size_t length);

// The result of opening any disk file.
struct LoadedDiskFile {
    bool loaded = false;
    bool fromRecording = false;
    std::string warning;  // the unreadable-sector summary of a recording
    std::string error;    // why a recording could not be opened
};

// Opens a flux recording (decoded into Opus order with its sector map) or,
// failing that, an image file through LoadImageFile. A recording from which
// no sector decodes, or whose decoding the progress function stopped, leaves
// the image as it was.
LoadedDiskFile LoadDiskFile(const std::string& path, DiskImage& image, Prompter& prompter, ActivityLog& log,
                            const DecodeProgress& progress = {});

// "Opus Image Files", "Flux Recordings (*.scp;*.hfe;*.raw)", "All Files".
[[nodiscard]] std::vector<FileFilter> DiskFileFilters();

}  // namespace flux
