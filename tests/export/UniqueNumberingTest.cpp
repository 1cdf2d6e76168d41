// Numbering of a name that comes again goes on from where it stopped, and
// still passes over a number taken in between.

#include <gtest/gtest.h>

#include "export/SafeFileNames.h"

namespace {

TEST(UniqueNumbering, GoesOnFromTheLastNumberAndSkipsTakenOnes) {
    SafeFileNames names;
    EXPECT_EQ(names.unique("a", ".bin"), "a.bin");
    EXPECT_EQ(names.unique("A", ".bin"), "A (2).bin");
    names.reserve("a (3).bin");
    EXPECT_EQ(names.unique("a", ".bin"), "a (4).bin");
    EXPECT_EQ(names.unique("a", ".bin"), "a (5).bin");
    EXPECT_EQ(names.unique("a", ".scr"), "a.scr");
}

}  // namespace
