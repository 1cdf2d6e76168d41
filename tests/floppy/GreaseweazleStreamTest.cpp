#include <gtest/gtest.h>

#include <filesystem>

#include "core/Failure.h"
#include "floppy/GreaseweazleStream.h"
#include "floppy/SerialPort.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(GreaseweazleStream, IntervalsAsTheDeviceSendsThem) {
    const struct {
        std::uint32_t ticks;
        Bytes bytes;
    } cases[] = {
        {249, {0xF9}},
        {250, {0xFA, 0x01}},
        {505, {0xFB, 0x01}},
        {1524, {0xFE, 0xFF}},
        {1525, {0xFF, 0x02, 0xF9, 0x13, 0x01, 0x01, 0xF9}},  // SPACE 1276, then a transition after 249
    };
    for (const auto& c : cases) {
        Bytes out;
        gw::AppendInterval(out, c.ticks);
        EXPECT_TRUE(bytesEqual(c.bytes, out)) << c.ticks;
    }
}

TEST(GreaseweazleStream, TwentyEightBitNumbers) {
    const std::pair<std::uint32_t, Bytes> cases[] = {
        {0, {0x01, 0x01, 0x01, 0x01}},           {127, {0xFF, 0x01, 0x01, 0x01}},
        {128, {0x01, 0x03, 0x01, 0x01}},         {36000, {0x41, 0x33, 0x05, 0x01}},
        {gw::kMaxN28, {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& [value, bytes] : cases) {
        Bytes out;
        gw::AppendN28(out, value);
        EXPECT_TRUE(bytesEqual(bytes, out)) << value;
        EXPECT_EQ(gw::DecodeN28(std::span<const std::uint8_t, 4>(bytes.data(), 4)), value);
    }
}

TEST(GreaseweazleStream, IndexPulsesAndSpacesOfARead) {
    const Bytes stream{
        0x64,                                // transition after 100
        0xFF, 0x01, 0x65, 0x01, 0x01, 0x01,  // INDEX 50 after the cursor: 150
        0x64,                                // transition after 100
        0xFF, 0x02, 0x81, 0xE1, 0x01, 0x01,  // SPACE 14400
        0x80,                                // transition after 14400 + 128
        0xFF, 0x01, 0x0F, 0x01, 0x01, 0x01,  // INDEX 7 after the cursor: 14735
        0x00,                                // end
    };
    const flux::FluxTrack track = gw::DecodeReadStream(stream, 72e6);
    EXPECT_EQ(track.intervals, (std::vector<std::uint32_t>{100, 100, 14528}));
    EXPECT_EQ(track.indexTicks, (std::vector<std::uint64_t>{150, 14735}));
    EXPECT_EQ(track.tickHz, 72e6);
}

TEST(GreaseweazleStream, EncodedReadsDecodeToTheSameFlux) {
    const struct {
        const char* name;
        std::vector<std::uint32_t> intervals;
        std::vector<std::uint64_t> index;
    } cases[] = {
        {"boundaries", {1, 249, 250, 1524, 1525, 28800, 28801}, {0, 251}},
        {"longest single value", {(1u << 28) + 248}, {}},
        {"index inside a gap broken into spaces", {100, 60000, 5}, {30000, 60105}},
        {"index in the linger after the last transition", {200}, {300}},
    };
    for (const auto& c : cases) {
        const Bytes stream = gw::EncodeReadStream(c.intervals, c.index);
        EXPECT_EQ(std::count(stream.begin(), stream.end(), 0), 1) << c.name;
        const flux::FluxTrack track = gw::DecodeReadStream(stream, 72e6);
        EXPECT_EQ(track.intervals, c.intervals) << c.name;
        EXPECT_EQ(track.indexTicks, c.index) << c.name;
    }
}

TEST(GreaseweazleStream, DamagedStreamsAreRefused) {
    const std::pair<const char*, Bytes> cases[] = {
        {"no end", {0x10, 0x20}},
        {"pair cut short", {0xFA}},
        {"opcode cut short", {0xFF, 0x02, 0x01, 0x01}},
        {"write-only ASTABLE", {0xFF, 0x03, 0x01, 0x01, 0x01, 0x01, 0x00}},
    };
    for (const auto& [name, stream] : cases) {
        EXPECT_THROW((void)gw::DecodeReadStream(stream, 72e6), Failure) << name;
    }
}

TEST(GreaseweazlePorts, WindowsPortNames) {
    EXPECT_EQ(gw::WindowsDevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(gw::WindowsDevicePath("\\\\.\\COM3"), "\\\\.\\COM3");
    const std::pair<const char*, bool> ids[] = {
        {"USB\\VID_1209&PID_4D69&REV_0100", true},
        {"usb\\vid_1209&pid_4d69", true},
        {"USB\\VID_1209&PID_0001&REV_0100", false},  // firmware too old to speak this protocol
        {"USB\\VID_1209&PID_4D690", false},
    };
    for (const auto& [id, wanted] : ids) {
        EXPECT_EQ(gw::IsGreaseweazleHardwareId(id), wanted) << id;
    }
}

#ifndef _WIN32
TEST(GreaseweazlePorts, LinuxTtysAreFoundByTheirUsbIds) {
    namespace fs = std::filesystem;
    TempDir sys;
    const auto usbDevice = [&](const std::string& tty, const std::string& vid, const std::string& pid) {
        const fs::path device = sys.path() / "devices" / tty;
        fs::create_directories(device / "1-1:1.0");
        writeBytes((device / "idVendor").string(), Bytes(vid.begin(), vid.end()));
        writeBytes((device / "idProduct").string(), Bytes(pid.begin(), pid.end()));
        fs::create_directories(sys.path() / "class" / "tty" / tty);
        fs::create_directory_symlink(device / "1-1:1.0", sys.path() / "class" / "tty" / tty / "device");
    };
    usbDevice("ttyACM0", "2341\n", "0043\n");  // an Arduino
    usbDevice("ttyACM1", "1209\n", "4d69\n");
    usbDevice("ttyUSB0", "1209\n", "4d69\n");  // not a CDC-ACM tty
    EXPECT_EQ(gw::FindGreaseweazlePortsIn(sys.path().string(), "/dev"),
              (std::vector<std::string>{"/dev/ttyACM1"}));
}
#endif

}  // namespace
