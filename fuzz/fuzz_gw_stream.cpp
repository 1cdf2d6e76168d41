// Greaseweazle stream bytes -> flux. Invariants: a read stream is either
// refused with a Failure or read, and what is read (its index pulses in
// order) encodes to a stream that reads back to the same flux, for flux of
// up to 2^30 ticks (15 s; beyond that only the number of 200 µs SPACEs the
// device would send grows, and with it the cost of an input). The same
// bytes as a write stream lay down no more than the revolution a write lasts,
// however their SPACEs and ASTABLEs multiply.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "core/Failure.h"
#include "floppy/GreaseweazleStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint64_t kRevolution = 14'400'000;
    try {
        const std::vector<std::uint32_t> laidDown = gw::DecodeWriteStream({data, size}, kRevolution);
        if (std::accumulate(laidDown.begin(), laidDown.end(), std::uint64_t{0}) > kRevolution) {
            std::abort();
        }
    } catch (const Failure&) {
    }
    flux::FluxTrack track;
    try {
        track = gw::DecodeReadStream({data, size}, 72'000'000.0);
    } catch (const Failure&) {
        return 0;
    }
    if (!std::is_sorted(track.indexTicks.begin(), track.indexTicks.end())) {
        std::abort();
    }
    constexpr std::uint64_t kLongestReadBack = std::uint64_t{1} << 30;
    const std::uint64_t span =
        std::max(std::accumulate(track.intervals.begin(), track.intervals.end(), std::uint64_t{0}),
                 track.indexTicks.empty() ? 0 : track.indexTicks.back());
    if (span > kLongestReadBack) {
        return 0;
    }
    const std::vector<std::uint8_t> sent = gw::EncodeReadStream(track.intervals, track.indexTicks);
    const flux::FluxTrack again = gw::DecodeReadStream(sent, 72'000'000.0);
    if (again.intervals != track.intervals || again.indexTicks != track.indexTicks) {
        std::abort();
    }
    return 0;
}
