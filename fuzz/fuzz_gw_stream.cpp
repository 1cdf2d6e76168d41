// Greaseweazle read-stream bytes -> flux. Invariants: a stream is either
// refused with a Failure or read; index positions never run backwards, and
// what is read encodes to a stream that reads back to the same flux.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Failure.h"
#include "floppy/GreaseweazleStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    flux::FluxTrack track;
    try {
        track = gw::DecodeReadStream({data, size}, 72'000'000.0);
    } catch (const Failure&) {
        return 0;
    }
    if (!std::is_sorted(track.indexTicks.begin(), track.indexTicks.end())) {
        std::abort();
    }
    try {
        const flux::FluxTrack again =
            gw::DecodeReadStream(gw::EncodeReadStream(track.intervals, track.indexTicks), 72'000'000.0);
        if (again.intervals != track.intervals || again.indexTicks != track.indexTicks) {
            std::abort();
        }
    } catch (const Failure&) {
        std::abort();
    }
    return 0;
}
