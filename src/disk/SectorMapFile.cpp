#include "disk/SectorMapFile.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
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
    return Failure(failure::TypeMismatch, why);
}

// The document as nlohmann reads it, except that a number it would hold as
// floating point (a fraction, an exponent, a whole number beyond 64 bits)
// stays the text the file has, as a binary value, which JSON text never
// yields: a message then shows the number as written, never as 1e+30.
class KeepNumberText : public nlohmann::detail::json_sax_dom_parser<json> {
public:
    explicit KeepNumberText(json& document) : json_sax_dom_parser(document) {}
    bool number_float(json::number_float_t, const json::string_t& text) {
        json::binary_t raw(std::vector<std::uint8_t>(text.begin(), text.end()));
        return binary(raw);
    }
};

// A number as the file writes it: 2^63 stays 9223372036854775808 (nlohmann
// keeps it unsigned), a fraction keeps its digits.
std::string numberText(const json& value) {
    if (value.is_number_unsigned()) {
        return std::to_string(value.get<std::uint64_t>());
    }
    if (value.is_number_integer()) {
        return std::to_string(value.get<std::int64_t>());
    }
    const json::binary_t& raw = value.get_binary();
    return {raw.begin(), raw.end()};
}

int intField(const json& object, const char* key, int lowest, int highest, const std::string& where) {
    const auto it = object.find(key);
    const std::string range = " is outside " + std::to_string(lowest) + " to " + std::to_string(highest);
    if (it == object.end() || !(it->is_number_integer() || it->is_binary())) {
        throw badMap(where + " has no number \"" + key + "\"");
    }
    if (it->is_binary()) {
        const std::string text = numberText(*it);
        const bool whole = text.find_first_of(".eE") == std::string::npos;  // only too long
        throw badMap(where + " \"" + key + "\" " + text + (whole ? range : " is not a whole number"));
    }
    // nlohmann keeps every whole number from 0 up as unsigned.
    const bool fits = it->is_number_unsigned()
                          ? highest >= 0 && it->get<std::uint64_t>() <= static_cast<std::uint64_t>(highest) &&
                                it->get<std::int64_t>() >= lowest
                          : it->get<std::int64_t>() >= lowest && it->get<std::int64_t>() <= highest;
    if (!fits) {
        throw badMap(where + " \"" + key + "\" " + numberText(*it) + range);
    }
    return static_cast<int>(it->get<std::int64_t>());
}

// The worse of two records of one sector: a sector bad in either stays bad.
int severity(SectorState s) {
    return s == SectorState::Good ? 0 : s == SectorState::Recovered ? 1 : 2;
}

SectorMap unionOf(const SectorMap& a, const SectorMap& b) {
    const auto key = [](const SectorStatus& e) { return std::tie(e.cylinder, e.head, e.sector); };
    std::map<std::tuple<int, int, int>, SectorStatus> worst;
    for (const SectorMap* m : {&a, &b}) {
        for (const SectorStatus& e : m->entries) {
            const auto [it, fresh] = worst.emplace(key(e), e);
            if (!fresh && severity(e.state) > severity(it->second.state)) {
                it->second = e;
            }
        }
    }
    SectorMap both{b.geometry, {}};
    for (const auto& [where, e] : worst) {
        both.entries.push_back(e);
    }
    return both;
}

// The map on disk as it is, when it can be read at all; a damaged one is
// replaced whatever happens, so there is nothing in it to keep.
std::optional<SectorMap> mapOnDisk(const std::string& path) {
    try {
        const std::vector<std::uint8_t> bytes = readRegularFile(path);
        return SectorMapFromJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const Failure&) {
        return std::nullopt;
    }
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
    json document;
    try {
        KeepNumberText reader(document);
        (void)json::sax_parse(text.begin(), text.end(), &reader);
    } catch (const json::parse_error& e) {
        throw badMap("not valid JSON (at byte " + std::to_string(e.byte) + ")");
    } catch (const json::exception&) {
        throw badMap("not valid JSON");
    }
    if (!document.is_object()) {
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

std::optional<SectorMap> LoadSectorMapBeside(const std::string& imagePath, std::size_t imageLength) {
    const std::string path = SectorMapPath(imagePath);
    if (pathKind(path) == PathKind::Missing) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readRegularFile(path);
    } catch (const Failure& f) {
        // The system's own text names the path, which the caller's sentence does already.
        const std::string standard = failureDescription(f.number());
        throw badMap(f.description().rfind(standard, 0) == 0 ? standard : f.description());
    }
    SectorMap map =
        SectorMapFromJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (ImageLength(map.geometry) != imageLength) {
        throw badMap("it describes " + std::to_string(ImageLength(map.geometry)) + " bytes, the image has " +
                     std::to_string(imageLength));
    }
    return map;
}

// The promise: whatever pair of image and map a kill leaves on disk, the map
// lists at least every sector of that image that is not good, or cannot be
// used at all (which check reports as damage, never as a clean disk). A map
// listing good sectors as bad errs on the safe side; an image with bad
// sectors and no map is the one state never to leave. Hence:
//   1. When the new image has bad sectors, first write a map that covers both
//      images: the union of the map there now (when it has the same geometry)
//      and the new one. The old image is then still covered, and so is the
//      new one once it lands. (With another geometry the new map alone goes
//      first; over the old image it cannot be used and reads as damage.)
//      A clean new image needs no first step: the old map stays over it for
//      a moment, listing sectors that are in fact good.
//   2. Rename the new image into place.
//   3. Write the exact new map, or remove the old one over a clean image.
// Each write is itself a temporary file renamed over its target.
void ReplaceImageAndMap(const std::string& imagePath, std::span<const std::uint8_t> bytes,
                        const std::optional<SectorMap>& map, const std::function<void()>& stepDone) {
    const std::string path = SectorMapPath(imagePath);
    if (pathKind(path) == PathKind::Other) {
        throw Failure(failure::PathFileAccess, path + ": not a regular file");
    }
    const auto done = [&] {
        if (stepDone) {
            stepDone();
        }
    };
    const bool damaged = map && !map->allGood();
    std::optional<std::string> written;
    if (damaged) {
        const std::optional<SectorMap> old = mapOnDisk(path);
        const SectorMap covering = old && old->geometry == map->geometry ? unionOf(*old, *map) : *map;
        written = SectorMapToJson(covering);
        writeFileReplacing(path, *written);
        done();
    }
    writeFileReplacing(imagePath, bytes);
    done();
    if (damaged) {
        const std::string exact = SectorMapToJson(*map);
        if (exact != *written) {
            writeFileReplacing(path, exact);
            done();
        }
        return;
    }
    std::error_code ec;
    if (std::filesystem::remove(path, ec)) {
        done();
    }
    if (ec) {
        throw Failure(failure::PathFileAccess, "cannot remove " + path + ": " + ec.message());
    }
}
