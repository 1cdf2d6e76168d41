// Replacing and appending write where a link points and keep the permission
// bits of the file they replace; a full disk reads as one. Reading bytes and
// code page text, and the lines traps write.

#include <chrono>
#include <csignal>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/ByteReader.h"
#include "core/CodePage.h"
#include "core/Failure.h"
#include "core/FileIO.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

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
                  c.throughLink ? 2 : 1);  // no temporary file left behind
    }
}

// A FIFO, a folder or a device is no file to read or replace: waiting on a
// FIFO would hang, and renaming over a node would put a file in its place.
TEST(FileKinds, OnlyRegularFilesAreReadOrReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs and symbolic links";
#else
    const TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder"));
    fs::create_symlink("fifo", dir.file("link"));
    const struct {
        const char* name;
        bool write;
        const char* reason;
    } cases[] = {{"fifo", false, "not a regular file"}, {"folder", false, "it is a folder"},
                 {"link", false, "not a regular file"}, {"missing", false, "no such file"},
                 {"fifo", true, "not a regular file"},  {"link", true, "not a regular file"}};
    for (const auto& c : cases) {
        try {
            if (c.write) {
                writeFileReplacing(dir.file(c.name), Bytes{1});
            } else {
                (void)readRegularFile(dir.file(c.name));
            }
            ADD_FAILURE() << c.name << " accepted";
        } catch (const Failure& f) {
            EXPECT_EQ(f.description(), c.reason) << c.name;
        }
    }
    EXPECT_TRUE(fs::is_fifo(dir.file("fifo")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);
#endif
}

// A real signal to a process in the middle of replacing files: it ends as the
// signal says, and no temporary file is left beside the target.
TEST(FileReplace, ASignalThatEndsTheProgramRemovesTheTemporaryFile) {
#ifdef _WIN32
    GTEST_SKIP() << "fork and kill";
#else
    for (const int sig : {SIGTERM, SIGINT}) {
        const TempDir dir;
        const std::string target = dir.file("big.opd");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // As a program started from a terminal has it, whatever this one inherited (a job
            // started in the background by a script ignores SIGINT).
            std::signal(sig, SIG_DFL);
            const Bytes big(std::size_t{32} << 20, 0xE5);
            for (;;) {
                writeFileReplacing(target, big);
            }
        }
        const auto temporaryThere = [&] {
            for (const auto& e : fs::directory_iterator(dir.path())) {
                if (e.path().filename().string().find(".tmp") != std::string::npos) {
                    return true;
                }
            }
            return false;
        };
        for (int wait = 0; wait < 5000 && !temporaryThere(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::kill(child, sig);
        int status = 0;
        pid_t ended = 0;
        for (int wait = 0; wait < 10000 && ended == 0; ++wait) {
            ended = ::waitpid(child, &status, WNOHANG);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (ended == 0) {
            ::kill(child, SIGKILL);
            (void)::waitpid(child, &status, 0);
        }
        ASSERT_EQ(ended, child) << "the child outlived signal " << sig;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
        EXPECT_FALSE(temporaryThere()) << sig;
    }
#endif
}

TEST(WriteAll, AFullDeviceIsDiskFull) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full == nullptr) {
        GTEST_SKIP() << "no /dev/full here";
    }
    try {
        writeAll(full, Bytes(100, 0x55), "/dev/full");  // sits in the stream's buffer until the flush
        ADD_FAILURE();
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), failure::DiskFull);
    }
    std::fclose(full);
}

TEST(CodePage, Windows1252ToUtf8) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0x41, "A"}, {0x80, "\xE2\x82\xAC"}, {0x81, "\xC2\x81"}, {0x9F, "\xC5\xB8"}, {0xFF, "\xC3\xBF"},
    };
    for (const auto& [byte, utf8] : cases) {
        EXPECT_EQ(cp1252ToUtf8(byte), utf8) << int(byte);
        EXPECT_EQ(utf8ToCp1252(utf8), std::string(1, static_cast<char>(byte))) << int(byte);
    }
    EXPECT_EQ(utf8ToCp1252("\xE2\x98\x83"), "?");  // a snowman is not in the code page
    EXPECT_EQ(utf8ToCp1252("\xC3"), "\xC3");       // a cut sequence is kept byte by byte
}

TEST(ByteReader, ReadsInsideAndRefusesOutside) {
    const std::uint8_t bytes[] = {0x34, 0x12, 0xFF, 0x80};
    const ByteReader r(bytes);
    EXPECT_EQ(r.u16le(0), 0x1234);
    EXPECT_EQ(r.u16be(0), 0x3412);
    EXPECT_EQ(r.u32le(0), 0x80FF1234u);
    EXPECT_EQ(r.u32be(0), 0x3412FF80u);
    EXPECT_EQ(r.bytesUpTo(1, 10).size(), 3u);
    EXPECT_TRUE(r.bytesUpTo(4, 1).empty());
    EXPECT_THROW((void)r.u16le(3), Failure);
    EXPECT_THROW((void)r.u32le(1), Failure);
    EXPECT_THROW((void)r.u8(4), Failure);
    EXPECT_THROW((void)r.bytes(1, 4), Failure);
    EXPECT_THROW((void)r.bytes(static_cast<std::size_t>(-1), 2), Failure);
}

TEST(Failure, TrapLineForm) {
    EXPECT_EQ(trapLine(Failure(9), TrapJoint::In, "mnuFileSaveAs", 3),
              "Error 9 (Subscript out of range) in mnuFileSaveAs at line 3");
}

}  // namespace
