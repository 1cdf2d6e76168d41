// Sector map text (IMAGE.map.json) -> SectorMap. Invariants: a text is either
// refused with a Failure or read; what is read writes back to a text that
// reads to the same map.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/Failure.h"
#include "disk/SectorMapFile.h"

namespace {

bool Same(const SectorMap& a, const SectorMap& b) {
    if (!(a.geometry == b.geometry) || a.entries.size() != b.entries.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.entries.size(); ++i) {
        const SectorStatus& x = a.entries[i];
        const SectorStatus& y = b.entries[i];
        if (x.cylinder != y.cylinder || x.head != y.head || x.sector != y.sector || x.state != y.state ||
            x.error != y.error) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SectorMap map;
    try {
        map = SectorMapFromJson(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const Failure&) {
        return 0;
    }
    if (!Same(map, SectorMapFromJson(SectorMapToJson(map)))) {
        std::abort();
    }
    return 0;
}
