#include <functional>
#include <tuple>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "flux/FluxImage.h"
#include "flux/Hfe.h"
#include "flux/KryoFlux.h"
#include "flux/Scp.h"
#include "open/FluxFiles.h"
#include "support/TestSupport.h"

namespace {

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

using Read = flux::FluxDisk (*)(const Bytes&);
const Read kScp = [](const Bytes& b) { return flux::ReadScp(b); };
const Read kHfe = [](const Bytes& b) { return flux::ReadHfe(b); };
const Read kKf = [](const Bytes& b) {
    return flux::FluxDisk{"kryoflux", 1, {flux::ReadKryoFluxStream(b, 0, 0)}, {}};
};

TEST(MalformedFile, IsRefusedWithAClearFailure) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::function<void(Bytes&)> damage;
        Read read;
    };
    const Case cases[] = {
        {"SCP short header", {'S', 'C', 'P', 0x22, 0x80}, [](Bytes&) {}, kScp},
        {"SCP zero revolutions", GoodScp(), [](Bytes& b) { b[5] = 0; }, kScp},
        {"SCP track offset past the end", GoodScp(), [](Bytes& b) { b[0x13] = 0x7F; }, kScp},
        {"SCP flux past the end", GoodScp(), [](Bytes& b) { b.pop_back(); }, kScp},
        {"SCP track table cut", GoodScp(),
         [](Bytes& b) {
             b[7] = 200;
             b.resize(0x30);
         },
         kScp},
        {"HFE short header", {'H', 'X', 'C', 'P', 'I', 'C', 'F', 'E', 0, 40}, [](Bytes&) {}, kHfe},
        {"HFE no tracks", GoodHfe(), [](Bytes& b) { b[9] = 0; }, kHfe},
        {"HFE track offset past the end", GoodHfe(), [](Bytes& b) { b[512] = 0xFF; }, kHfe},
        {"HFE track list past the end", GoodHfe(), [](Bytes& b) { b[0x12] = 0x40; }, kHfe},
        {"KryoFlux not a stream", {0x41, 0x42, 0x43, 0x44}, [](Bytes&) {}, kKf},
    };
    for (Case c : cases) {
        c.damage(c.bytes);
        EXPECT_THROW((void)c.read(c.bytes), Failure) << c.name;
    }
}

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

// Contents decide first, the name only when the contents say nothing.
TEST(FluxDetection, ByContentsThenByName) {
    const std::tuple<std::string, Bytes, flux::FluxFormat> cases[] = {
        {"disk.dat", {'S', 'C', 'P', 0x22}, flux::FluxFormat::Scp},
        {"disk.img", {'H', 'X', 'C', 'H', 'F', 'E', 'V', '3'}, flux::FluxFormat::Hfe},
        {"a.bin", {0x0D, 0x04, 0x00, 0x00}, flux::FluxFormat::KryoFlux},
        {"track07.1.raw", {0x41}, flux::FluxFormat::KryoFlux},
        {"picture.raw", {0x41}, flux::FluxFormat::None},
        {"disk.opd", Bytes(4608, 0xE5), flux::FluxFormat::None},
    };
    for (const auto& [name, bytes, expected] : cases) {
        TempDir dir;
        writeBytes(dir.file(name), bytes);
        EXPECT_EQ(flux::DetectFluxFormat(dir.file(name)), expected) << name;
    }
}

// Index blocks: stream position (32-bit), sample count since the last
// transition (32-bit), index clock (32-bit). A damaged second block points
// backwards and is dropped.
TEST(KryoFluxIndex, LandsInsideItsFluxAndNeverRunsBackwards) {
    const Bytes stream = {
        0x0D, 0x02, 0x0C, 0x00, 2, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0,  // index during the flux at position 2
        0x20, 0x20, 0x20, 0x20,                                       // four fluxes of 32 ticks
        0x0D, 0x02, 0x0C, 0x00, 0, 0, 0, 0, 5,  0, 0, 0, 0, 0, 0, 0,  // index at position 0: backwards
        0x0D, 0x0D, 0x0D, 0x0D};                                      // end of file
    const flux::FluxTrack track = flux::ReadKryoFluxStream(stream, 3, 1);
    EXPECT_EQ(track.intervals, (std::vector<std::uint32_t>{32, 32, 32, 32}));
    EXPECT_EQ(track.indexTicks, (std::vector<std::uint64_t>{64 + 10}));
}

}  // namespace
