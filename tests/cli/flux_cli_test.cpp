#include <gtest/gtest.h>

#include "disk/DiskBuilder.h"
#include "flux/FluxImage.h"
#include "flux/Scp.h"
#include "support/TestSupport.h"

namespace {

// A two-track, one-sided Opus disk recorded to SCP with sector 4 of cylinder
// 1 unreadable.
std::vector<std::uint8_t> DamagedRecording(const std::vector<std::uint8_t>& image) {
    flux::FluxDisk disk;
    for (int c = 0; c < 2; ++c) {
        auto sectors = flux::OpusTrackSectors(image, c, 0, 1);
        for (auto& s : sectors) {
            s.corruptData = c == 1 && s.sector == 4;
        }
        const std::vector<std::vector<flux::EncodeSector>> revs = {sectors};
        flux::FluxTrack track = flux::EncodeMfmTrack(revs);
        track.track = c;
        disk.tracks.push_back(std::move(track));
    }
    return flux::WriteScp(disk);
}

CommandResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), QUILLMAR_CLI_PATH);
    return runCommand(args);
}

TEST(ScanCli, ListsEachTrackSide) {
    TempDir dir;
    writeBytes(dir.file("disk.scp"), DamagedRecording(std::vector<std::uint8_t>(2 * 18 * 256, 0x11)));
    const CommandResult r = Cli({"scan", dir.file("disk.scp")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "0.0: 18 good, 0 bad, 0 missing\n1.0: 17 good, 1 bad, 0 missing\n");
}

TEST(ConvertCli, WritesTheImageWarnsOnceAndRefusesToOverwrite) {
    TempDir dir;
    std::vector<std::uint8_t> image = DiskBuilder("FLUX").imageLength(2 * 18 * 256).build();
    writeBytes(dir.file("disk.scp"), DamagedRecording(image));
    const CommandResult r = Cli({"convert", dir.file("disk.scp"), dir.file("disk.opd"), "--filler", "0x00"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "warning: 1 of 36 sectors could not be read (first: cylinder 1 head 0 sector 4)\n");
    std::fill_n(image.begin() + (18 + 4) * 256, 256, 0x00);
    EXPECT_TRUE(bytesEqual(image, readBytes(dir.file("disk.opd"))));
    EXPECT_EQ(Cli({"convert", dir.file("disk.scp"), dir.file("disk.opd")}).exitCode, 1);
}

TEST(ImageCommandsCli, OpenARecordingWithTheSameWarning) {
    TempDir dir;
    writeBytes(dir.file("disk.scp"), DamagedRecording(DiskBuilder("FLUX").imageLength(2 * 18 * 256).build()));
    const CommandResult r = Cli({"list", dir.file("disk.scp")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Disk: FLUX      \n");
    EXPECT_EQ(r.err, "warning: 1 of 36 sectors could not be read (first: cylinder 1 head 0 sector 4)\n");
}

}  // namespace
