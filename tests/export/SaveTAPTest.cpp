#include "export/SaveTAP.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "ExportTestSupport.h"
#include "core/Failure.h"
#include "core/ProgramInfo.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TapCase {
    const char* name;
    CatalogueEntry entry;
    Bytes expected;
};

class TapBytes : public ::testing::TestWithParam<TapCase> {};

TEST_P(TapBytes, HeaderBlockThenDataBlockWithTheirChecksums) {
    const Bytes actual = BuildTapBlocks(GetParam().entry);
    EXPECT_TRUE(bytesEqual(GetParam().expected, actual));
    EXPECT_EQ(actual.size(), 25u + GetParam().entry.Data.size());
}

INSTANTIATE_TEST_SUITE_P(
    Entries, TapBytes,
    ::testing::Values(TapCase{"basicWithAutoRun", makeEntry(0, "run       ", {0x00, 0x0A, 0x80}, 10, 3),
                              concat({
                                  {0x13, 0x00},  // header block length 19
                                  {0x00},        // flag: header
                                  {0x00},        // type BASIC
                                  {'r', 'u', 'n', ' ', ' ', ' ', ' ', ' ', ' ', ' '},  // name
                                  {0x03, 0x00},                                        // length 3
                                  {0x0A, 0x00},                                        // auto-run line 10
                                  {0x03, 0x00},                                        // variables at 3
                                  {0x43},                                              // header checksum
                                  {0x05, 0x00},                                        // data block length 5
                                  {0xFF},                                              // flag: data
                                  {0x00, 0x0A, 0x80},                                  // data
                                  {0x75},                                              // data checksum
                              })},
                      TapCase{"nameBytesAbove127Unchanged",
                              makeEntry(3,
                                        std::string("\xA9\xFF\x80"
                                                    "A      "),
                                        {0xC9, 0x80}, 0x1234, 0xABCD),
                              concat({
                                  {0x13, 0x00},  // header block length 19
                                  {0x00},        // flag: header
                                  {0x03},        // type CODE
                                  {0xA9, 0xFF, 0x80, 'A', ' ', ' ', ' ', ' ', ' ', ' '},  // name, raw bytes
                                  {0x02, 0x00},                                           // length 2
                                  {0x34, 0x12},                                           // param 1 0x1234
                                  {0xCD, 0xAB},                                           // param 2 0xABCD
                                  {0xD6},                                                 // header checksum
                                  {0x04, 0x00},  // data block length 4
                                  {0xFF},        // flag: data
                                  {0xC9, 0x80},  // data
                                  {0xB6},        // data checksum
                              })}),
    [](const auto& tc) { return std::string(tc.param.name); });

// ---------------------------------------------------------------------------

TEST(SaveTAP, CreatesTheFileReportsSuccessWithThePointerBack) {
    TempDir dir;
    const std::string path = dir.file("new.tap");
    BusyAwarePrompter prompter;
    RecordingLog log;
    const CatalogueEntry e = makeEntry(3, "code      ", {1, 2, 3}, 32768);
    SaveTAP(e, path, prompter, log);

    EXPECT_TRUE(bytesEqual(BuildTapBlocks(e), readBytes(path)));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find(path), std::string::npos);
    EXPECT_EQ(prompter.busyAtMessage, std::vector<int>{0}) << "pointer restored before the message";
    EXPECT_TRUE(log.at(kSeverityERROR).empty());
}

TEST(SaveTAP, AppendsAfterEveryFormerByte) {
    TempDir dir;
    const std::string path = dir.file("old.tap");
    const Bytes former{0x13, 0x00, 0x00, 0xAB, 0xCD};  // whatever was there, even a broken block
    writeBytes(path, former);
    BusyAwarePrompter prompter;
    RecordingLog log;
    const CatalogueEntry first = makeEntry(0, "one       ", {0x0D}, 1, 1);
    const CatalogueEntry second = makeEntry(3, "two       ", {0xC9}, 0x8000);
    SaveTAP(first, path, prompter, log);
    SaveTAP(second, path, prompter, log);
    SaveTAP(second, path, prompter, log);

    const Bytes expected =
        concat({former, BuildTapBlocks(first), BuildTapBlocks(second), BuildTapBlocks(second)});
    EXPECT_TRUE(bytesEqual(expected, readBytes(path)));
    EXPECT_EQ(prompter.shown.size(), 3u);
}

struct RefusedCase {
    const char* name;
    CatalogueEntry entry;
    int number;
    int line;
};

class SaveTAPRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(SaveTAPRefused, NothingIsWrittenTheTrapIsLoggedAndTheUserSeesNothing) {
    const auto& c = GetParam();
    TempDir dir;
    const std::string fresh = dir.file("fresh.tap");
    const std::string existing = dir.file("existing.tap");
    const Bytes former{1, 2, 3, 4};
    writeBytes(existing, former);
    for (const std::string& path : {fresh, existing}) {
        BusyAwarePrompter prompter;
        RecordingLog log;
        SaveTAP(c.entry, path, prompter, log);
        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_EQ(prompter.busyDepth, 0);
        const auto errors = log.at(kSeverityERROR);
        ASSERT_EQ(errors.size(), 1u);
        const std::regex shape("Error " + std::to_string(c.number) +
                               R"( \([^)]+\) happened in SaveTAP at line )" + std::to_string(c.line));
        EXPECT_TRUE(std::regex_match(errors[0], shape)) << errors[0];
    }
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_TRUE(bytesEqual(former, readBytes(existing)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary left";
}

CatalogueEntry withLength(int length, std::size_t dataBytes) {
    CatalogueEntry e = makeEntry(3, "big       ", Bytes(dataBytes, 0xE5), 0);
    e.Length = length;
    return e;
}

CatalogueEntry withParams(int param1, int param2) {
    return makeEntry(3, "params    ", {1}, param1, param2);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, SaveTAPRefused,
    ::testing::Values(RefusedCase{"length65534", withLength(65534, 65534), failure::Overflow, 4},
                      RefusedCase{"lengthAbove16Bits", withLength(70000, 0), failure::Overflow, 2},
                      RefusedCase{"param1Negative", withParams(-1, 0), failure::Overflow, 2},
                      RefusedCase{"param2Above16Bits", withParams(0, 70000), failure::Overflow, 2},
                      // The image ended inside the file: the block would promise 100 bytes and hold 40.
                      RefusedCase{"dataCutShort", withLength(100, 40), failure::InputPastEnd, 4}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(SaveTAP, LargestWritableFileIs65533Bytes) {
    TempDir dir;
    const std::string path = dir.file("max.tap");
    BusyAwarePrompter prompter;
    RecordingLog log;
    SaveTAP(withLength(65533, 65533), path, prompter, log);
    const Bytes tap = readBytes(path);
    ASSERT_EQ(tap.size(), 65533u + 25u);
    EXPECT_EQ(tap[21], 0xFF);  // data block length 65535
    EXPECT_EQ(tap[22], 0xFF);
}

TEST(SaveTAP, UnwritableTargetsKeepTheirBytes) {
    TempDir dir;
    const std::string readOnly = dir.file("locked.tap");
    const Bytes former{9, 9, 9};
    writeBytes(readOnly, former);
    std::filesystem::permissions(readOnly,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    const CatalogueEntry e = makeEntry(3, "code      ", {1}, 0);
    const std::string missingFolder = dir.file("missing/folder.tap");
    for (const std::string& path : {readOnly, missingFolder}) {
        BusyAwarePrompter prompter;
        RecordingLog log;
        SaveTAP(e, path, prompter, log);
        const auto errors = log.at(kSeverityERROR);
        ASSERT_EQ(errors.size(), 1u) << path;
        EXPECT_NE(errors[0].find(") happened in SaveTAP at line 6"), std::string::npos) << errors[0];
        if (path == readOnly) {
            EXPECT_EQ(errors[0].rfind("Error 70 (Permission denied", 0), 0u) << errors[0];
        }
        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_EQ(prompter.busyDepth, 0);
    }
    EXPECT_TRUE(bytesEqual(former, readBytes(readOnly)));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

}  // namespace
