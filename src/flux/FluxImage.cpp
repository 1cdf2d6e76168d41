#include "flux/FluxImage.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace flux {

namespace {

// Windows' codes for what a controller reports, as the drive reads use them.
constexpr std::int32_t kErrorCrc = 23;
constexpr std::int32_t kErrorSectorNotFound = 27;

// An ID naming a head above 1 or a cylinder beyond any drive's reach (0-83)
// can only be noise that happened to pass its CRC, or another system's
// numbering: scan lists it, but it never grows the image.
constexpr int kMaxCylinders = 84;

bool Placeable(const DecodedSector& s) {
    return s.head <= 1 && s.cylinder < kMaxCylinders;
}

template <typename Key>
Key MostCommon(const std::map<Key, int>& counts) {
    Key best{};
    int bestCount = -1;
    for (const auto& [key, count] : counts) {
        if (count > bestCount) {
            best = key;
            bestCount = count;
        }
    }
    return best;
}

int MostCommonSectorCount(const DecodedDisk& disk) {
    std::map<int, int> perSide;
    for (const DecodedSide& side : disk.sides) {
        if (!side.decoded.sectors.empty()) {
            ++perSide[static_cast<int>(side.decoded.sectors.size())];
        }
    }
    return perSide.empty() ? 0 : MostCommon(perSide);
}

}  // namespace

DecodedDisk DecodeFluxDisk(const FluxDisk& disk, const DecodeProgress& progress) {
    DecodedDisk out;
    out.format = disk.format;
    out.revolutions = disk.revolutions;
    out.warnings = disk.warnings;
    const int total = static_cast<int>(disk.tracks.size());
    for (const FluxTrack& track : disk.tracks) {
        out.sides.push_back({track.track, track.head, DecodeMfmTrack(track)});
        if (progress && !progress(static_cast<int>(out.sides.size()), total)) {
            break;
        }
    }
    return out;
}

std::optional<DiskShape> ShapeOf(const DecodedDisk& disk) {
    std::map<std::pair<int, int>, int> sideCounts;  // (C, H) as the IDs say -> sectors
    std::map<int, int> sizes;
    int firstId = 256;
    for (const DecodedSide& side : disk.sides) {
        std::map<std::pair<int, int>, int> here;
        for (const DecodedSector& s : side.decoded.sectors) {
            if (!Placeable(s)) {
                continue;
            }
            ++here[{s.cylinder, s.head}];
            ++sizes[128 << std::min<int>(s.sizeCode, 6)];
            firstId = std::min<int>(firstId, s.sector);
        }
        for (const auto& [ch, count] : here) {
            sideCounts[ch] = std::max(sideCounts[ch], count);
        }
    }
    if (sideCounts.empty()) {
        return std::nullopt;
    }
    std::map<int, int> perSide;
    DiskShape shape;
    shape.geometry.cylinders = 0;
    shape.geometry.heads = 0;
    for (const auto& [ch, count] : sideCounts) {
        ++perSide[count];
        shape.geometry.cylinders = std::max(shape.geometry.cylinders, ch.first + 1);
        shape.geometry.heads = std::max(shape.geometry.heads, ch.second + 1);
    }
    shape.geometry.size = MostCommon(sizes);
    // A track side of the image never holds more than a revolution carries.
    std::size_t capacity = 0;
    for (const DecodedSide& side : disk.sides) {
        capacity = std::max(capacity, side.decoded.capacity);
    }
    const auto fitting = static_cast<int>(capacity / static_cast<std::size_t>(shape.geometry.size));
    shape.geometry.sectors = std::clamp(MostCommon(perSide), 1, std::max(fitting, 1));
    shape.geometry.firstId = firstId;
    // An Opus disk has 40 or 80 tracks whatever the recording holds: sides
    // cut off the end of a capture are missing, not a smaller disk.
    const SectorGeometry& g = shape.geometry;
    if (g.sectors == 18 && g.size == 256 && g.firstId == 0 && g.cylinders < 80) {
        shape.geometry.cylinders = g.cylinders <= 40 ? 40 : 80;
    }
    return shape;
}

std::optional<DecodedImage> BuildImage(const DecodedDisk& disk, std::uint8_t filler) {
    const std::optional<DiskShape> shape = ShapeOf(disk);
    if (!shape) {
        return std::nullopt;
    }
    // Every copy of a sector wherever the recording had it: a 40-track disk
    // read in single steps shows each track twice.
    std::map<std::tuple<int, int, int>, const DecodedSector*> best;
    for (const DecodedSide& side : disk.sides) {
        for (const DecodedSector& s : side.decoded.sectors) {
            if (!Placeable(s)) {
                continue;
            }
            const DecodedSector*& slot = best[{s.cylinder, s.head, s.sector}];
            if (slot == nullptr || (!slot->dataOk && s.dataOk)) {
                slot = &s;
            }
        }
    }
    const SectorGeometry& g = shape->geometry;
    const auto size = static_cast<std::size_t>(g.size);
    DecodedImage out;
    out.shape = *shape;
    out.total = g.cylinders * g.heads * g.sectors;
    SectorMap map;
    map.geometry = g;
    std::vector<std::uint8_t>& bytes = out.image.bytes;
    bytes.reserve(static_cast<std::size_t>(out.total) * size);
    for (int c = 0; c < g.cylinders; ++c) {
        for (int h = 0; h < g.heads; ++h) {
            for (int r = shape->geometry.firstId; r < shape->geometry.firstId + g.sectors; ++r) {
                const auto found = best.find({c, h, r});
                const DecodedSector* s = found == best.end() ? nullptr : found->second;
                if (s != nullptr && s->dataOk && s->data.size() == size) {
                    bytes.insert(bytes.end(), s->data.begin(), s->data.end());
                    if (s->recovered) {
                        map.entries.push_back({c, h, r, SectorState::Recovered, 0});
                    }
                    continue;
                }
                bytes.insert(bytes.end(), size, filler);
                ++out.unreadable;
                const bool seen = s != nullptr;
                map.entries.push_back({c, h, r, seen ? SectorState::Bad : SectorState::Missing,
                                       seen ? kErrorCrc : kErrorSectorNotFound});
            }
        }
    }
    out.image.sectorMap = std::move(map);
    return out;
}

std::string UnreadableSummary(const DecodedImage& image) {
    if (image.unreadable == 0 || !image.image.sectorMap) {
        return {};
    }
    const auto& entries = image.image.sectorMap->entries;
    const auto unreadable = std::find_if(entries.begin(), entries.end(), [](const SectorStatus& s) {
        return s.state == SectorState::Bad || s.state == SectorState::Missing;
    });
    if (unreadable == entries.end()) {
        return {};
    }
    const SectorStatus& first = *unreadable;
    return std::to_string(image.unreadable) + " of " + std::to_string(image.total) +
           " sectors could not be read (first: cylinder " + std::to_string(first.cylinder) + " head " +
           std::to_string(first.head) + " sector " + std::to_string(first.sector) + ")";
}

std::vector<std::vector<std::uint8_t>> ImageToCells(const std::vector<std::uint8_t>& bytes,
                                                    const DiskShape& shape,
                                                    const std::optional<SectorMap>& unreadable) {
    const SectorGeometry& g = shape.geometry;
    // A short image leaves freshly formatted sectors at its end.
    std::vector<std::uint8_t> image = bytes;
    image.resize(std::max(image.size(), static_cast<std::size_t>(g.cylinders * g.heads * g.sectors) *
                                            static_cast<std::size_t>(g.size)),
                 0xE5);
    const bool opus = g.sectors == 18 && g.size == 256 && shape.geometry.firstId == 0;
    int sizeCode = 0;
    while ((128 << sizeCode) < g.size && sizeCode < 6) {
        ++sizeCode;
    }
    const std::size_t trackBytes = NominalTrackBytes();
    std::vector<std::vector<std::uint8_t>> sides;
    for (int c = 0; c < g.cylinders; ++c) {
        for (int h = 0; h < g.heads; ++h) {
            std::vector<EncodeSector> sectors;
            if (opus) {
                sectors = OpusTrackSectors(image, c, h, g.heads);
            } else {
                const std::size_t side = static_cast<std::size_t>(c * g.heads + h);
                for (int i = 0; i < g.sectors; ++i) {
                    EncodeSector s;
                    s.cylinder = static_cast<std::uint8_t>(c);
                    s.head = static_cast<std::uint8_t>(h);
                    s.sector = static_cast<std::uint8_t>(shape.geometry.firstId + i);
                    s.sizeCode = static_cast<std::uint8_t>(sizeCode);
                    const std::size_t at =
                        (side * static_cast<std::size_t>(g.sectors) + static_cast<std::size_t>(i)) *
                        static_cast<std::size_t>(g.size);
                    s.data.assign(image.begin() + static_cast<std::ptrdiff_t>(at),
                                  image.begin() + static_cast<std::ptrdiff_t>(at) + g.size);
                    sectors.push_back(std::move(s));
                }
            }
            for (EncodeSector& s : sectors) {
                s.corruptData =
                    unreadable &&
                    std::any_of(unreadable->entries.begin(), unreadable->entries.end(),
                                [&](const SectorStatus& e) {
                                    return e.cylinder == c && e.head == h && e.sector == s.sector &&
                                           (e.state == SectorState::Bad || e.state == SectorState::Missing);
                                });
            }
            sides.push_back(EncodeMfmCells(sectors, trackBytes));
        }
    }
    return sides;
}

std::string ScanText(const DecodedDisk& disk) {
    const int expected = MostCommonSectorCount(disk);
    std::string text;
    for (const DecodedSide& side : disk.sides) {
        int good = 0;
        int bad = 0;
        for (const DecodedSector& s : side.decoded.sectors) {
            ++(s.dataOk ? good : bad);
        }
        const int missing = std::max(0, expected - good - bad);
        text += std::to_string(side.track) + "." + std::to_string(side.head) + ": " + std::to_string(good) +
                " good, " + std::to_string(bad) + " bad, " + std::to_string(missing) + " missing\n";
    }
    return text;
}

}  // namespace flux
