#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "disk/SectorMap.h"

// One side of an Opus Discovery floppy, byte for byte: 40 tracks of 18
// sectors of 256 bytes. Block b is bytes 256·b .. 256·b + 255 whatever the
// image's length; an image read from both sides simply runs on. The image file
// format (*.Opu, *.Opd) is exactly these bytes.
inline constexpr std::size_t kBlockSize = 256;
inline constexpr std::size_t kSectorsPerTrack = 18;
inline constexpr std::size_t kTracks = 40;
inline constexpr std::size_t kNominalImageLength = kTracks * kSectorsPerTrack * kBlockSize;  // 184,320

struct DiskImage {
    DiskImage() = default;
    DiskImage(std::vector<std::uint8_t> imageBytes)
        : bytes(std::move(imageBytes)) {}  // NOLINT: implicit by design

    std::vector<std::uint8_t> bytes;  // empty before the first load or read
    // Which sectors a read or a decoded flux recording could not deliver;
    // none for an image file without a map beside it.
    std::optional<SectorMap> sectorMap;
};
