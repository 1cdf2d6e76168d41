#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "flux/FluxTrack.h"

namespace flux {

// One sector as decoded from a track side: the ID field's C H R N, and the
// data of the first revolution whose data CRC was good (or, when none was,
// the best-looking copy with dataOk false).
struct DecodedSector {
    std::uint8_t cylinder = 0;
    std::uint8_t head = 0;
    std::uint8_t sector = 0;
    std::uint8_t sizeCode = 0;  // N: 128 << N bytes
    bool dataOk = false;
    bool deleted = false;            // data mark 0xF8
    std::vector<std::uint8_t> data;  // 128 << N bytes, empty when no data field was found
    bool recovered = false;          // good, but only after a bad copy on an earlier revolution
};

struct DecodedTrack {
    int revolutions = 0;                 // revolutions decoded
    bool indexSeen = false;              // at least one index pulse in the capture
    std::size_t capacity = 0;            // bytes the longest revolution carries: the most its sectors hold
    std::vector<DecodedSector> sectors;  // one per distinct (C, H, R), ascending R
};

// IBM MFM at the given cell length (2 µs for double density): every
// revolution is decoded and merged by ID, never by position. The sectors
// taken (counted at 128 << N bytes each, N capped at 6) fit into capacity;
// an ID beyond that is no sector of this track side.
[[nodiscard]] DecodedTrack DecodeMfmTrack(const FluxTrack& track, double cellSeconds = 2e-6);

// One sector to be written; corruptData stores a wrong data CRC.
struct EncodeSector {
    std::uint8_t cylinder = 0;
    std::uint8_t head = 0;
    std::uint8_t sector = 0;
    std::uint8_t sizeCode = 1;
    std::vector<std::uint8_t> data;
    bool corruptData = false;
};

// The 18 sectors of one Opus track side from a sector image (track sides in
// order cylinder 0 head 0, cylinder 0 head 1, ...), in the physical order
// of a WD177x format: 0, 7, 14, 3, 10, 17, 6, 13, 2, 9, 16, 5, 12, 1, 8, 15, 4, 11.
[[nodiscard]] std::vector<EncodeSector> OpusTrackSectors(std::span<const std::uint8_t> image, int cylinder,
                                                         int head, int heads);

struct EncodeOptions {
    double tickHz = 72'000'000.0;
    double cellSeconds = 2e-6;
    double rpm = 300.0;
    double jitter = 0.0;  // largest timing error of a transition, as a fraction of a cell
    std::uint32_t seed = 1;
    bool index = true;  // false: no index pulses (no disk / no index hole)
};

// A track side of several revolutions, the given sectors written in each with
// the Opus gaps (an empty list: a track with no sync at all). One entry per
// revolution, so a test or a simulator can damage a sector on some
// revolutions only. The first index pulse sits at tick 0 and one more
// follows every revolution.
[[nodiscard]] FluxTrack EncodeMfmTrack(std::span<const std::vector<EncodeSector>> revolutions,
                                       const EncodeOptions& options = {});

// CRC-16-CCITT (polynomial 0x1021) as the controller computes it over the sync
// bytes, the mark and the field; a field followed by its CRC gives 0.
[[nodiscard]] std::uint16_t Crc16Ccitt(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0xFFFF);

// Bytes in one revolution: 6,250 at 2 µs cells and 300 rpm.
[[nodiscard]] std::size_t NominalTrackBytes(double cellSeconds = 2e-6, double rpm = 300.0);

// One revolution as MFM cells (one byte 0 or 1 per cell) with the Opus gaps,
// padded with 0x4E to trackBytes; longer when the sectors need it. The
// bit-cell formats (HFE) store exactly this.
[[nodiscard]] std::vector<std::uint8_t> EncodeMfmCells(std::span<const EncodeSector> sectors,
                                                       std::size_t trackBytes);

// Cells of successive revolutions as flux, with the jitter and index pulses
// of the options.
[[nodiscard]] FluxTrack CellsToFlux(std::span<const std::vector<std::uint8_t>> revolutions,
                                    const EncodeOptions& options);

}  // namespace flux
