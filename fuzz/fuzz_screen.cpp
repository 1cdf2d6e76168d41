// Screen bytes -> picture. Invariants: anything but 6,912 bytes is refused and
// leaves the former screen; an accepted screen renders to exactly 256x192 per
// zoom step, and the same input gives the same pixels, whatever picture of
// another zoom or phase the render reuses.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/Failure.h"
#include "screen/ScreenRenderer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    ScreenRenderer renderer;
    bool accepted = true;
    try {
        renderer.setScreenData(bytes);
    } catch (const Failure&) {
        accepted = false;
    }
    if (accepted != (size == 6912)) {
        std::abort();
    }
    if (!accepted) {
        return 0;
    }
    const int zoom = 1 + (data[0] % 3);
    renderer.setUseATTR((data[1] & 1) != 0);
    const auto phase =
        (data[2] & 1) != 0 ? ScreenRenderer::FlashPhase::Swapped : ScreenRenderer::FlashPhase::Steady;
    // Two pictures kept across inputs: a render reuses what the last one left,
    // and no input pays for a fresh megabyte.
    static RgbPicture a;
    static RgbPicture b;
    renderer.renderInto(a, zoom, phase);
    renderer.renderInto(b, zoom, phase);
    const auto pixels = static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.height);
    if (a.width != 256 * zoom || a.height != 192 * zoom || a.rgb.size() != pixels * 3 || a.rgb != b.rgb) {
        std::abort();
    }
    return 0;
}
