#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "disk/DiskImage.h"
#include "flux/FluxTrack.h"
#include "flux/Mfm.h"

namespace flux {

// One track side of a recording after decoding, still under the recording's
// own track number (which need not be the cylinder in the sectors' IDs).
struct DecodedSide {
    int track = 0;
    int head = 0;
    DecodedTrack decoded;
};

struct DecodedDisk {
    std::string format;
    int revolutions = 0;
    std::vector<DecodedSide> sides;
    std::vector<std::string> warnings;  // the recording's own, carried along
};

// Called after each track side with the count done and the total; returning
// false stops the decoding (the sides done so far are kept).
using DecodeProgress = std::function<bool(int done, int total)>;

[[nodiscard]] DecodedDisk DecodeFluxDisk(const FluxDisk& disk, const DecodeProgress& progress = {});

// The shape of the disk as its sectors say: the most common sectors per track
// side and sector size, the lowest sector ID, the highest cylinder and head;
// the cylinders of an Opus disk (18 sectors of 256 bytes from ID 0) rounded
// up to its 40 or 80.
struct DiskShape {
    SectorGeometry geometry;
};
[[nodiscard]] std::optional<DiskShape> ShapeOf(const DecodedDisk& disk);

struct DecodedImage {
    DiskImage image;  // with its sector map
    DiskShape shape;
    int unreadable = 0;  // sectors filled with the filler
    int total = 0;
};

// The sectors placed by the C, H and R of their own IDs (never by the
// recording's track number) in the order cylinder, head, ascending ID, each at
// the disk's sector size; a sector without good data is filled with the
// filler and listed in the sector map. Nothing when no sector decoded.
[[nodiscard]] std::optional<DecodedImage> BuildImage(const DecodedDisk& disk, std::uint8_t filler = 0xE5);

// "N of M sectors could not be read (first: cylinder C head H sector R)", or
// empty when every sector was read.
[[nodiscard]] std::string UnreadableSummary(const DecodedImage& image);

// The sector image as flux, one revolution per track side: the Opus layout
// and interleave for an 18 x 256 image, ascending IDs otherwise. Sectors the
// map lists as bad or missing are written with a wrong data CRC, so the
// recording still says they were never read.
[[nodiscard]] std::vector<std::vector<std::uint8_t>> ImageToCells(
    const std::vector<std::uint8_t>& image, const DiskShape& shape,
    const std::optional<SectorMap>& unreadable = std::nullopt);

// The scan listing: "C.H: G good, B bad, M missing" per track side of the
// recording, missing counted against the most common sector count.
[[nodiscard]] std::string ScanText(const DecodedDisk& disk);

}  // namespace flux
