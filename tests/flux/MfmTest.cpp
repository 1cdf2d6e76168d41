#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "flux/Mfm.h"

namespace {

// A two-sided Opus image whose every sector holds its own index, so a sector
// put in the wrong place shows.
std::vector<std::uint8_t> NumberedImage(int cylinders, int heads) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(cylinders * heads) * 18 * 256);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>((i / 256) * 7 + i % 256);
    }
    return image;
}

struct MfmCase {
    std::string name;
    double jitter;
    std::vector<int> corruptOnRevolution;  // per revolution: sector ID made bad there, -1 none
    int expectBad;                         // sector ID without a good copy, -1 none
    int expectRecovered;                   // sector ID good only after a bad copy, -1 none
};

class MfmRoundTrip : public testing::TestWithParam<MfmCase> {};

TEST_P(MfmRoundTrip, DecodesEverySectorByIdAndKeepsTheFirstGoodCopy) {
    const MfmCase& c = GetParam();
    const std::vector<std::uint8_t> image = NumberedImage(2, 2);
    std::vector<std::vector<flux::EncodeSector>> revolutions;
    for (int bad : c.corruptOnRevolution) {
        auto sectors = flux::OpusTrackSectors(image, 1, 1, 2);
        for (auto& s : sectors) {
            s.corruptData = s.sector == bad;
        }
        revolutions.push_back(sectors);
    }
    flux::EncodeOptions options;
    options.jitter = c.jitter;
    options.seed = 7;
    const flux::DecodedTrack track = flux::DecodeMfmTrack(flux::EncodeMfmTrack(revolutions, options));

    EXPECT_EQ(track.revolutions, static_cast<int>(revolutions.size()));
    EXPECT_TRUE(track.indexSeen);
    ASSERT_EQ(track.sectors.size(), 18U);
    for (std::size_t r = 0; r < 18; ++r) {
        const flux::DecodedSector& s = track.sectors[r];
        EXPECT_EQ(std::vector<int>({s.sector, s.cylinder, s.head, s.sizeCode}),
                  std::vector<int>({static_cast<int>(r), 1, 1, 1}));
        EXPECT_EQ(s.dataOk, static_cast<int>(r) != c.expectBad) << "sector " << r;
        EXPECT_EQ(s.recovered, static_cast<int>(r) == c.expectRecovered) << "sector " << r;
        const std::size_t offset = (3 * 18 + r) * 256;  // cylinder 1 head 1 is the fourth track side
        const std::vector<std::uint8_t> expected(image.begin() + offset, image.begin() + offset + 256);
        if (s.dataOk) {
            EXPECT_EQ(s.data, expected) << "sector " << r;
        } else {
            EXPECT_EQ(s.data.size(), 256U);  // the bad copy is still delivered
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Tracks, MfmRoundTrip,
                         testing::Values(MfmCase{.name = "Clean",
                                                 .jitter = 0.0,
                                                 .corruptOnRevolution = {-1},
                                                 .expectBad = -1,
                                                 .expectRecovered = -1},
                                         MfmCase{.name = "Jitter",
                                                 .jitter = 0.2,
                                                 .corruptOnRevolution = {-1, -1},
                                                 .expectBad = -1,
                                                 .expectRecovered = -1},
                                         MfmCase{.name = "BadOnEveryRevolution",
                                                 .jitter = 0.2,
                                                 .corruptOnRevolution = {5, 5},
                                                 .expectBad = 5,
                                                 .expectRecovered = -1},
                                         MfmCase{.name = "BadOnlyOnFirstRevolution",
                                                 .jitter = 0.2,
                                                 .corruptOnRevolution = {9, -1},
                                                 .expectBad = -1,
                                                 .expectRecovered = 9},
                                         MfmCase{.name = "BadOnlyOnLastRevolution",
                                                 .jitter = 0.2,
                                                 .corruptOnRevolution = {-1, -1, 17},
                                                 .expectBad = -1,
                                                 .expectRecovered = -1}),
                         [](const testing::TestParamInfo<MfmCase>& row) { return row.param.name; });

// A sector is taken only when its size fits into one revolution: a 512-byte
// sector does; an ID of size code 7 (16 KB, counted as 8 KB) names more than
// a revolution of a turning disk carries, whatever the capture holds.
TEST(MfmDecode, TakesOnlySectorsThatFitIntoARevolution) {
    struct Case {
        const char* name;
        std::uint8_t sizeCode;
        bool listed;
    };
    for (const Case& c : {Case{"512 bytes", 2, true}, Case{"16 KB", 7, false}}) {
        flux::EncodeSector sector;
        sector.cylinder = 3;
        sector.sector = 9;
        sector.sizeCode = c.sizeCode;
        sector.data.assign(std::size_t{128} << c.sizeCode, 0xC3);
        const std::vector<std::vector<flux::EncodeSector>> revs = {{sector}};
        const flux::DecodedTrack track = flux::DecodeMfmTrack(flux::EncodeMfmTrack(revs));
        ASSERT_EQ(track.sectors.size(), c.listed ? 1U : 0U) << c.name;
        if (c.listed) {
            EXPECT_TRUE(track.sectors[0].dataOk);
            EXPECT_EQ(track.sectors[0].data, sector.data);
        }
    }
}

TEST(MfmDecode, BlankTrackAndNoIndexGiveNoSectors) {
    flux::EncodeOptions options;
    options.index = false;
    const std::vector<std::vector<flux::EncodeSector>> revs = {{}};
    const flux::DecodedTrack track = flux::DecodeMfmTrack(flux::EncodeMfmTrack(revs, options));
    EXPECT_FALSE(track.indexSeen);
    EXPECT_EQ(track.revolutions, 1);
    EXPECT_TRUE(track.sectors.empty());
}

TEST(MfmEncode, OpusTrackLayoutFillsOneRevolution) {
    const std::vector<std::uint8_t> image = NumberedImage(1, 1);
    const auto sectors = flux::OpusTrackSectors(image, 0, 0, 1);
    std::vector<std::uint8_t> ids;
    ids.reserve(sectors.size());
    for (const auto& s : sectors) {
        ids.push_back(s.sector);
    }
    // Every ID once, from 0, each the one before it plus seven, counted round the track.
    ASSERT_EQ(ids.size(), 18U);
    EXPECT_EQ(ids.front(), 0);
    for (std::size_t i = 1; i < ids.size(); ++i) {
        EXPECT_EQ(ids[i], (ids[i - 1] + 7) % 18) << "position " << i;
    }
    EXPECT_EQ(std::set<std::uint8_t>(ids.begin(), ids.end()).size(), 18U);
    EXPECT_EQ(flux::NominalTrackBytes(), 6250U);
    EXPECT_EQ(flux::EncodeMfmCells(sectors, 6250).size(), 6250U * 16);
    EXPECT_THROW((void)flux::OpusTrackSectors(image, 1, 0, 1), std::exception);  // past the image
}

// Every field starts the IBM way: 12 zero bytes, three A1 syncs with a
// missing clock (4489), then its mark (FE for an ID: 5554); 22 bytes of gap 2
// part an ID from its data field.
TEST(MfmEncode, FieldsStartWithTwelveZerosAndThreeSyncs) {
    const auto cells = flux::EncodeMfmCells(flux::OpusTrackSectors(NumberedImage(1, 1), 0, 0, 1), 6250);
    std::vector<std::uint16_t> words(cells.size() / 16);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        words[i / 16] = static_cast<std::uint16_t>(words[i / 16] << 1 | cells[i]);
    }
    const auto sync = std::find(words.begin(), words.end(), 0x4489);
    ASSERT_GT(sync - words.begin(), 12);
    std::vector<std::uint16_t> expected(12, 0xAAAA);
    expected.insert(expected.end(), {0x4489, 0x4489, 0x4489, 0x5554});
    EXPECT_NE(*(sync - 13), 0xAAAA);
    EXPECT_EQ(std::vector<std::uint16_t>(sync - 12, sync + 4), expected);
    EXPECT_EQ(std::find(sync + 3, words.end(), 0x4489) - sync, 3 + 7 + 22 + 12);  // ID, gap 2, zeros
}

TEST(MfmCrc, KnownCheckValue) {
    const std::string text = "123456789";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    EXPECT_EQ(flux::Crc16Ccitt(bytes), 0x29B1);  // the published CRC-16/CCITT-FALSE check value
}

}  // namespace
