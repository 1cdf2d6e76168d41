#include <gtest/gtest.h>

#include "core/ByteReader.h"
#include "core/CodePage.h"
#include "core/Failure.h"

namespace {

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
    const std::uint8_t bytes[] = {0x34, 0x12, 0xFF};
    const ByteReader r(bytes);
    EXPECT_EQ(r.u16le(0), 0x1234);
    EXPECT_EQ(r.u16be(0), 0x3412);
    EXPECT_EQ(r.u8(2), 0xFF);
    EXPECT_EQ(r.bytesUpTo(1, 10).size(), 2u);
    EXPECT_TRUE(r.bytesUpTo(3, 1).empty());
    try {
        (void)r.u16le(2);
        FAIL() << "read past the end";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), 9);
        EXPECT_EQ(f.offset(), 3u);
    }
    EXPECT_THROW((void)r.u8(3), Failure);
    EXPECT_THROW((void)r.bytes(1, 3), Failure);
    EXPECT_THROW((void)r.bytes(static_cast<std::size_t>(-1), 2), Failure);
}

TEST(Failure, TrapLinesInEachProceduresForm) {
    const Failure f(9);
    EXPECT_EQ(trapLine(f, TrapJoint::SpaceIn, "GetDiskFiles", 5),
              "Error 9 (Subscript out of range ) in GetDiskFiles at line 5");
    EXPECT_EQ(trapLine(f, TrapJoint::In, "mnuFileSaveAs", 3),
              "Error 9 (Subscript out of range) in mnuFileSaveAs at line 3");
    EXPECT_EQ(trapLine(Failure(6), TrapJoint::HappenedIn, "SaveTAP", 2),
              "Error 6 (Overflow) happened in SaveTAP at line 2");
    EXPECT_EQ(trapLine(Failure(53), TrapJoint::OccurredIn, "X", 1),
              "Error 53 (File not found) occurred in X at line 1");
}

}  // namespace
