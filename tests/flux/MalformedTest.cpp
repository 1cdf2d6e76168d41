#include <gtest/gtest.h>

#include <functional>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "flux/FluxFiles.h"
#include "flux/FluxImage.h"
#include "flux/Hfe.h"
#include "flux/KryoFlux.h"
#include "flux/Scp.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A good file of each kind to damage: one track side of Opus sectors 0 and 1.
flux::FluxDisk SmallDisk() {
    const Bytes image(18 * 256, 0x5A);
    auto sectors = flux::OpusTrackSectors(image, 0, 0, 1);
    std::erase_if(sectors, [](const flux::EncodeSector& s) { return s.sector > 1; });
    const std::vector<std::vector<flux::EncodeSector>> revs = {sectors};
    flux::FluxDisk disk;
    disk.tracks.push_back(flux::EncodeMfmTrack(revs));
    return disk;
}

Bytes GoodScp() {
    return flux::WriteScp(SmallDisk());
}

Bytes GoodHfe() {
    const Bytes image(18 * 256, 0x5A);
    const std::vector<std::vector<std::uint8_t>> sides = {
        flux::EncodeMfmCells(flux::OpusTrackSectors(image, 0, 0, 1), flux::NominalTrackBytes())};
    return flux::WriteHfe(sides, 1, 1);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct MalformedCase {
    std::string name;
    std::function<Bytes()> make;
    std::function<flux::FluxDisk(const Bytes&)> read;
};

class MalformedFile : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedFile, IsRefusedWithAClearFailure) {
    const Bytes bytes = GetParam().make();
    EXPECT_THROW((void)GetParam().read(bytes), Failure);
}

const auto kReadScp = [](const Bytes& b) { return flux::ReadScp(b); };
const auto kReadHfe = [](const Bytes& b) { return flux::ReadHfe(b); };
const auto kReadKf = [](const Bytes& b) {
    return flux::FluxDisk{"kryoflux", 1, {flux::ReadKryoFluxStream(b, 0, 0)}};
};

INSTANTIATE_TEST_SUITE_P(
    Readers, MalformedFile,
    testing::Values(MalformedCase{"ScpShortHeader",
                                  [] {
                                      return Bytes{'S', 'C', 'P', 0x22, 0x80};
                                  },
                                  kReadScp},
                    MalformedCase{"ScpZeroRevolutions",
                                  [] {
                                      Bytes b = GoodScp();
                                      b[5] = 0;
                                      return b;
                                  },
                                  kReadScp},
                    MalformedCase{"ScpTrackOffsetPastTheEnd",
                                  [] {
                                      Bytes b = GoodScp();
                                      Put32(b, 0x10, static_cast<std::uint32_t>(b.size() + 100));
                                      return b;
                                  },
                                  kReadScp},
                    MalformedCase{"ScpFluxPastTheEnd",
                                  [] {
                                      Bytes b = GoodScp();
                                      b.resize(b.size() - 1);
                                      return b;
                                  },
                                  kReadScp},
                    MalformedCase{"ScpTrackTableCut",
                                  [] {
                                      Bytes b = GoodScp();
                                      b[7] = 200;
                                      b.resize(0x30);
                                      return b;
                                  },
                                  kReadScp},
                    MalformedCase{"HfeShortHeader",
                                  [] { return Bytes{'H', 'X', 'C', 'P', 'I', 'C', 'F', 'E', 0, 40}; },
                                  kReadHfe},
                    MalformedCase{"HfeNoTracks",
                                  [] {
                                      Bytes b = GoodHfe();
                                      b[9] = 0;
                                      return b;
                                  },
                                  kReadHfe},
                    MalformedCase{"HfeTrackOffsetPastTheEnd",
                                  [] {
                                      Bytes b = GoodHfe();
                                      b[512] = 0xFF;
                                      return b;
                                  },
                                  kReadHfe},
                    MalformedCase{"HfeTrackListPastTheEnd",
                                  [] {
                                      Bytes b = GoodHfe();
                                      b[0x12] = 0x40;
                                      return b;
                                  },
                                  kReadHfe},
                    MalformedCase{"KryoFluxNotAStream",
                                  [] {
                                      return Bytes{0x41, 0x42, 0x43, 0x44};
                                  },
                                  kReadKf}),
    [](const testing::TestParamInfo<MalformedCase>& row) { return row.param.name; });

// The real stream of cylinder 0 head 0 cut at many places, inside blocks and
// inside sectors: what decodes is still right, the rest is simply not there.
TEST(KryoFluxStreamCut, KeepsWhatCameBeforeTheCut) {
    const Bytes whole = readWholeFile(QUILLMAR_BINARY_DIR "/testdata/flux/kryoflux/track00.0.raw");
    for (std::size_t cut :
         {std::size_t{4}, std::size_t{120}, whole.size() / 7, whole.size() / 3 + 1, whole.size() - 3}) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        const flux::FluxTrack track = flux::ReadKryoFluxStream(part, 0, 0);
        for (const flux::DecodedSector& s : flux::DecodeMfmTrack(track).sectors) {
            EXPECT_EQ(s.cylinder, 0);
            if (s.dataOk) {
                EXPECT_EQ(s.data, Bytes(512, static_cast<std::uint8_t>(s.sector - 1))) << "cut " << cut;
            }
        }
    }
}

// An SCP or HFE whose flux stops inside a sector: bad or missing sectors.
TEST(FluxEndingInsideASector, GivesBadSectorsNotAFailure) {
    flux::FluxDisk disk = SmallDisk();
    disk.tracks[0].intervals.resize(disk.tracks[0].intervals.size() / 10);
    const auto decoded = flux::BuildImage(flux::DecodeFluxDisk(flux::ReadScp(flux::WriteScp(disk))));
    ASSERT_TRUE(decoded.has_value());
    // A tenth of the track holds sector 0 whole and the ID of sector 1 only.
    EXPECT_EQ(decoded->unreadable, 1);
    ASSERT_EQ(decoded->image.sectorMap->entries.size(), 1U);
    EXPECT_EQ(decoded->image.sectorMap->entries[0].sector, 1);
    EXPECT_EQ(decoded->image.sectorMap->entries[0].state, SectorState::Bad);
}

}  // namespace

namespace {

struct DetectCase {
    std::string name;
    std::string fileName;
    std::vector<std::uint8_t> bytes;
    flux::FluxFormat expected;
};

class FluxDetection : public testing::TestWithParam<DetectCase> {};

// Contents decide first, the name only when the contents say nothing.
TEST_P(FluxDetection, ByContentsThenByName) {
    TempDir dir;
    writeBytes(dir.file(GetParam().fileName), GetParam().bytes);
    EXPECT_EQ(flux::DetectFluxFormat(dir.file(GetParam().fileName)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FluxDetection,
    testing::Values(
        DetectCase{"ScpUnderAnotherName", "disk.dat", {'S', 'C', 'P', 0x22}, flux::FluxFormat::Scp},
        DetectCase{"HfeUnderAnotherName",
                   "disk.img",
                   {'H', 'X', 'C', 'H', 'F', 'E', 'V', '3'},
                   flux::FluxFormat::Hfe},
        DetectCase{"StreamUnderAnotherName", "a.bin", {0x0D, 0x04, 0x00, 0x00}, flux::FluxFormat::KryoFlux},
        DetectCase{"StreamByItsName", "track07.1.raw", {0x41}, flux::FluxFormat::KryoFlux},
        DetectCase{"OtherRawFile", "picture.raw", {0x41}, flux::FluxFormat::None},
        DetectCase{"OpusImage", "disk.opd", Bytes(4608, 0xE5), flux::FluxFormat::None}),
    [](const testing::TestParamInfo<DetectCase>& row) { return row.param.name; });

}  // namespace
