#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One side of an Opus Discovery floppy, byte for byte: 40 tracks of 18
// sectors of 256 bytes. Block b is bytes 256·b .. 256·b + 255 whatever the
// image's length; an image read from both sides simply runs on. The image file
// format (*.Opu, *.Opd) is exactly these bytes.
inline constexpr std::size_t kBlockSize = 256;
inline constexpr std::size_t kSectorsPerTrack = 18;
inline constexpr std::size_t kTracks = 40;
inline constexpr std::size_t kNominalImageLength = kTracks * kSectorsPerTrack * kBlockSize;  // 184,320

struct DiskImage {
    std::vector<std::uint8_t> bytes;  // empty before the first load or read
};
