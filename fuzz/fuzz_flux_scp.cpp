// SCP bytes -> flux -> sectors. Invariants: a file is either refused with a
// Failure or read; every revolution boundary lies inside the track's flux
// or at its end, and what is read decodes without leaving the buffers.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Failure.h"
#include "flux/FluxImage.h"
#include "flux/Scp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const flux::FluxDisk disk = flux::ReadScp({data, size});
        for (const flux::FluxTrack& t : disk.tracks) {
            if (t.indexTicks.size() != static_cast<std::size_t>(disk.revolutions) + 1) {
                std::abort();
            }
        }
        const auto image = flux::BuildImage(flux::DecodeFluxDisk(disk));
        if (image && image->unreadable > image->total) {
            std::abort();
        }
    } catch (const Failure&) {
    }
    return 0;
}
