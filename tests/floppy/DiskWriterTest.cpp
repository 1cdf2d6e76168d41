// The write engine through the simulated controller drive: round trips of
// every shape, the tries of a side that does not read back, Cancel, a
// protected disk, and the shapes an image's length allows.

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "floppy/DiskReader.h"
#include "floppy/DiskWriter.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "support/TestSupport.h"

namespace {

using floppyfix::patternDisk;

// Another disk than the one written, so that nothing passes by being there already.
Bytes oldDisk(int sides, int tracks) {
    Bytes disk = patternDisk(sides, tracks);
    for (std::uint8_t& b : disk) {
        b = static_cast<std::uint8_t>(~b);
    }
    return disk;
}

struct WriteRun {
    WriteReport report;
    Bytes file;
    std::vector<int> erasures;
    int writes = 0;
};

WriteRun writeThrough(const Bytes& onDisk, const Bytes& image, const WriteOptions& options,
                      const std::string& faults = "", bool writeProtected = false, int cancelAfterSide = -1) {
    const TempDir dir;
    const std::string path = dir.file("disk.opd");
    writeBytes(path, onDisk);
    if (writeProtected) {
        std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
    }
    SimulatedFloppyDriver driver(path, SimulatedFloppyDriver::ParseFaults(faults));
    ScriptedPrompter prompter;
    DiskWriter writer(driver, prompter);
    int sides = 0;
    WriteHooks hooks;
    hooks.progress = [&](const WriteProgress& p) {
        if (p.ok && ++sides == cancelAfterSide) {
            writer.Cancel();
        }
    };
    WriteRun run;
    run.report = writer.WriteDisk("A", options, image, hooks);
    run.file = readBytes(path);
    run.erasures = driver.Erasures();
    run.writes = driver.WriteRequests();
    EXPECT_EQ(prompter.busyDepth, 0);
    return run;
}

TEST(DiskWriter, WrittenDiskReadsBackAsTheImage) {
    struct Case {
        const char* name;
        WriteShape shape;
        bool doubleStep;
        Bytes onDisk;
        std::size_t erasures;  // the odd cylinders beside a double-stepped track
    };
    const Case cases[] = {
        {"40 x 1 with double steps over a 40 x 1 disk", {40, 1}, true, oldDisk(1, 40), 40},
        {"40 x 2 with double steps over a 40 x 1 disk", {40, 2}, true, oldDisk(1, 40), 80},
        {"80 x 2 over a 40 x 2 disk", {80, 2}, true, oldDisk(2, 40), 0},
        {"40 x 1 in a 40-track drive", {40, 1}, false, oldDisk(1, 40), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes image = patternDisk(c.shape.heads, c.shape.tracks);
        const WriteRun run = writeThrough(c.onDisk, image, {.shape = c.shape, .bDoubleStep = c.doubleStep});
        ASSERT_EQ(run.report.outcome, WriteOutcome::Finished);
        EXPECT_EQ(DiskWriter::Summary(run.report, {}),
                  "Write finished: " + std::to_string(c.shape.tracks * c.shape.heads) +
                      " track sides written and verified");
        EXPECT_EQ(run.report.statusLines.back(),
                  std::to_string(c.shape.heads - 1) + ":" + std::to_string(c.shape.tracks - 1) + " Write OK");
        EXPECT_EQ(run.erasures.size(), c.erasures);
        // Read back as the read command would, from the file the drive left.
        SimulatedFloppyDriver reader(run.file, {});
        ScriptedPrompter prompter;
        DiskImage back;
        const ReadReport read = DiskReader(reader, prompter)
                                    .ReadDisk("A",
                                              {.bDoubleStep = c.doubleStep,
                                               .bDoubleSided = c.shape.heads == 2,
                                               .Tracks = c.shape.tracks},
                                              back);
        EXPECT_TRUE(read.failedSides.empty());
        EXPECT_TRUE(bytesEqual(image, back.bytes));
    }
}

TEST(DiskWriter, TriesCancelAndProtection) {
    const Bytes image = patternDisk(1);
    const Bytes before = oldDisk(1, 40);
    struct Case {
        const char* name;
        std::string faults;
        bool writeProtected;
        int cancelAfterSide;
        WriteOutcome outcome;
        int writes;
        std::vector<std::string> lines;  // the lines other than "Write OK"
        std::string summary;
    };
    const Case cases[] = {
        {"a sector that reads back on the second try",
         "0:3:23:1:5",
         false,
         -1,
         WriteOutcome::Finished,
         41,
         {"0:3 Verify failed: sectors 5 (try 1 of 3)"},
         "Write finished: 40 track sides written and verified"},
        {"sectors that never read back",
         "0:3:23:99:5;0:3:27:99:9",
         false,
         -1,
         WriteOutcome::Failed,
         6,
         {"0:3 Verify failed: sectors 5, 9 (try 1 of 3)", "0:3 Verify failed: sectors 5, 9 (try 2 of 3)",
          "0:3 Verify failed: sectors 5, 9 (try 3 of 3)"},
         "Write failed at 0:3: sectors 5, 9 do not read back after 3 retries; the disk is partly written"},
        {"Cancel after the second side",
         "",
         false,
         2,
         WriteOutcome::Canceled,
         2,
         {},
         "Write cancelled after 0:1; the disk is partly written"},
        {"a write-protected disk",
         "",
         true,
         -1,
         WriteOutcome::WriteProtected,
         0,
         {},
         "the disk in drive A is write-protected; nothing was written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WriteRun run = writeThrough(before, image, {}, c.faults, c.writeProtected, c.cancelAfterSide);
        EXPECT_EQ(run.report.outcome, c.outcome);
        EXPECT_EQ(run.writes, c.writes);
        EXPECT_EQ(DiskWriter::Summary(run.report, {}), c.summary);
        std::vector<std::string> lines;
        std::ranges::copy_if(run.report.statusLines, std::back_inserter(lines),
                             [](const std::string& l) { return !l.ends_with("Write OK"); });
        EXPECT_EQ(lines, c.lines);
        // What was not written is still the old disk.
        const int touched = run.report.sidesWritten + (c.outcome == WriteOutcome::Failed ? 1 : 0);
        const std::size_t written = static_cast<std::size_t>(touched) * floppyfix::kTrackSide;
        EXPECT_TRUE(bytesEqual({before.begin() + static_cast<std::ptrdiff_t>(written), before.end()},
                               {run.file.begin() + static_cast<std::ptrdiff_t>(written), run.file.end()}));
    }
}

TEST(DiskWriter, ShapeComesFromTheLengthAndTheOptions) {
    struct Case {
        std::size_t length;
        bool doubleSided;
        int tracks;
        WriteShape shape;  // {0, 0}: refused
    };
    const Case cases[] = {
        {184320, false, 0, {40, 1}}, {184320, false, 40, {40, 1}}, {737280, true, 80, {80, 2}},
        {368640, true, 0, {40, 2}},  {368640, false, 80, {80, 1}}, {368640, true, 40, {40, 2}},
        {368640, false, 0, {0, 0}},  {368640, true, 80, {0, 0}},   {368640, false, 40, {0, 0}},
        {184320, true, 0, {0, 0}},   {737280, false, 40, {0, 0}},  {184321, false, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        WriteShape shape{0, 0};
        const std::string why = ResolveWriteShape(c.length, c.doubleSided, c.tracks, shape);
        EXPECT_EQ(shape, c.shape) << c.length << " " << c.doubleSided << " " << c.tracks;
        EXPECT_EQ(why.empty(), c.shape.tracks != 0) << why;
    }
}

}  // namespace
