// SCP bytes -> flux -> sectors. Invariants: a file is either refused with a
// Failure or read; a track side has at most one index position more than
// the file's revolutions; the image is never larger than 84 cylinders of two
// sides of what one revolution carries.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Failure.h"
#include "flux/FluxImage.h"
#include "flux/Scp.h"

// 84 cylinders x 2 heads x the bytes of a revolution at 273 rpm.
constexpr std::size_t kLargestImage = 84 * 2 * 6875;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const flux::FluxDisk disk = flux::ReadScp({data, size});
        for (const flux::FluxTrack& t : disk.tracks) {
            if (t.indexTicks.empty() ||
                t.indexTicks.size() > static_cast<std::size_t>(disk.revolutions) + 1) {
                std::abort();
            }
        }
        const auto image = flux::BuildImage(flux::DecodeFluxDisk(disk));
        if (image && (image->unreadable > image->total || image->image.bytes.size() > kLargestImage)) {
            std::abort();
        }
    } catch (const Failure&) {
    }
    return 0;
}
