#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "disk/SectorMap.h"

// The sector map kept beside an image file as "<image file name>.map.json":
//
//   {"geometry": {"cylinders": 40, "heads": 1, "sectors": 18, "size": 256},
//    "sectors": [{"cylinder": 0, "head": 0, "sector": 5, "state": "bad", "error": 23}, ...]}
//
// Only sectors that are not good are listed; state is "recovered", "bad" or
// "missing" ("good" rows are accepted and dropped), error the drive's code
// (0 for a recovered sector).

[[nodiscard]] std::string SectorMapPath(const std::string& imagePath);

// Bytes of an image of this geometry.
[[nodiscard]] std::size_t ImageLength(const SectorGeometry& geometry);

[[nodiscard]] std::string SectorMapToJson(const SectorMap& map);
// Throws a Failure whose description says what is wrong, and where.
[[nodiscard]] SectorMap SectorMapFromJson(std::string_view text);

// Writes the map beside the image when it lists any sector; otherwise removes
// a map an earlier image left there, which would describe other bytes.
// Throws a Failure when the file cannot be written or removed.
void SaveSectorMapBeside(const std::string& imagePath, const std::optional<SectorMap>& map);
// The map beside the image, nullopt when there is none. A map that cannot be
// read or does not fit imageLength throws a Failure.
[[nodiscard]] std::optional<SectorMap> LoadSectorMapBeside(const std::string& imagePath,
                                                           std::size_t imageLength);
