#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "floppy/modFDRawCmd.h"

namespace {

// The table's texts are the driver's own; what is checked here is the form of
// a line: name, then the code in eight hex digits, two's complement for the
// negative ones, and the gaps of the table.
TEST(DriveErrorText, NameThenTheCodeInEightHexDigits) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {23, "CRC Error (0x00000017)"},
        {1128, "Disk Reset Failed (0x00000468)"},
        {1111, "Unknown Error Code (0x00000457)"},  // the gap between 1110 and 1112
        {0, "Unknown Error Code (0x00000000)"},
        {-1, "Unknown Error Code (0xFFFFFFFF)"},
        {std::numeric_limits<std::int32_t>::min(), "Unknown Error Code (0x80000000)"},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(modFDRawCmd::DriveErrorText(code), text) << "code " << code;
    }
}

}  // namespace
