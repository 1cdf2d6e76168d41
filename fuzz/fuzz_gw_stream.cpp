// Greaseweazle read-stream bytes -> flux. Invariants: a stream is either
// refused with a Failure or read, and what is read (with its index pulses in
// order; a damaged stream can send them out of order, and they are passed on
// as sent) encodes to a stream that reads back to the same flux.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

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
        return 0;
    }
    std::vector<std::uint8_t> sent;
    try {
        sent = gw::EncodeReadStream(track.intervals, track.indexTicks);
    } catch (const Failure&) {
        return 0;  // an index pulse further after the last transition than one opcode reaches
    }
    const flux::FluxTrack again = gw::DecodeReadStream(sent, 72'000'000.0);
    if (again.intervals != track.intervals || again.indexTicks != track.indexTicks) {
        std::abort();
    }
    return 0;
}
