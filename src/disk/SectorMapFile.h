#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
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
//
// A map that is there but cannot be used is damage, never "no map": without
// it an image with bad sectors would pass for a clean one.

[[nodiscard]] std::string SectorMapPath(const std::string& imagePath);

// Bytes of an image of this geometry.
[[nodiscard]] std::size_t ImageLength(const SectorGeometry& geometry);

[[nodiscard]] std::string SectorMapToJson(const SectorMap& map);
// A pure function of the text. Throws a Failure whose description says what
// is wrong and where, numbers as the text writes them
// ("sectors[3] "cylinder" 9223372036854775808 is outside 0 to 39").
[[nodiscard]] SectorMap SectorMapFromJson(std::string_view text);

// The map beside the image, nullopt when there is none. A map that is not a
// regular file (a folder, FIFO, device or socket: refused without opening it
// in a way that could wait), cannot be read, is no valid map or does not fit
// imageLength throws a Failure whose description is the reason alone.
[[nodiscard]] std::optional<SectorMap> LoadSectorMapBeside(const std::string& imagePath,
                                                           std::size_t imageLength);

// Replaces the image file and the map beside it: the map is written when it
// lists any sector, and a map an earlier image left there is removed
// otherwise. The steps are ordered so that a kill between any two leaves the
// map on disk listing at least every sector that is not good in the image on
// disk (see the definition). stepDone, when given, is called after each step
// that changed a file; tests use it to look at every state a kill could
// leave. Throws a Failure when a file cannot be written or removed, and
// before anything changes when the map path holds anything but a regular file.
void ReplaceImageAndMap(const std::string& imagePath, std::span<const std::uint8_t> bytes,
                        const std::optional<SectorMap>& map, const std::function<void()>& stepDone = {});
