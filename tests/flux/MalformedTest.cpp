#include <functional>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "flux/FluxImage.h"
#include "flux/Hfe.h"
#include "flux/KryoFlux.h"
#include "flux/Scp.h"
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

// Three cylinders of an Opus disk, every sector holding its own index, as
// SCP (two revolutions, one head) and as HFE (two heads).
Bytes SectorIndexImage() {
    Bytes image(6 * 18 * 256);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i / 256);
    }
    return image;
}
const Bytes kImage = SectorIndexImage();

Bytes ThreeCylinderScp() {
    flux::FluxDisk disk;
    for (int c = 0; c < 3; ++c) {
        const auto sectors = flux::OpusTrackSectors(kImage, c, 0, 1);
        const std::vector<std::vector<flux::EncodeSector>> revs = {sectors, sectors};
        disk.tracks.push_back(flux::EncodeMfmTrack(revs));
        disk.tracks.back().track = c;
    }
    return flux::WriteScp(disk);
}

Bytes ThreeCylinderHfe(const char* magic) {
    std::vector<Bytes> sides;
    for (int c = 0; c < 3; ++c) {
        for (int h = 0; h < 2; ++h) {
            sides.push_back(flux::EncodeMfmCells(flux::OpusTrackSectors(kImage, c, h, 2), 6250));
        }
    }
    Bytes file = flux::WriteHfe(sides, 3, 2);
    std::copy_n(magic, 8, file.begin());
    return file;
}

// Where a track starts: SCP's table holds 32-bit offsets by track number
// (cylinder x 2 + head), HFE's list 16-bit block numbers by cylinder.
std::size_t ScpTrack(const Bytes& f, int number) {
    const auto e = static_cast<std::size_t>(0x10 + 4 * number);
    return f[e] | f[e + 1] << 8 | f[e + 2] << 16;
}
std::size_t HfeTrack(const Bytes& f, int c) {
    const auto e = static_cast<std::size_t>(512 + 4 * c);
    return (f[e] | f[e + 1] << 8) * std::size_t{512};
}
std::ptrdiff_t At(std::size_t offset) {
    return static_cast<std::ptrdiff_t>(offset);
}

using Read = flux::FluxDisk (*)(const Bytes&);
const Read kScp = [](const Bytes& b) { return flux::ReadScp(b); };
const Read kHfe = [](const Bytes& b) { return flux::ReadHfe(b); };
const Read kKf = [](const Bytes& b) {
    flux::FluxDisk disk{"kryoflux", 1, {}, {}};
    disk.tracks.push_back(flux::ReadKryoFluxStream(b, 0, 0, &disk.warnings));
    return disk;
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
        {"SCP track table cut", GoodScp(),
         [](Bytes& b) {
             b[7] = 200;
             b.resize(0x30);
         },
         kScp},
        {"SCP header of another track", ThreeCylinderScp(), [](Bytes& b) { b[ScpTrack(b, 2) + 3] = 4; },
         kScp},
        {"SCP two tracks on one header", ThreeCylinderScp(),
         [](Bytes& b) { std::copy_n(b.begin() + 0x10, 4, b.begin() + 0x18); }, kScp},
        {"SCP two revolutions on one flux", ThreeCylinderScp(),
         [](Bytes& b) {
             const std::size_t t = ScpTrack(b, 0);
             std::copy_n(b.begin() + At(t + 12), 4, b.begin() + At(t + 24));
         },
         kScp},
        {"HFE short header", {'H', 'X', 'C', 'P', 'I', 'C', 'F', 'E', 0, 40}, [](Bytes&) {}, kHfe},
        {"HFE no tracks", GoodHfe(), [](Bytes& b) { b[9] = 0; }, kHfe},
        {"HFE three sides", GoodHfe(), [](Bytes& b) { b[10] = 3; }, kHfe},
        {"HFE bit rate beyond any disk", GoodHfe(), [](Bytes& b) { b[0x0D] = 0xFF; }, kHfe},
        {"HFE track list past the end", GoodHfe(), [](Bytes& b) { b[0x12] = 0x40; }, kHfe},
        {"HFE two tracks in one block", ThreeCylinderHfe("HXCPICFE"),
         [](Bytes& b) { std::copy_n(b.begin() + 512, 2, b.begin() + 516); }, kHfe},
        {"KryoFlux empty", {}, [](Bytes&) {}, kKf},
        {"KryoFlux not a stream", {0x41, 0x42, 0x43, 0x44}, [](Bytes&) {}, kKf},
    };
    for (Case c : cases) {
        c.damage(c.bytes);
        EXPECT_THROW((void)c.read(c.bytes), Failure) << c.name;
    }
}

// A capture cut short, even by one byte: every complete track side decodes
// whole, the cut one as far as its flux goes, and one warning names it.
TEST(CaptureCutShort, LosesOnlyWhatIsCut) {
    const Bytes scp = ThreeCylinderScp();
    const Bytes hfe = ThreeCylinderHfe("HXCPICFE");
    const Bytes hfe3 = ThreeCylinderHfe("HXCHFEV3");
    struct Case {
        const char* name;
        const Bytes& file;
        Read read;
        std::size_t cut;
        int wholeSides;  // decoding to all 18 sectors
        const char* where;
    };
    const Case cases[] = {
        {"SCP one byte less", scp, kScp, scp.size() - 1, 3,
         "track 2 side 0"},  // its first revolution is whole
        {"SCP inside the last track header", scp, kScp, ScpTrack(scp, 4) + 2, 2, "track 2 side 0"},
        {"SCP inside track 1", scp, kScp, ScpTrack(scp, 2) + 3000, 1, "track 1 side 0"},
        {"HFE without its last byte", hfe, kHfe, HfeTrack(hfe, 2) + 48 * 512 + 256 + 211, 6,
         "track 2 side 1"},
        {"HFE inside side 1 of track 2", hfe, kHfe, HfeTrack(hfe, 2) + 300, 4, "track 2 side 1"},
        {"HFE at the start of track 1", hfe, kHfe, HfeTrack(hfe, 1), 2, "track 1 side 0"},
        {"HFE revision 3 inside track 1", hfe3, kHfe, HfeTrack(hfe3, 1) + 5000, 2, "track 1 side 1"},
    };
    for (const Case& c : cases) {
        const flux::FluxDisk disk = c.read(Bytes(c.file.begin(), c.file.begin() + At(c.cut)));
        EXPECT_EQ(disk.warnings, std::vector<std::string>{std::string("the recording ends inside ") +
                                                          c.where + "; what follows is missing"})
            << c.name;
        int whole = 0;
        for (const flux::DecodedSide& side : flux::DecodeFluxDisk(disk).sides) {
            bool good = side.decoded.sectors.size() == 18;
            for (const flux::DecodedSector& s : side.decoded.sectors) {
                const int heads = c.read == kScp ? 1 : 2;
                const std::size_t at =
                    static_cast<std::size_t>(((s.cylinder * heads + s.head) * 18 + s.sector) * 256);
                good = good && s.dataOk &&
                       s.data == Bytes(kImage.begin() + At(at), kImage.begin() + At(at + 256));
            }
            whole += good ? 1 : 0;
        }
        EXPECT_EQ(whole, c.wholeSides) << c.name;
    }
}

// The real stream of cylinder 0 head 0 cut at many places, inside blocks and
// inside sectors: what decodes is still right, the rest is simply not there.
// Only a cut after the stream's end block loses nothing and says nothing.
TEST(KryoFluxStreamCut, KeepsWhatCameBeforeTheCut) {
    const Bytes whole = readWholeFile(QUILLMAR_BINARY_DIR "/testdata/flux/kryoflux/track00.0.raw");
    for (std::size_t cut : {std::size_t{4}, std::size_t{120}, whole.size() / 7, whole.size() / 3 + 1,
                            whole.size() - 20, whole.size() - 1}) {
        const flux::FluxDisk disk = kKf(Bytes(whole.begin(), whole.begin() + At(cut)));
        EXPECT_EQ(disk.warnings.size(), cut == whole.size() - 1 ? 0U : 1U) << "cut " << cut;
        for (const flux::DecodedSector& s : flux::DecodeMfmTrack(disk.tracks[0]).sectors) {
            EXPECT_EQ(s.cylinder, 0);
            if (s.dataOk) {
                EXPECT_EQ(s.data, Bytes(512, static_cast<std::uint8_t>(s.sector - 1))) << "cut " << cut;
            }
        }
    }
}

// A decoded side of one cylinder whose sectors all read.
flux::DecodedSide GoodSide(int cylinder, int sectors, std::uint8_t sizeCode = 1, int firstId = 0) {
    flux::DecodedSide side;
    side.track = cylinder;
    side.decoded.capacity = 6250;
    for (int r = 0; r < sectors; ++r) {
        side.decoded.sectors.push_back({static_cast<std::uint8_t>(cylinder), 0,
                                        static_cast<std::uint8_t>(firstId + r), sizeCode, true, false,
                                        Bytes(std::size_t{128} << sizeCode, 0x11)});
    }
    return side;
}

// scan counts a side's missing sectors against what most sides hold.
TEST(ScanText, CountsMissingSectorsAgainstTheUsualSide) {
    flux::DecodedDisk disk;
    disk.sides = {GoodSide(0, 18), GoodSide(1, 16), GoodSide(2, 18)};
    disk.sides[1].decoded.sectors[3].dataOk = false;
    EXPECT_EQ(
        flux::ScanText(disk),
        "0.0: 18 good, 0 bad, 0 missing\n1.0: 15 good, 1 bad, 2 missing\n2.0: 18 good, 0 bad, 0 missing\n");
}

// A capture that stops before the disk's end leaves an Opus disk its 40 or
// 80 tracks, those it lacks missing; another disk keeps what its sectors say.
TEST(CaptureCutShort, AnOpusDiskKeepsAllItsTracks) {
    const struct {
        const char* name;
        int lastCylinder;
        int sectors;
        std::uint8_t sizeCode;
        int firstId;
        int cylinders;
    } cases[] = {
        {"Opus, 3 of 40 tracks", 2, 18, 1, 0, 40}, {"Opus, all 40", 39, 18, 1, 0, 40},
        {"Opus, 41 of 80", 40, 18, 1, 0, 80},      {"Opus, 82 tracks", 81, 18, 1, 0, 82},
        {"PC, 9 x 512 from ID 1", 2, 9, 2, 1, 3},  {"18 x 256 from ID 1", 2, 18, 1, 1, 3},
    };
    for (const auto& c : cases) {
        flux::DecodedDisk disk;
        disk.sides.push_back(GoodSide(c.lastCylinder, c.sectors, c.sizeCode, c.firstId));
        const auto image = flux::BuildImage(disk);
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(image->shape.geometry.cylinders, c.cylinders) << c.name;
        EXPECT_EQ(image->unreadable, (c.cylinders - 1) * c.sectors) << c.name;
    }
}

// IDs beyond cylinder 83 or head 1 are listed by scan but never placed in
// the image.
TEST(OutOfRangeIds, AreScannedButNeverGrowTheImage) {
    std::vector<flux::EncodeSector> sectors;
    for (const auto& [c, h] : {std::pair{0, 0}, std::pair{200, 0}, std::pair{0, 7}}) {
        flux::EncodeSector s;
        s.cylinder = static_cast<std::uint8_t>(c);
        s.head = static_cast<std::uint8_t>(h);
        s.data.assign(256, 0x11);
        sectors.push_back(s);
    }
    const std::vector<std::vector<flux::EncodeSector>> revs = {sectors};
    flux::FluxDisk disk;
    disk.tracks.push_back(flux::EncodeMfmTrack(revs));
    const flux::DecodedDisk decoded = flux::DecodeFluxDisk(disk);
    EXPECT_EQ(flux::ScanText(decoded), "0.0: 3 good, 0 bad, 0 missing\n");
    const auto image = flux::BuildImage(decoded);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->shape.geometry, (SectorGeometry{1, 1, 1, 256, 0}));
}

// One sector header repeated a thousand times in a revolution (a crafted or
// damaged track) is one sector.
TEST(ManySectorHeaders, AreOneSector) {
    flux::EncodeSector s;
    s.sizeCode = 0;
    s.data.assign(128, 0x22);
    const std::vector<std::vector<flux::EncodeSector>> revs = {std::vector<flux::EncodeSector>(1000, s)};
    const flux::DecodedTrack track = flux::DecodeMfmTrack(flux::EncodeMfmTrack(revs));
    ASSERT_EQ(track.sectors.size(), 1U);
    EXPECT_TRUE(track.sectors[0].dataOk);
}

// The writer refuses what an HFE file cannot describe rather than write it
// corrupt: side counts that do not match, a side past the 16-bit length.
TEST(HfeWriter, RefusesWhatTheFormatCannotHold) {
    const std::vector<Bytes> one(1, Bytes(100000, 0));
    EXPECT_THROW((void)flux::WriteHfe(one, 1, 2), Failure);
    EXPECT_THROW((void)flux::WriteHfe(one, 2, 1), Failure);
    EXPECT_NO_THROW((void)flux::WriteHfe(std::vector<Bytes>(1, Bytes(32767 * 8, 0)), 1, 1));
    EXPECT_THROW((void)flux::WriteHfe(std::vector<Bytes>(1, Bytes(32768 * 8, 0)), 1, 1), Failure);
}

// A single-sided SCP whose tracks are numbered one after the other: track 2
// is cylinder 2, on the side the heads byte names.
TEST(ScpHeads, SingleSidedTracksNumberedOneAfterAnother) {
    Bytes file = ThreeCylinderScp();
    for (int c = 1; c < 3; ++c) {
        const std::size_t at = ScpTrack(file, 2 * c);
        std::copy_n(file.begin() + 0x10 + 8 * c, 4, file.begin() + 0x10 + 4 * c);
        std::fill_n(file.begin() + 0x10 + 8 * c, 4, 0);
        file[at + 3] = static_cast<std::uint8_t>(c);  // the track header's own number
    }
    file[0x0A] = 2;  // side 1 only
    const flux::FluxDisk disk = flux::ReadScp(file);
    ASSERT_EQ(disk.tracks.size(), 3U);
    EXPECT_EQ(std::vector<int>({disk.tracks[2].track, disk.tracks[2].head}), std::vector<int>({2, 1}));
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
