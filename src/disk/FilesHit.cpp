#include "disk/FilesHit.h"

#include <algorithm>
#include <cstddef>

namespace {

bool spoiled(const SectorStatus& e) {
    return e.state == SectorState::Bad || e.state == SectorState::Missing;
}

// The bad sectors whose bytes overlap first .. last (byte offsets, inclusive).
std::vector<SectorStatus> badSectorsIn(const SectorMap& map, std::size_t first, std::size_t last) {
    const SectorGeometry& g = map.geometry;
    const auto size = static_cast<std::size_t>(g.size);
    std::vector<SectorStatus> hit;
    for (const SectorStatus& e : map.entries) {
        const std::size_t index = (static_cast<std::size_t>(e.cylinder) * static_cast<std::size_t>(g.heads) +
                                   static_cast<std::size_t>(e.head)) *
                                      static_cast<std::size_t>(g.sectors) +
                                  static_cast<std::size_t>(e.sector - g.firstId);
        if (spoiled(e) && index >= first / size && index <= last / size) {
            hit.push_back(e);
        }
    }
    return hit;
}

}  // namespace

std::vector<HitFile> FilesHit(const Catalogue& catalogue, const SectorMap& map) {
    std::vector<HitFile> hits;
    if (map.geometry.size <= 0 || std::none_of(map.entries.begin(), map.entries.end(), spoiled)) {
        return hits;
    }
    // The decoded slots and the end mark after them; a damaged catalogue may
    // have decoded to nothing, and still starts at block 1.
    const std::size_t catalogueEnd = kBlockSize + kSlotSize * (catalogue.size() + 1) - 1;
    auto catalogueHit = badSectorsIn(map, kBlockSize, catalogueEnd);
    if (!catalogueHit.empty()) {
        hits.push_back({0, kCatalogueHitName, std::move(catalogueHit)});
    }
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const CatalogueEntry& entry = catalogue[i];
        if (entry.EntryKind != 1) {
            continue;
        }
        const std::size_t header = kBlockSize * (static_cast<std::size_t>(entry.Word1) + 1);
        const std::size_t lastByte =
            header + kHeaderSize + static_cast<std::size_t>(std::max(entry.Length, 0)) - 1;
        auto hit = badSectorsIn(map, header, lastByte);
        if (!hit.empty()) {
            hits.push_back({static_cast<int>(i), entry.Name, std::move(hit)});
        }
    }
    return hits;
}

std::string SectorListText(const std::vector<SectorStatus>& sectors) {
    std::string text;
    for (const SectorStatus& e : sectors) {
        if (!text.empty()) {
            text += ", ";
        }
        text += std::to_string(e.head) + ":" + std::to_string(e.cylinder) + ":" + std::to_string(e.sector);
    }
    return text;
}

std::string SectorRunsText(const std::vector<SectorStatus>& sectors) {
    std::string text;
    for (std::size_t i = 0; i < sectors.size();) {
        const SectorStatus& first = sectors[i];
        std::size_t last = i;
        while (last + 1 < sectors.size() && sectors[last + 1].head == first.head &&
               sectors[last + 1].cylinder == first.cylinder &&
               sectors[last + 1].sector == sectors[last].sector + 1) {
            ++last;
        }
        if (!text.empty()) {
            text += ", ";
        }
        text += std::to_string(first.head) + ":" + std::to_string(first.cylinder) + ":" +
                std::to_string(first.sector);
        if (last > i) {
            text += "\xE2\x80\x93" + std::to_string(sectors[last].sector);
        }
        i = last + 1;
    }
    return text;
}
