#include "disk/SameDisk.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace {

using Place = std::tuple<int, int, int>;

// The sectors a map says hold no data worth comparing.
void addUnread(const std::optional<SectorMap>& map, std::set<Place>& unread) {
    if (!map) {
        return;
    }
    for (const SectorStatus& e : map->entries) {
        if (e.state == SectorState::Bad || e.state == SectorState::Missing) {
            unread.insert({e.cylinder, e.head, e.sector});
        }
    }
}

SectorGeometry geometryOf(const DiskImage& image) {
    if (image.sectorMap) {
        return image.sectorMap->geometry;
    }
    SectorGeometry g;
    const std::size_t side = static_cast<std::size_t>(g.sectors) * static_cast<std::size_t>(g.size);
    g.heads = image.bytes.size() > static_cast<std::size_t>(g.cylinders) * side ? 2 : 1;
    g.cylinders = image.bytes.size() > static_cast<std::size_t>(2 * g.cylinders) * side ? 80 : 40;
    return g;
}

}  // namespace

std::optional<SectorStatus> FirstDifferentSector(const DiskImage& kept, const DiskImage& read) {
    const SectorGeometry g = geometryOf(kept);
    std::set<Place> unread;
    addUnread(kept.sectorMap, unread);
    addUnread(read.sectorMap, unread);
    const auto size = static_cast<std::size_t>(g.size);
    const std::size_t common = std::min(kept.bytes.size(), read.bytes.size());
    std::size_t at = 0;
    for (int c = 0; c < g.cylinders; ++c) {
        for (int h = 0; h < g.heads; ++h) {
            for (int r = g.firstId; r < g.firstId + g.sectors; ++r, at += size) {
                if (at + size > common) {
                    return std::nullopt;
                }
                if (unread.contains({c, h, r})) {
                    continue;
                }
                if (!std::equal(kept.bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                kept.bytes.begin() + static_cast<std::ptrdiff_t>(at + size),
                                read.bytes.begin() + static_cast<std::ptrdiff_t>(at))) {
                    return SectorStatus{c, h, r, SectorState::Good, 0};
                }
            }
        }
    }
    return std::nullopt;
}
