#include <algorithm>
#include <set>
#include <tuple>

#include "flux/FluxImage.h"
#include "flux/Hfe.h"
#include "flux/Scp.h"
#include "support/TestSupport.h"

namespace {

using Chs = std::tuple<int, int, int>;

struct RoundTripCase {
    std::string name;
    std::string container;  // "scp", "hfe" or "hfe3" (revision 3 with opcodes)
    int cylinders;
    int heads;
    double jitter;
    bool singleStepped;  // a 40-track disk read in an 80-track drive: every other track blank
    std::set<Chs> damaged;
};

std::vector<std::uint8_t> NumberedImage(int sides) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(sides) * 18 * 256);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>((i / 256) * 13 + i % 256);
    }
    return image;
}

// The recording a flux reader would have made of the disk, through the file.
flux::FluxDisk Record(const RoundTripCase& c, const std::vector<std::uint8_t>& image) {
    const int step = c.singleStepped ? 2 : 1;
    std::vector<std::vector<std::uint8_t>> hfeSides;
    flux::FluxDisk disk;
    disk.format = c.container;
    for (int track = 0; track < c.cylinders * step; ++track) {
        for (int h = 0; h < c.heads; ++h) {
            std::vector<flux::EncodeSector> sectors;
            if (track % step == 0) {
                sectors = flux::OpusTrackSectors(image, track / step, h, c.heads);
            }
            for (auto& s : sectors) {
                s.corruptData = c.damaged.count({s.cylinder, s.head, s.sector}) != 0;
            }
            if (c.container != "scp") {
                hfeSides.push_back(flux::EncodeMfmCells(sectors, flux::NominalTrackBytes()));
                continue;
            }
            flux::EncodeOptions options;
            options.jitter = c.jitter;
            options.seed = static_cast<std::uint32_t>(track * 2 + h);
            const std::vector<std::vector<flux::EncodeSector>> revs = {sectors, sectors};
            flux::FluxTrack t = flux::EncodeMfmTrack(revs, options);
            t.track = track;
            t.head = h;
            disk.tracks.push_back(std::move(t));
        }
    }
    if (c.container == "hfe") {
        return flux::ReadHfe(flux::WriteHfe(hfeSides, c.cylinders * step, c.heads));
    }
    if (c.container == "hfe3") {
        // Revision 3 of the same file: in every track side's gap 1 a no-op
        // in place of byte 0 and an index pulse in place of byte 2, so the
        // index comes after the 8 cells of byte 1.
        std::vector<std::uint8_t> file = flux::WriteHfe(hfeSides, c.cylinders * step, c.heads);
        std::copy_n("HXCHFEV3", 8, file.begin());
        for (std::size_t t = 0; t < hfeSides.size() / static_cast<std::size_t>(c.heads); ++t) {
            const std::size_t at = (file[512 + 4 * t] | (file[513 + 4 * t] << 8)) * std::size_t{512};
            for (std::size_t side = 0; side < static_cast<std::size_t>(c.heads); ++side) {
                file[at + 256 * side] = 0x0F;
                file[at + 256 * side + 2] = 0x8F;
            }
        }
        flux::FluxDisk read = flux::ReadHfe(file);
        for (const flux::FluxTrack& t : read.tracks) {
            EXPECT_EQ(t.indexTicks.front(), 8U);
        }
        return read;
    }
    const std::vector<std::uint8_t> file = flux::WriteScp(disk);
    EXPECT_EQ(file[0x0A], c.heads == 2 ? 0 : 1);  // both heads, or side 0 only
    return flux::ReadScp(file);
}

class FluxRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(FluxRoundTrip, GivesBackTheImageWithDamagedSectorsReportedBad) {
    const RoundTripCase& c = GetParam();
    const std::vector<std::uint8_t> image = NumberedImage(c.cylinders * c.heads);
    const flux::FluxDisk recorded = Record(c, image);
    EXPECT_EQ(recorded.format, c.container.substr(0, 3));
    EXPECT_EQ(recorded.tracks.size(),
              static_cast<std::size_t>(c.cylinders * c.heads * (c.singleStepped ? 2 : 1)));

    const auto decoded = flux::BuildImage(flux::DecodeFluxDisk(recorded));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->shape.geometry, (SectorGeometry{c.cylinders, c.heads, 18, 256}));
    EXPECT_EQ(decoded->total, c.cylinders * c.heads * 18);
    EXPECT_EQ(decoded->unreadable, static_cast<int>(c.damaged.size()));

    std::vector<std::uint8_t> expected = image;
    std::vector<Chs> listed;
    for (const auto& [cyl, head, r] : c.damaged) {
        const auto at = static_cast<std::size_t>((cyl * c.heads + head) * 18 + r) * 256;
        std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(at), 256, 0xE5);
    }
    EXPECT_TRUE(bytesEqual(expected, decoded->image.bytes));
    ASSERT_TRUE(decoded->image.sectorMap.has_value());
    for (const SectorStatus& s : decoded->image.sectorMap->entries) {
        EXPECT_EQ(s.state, SectorState::Bad);
        listed.emplace_back(s.cylinder, s.head, s.sector);
    }
    EXPECT_EQ(listed, std::vector<Chs>(c.damaged.begin(), c.damaged.end()));
}

INSTANTIATE_TEST_SUITE_P(Disks, FluxRoundTrip,
                         testing::Values(RoundTripCase{.name = "ScpTwoSided80WithJitter",
                                                       .container = "scp",
                                                       .cylinders = 80,
                                                       .heads = 2,
                                                       .jitter = 0.15,
                                                       .singleStepped = false,
                                                       .damaged = {}},
                                         RoundTripCase{.name = "ScpSingleStepped40",
                                                       .container = "scp",
                                                       .cylinders = 40,
                                                       .heads = 1,
                                                       .jitter = 0.1,
                                                       .singleStepped = true,
                                                       .damaged = {}},
                                         RoundTripCase{.name = "ScpDamaged",
                                                       .container = "scp",
                                                       .cylinders = 40,
                                                       .heads = 2,
                                                       .jitter = 0.1,
                                                       .singleStepped = false,
                                                       .damaged = {{0, 1, 17}, {12, 0, 0}, {39, 1, 9}}},
                                         RoundTripCase{.name = "HfeTwoSided80",
                                                       .container = "hfe",
                                                       .cylinders = 80,
                                                       .heads = 2,
                                                       .jitter = 0.0,
                                                       .singleStepped = false,
                                                       .damaged = {}},
                                         RoundTripCase{.name = "HfeDamaged",
                                                       .container = "hfe",
                                                       .cylinders = 40,
                                                       .heads = 1,
                                                       .jitter = 0.0,
                                                       .singleStepped = false,
                                                       .damaged = {{3, 0, 4}}},
                                         RoundTripCase{.name = "HfeRevision3",
                                                       .container = "hfe3",
                                                       .cylinders = 40,
                                                       .heads = 2,
                                                       .jitter = 0.0,
                                                       .singleStepped = false,
                                                       .damaged = {{20, 1, 11}}}),
                         [](const testing::TestParamInfo<RoundTripCase>& row) { return row.param.name; });

// The track list gives each cylinder its first 512-byte block and the bytes
// of both sides together; a side is stored in 256-byte halves of the blocks.
TEST(HfeLayout, TrackListOfTwoCylindersOfOneHundredThousandCells) {
    const std::vector<std::vector<std::uint8_t>> sides(2, std::vector<std::uint8_t>(100000, 1));
    const std::vector<std::uint8_t> file = flux::WriteHfe(sides, 2, 1);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 512, file.begin() + 520),
              (std::vector<std::uint8_t>{2, 0, 0xA8, 0x61, 51, 0, 0xA8, 0x61}));  // 12,500 bytes: 49 blocks
    EXPECT_EQ(file.size(), (2 + 2 * 49) * 512U);
}

TEST(FluxSummary, NamesTheCountAndTheFirstUnreadableSector) {
    flux::DecodedImage image;
    image.unreadable = 3;
    image.total = 720;
    image.image.sectorMap = SectorMap{{},
                                      {{2, 0, 3, SectorState::Recovered, 0},
                                       {12, 1, 5, SectorState::Missing, 27},
                                       {13, 0, 0, SectorState::Bad, 23}}};
    EXPECT_EQ(flux::UnreadableSummary(image),
              "3 of 720 sectors could not be read (first: cylinder 12 head 1 sector 5)");
    image.unreadable = 0;
    image.image.sectorMap->entries.clear();
    EXPECT_EQ(flux::UnreadableSummary(image), "");
}

}  // namespace
