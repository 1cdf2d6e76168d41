#pragma once

#include <optional>

#include "disk/DiskImage.h"

// Whether two images hold the same disk, judged by the sectors both read
// good (good or recovered in their maps; an image without a map is good
// throughout): the first such sector, in image order, whose bytes differ.
// Nothing when they agree wherever both can be trusted. Both images must have
// the geometry of kept's map (or the Opus geometry of their length); a
// shorter image has no sectors beyond its end to compare.
[[nodiscard]] std::optional<SectorStatus> FirstDifferentSector(const DiskImage& kept, const DiskImage& read);
