// A map beside an image that is there but unusable is an error with a reason;
// replacing an image and its map never leaves bad sectors unlisted; two images
// of different disks are told apart by the sectors both read.

#include <set>
#include <tuple>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "core/Failure.h"
#include "core/FileIO.h"
#include "disk/SameDisk.h"
#include "disk/SectorMapFile.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

const SectorGeometry kTwoTracks{2, 1, 18, 256};
constexpr std::size_t kTwoTrackBytes = 2 * 18 * 256;

TEST(SectorMapBeside, AMapThatIsThereButUnusableIsDamageWithItsReason) {
    const std::string fits = R"({"geometry": {"cylinders": 2, "heads": 1, "sectors": 18, "size": 256},
                                 "sectors": [)";
    const struct {
        const char* name;
        std::string text;  // written as the map; "" makes the map something else
        std::string reason;
    } cases[] = {
        {"malformed JSON", "{\"geometry\": ", "not valid JSON (at byte 14)"},
        {"another geometry", fits + "]}", "it describes 9216 bytes, the image has 18432"},
        {"folder", "", "it is a folder"},
#ifndef _WIN32
        {"FIFO", "", "not a regular file"},
#endif
    };
    for (const auto& c : cases) {
        const TempDir dir;
        const std::string image = dir.file("disk.opd"), map = SectorMapPath(image);
        const std::string name = c.name;
        if (name == "folder") {
            fs::create_directory(map);
        } else if (name == "FIFO") {
#ifndef _WIN32
            ASSERT_EQ(::mkfifo(map.c_str(), 0600), 0);
#endif
        } else {
            writeBytes(map, Bytes(c.text.begin(), c.text.end()));
        }
        // "another geometry": a map of two tracks beside an image of four.
        const std::size_t length = name == "another geometry" ? 2 * kTwoTrackBytes : kTwoTrackBytes;
        try {
            (void)LoadSectorMapBeside(image, length);
            ADD_FAILURE() << name << ": loaded";
        } catch (const Failure& f) {
            EXPECT_EQ(f.description(), c.reason) << name;
        }
    }
    const TempDir dir;
    EXPECT_FALSE(LoadSectorMapBeside(dir.file("none.opd"), kTwoTrackBytes).has_value());
}

// Old and new image told apart by their bytes; after every step that a kill
// could end on, the map on disk lists every sector that is bad in the image
// on disk, or cannot be used at all (which check reports as damage).
TEST(ReplaceImageAndMap, EveryStepLeavesTheBadSectorsOfTheImageOnDiskListed) {
    using Places = std::set<std::tuple<int, int, int>>;
    const struct {
        const char* name;
        std::optional<Places> oldBad;  // nullopt: no old image
        Places newBad;
        SectorGeometry newGeometry = kTwoTracks;
    } cases[] = {
        {"damaged over damaged", Places{{0, 0, 3}}, {{1, 0, 7}}},
        {"clean over damaged", Places{{0, 0, 3}}, {}},
        {"damaged over clean", Places{}, {{1, 0, 7}}},
        {"damaged, no old image", std::nullopt, {{0, 0, 1}}},
        {"merge: fewer bad", Places{{0, 0, 3}, {1, 0, 7}}, {{1, 0, 7}}},
        {"damaged over damaged of another geometry", Places{{0, 0, 3}}, {{2, 0, 7}}, {3, 1, 18, 256}},
    };
    const auto mapOf = [](const Places& bad, const SectorGeometry& g) {
        SectorMap map{g, {}};
        for (const auto& [c, h, r] : bad) {
            map.entries.push_back({c, h, r, SectorState::Bad, 23});
        }
        return map;
    };
    for (const auto& c : cases) {
        const TempDir dir;
        const std::string image = dir.file("disk.opd");
        if (c.oldBad) {
            writeBytes(image, Bytes(kTwoTrackBytes, 0x11));
            ReplaceImageAndMap(image, Bytes(kTwoTrackBytes, 0x11), mapOf(*c.oldBad, kTwoTracks));
        }
        const Bytes fresh(ImageLength(c.newGeometry), 0x22);
        int steps = 0;
        const auto holds = [&] {
            ++steps;
            const Bytes onDisk = readBytes(image);
            if (onDisk.empty()) {
                return;  // no image yet: nothing to call clean
            }
            const Places& truth = onDisk.at(0) == 0x22 ? c.newBad : *c.oldBad;
            try {
                const auto map = LoadSectorMapBeside(image, onDisk.size());
                Places listed;
                for (const SectorStatus& e : map ? map->entries : std::vector<SectorStatus>{}) {
                    listed.insert({e.cylinder, e.head, e.sector});
                }
                for (const auto& place : truth) {
                    EXPECT_TRUE(listed.contains(place)) << c.name << ", step " << steps;
                }
            } catch (const Failure&) {
                // damage that check reports: never taken for a clean disk
            }
        };
        ReplaceImageAndMap(image, fresh, mapOf(c.newBad, c.newGeometry), holds);
        EXPECT_GE(steps, 1) << c.name;
        EXPECT_EQ(readBytes(image), fresh) << c.name;
        const auto final = LoadSectorMapBeside(image, fresh.size());
        EXPECT_EQ(final ? final->entries.size() : 0u, c.newBad.size()) << c.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), c.newBad.empty() ? 1 : 2) << c.name;
    }
}

TEST(FirstDifferentSector, OnlySectorsBothReadGoodDecide) {
    const auto disk = [](std::initializer_list<std::tuple<int, std::uint8_t, SectorState>> changes) {
        DiskImage d{Bytes(kTwoTrackBytes, 0x5A)};
        d.sectorMap = SectorMap{kTwoTracks, {}};
        for (const auto& [block, byte, state] : changes) {
            d.bytes[static_cast<std::size_t>(block) * 256 + 100] = byte;
            if (state != SectorState::Good) {
                d.sectorMap->entries.push_back({block / 18, 0, block % 18, state, 23});
            }
        }
        return d;
    };
    using S = SectorState;
    const struct {
        const char* name;
        DiskImage kept, read;
        std::optional<int> differs;  // the block
    } cases[] = {
        {"same disk", disk({}), disk({}), std::nullopt},
        {"differs only where kept is bad", disk({{5, 0xE5, S::Bad}}), disk({}), std::nullopt},
        {"differs only where the drive missed", disk({}), disk({{20, 0, S::Missing}}), std::nullopt},
        {"recovered data counts", disk({{5, 1, S::Recovered}}), disk({}), 5},
        {"first of two differences", disk({{30, 1, S::Good}, {21, 1, S::Good}}), disk({}), 21},
    };
    for (const auto& c : cases) {
        const auto found = FirstDifferentSector(c.kept, c.read);
        ASSERT_EQ(found.has_value(), c.differs.has_value()) << c.name;
        if (found) {
            EXPECT_EQ(std::tuple(found->cylinder, found->head, found->sector),
                      std::tuple(*c.differs / 18, 0, *c.differs % 18))
                << c.name;
        }
    }
}

}  // namespace
