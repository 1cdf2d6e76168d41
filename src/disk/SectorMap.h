#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// What is known about every sector of a disk after a read or after decoding a
// flux recording: good, good only on a retry, bad (with the error code the
// controller gave, or the decoder's equivalent), or never seen at all.
enum class SectorState : std::uint8_t { Good, Recovered, Bad, Missing };

struct SectorStatus {
    int cylinder = 0;
    int head = 0;
    int sector = 0;  // the ID's R
    SectorState state = SectorState::Good;
    std::int32_t error = 0;  // Windows system error code for Bad/Missing, 0 otherwise
};

struct SectorGeometry {
    int cylinders = 40;
    int heads = 1;
    int sectors = 18;  // per track side, IDs firstId .. firstId + sectors - 1
    int size = 256;    // bytes per sector
    int firstId = 0;   // the lowest sector ID: 0 on an Opus disk, 1 on a PC disk

    bool operator==(const SectorGeometry&) const = default;
};

// Only sectors that are not good are listed; everything else in the geometry
// is good. Entries are kept in image order (cylinder, head, sector).
struct SectorMap {
    SectorGeometry geometry;
    std::vector<SectorStatus> entries;

    [[nodiscard]] bool allGood() const { return entries.empty(); }
};
