#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "floppy/modFDRawCmd.h"

namespace {

struct ErrorTextCase {
    std::int32_t code;
    const char* text;
};

// Every code users can meet, with the text they see; the spelling slips are
// part of the texts.
const ErrorTextCase kTable[] = {
    {19, "Write Protect (0x00000013)"},
    {20, "Bad Unit (0x00000014)"},
    {21, "Not Ready (0x00000015)"},
    {22, "Bad Command (0x00000016)"},
    {23, "CRC Error (0x00000017)"},
    {24, "Bad Length (0x00000018)"},
    {25, "Seek Error (0x00000019)"},
    {26, "Not DOS Disk (0x0000001A)"},
    {27, "Sector Not Found (0x0000001B)"},
    {122, "Insufficient Buffer (0x0000007A)"},
    {170, "Unit Is Busy (0x000000AA)"},
    {1106, "Invalid Block Length (0x00000452)"},
    {1107, "Device Not Partitioned (0x00000453)"},
    {1108, "Unable To Lock Media (0x00000454)"},
    {1109, "Unable To Unload Media (0x00000455)"},
    {1110, "Media Changed (0x00000456)"},
    {1112, "No Miedia In Drive (0x00000458)"},
    {1122, "ID Mark Not Found (0x00000462)"},
    {1123, "Wrong Cylinder (0x00000463)"},
    {1124, "Floppy Unknown Error (0x00000464)"},
    {1125, "Floppy Bad Registerd (0x00000465)"},
    {1126, "Disk Recalibrate Failed (0x00000466)"},
    {1127, "Disk Operation Failed (0x00000467)"},
    {1128, "Disk Reset Failed (0x00000468)"},
};

const ErrorTextCase kOutsideTable[] = {
    {5, "Unknown Error Code (0x00000005)"},
    {-1, "Unknown Error Code (0xFFFFFFFF)"},
    {0, "Unknown Error Code (0x00000000)"},
    {1111, "Unknown Error Code (0x00000457)"},  // the gap between 1110 and 1112
    {std::numeric_limits<std::int32_t>::min(), "Unknown Error Code (0x80000000)"},
    {std::numeric_limits<std::int32_t>::max(), "Unknown Error Code (0x7FFFFFFF)"},
};

TEST(DriveErrorText, NamesEveryCodeOfTheTableWithEightHexDigits) {
    for (const auto& c : kTable) {
        EXPECT_EQ(modFDRawCmd::DriveErrorText(c.code), c.text) << "code " << c.code;
    }
}

TEST(DriveErrorText, OtherCodesAreUnknownAndNegativeOnesShowTwosComplement) {
    for (const auto& c : kOutsideTable) {
        EXPECT_EQ(modFDRawCmd::DriveErrorText(c.code), c.text) << "code " << c.code;
    }
}

}  // namespace
