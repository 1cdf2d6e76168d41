// HFE bytes -> flux -> sectors. Invariants: a file is either refused with a
// Failure or read; every track side has its two index positions in order.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Failure.h"
#include "flux/FluxImage.h"
#include "flux/Hfe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const flux::FluxDisk disk = flux::ReadHfe({data, size});
        for (const flux::FluxTrack& t : disk.tracks) {
            if (t.indexTicks.size() < 2 || !std::is_sorted(t.indexTicks.begin(), t.indexTicks.end())) {
                std::abort();
            }
        }
        (void)flux::BuildImage(flux::DecodeFluxDisk(disk));
    } catch (const Failure&) {
    }
    return 0;
}
