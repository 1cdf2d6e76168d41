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

TEST(FileReplace, WritesTheTargetAndKeepsLinkAndPermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links and POSIX permission bits";
#endif
    constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;
    constexpr fs::perms kShared = kPrivate | fs::perms::group_read | fs::perms::others_read;
    const struct {
        const char* name;
        bool append, throughLink;
        bool targetThere;  // false: a link to a file not made yet
        fs::perms mode;
        Bytes expected;  // the target afterwards; it held {1, 2} before
    } cases[] = {
        {"replace private file", false, false, true, kPrivate, {9}},
        {"replace through link", false, true, true, kShared, {9}},
        {"append through link", true, true, true, kPrivate, {1, 2, 9}},
        {"append through dangling link", true, true, false, kPrivate, {9}},
        {"replace through dangling link", false, true, false, kPrivate, {9}},
    };
    for (const auto& c : cases) {
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
        if (c.append) {
            appendFileSafely(c.throughLink ? link : target, Bytes{9});
        } else {
            writeFileReplacing(c.throughLink ? link : target, Bytes{9});
        }
        EXPECT_TRUE(bytesEqual(c.expected, readBytes(target))) << c.name;
        EXPECT_EQ(fs::is_symlink(link), c.throughLink) << c.name;
        if (c.targetThere) {
            EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, c.mode) << c.name;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                  c.throughLink ? 2 : 1)
            << c.name << ": no temporary file is left behind";
    }
}

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
