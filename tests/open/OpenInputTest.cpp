// The input layer: what a name given by the user becomes (bytes read once,
// only from regular files), what those bytes are taken for, and how much of a
// damaged KryoFlux set or a hostile zip archive is still read.

#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "open/FluxDiskOpener.h"
#include "open/FluxFiles.h"
#include "open/ZipArchive.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

const std::string kStreams = QUILLMAR_BINARY_DIR "/testdata/flux/kryoflux";
const std::string kZip = QUILLMAR_SOURCE_DIR "/tests/data/flux/sector_test_kryoflux_360k.zip";
const std::string kTruth = QUILLMAR_SOURCE_DIR "/tests/data/flux/sector_test_360k.img";

// The bytes decide; two leading bytes of 0D 0x do not make a stream.
TEST(InputDetection, ByWhatTheBytesParseAs) {
    const Bytes stream = readBytes(kStreams + "/track00.0.raw");
    Bytes image(184320, 0xE5);
    image[0] = 0x0D, image[1] = 0x01, image[2] = 0x08, image[3] = 0x00;  // a stream-position block's head
    const std::tuple<std::string, Bytes, flux::FluxFormat> cases[] = {
        {"disk.dat", {'S', 'C', 'P', 0x22}, flux::FluxFormat::Scp},
        {"disk.img", {'H', 'X', 'C', 'H', 'F', 'E', 'V', '3'}, flux::FluxFormat::Hfe},
        {"disk.scp", {0x41}, flux::FluxFormat::Scp},  // by name: its reader says what is wrong
        {"stream.bin", Bytes(stream.begin(), stream.begin() + 6000), flux::FluxFormat::KryoFlux},
        {"disk.opd", image, flux::FluxFormat::None},
        {"info-only.bin", {0x0D, 0x04, 0x03, 0x00, 'a', '=', '1'}, flux::FluxFormat::KryoFlux},
        {"info-then-junk.bin", {0x0D, 0x04, 0x01, 0x00, 'a', 0x0D, 0x07, 0, 0}, flux::FluxFormat::None},
        {"track07.1.raw", {0x41}, flux::FluxFormat::KryoFlux},  // named so: its set reads without it
        {"picture.raw", {0x41}, flux::FluxFormat::None},
    };
    for (const auto& [name, bytes, expected] : cases) {
        EXPECT_EQ(flux::DetectFluxFormat(bytes, name), expected) << name;
    }
}

// One damaged stream file costs its own track side and nothing else, whether
// the set is named by its folder or by one of its files.
TEST(StreamSet, ReadsEveryFileButTheDamagedOne) {
    struct Case {
        const char* name;
        std::function<void(const TempDir&)> damage;
        const char* given;  // a file of the set, or the folder when empty
        std::size_t sides;
        std::string warning;
    };
    const std::string lost = "track05.0.raw is not a readable stream file (";
    const Case cases[] = {
        {"empty", [](const TempDir& d) { writeBytes(d.file("track05.0.raw"), {}); }, "", 19,
         lost + "it is empty"},
        {"cut in its first block",
         [](const TempDir& d) {
             writeBytes(d.file("track05.0.raw"), {0x0D, 0x04, 0x75});
         },
         "track07.1.raw", 19, lost + "it ends inside its first block"},
        {"garbage", [](const TempDir& d) { writeBytes(d.file("track05.0.raw"), Bytes(500, 0x41)); }, "", 19,
         lost + "it does not start with a stream block"},
#ifndef _WIN32
        {"a FIFO",
         [](const TempDir& d) {
             fs::remove(d.file("track05.0.raw"));
             ASSERT_EQ(mkfifo(d.file("track05.0.raw").c_str(), 0600), 0);
         },
         "track05.1.raw", 19, lost + "not a regular file"},
#endif
        {"a stray set of one file",
         [](const TempDir& d) { fs::copy_file(d.file("track05.0.raw"), d.file("aaa00.0.raw")); }, "", 20, ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (int track = 0; track < 10; ++track) {  // a set of ten cylinders is enough
            for (const char* side : {".0.raw", ".1.raw"}) {
                const std::string name = "track0" + std::to_string(track) + side;
                fs::copy_file(kStreams + "/" + name, dir.file(name));
            }
        }
        c.damage(dir);
        const flux::FluxDisk disk =
            flux::LoadFluxDisk(input::ReadInput(*c.given ? dir.file(c.given) : dir.path().string()));
        EXPECT_EQ(disk.tracks.size(), c.sides) << c.name;
        EXPECT_EQ(disk.warnings, c.warning.empty()
                                     ? std::vector<std::string>{}
                                     : std::vector<std::string>{c.warning + "); its track side is missing"})
            << c.name;
    }
}

#if !QUILLMAR_HAVE_ZIP
TEST(ZipArchive, IsRefusedInWordsWithoutZipSupport) {
    try {
        (void)input::ReadInput(kZip);
        ADD_FAILURE();
    } catch (const Failure& f) {
        EXPECT_NE(f.description().find("cannot open zip archives"), std::string::npos) << f.description();
    }
}
#else
TEST(ZipArchive, OpensLikeTheFolderItWasMadeFrom) {
    const input::InputFiles input = input::ReadInput(kZip);
    EXPECT_TRUE(input.container);
    ASSERT_EQ(input.files.size(), 80U);
    const flux::DecodedRecording recording = flux::DecodeRecording(input);
    EXPECT_TRUE(bytesEqual(readBytes(kTruth), recording.decoded.image.bytes));
}

// Archives written field by field: stored entries unless a test says otherwise.
struct ZipEntry {
    std::string name;
    Bytes data;
    std::uint16_t method = 0;       // 0 stored, 8 deflated
    std::uint32_t claimedSize = 0;  // the unpacked size the directory gives; the data's own when 0
    bool badCrc = false;
};

std::uint32_t Crc32(const Bytes& data) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const std::uint8_t b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

Bytes BuildZip(const std::vector<ZipEntry>& entries) {
    Bytes zip, directory;
    const auto put = [](Bytes& out, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    for (const ZipEntry& e : entries) {
        const std::uint32_t crc = Crc32(e.data) ^ (e.badCrc ? 1u : 0u);
        const std::uint32_t size =
            e.claimedSize != 0 ? e.claimedSize : static_cast<std::uint32_t>(e.data.size());
        const auto offset = static_cast<std::uint32_t>(zip.size());
        for (Bytes* out : {&zip, &directory}) {
            const bool central = out == &directory;
            put(*out, central ? 0x02014B50 : 0x04034B50, 4);  // signature
            if (central)
                put(*out, 20, 2);                                     // made by
            put(*out, 20, 2);                                         // version needed
            put(*out, 0, 2);                                          // flags
            put(*out, e.method, 2);                                   // method
            put(*out, 0, 4);                                          // time, date
            put(*out, crc, 4);                                        // CRC-32
            put(*out, static_cast<std::uint32_t>(e.data.size()), 4);  // packed size
            put(*out, size, 4);                                       // unpacked size
            put(*out, static_cast<std::uint32_t>(e.name.size()), 2);  // name length
            put(*out, 0, 2);                                          // extra length
            if (central)
                put(*out, 0, 4), put(*out, 0, 2), put(*out, 0, 4),
                    put(*out, offset, 4);  // comment, disk, attributes; local header
            out->insert(out->end(), e.name.begin(), e.name.end());
        }
        zip.insert(zip.end(), e.data.begin(), e.data.end());
    }
    const auto at = static_cast<std::uint32_t>(zip.size());
    zip.insert(zip.end(), directory.begin(), directory.end());
    put(zip, 0x06054B50, 4), put(zip, 0, 4);  // end, disks
    put(zip, static_cast<std::uint32_t>(entries.size()), 2),
        put(zip, static_cast<std::uint32_t>(entries.size()), 2);
    put(zip, static_cast<std::uint32_t>(directory.size()), 4), put(zip, at, 4),
        put(zip, 0, 2);  // directory, comment
    return zip;
}

TEST(ZipArchive, IsUnpackedWithinBoundsAndNeverTrusted) {
    const Bytes stream = readBytes(kStreams + "/track00.0.raw");
    const Bytes emptyDeflate = {0x03, 0x00};
    const auto wanted = [](const std::string& name) { return name.ends_with(".raw"); };
    struct Case {
        const char* name;
        std::vector<ZipEntry> entries;
        std::vector<std::string> problems;  // per wanted entry; empty when it unpacked
        bool refused = false;
    };
    const Case cases[] = {
        {"a stream file and a note", {{"track00.0.raw", stream}, {"readme.txt", {'h', 'i'}}}, {""}},
        {"a name that climbs out", {{"../../etc/track00.0.raw", stream}}, {""}},
        {"a damaged entry",
         {{"track00.0.raw", stream, 0, 0, true}, {"track00.1.raw", stream}},
         {"it cannot be unpacked: CRC error", ""}},
        {"an entry claiming a gigabyte",
         {{"track00.0.raw", emptyDeflate, 8, 1u << 30}},
         {"it would unpack to 1073741824 bytes, more than a stream file holds"}},
        {"a bomb of many entries",
         std::vector<ZipEntry>(5, ZipEntry{"track00.0.raw", emptyDeflate, 8, 30u << 20}),
         {},
         true},
        {"too many entries", std::vector<ZipEntry>(input::kZipMaxEntries + 1, ZipEntry{"x", {}}), {}, true},
    };
    for (const Case& c : cases) {
        const Bytes zip = BuildZip(c.entries);
        ASSERT_TRUE(input::LooksLikeZip(zip));
        if (c.refused) {
            EXPECT_THROW((void)input::UnpackZip(zip, wanted), Failure) << c.name;
            continue;
        }
        const std::vector<input::InputFile> files = input::UnpackZip(zip, wanted);
        ASSERT_EQ(files.size(), c.problems.size()) << c.name;
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(files[i].name, c.entries[i].name) << c.name;
            EXPECT_EQ(files[i].problem, c.problems[i]) << c.name;
            EXPECT_EQ(files[i].bytes, c.problems[i].empty() ? c.entries[i].data : Bytes{}) << c.name;
        }
    }
    Bytes cut = BuildZip({{"track00.0.raw", stream}});
    cut.resize(cut.size() - 10);
    EXPECT_THROW((void)input::UnpackZip(cut, wanted), Failure);
}
#endif

}  // namespace

// The desktop program's opener: what it tells the person, in one message box.
TEST(DesktopOpener, SaysWhatOpeningFoundInOneMessage) {
    TempDir dir;
    std::vector<std::tuple<std::string, bool, std::string>> cases = {
        {kStreams, true, "This recording holds 9 sectors of 512 bytes per track side, not an Opus disk."}};
#ifndef _WIN32
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    cases.emplace_back(dir.file("fifo"), false, "Cannot open " + dir.file("fifo") + ": not a regular file");
#endif
    for (const auto& [path, loaded, message] : cases) {
        ScriptedPrompter prompter;
        RecordingLog log;
        flux::FluxDiskOpener opener(prompter, log);
        DiskImage image;
        EXPECT_EQ(opener.open(path, image), loaded) << path;
        ASSERT_EQ(prompter.shown.size(), 1U) << path;
        EXPECT_EQ(prompter.shown[0].text, message);
    }
}
