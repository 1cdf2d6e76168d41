#include <gtest/gtest.h>

#include "disk/Catalogue.h"
#include "disk/DiskBuilder.h"
#include "disk/ListRows.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::uint8_t> bytesOf(std::size_t n, std::uint8_t start = 0) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = static_cast<std::uint8_t>(start + i);
    }
    return v;
}

TEST(GetDiskFiles, DecodesSlotsHeadersAndData) {
    const DiskImage image = DiskBuilder("MYDISK")
                                .addFile("prog", 0, bytesOf(300), 10, 250)
                                .addFile("pic", 3, bytesOf(6912), 16384)
                                .image();
    Catalogue cat;
    RecordingLog log;
    ASSERT_TRUE(GetDiskFiles(image, cat, log));
    ASSERT_EQ(cat.size(), 3u);
    EXPECT_EQ(cat[0].EntryKind, 0);
    EXPECT_EQ(cat[0].Name, "MYDISK    ");
    EXPECT_TRUE(cat[0].Data.empty());
    EXPECT_EQ(cat[1].EntryKind, 1);
    EXPECT_EQ(cat[1].RawName, "prog      ");
    EXPECT_EQ(cat[1].Type, 0);
    EXPECT_EQ(cat[1].Length, 300);
    EXPECT_EQ(cat[1].Param1, 10);
    EXPECT_EQ(cat[1].Param2, 250);
    EXPECT_TRUE(bytesEqual(bytesOf(300), cat[1].Data));
    EXPECT_EQ(cat[2].Word1 + 1, cat[2].Word0);  // header block of the builder's layout
    EXPECT_EQ(cat[2].Data.size(), 6912u);
    EXPECT_TRUE(log.entries.empty());
}

TEST(GetDiskFiles, NamesAreExpandedZxText) {
    // 0xF5 is the PRINT token, 0x7F the copyright sign.
    const DiskImage image = DiskBuilder(std::string("A\xF5\x7F", 3)).image();
    Catalogue cat;
    RecordingLog log;
    ASSERT_TRUE(GetDiskFiles(image, cat, log));
    EXPECT_EQ(cat[0].Name, "A PRINT \xC2\xA9       ");
}

TEST(GetDiskFiles, EndMarkInSlotZeroStoresNothing) {
    DiskImage image{std::vector<std::uint8_t>(kNominalImageLength, 0)};
    image.bytes[256 + 4] = 0xFF;
    image.bytes[256 + 5] = 0xFF;
    Catalogue cat(2);
    cat[0].Name = "previous";
    RecordingLog log;
    EXPECT_FALSE(GetDiskFiles(image, cat, log));
    ASSERT_EQ(cat.size(), 2u);
    EXPECT_EQ(cat[0].Name, "previous");
}

TEST(GetDiskFiles, OnlyTheDiskSlot) {
    Catalogue cat(5);
    RecordingLog log;
    ASSERT_TRUE(GetDiskFiles(DiskBuilder("ALONE").image(), cat, log));
    ASSERT_EQ(cat.size(), 1u);
    EXPECT_EQ(cat[0].Name, "ALONE     ");
}

TEST(GetDiskFiles, A112SlotCatalogueWithItsEndMarkInBlock8IsReadWhole) {
    DiskBuilder builder("FULL");
    for (int i = 1; i < 112; ++i) {
        builder.addFile("f" + std::to_string(i), 3, bytesOf(static_cast<std::size_t>(i)), 32768);
    }
    const DiskImage image = builder.image();
    ASSERT_EQ(image.bytes[256 + 16 * 112 + 4], 0xFF);  // slot 112 lies in block 8
    Catalogue cat;
    RecordingLog log;
    ASSERT_TRUE(GetDiskFiles(image, cat, log));
    ASSERT_EQ(cat.size(), 112u);
    EXPECT_EQ(cat[111].Name, "f111      ");
    EXPECT_EQ(cat[111].Data.size(), 111u);
    EXPECT_TRUE(log.entries.empty());
}

TEST(GetDiskFiles, WithoutEndMarkItStopsAtTheImageEndKeepingWhatItRead) {
    // Every slot of this image points at block 8; no end mark anywhere.
    std::vector<std::uint8_t> bytes(4096, 0);
    for (std::size_t s = 256; s + 16 <= bytes.size(); s += 16) {
        bytes[s + 2] = 7;
    }
    Catalogue cat;
    RecordingLog log;
    EXPECT_TRUE(GetDiskFiles(DiskImage{bytes}, cat, log));
    EXPECT_EQ(cat.size(), (4096u - 256u) / 16u);
    ASSERT_EQ(log.at(1).size(), 1u);
    EXPECT_EQ(log.at(1)[0], "Error 9 (Subscript out of range ) in GetDiskFiles at line 2");
}

TEST(GetDiskFiles, HeaderPastTheEndFailsAfterTheEntriesBefore) {
    const DiskImage image =
        DiskBuilder("D").addFile("ok", 3, bytesOf(10)).addRawSlot(0, 5000, 0, "far").image();
    Catalogue cat;
    RecordingLog log;
    EXPECT_TRUE(GetDiskFiles(image, cat, log));
    EXPECT_EQ(cat.size(), 2u);
    ASSERT_EQ(log.at(1).size(), 1u);
    EXPECT_EQ(log.at(1)[0], "Error 9 (Subscript out of range ) in GetDiskFiles at line 5");
}

TEST(GetDiskFiles, DataRunningPastTheEndKeepsTheBytesThatExistWithAWarning) {
    const DiskImage image =
        DiskBuilder("D").addFile("cut", 3, bytesOf(100), 0, 0, 60000).imageLength(10000).image();
    Catalogue cat;
    RecordingLog log;
    ASSERT_TRUE(GetDiskFiles(image, cat, log));
    ASSERT_EQ(cat.size(), 2u);
    EXPECT_EQ(cat[1].Length, 60000);
    // The file's data starts after its header in block 8 and runs to the image's end.
    EXPECT_EQ(cat[1].Data.size(), 10000u - 8 * 256 - 7);
    ASSERT_EQ(log.at(2).size(), 1u);
    EXPECT_NE(log.at(2)[0].find("File [cut       ]"), std::string::npos);
    EXPECT_TRUE(log.at(1).empty());
}

TEST(GetDiskFiles, AZeroLengthFileAfterALongOneHasNoData) {
    const DiskImage image =
        DiskBuilder("D").addFile("long", 3, bytesOf(5000)).addFile("empty", 3, {}).image();
    Catalogue cat;
    RecordingLog log;
    ASSERT_TRUE(GetDiskFiles(image, cat, log));
    EXPECT_EQ(cat[1].Data.size(), 5000u);
    EXPECT_EQ(cat[2].Length, 0);
    EXPECT_TRUE(cat[2].Data.empty());
}

TEST(GetDiskFiles, ReplacesThePreviousCatalogue) {
    Catalogue cat;
    RecordingLog log;
    ASSERT_TRUE(GetDiskFiles(DiskBuilder("BIG").addFile("a", 0, {1}).addFile("b", 0, {2}).image(), cat, log));
    ASSERT_TRUE(GetDiskFiles(DiskBuilder("SMALL").image(), cat, log));
    ASSERT_EQ(cat.size(), 1u);
    EXPECT_EQ(cat[0].Name, "SMALL     ");
}

struct RowCase {
    const char* name;
    int type;
    int length;
    int param1;
    int param2;
    const char* typeText;
    int icon;
    const char* p1;
    const char* p2;
    const char* p3;
};

class ListRowTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(ListRowTest, RowTexts) {
    const RowCase& c = GetParam();
    CatalogueEntry e;
    e.EntryKind = 1;
    e.Name = "name";
    e.Type = c.type;
    e.Length = c.length;
    e.Param1 = c.param1;
    e.Param2 = c.param2;
    const ListRow row = MakeListRow(e, 12);
    EXPECT_EQ(row.key, "12_F");
    EXPECT_EQ(IndexFromRowKey(row.key), 12);
    EXPECT_EQ(row.text, "name");
    EXPECT_EQ(row.typeText, c.typeText);
    EXPECT_EQ(row.icon, c.icon);
    EXPECT_EQ(row.parameter1, c.p1);
    EXPECT_EQ(row.parameter2, c.p2);
    EXPECT_EQ(row.parameter3, c.p3);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ListRowTest,
    ::testing::Values(RowCase{"Basic", 0, 300, 10, 250, "BASIC", 2, "Len: #012C - 300", "Run: #000A - 10",
                              "N/A: #00FA - 250"},
                      RowCase{"NumArray", 1, 35, 0x8100, 0, "Num Array", 3, "Len: #0023 - 35",
                              "Name: a() [#8100 - 33024]", "N/A: #0000 - 0"},
                      RowCase{"CharArrayC1", 2, 15, 0xC100, 0, "Char Array", 4, "Len: #000F - 15",
                              "Name: a$() [#C100 - 49408]", "N/A: #0000 - 0"},
                      RowCase{"Screen", 3, 6912, 16384, 0, "SCREEN$", 6, "Len: #1B00 - 6912",
                              "Addr: #4000 - 16384", "N/A: #0000 - 0"},
                      RowCase{"CodeOneShort", 3, 6911, 16384, 0, "CODE", 5, "Len: #1AFF - 6911",
                              "Addr: #4000 - 16384", "N/A: #0000 - 0"},
                      RowCase{"CodeOneLong", 3, 6913, 0, 65535, "CODE", 5, "Len: #1B01 - 6913",
                              "Addr: #0000 - 0", "N/A: #FFFF - 65535"},
                      RowCase{"Type7", 7, 1, 2, 3, "", 7, "#0001 - 1", "#0002 - 2", "#0003 - 3"}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(ListRows, KeysGiveTheirIndexBack) {
    EXPECT_EQ(IndexFromRowKey("1_F"), 1);
    EXPECT_EQ(IndexFromRowKey("112_F"), 112);
    EXPECT_EQ(IndexFromRowKey("D"), -1);
}

}  // namespace
