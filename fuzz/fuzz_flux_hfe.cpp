// HFE bytes -> flux -> sectors. Invariants: a file is either refused with a
// Failure or read; every track side has its two index positions in order;
// the image is never larger than 84 cylinders of two sides of a revolution.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Failure.h"
#include "flux/FluxImage.h"
#include "flux/Hfe.h"

// 84 cylinders x 2 heads x the bytes of a revolution at 273 rpm.
constexpr std::size_t kLargestImage = 84 * 2 * 6875;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const flux::FluxDisk disk = flux::ReadHfe({data, size});
        for (const flux::FluxTrack& t : disk.tracks) {
            if (t.indexTicks.size() < 2 || !std::is_sorted(t.indexTicks.begin(), t.indexTicks.end())) {
                std::abort();
            }
        }
        const auto image = flux::BuildImage(flux::DecodeFluxDisk(disk));
        if (image && image->image.bytes.size() > kLargestImage) {
            std::abort();
        }
    } catch (const Failure&) {
    }
    return 0;
}
