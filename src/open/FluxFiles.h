#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/FileChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/DiskImage.h"
#include "flux/FluxImage.h"
#include "flux/FluxTrack.h"
#include "open/Detect.h"
#include "open/InputFiles.h"

namespace flux {

// What the input holds: a folder or archive of stream files is a KryoFlux
// set; one file is judged by its bytes (see Detect.h).
[[nodiscard]] FluxFormat DetectFluxFormat(const input::InputFiles& input);

// The recording the input holds. A stream file of a KryoFlux set that cannot
// be read (empty, damaged, not a regular file) is left out with a warning in
// the result; the rest is read. Throws a Failure when the input holds no
// recording, or none of its stream files can be read.
[[nodiscard]] FluxDisk LoadFluxDisk(const input::InputFiles& input);

// A recording decoded into a sector image, with the warnings of what its
// damage lost.
struct DecodedRecording {
    DecodedImage decoded;
    std::vector<std::string> warnings;
};

// Reads and decodes the input's recording. Throws a Failure when it cannot be
// read or not one sector decodes.
[[nodiscard]] DecodedRecording DecodeRecording(const input::InputFiles& input, std::uint8_t filler = 0xE5,
                                               const DecodeProgress& progress = {});

// Everything to tell someone who opens the recording as a disk to browse, one
// sentence each without "warning: ": the recording's own warnings, the
// unreadable sectors, and "this recording holds 9 sectors of 512 bytes per
// track side, not an Opus disk" when its sectors are not an Opus disk's.
[[nodiscard]] std::vector<std::string> BrowseWarnings(const DecodedRecording& recording);

// The same, from a path: what ReadInput makes of it. DetectFluxFormat gives
// None for a path that cannot be read, and for "-" (standard input can be
// read only once, so whoever reads it detects from its bytes); the others
// throw a Failure.
[[nodiscard]] FluxFormat DetectFluxFormat(const std::string& path);
[[nodiscard]] FluxDisk LoadFluxFile(const std::string& path);

// An Opus image file's shape by its length: 40 cylinders of 18 sectors of 256
// bytes on one side, two sides when it holds more, 80 cylinders beyond that.
[[nodiscard]] DiskShape OpusShapeForLength(std::size_t length);

// The result of opening any disk file.
struct LoadedDiskFile {
    bool loaded = false;
    bool fromRecording = false;
    std::vector<std::string> warnings;  // what a recording's damage lost, and whether it is an Opus disk
    std::string error;                  // why the file could not be opened
};

// Opens a flux recording (decoded into Opus order with its sector map) or,
// failing that, an image file through LoadImageFile. A recording from which
// no sector decodes, or whose decoding the progress function stopped, leaves
// the image as it was, and so does a file that is not a regular file or that
// there is not enough memory to open.
LoadedDiskFile LoadDiskFile(const std::string& path, DiskImage& image, Prompter& prompter, ActivityLog& log,
                            const DecodeProgress& progress = {});

// "Opus Image Files", "Flux Recordings (*.scp;*.hfe;*.raw;*.zip)", "All Files".
[[nodiscard]] std::vector<FileFilter> DiskFileFilters();

}  // namespace flux
