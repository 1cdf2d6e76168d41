// Replacing and appending write where a link points and keep the permission
// bits of the file they replace; a full disk reads as one.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct ReplaceCase {
    const char* name;
    bool append;
    bool throughLink;
    bool targetThere;  // false: a link to a file not made yet
    fs::perms mode;
    Bytes expected;  // the target afterwards; it held {1, 2} before
};

class FileReplace : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(FileReplace, WritesTheTargetAndKeepsLinkAndPermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links and POSIX permission bits";
#endif
    const ReplaceCase& c = GetParam();
    const TempDir dir;
    const std::string target = dir.file("target.bin");
    const std::string link = dir.file("link.bin");
    if (c.targetThere) {
        writeBytes(target, {1, 2});
        fs::permissions(target, c.mode, fs::perm_options::replace);
    }
    if (c.throughLink) {
        fs::create_symlink("target.bin", link);
    }
    const std::string path = c.throughLink ? link : target;
    if (c.append) {
        appendFileSafely(path, Bytes{9});
    } else {
        writeFileReplacing(path, Bytes{9});
    }
    EXPECT_TRUE(bytesEqual(c.expected, readBytes(target)));
    EXPECT_EQ(fs::is_symlink(link), c.throughLink);
    if (c.targetThere) {
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, c.mode);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
              c.throughLink ? 2 : 1)
        << "no temporary file is left behind";
}

constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms kShared = kPrivate | fs::perms::group_read | fs::perms::others_read;

INSTANTIATE_TEST_SUITE_P(
    Writes, FileReplace,
    ::testing::Values(ReplaceCase{"replace_private_file", false, false, true, kPrivate, {9}},
                      ReplaceCase{"append_private_file", true, false, true, kPrivate, {1, 2, 9}},
                      ReplaceCase{"replace_through_link", false, true, true, kShared, {9}},
                      ReplaceCase{"append_through_link", true, true, true, kPrivate, {1, 2, 9}},
                      ReplaceCase{"append_through_dangling_link", true, true, false, kPrivate, {9}},
                      ReplaceCase{"replace_through_dangling_link", false, true, false, kPrivate, {9}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(WriteAll, AFullDeviceIsDiskFull) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full == nullptr) {
        GTEST_SKIP() << "no /dev/full here";
    }
    const Bytes bytes(100, 0x55);  // small enough to sit in the stream's buffer until the flush
    try {
        writeAll(full, bytes, "/dev/full");
        ADD_FAILURE() << "writing to /dev/full succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), failure::DiskFull) << f.description();
    }
    std::fclose(full);
}

}  // namespace
