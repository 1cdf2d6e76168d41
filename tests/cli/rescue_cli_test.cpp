#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliDiskFixture.h"
#include "disk/DiskBuilder.h"

namespace {

// The whole rescue on the command line: a read that keeps all but one sector,
// check naming the file that sector spoils, a second read merged in, check clean.
TEST(RescueCli, ReadSectorBySectorCheckMergeCheck) {
    const CliRun disk;
    const std::string image = disk.file("disk.opu");
    writeBytes(image, DiskBuilder("RESCUE").addFile("PROG", 3, std::vector<std::uint8_t>(600, 0x5A)).build());
    const std::string out = disk.file("out.opu");
    const ScopedEnv floppy("QUILLMAR_FLOPPY", "sim:" + image);

    CommandResult r;
    {
        // PROG's header sits in block 8: track 0, sector 8.
        const ScopedEnv faults("QUILLMAR_FLOPPY_FAULTS", "0:0:23:99:8");
        r = disk.run({"read", "--sector-by-sector", "-o", out});
    }
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("0:0 CRC Error (0x00000017), 17 of 18 sectors recovered\n0:1 Read OK\n", 0), 0u)
        << r.out;
    EXPECT_NE(r.out.find("Sector map: " + out + ".map.json (1 bad, 17 recovered)\n"), std::string::npos)
        << r.out;

    r = disk.run({"check", out});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out, "1\tPROG      \t0:0:8\n");

    const ScopedEnv noFaults("QUILLMAR_FLOPPY_FAULTS", std::nullopt);
    r = disk.run({"read", "--merge", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "0:0 Read OK, 1 of 1 sectors recovered\nMerge finished: 1 of 1 bad sectors recovered\n"
              "Sector map: " +
                  out + ".map.json (0 bad, 18 recovered)\n");
    EXPECT_TRUE(bytesEqual(readBytes(image), readBytes(out)));

    r = disk.run({"check", out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

}  // namespace
