// Arbitrary flux intervals -> MFM sectors. Invariants: every sector delivered
// with data has exactly 128 << N bytes, the list is in ascending ID without
// repeats, and decoding is deterministic.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "flux/Mfm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Each byte is an interval of 2, 3 or 4 cells or a random length, so the
    // fuzzer reaches sync marks quickly.
    flux::FluxTrack track;
    track.tickHz = 72'000'000.0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i];
        track.intervals.push_back(b < 240 ? (2 + b % 3) * 144 + (b / 3 % 16) - 8 : b * 1000u);
    }
    const flux::DecodedTrack first = flux::DecodeMfmTrack(track);
    const flux::DecodedTrack second = flux::DecodeMfmTrack(track);
    if (first.sectors.size() != second.sectors.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < first.sectors.size(); ++i) {
        const flux::DecodedSector& s = first.sectors[i];
        if (!s.data.empty() && s.data.size() != (std::size_t{128} << s.sizeCode)) {
            std::abort();
        }
        if (i > 0 && first.sectors[i - 1].sector > s.sector) {
            std::abort();
        }
        if (s.data != second.sectors[i].data) {
            std::abort();
        }
    }
    return 0;
}
