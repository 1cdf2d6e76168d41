#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Disk images whose every byte says where it came from, so a read that takes
// a side, a track or a head out of order shows up in the bytes.
namespace floppyfix {

inline constexpr std::size_t kTrackSide = 4608;
inline constexpr std::size_t kOneSide = 184320;

// The byte at offset i of track t, head h.
inline std::uint8_t patternByte(int t, int h, std::size_t i) {
    return static_cast<std::uint8_t>(t * 31 + h * 127 + static_cast<int>(i % 251) +
                                     static_cast<int>(i / 256) * 3);
}

// sides 1: the track sides of head 0; sides 2: head 0 and head 1 of each track in turn.
inline std::vector<std::uint8_t> patternDisk(int sides, int tracks = 40) {
    std::vector<std::uint8_t> disk;
    for (int t = 0; t < tracks; ++t) {
        for (int h = 0; h < sides; ++h) {
            for (std::size_t i = 0; i < kTrackSide; ++i) {
                disk.push_back(patternByte(t, h, i));
            }
        }
    }
    return disk;
}

inline std::vector<std::uint8_t> trackSide(int t, int h) {
    const std::vector<std::uint8_t> disk = patternDisk(2, t + 1);
    return {disk.end() - static_cast<std::ptrdiff_t>((2 - h) * kTrackSide),
            disk.end() - static_cast<std::ptrdiff_t>((1 - h) * kTrackSide)};
}

}  // namespace floppyfix
