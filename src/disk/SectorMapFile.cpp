#include "disk/SectorMapFile.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <tuple>

#include "core/Failure.h"
#include "core/FileIO.h"

namespace {

using nlohmann::json;

constexpr struct {
    SectorState state;
    const char* name;
} kStateNames[] = {{SectorState::Good, "good"},
                   {SectorState::Recovered, "recovered"},
                   {SectorState::Bad, "bad"},
                   {SectorState::Missing, "missing"}};

Failure badMap(const std::string& why) {
    return Failure(failure::TypeMismatch, "sector map: " + why);
}

int intField(const json& object, const char* key, int lowest, int highest, const std::string& where) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number_integer()) {
        throw badMap(where + " has no whole number \"" + key + "\"");
    }
    const auto value = it->get<long long>();
    if (value < lowest || value > highest) {
        throw badMap(where + " \"" + key + "\" " + std::to_string(value) + " is outside " +
                     std::to_string(lowest) + " to " + std::to_string(highest));
    }
    return static_cast<int>(value);
}

}  // namespace

std::string SectorMapPath(const std::string& imagePath) {
    return imagePath + ".map.json";
}

std::size_t ImageLength(const SectorGeometry& g) {
    return static_cast<std::size_t>(g.cylinders) * static_cast<std::size_t>(g.heads) *
           static_cast<std::size_t>(g.sectors) * static_cast<std::size_t>(g.size);
}

std::string SectorMapToJson(const SectorMap& map) {
    json sectors = json::array();
    for (const SectorStatus& e : map.entries) {
        const auto named = std::find_if(std::begin(kStateNames), std::end(kStateNames),
                                        [&](const auto& n) { return n.state == e.state; });
        sectors.push_back({{"cylinder", e.cylinder},
                           {"head", e.head},
                           {"sector", e.sector},
                           {"state", named->name},
                           {"error", e.error}});
    }
    json document = {{"geometry",
                      {{"cylinders", map.geometry.cylinders},
                       {"heads", map.geometry.heads},
                       {"sectors", map.geometry.sectors},
                       {"size", map.geometry.size}}},
                     {"sectors", sectors}};
    // Opus disks number their sectors from 0; only other disks say where they start.
    if (map.geometry.firstId != 0) {
        document["geometry"]["firstId"] = map.geometry.firstId;
    }
    return document.dump(2) + "\n";
}

SectorMap SectorMapFromJson(std::string_view text) {
    const json document = json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        throw badMap("not a JSON object");
    }
    const auto geometry = document.find("geometry");
    if (geometry == document.end() || !geometry->is_object()) {
        throw badMap("no \"geometry\" object");
    }
    SectorMap map;
    SectorGeometry& g = map.geometry;
    g.cylinders = intField(*geometry, "cylinders", 1, 255, "geometry");
    g.heads = intField(*geometry, "heads", 1, 2, "geometry");
    g.sectors = intField(*geometry, "sectors", 1, 255, "geometry");
    g.size = intField(*geometry, "size", 128, 16384, "geometry");
    if (geometry->contains("firstId")) {
        g.firstId = intField(*geometry, "firstId", 0, 255, "geometry");
    }
    if ((g.size & (g.size - 1)) != 0) {
        throw badMap("geometry \"size\" " + std::to_string(g.size) + " is not a power of two");
    }
    const auto sectors = document.find("sectors");
    if (sectors == document.end() || !sectors->is_array()) {
        throw badMap("no \"sectors\" list");
    }
    for (std::size_t i = 0; i < sectors->size(); ++i) {
        const json& row = (*sectors)[i];
        const std::string where = "sectors[" + std::to_string(i) + "]";
        if (!row.is_object()) {
            throw badMap(where + " is not an object");
        }
        SectorStatus e;
        e.cylinder = intField(row, "cylinder", 0, g.cylinders - 1, where);
        e.head = intField(row, "head", 0, g.heads - 1, where);
        e.sector = intField(row, "sector", g.firstId, g.firstId + g.sectors - 1, where);
        const auto state = row.find("state");
        const auto named = std::find_if(std::begin(kStateNames), std::end(kStateNames), [&](const auto& n) {
            return state != row.end() && state->is_string() && state->get<std::string>() == n.name;
        });
        if (named == std::end(kStateNames)) {
            throw badMap(where + " has no \"state\" good, recovered, bad or missing");
        }
        e.state = named->state;
        e.error = intField(row, "error", std::numeric_limits<std::int32_t>::min(),
                           std::numeric_limits<std::int32_t>::max(), where);
        if (e.state != SectorState::Good) {
            map.entries.push_back(e);
        }
    }
    const auto order = [](const SectorStatus& a, const SectorStatus& b) {
        return std::tie(a.cylinder, a.head, a.sector) < std::tie(b.cylinder, b.head, b.sector);
    };
    std::stable_sort(map.entries.begin(), map.entries.end(), order);
    return map;
}

void SaveSectorMapBeside(const std::string& imagePath, const std::optional<SectorMap>& map) {
    const std::string path = SectorMapPath(imagePath);
    if (map && !map->allGood()) {
        writeFileReplacing(path, SectorMapToJson(*map));
        return;
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (ec) {
        throw Failure(failure::PathFileAccess, "cannot remove " + path + ": " + ec.message());
    }
}

std::optional<SectorMap> LoadSectorMapBeside(const std::string& imagePath, std::size_t imageLength) {
    const std::string path = SectorMapPath(imagePath);
    if (!fileExists(path)) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes = readWholeFile(path);
    SectorMap map =
        SectorMapFromJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (ImageLength(map.geometry) != imageLength) {
        throw badMap(path + " describes " + std::to_string(ImageLength(map.geometry)) +
                     " bytes, the image has " + std::to_string(imageLength));
    }
    return map;
}
