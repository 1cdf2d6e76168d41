#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/Failure.h"
#include "floppy/FdRawRequests.h"
#include "support/TestSupport.h"

namespace {

template <std::size_t N>
std::vector<std::uint8_t> vec(const std::array<std::uint8_t, N>& a) {
    return {a.begin(), a.end()};
}

TEST(FdRawRequests, ReadParametersNameTheLogicalCylinderAndTheHeadTwice) {
    struct Case {
        const char* name;
        std::uint8_t cylinder, head;
        std::int32_t sizeCode;
        std::vector<std::uint8_t> expected;
    };
    const Case cases[] = {
        // flags, physical head, C, H, first sector, N, EOT, gap, DTL
        {"track 0 head 0", 0, 0, 1, {0x40, 0x00, 0x00, 0x00, 0x00, 0x01, 0x12, 0x0A, 0xFF}},
        {"track 39 head 0", 39, 0, 1, {0x40, 0x00, 0x27, 0x00, 0x00, 0x01, 0x12, 0x0A, 0xFF}},
        {"track 5 head 1", 5, 1, 1, {0x40, 0x01, 0x05, 0x01, 0x00, 0x01, 0x12, 0x0A, 0xFF}},
        {"size code 2", 12, 0, 2, {0x40, 0x00, 0x0C, 0x00, 0x00, 0x02, 0x12, 0x0A, 0xFF}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(bytesEqual(c.expected, vec(fdraw::MakeReadParameters(c.cylinder, c.head, c.sizeCode))))
            << c.name;
    }
}

TEST(FdRawRequests, SeekDoublesTheCylinderOnlyUnderDoubleStep) {
    struct Case {
        std::uint8_t cylinder, head;
        bool doubleStep;
        std::vector<std::uint8_t> expected;  // physical cylinder, head
    };
    const Case cases[] = {
        {39, 0, true, {78, 0}},   {39, 0, false, {39, 0}},   {0, 1, true, {0, 1}},
        {127, 1, true, {254, 1}}, {200, 0, false, {200, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(bytesEqual(c.expected, vec(fdraw::MakeSeekParameters(c.cylinder, c.head, c.doubleStep))))
            << int(c.cylinder) << (c.doubleStep ? " double" : " single");
    }
    // The controller has no cylinder 256: refused, not wrapped round to 0.
    try {
        (void)fdraw::MakeSeekParameters(128, 0, true);
        ADD_FAILURE() << "cylinder 128 under double step was accepted";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), failure::Overflow);
    }
}

TEST(FdRawRequests, TrackLengthIsEighteenSectorsOfTheSizeCode) {
    const std::pair<std::int32_t, std::size_t> valid[] = {
        {0, 2304}, {1, 4608}, {2, 9216}, {3, 18432}, {7, 294912}};
    for (const auto& [code, length] : valid) {
        EXPECT_EQ(fdraw::TrackLength(code), length) << "N=" << code;
    }
    for (const std::int32_t code : {-1, 8, 31, 1 << 30}) {
        EXPECT_FALSE(fdraw::TrackLength(code).has_value()) << "N=" << code;
    }
}

TEST(FdRawRequests, VersionIsLittleEndianAndCompatibleOnlyWithHighHalf0100) {
    const std::array<std::uint8_t, 4> answer{0x0B, 0x01, 0x00, 0x01};
    EXPECT_EQ(fdraw::DecodeVersion(answer), 0x0100010Bu);
    EXPECT_TRUE(fdraw::IsCompatibleVersion(0x0100010B));
    EXPECT_TRUE(fdraw::IsCompatibleVersion(0x01000000));
    EXPECT_TRUE(fdraw::IsCompatibleVersion(0x0100FFFF));
    EXPECT_FALSE(fdraw::IsCompatibleVersion(0x01010000));
    EXPECT_FALSE(fdraw::IsCompatibleVersion(0x02000000));
    EXPECT_FALSE(fdraw::IsCompatibleVersion(0x00000000));
}

}  // namespace
