#include "core/FileIO.h"
#include "open/FluxFiles.h"
#include "support/TestSupport.h"

namespace {

const std::string kStreams = QUILLMAR_BINARY_DIR "/testdata/flux/kryoflux";
const std::string kTruth = QUILLMAR_SOURCE_DIR "/tests/data/flux/sector_test_360k.img";

// A disk written and read back on real hardware: every sector must come out
// as the disk's own image holds it. The set is named by one of its files.
TEST(RealKryoFluxRecording, DecodesToTheDisksImageByteForByte) {
    const flux::FluxDisk disk = flux::LoadFluxFile(kStreams + "/track17.1.raw");
    EXPECT_EQ(disk.format, "kryoflux");
    EXPECT_EQ(disk.revolutions, 3);  // four index pulses in every stream file
    const auto image = flux::BuildImage(flux::DecodeFluxDisk(disk));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->shape.geometry, (SectorGeometry{40, 2, 9, 512, 1}));
    EXPECT_EQ(image->unreadable, 0) << flux::UnreadableSummary(*image);
    EXPECT_TRUE(bytesEqual(readWholeFile(kTruth), image->image.bytes));
}

TEST(RealKryoFluxRecording, IsFoundFromItsFolder) {
    EXPECT_EQ(flux::DetectFluxFormat(kStreams), flux::FluxFormat::KryoFlux);
    const flux::FluxDisk disk = flux::LoadFluxFile(kStreams);
    ASSERT_EQ(disk.tracks.size(), 80U);
    EXPECT_EQ(disk.tracks[79].track, 39);
    EXPECT_EQ(disk.tracks[79].head, 1);
}

}  // namespace
