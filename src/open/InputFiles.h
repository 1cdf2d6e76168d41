#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Failure.h"

// What the user names as input, read once into memory: one file, standard
// input, a folder of KryoFlux stream files, or a zip archive of them. Nothing
// below this layer opens a file; detection and the decoders take the bytes.
//
// Only regular files are opened, and they are opened so that a FIFO, a device
// or a socket put in a regular file's place cannot block: their status is
// checked first and again on the open descriptor.

namespace input {

// One file of the input under the name messages give it: the path as given,
// "standard input", or a file's name inside its folder or archive.
struct InputFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::string problem;  // why it could not be read ("not a regular file"); empty when it was
};

struct InputFiles {
    std::string label;  // what the user gave: the path, or "standard input" for "-"
    // A folder or an archive: the files are the stream files found in it,
    // and which of them belong together is decided by their names alone.
    bool container = false;
    // The given file first, then any stream files beside it of the same set;
    // for a container, the stream files of its set in track order.
    std::vector<InputFile> files;
};

// trackNN.H.raw, with any prefix: the names KryoFlux sets are written under.
struct StreamName {
    std::string prefix;
    int track = 0;
    int head = 0;
};
[[nodiscard]] std::optional<StreamName> ParseStreamName(const std::string& fileName);

// Everything on standard input (binary on every platform).
[[nodiscard]] std::vector<std::uint8_t> ReadStandardInput();

// Reads what PATH names ("-" for standard input). A folder yields the stream
// files of its set; a zip archive the stream files it holds; a file that is a
// KryoFlux stream (by its bytes or by its name) brings the stream files of the
// same prefix beside it. Throws a Failure (as ReadRegularFile) when PATH
// itself cannot be read; a stream file of a set that cannot be read is kept
// with its problem, for the set to go on without it.
[[nodiscard]] InputFiles ReadInput(const std::string& path);

}  // namespace input
