// KryoFlux stream bytes -> flux -> sectors. Invariants: a stream is either
// refused with a Failure or read (with at most one warning); index positions
// never run backwards or past the last transition.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "flux/KryoFlux.h"
#include "flux/Mfm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        std::vector<std::string> warnings;
        const flux::FluxTrack track = flux::ReadKryoFluxStream({data, size}, 0, 0, &warnings);
        if (warnings.size() > 1) {
            std::abort();
        }
        const std::uint64_t total =
            std::accumulate(track.intervals.begin(), track.intervals.end(), std::uint64_t{0});
        if (!std::is_sorted(track.indexTicks.begin(), track.indexTicks.end()) ||
            (!track.indexTicks.empty() && track.indexTicks.back() > total)) {
            std::abort();
        }
        (void)flux::DecodeMfmTrack(track);
    } catch (const Failure&) {
    }
    return 0;
}
