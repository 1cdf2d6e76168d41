// The Greaseweazle stream and port names, and the driver against the
// simulated device over a real pseudo-terminal: the bytes go through the same
// tty code as with hardware.

#include <algorithm>

#include "core/Failure.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/GreaseweazleProtocol.h"
#include "floppy/GreaseweazleStream.h"
#include "floppy/SerialPort.h"
#include "support/TestSupport.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <optional>
#include <thread>

#include "floppy/DiskReader.h"
#include "floppy/DiskWriter.h"
#include "floppy/GreaseweazleDriver.h"
#include "gwsim/PtyServer.h"
#endif

namespace {

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
    // A pulse at the very tick of a transition is sent after it, at offset 0.
    EXPECT_TRUE(bytesEqual(
        {0x64, 0xFF, 0x01, 0x01, 0x01, 0x01, 0x01, 0x64, 0x00},
        gw::EncodeReadStream(std::vector<std::uint32_t>{100, 100}, std::vector<std::uint64_t>{100})));
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
        {"index further after the last transition than one opcode reaches", {200}, {(1u << 29) + 7}},
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
        {"index pulses out of order",
         {0xFF, 0x01, 0x05, 0x01, 0x01, 0x01, 0xFF, 0x01, 0x03, 0x01, 0x01, 0x01, 0x00}},
    };
    for (const auto& [name, stream] : cases) {
        EXPECT_THROW((void)gw::DecodeReadStream(stream, 72e6), Failure) << name;
    }
}

// What WriteFlux sends: intervals as a read sends them up to 150 µs, longer
// ones as a SPACE filled with ASTABLE transitions, then the closing 100 µs
// transition and the 00; and what the device makes of it.
TEST(GreaseweazleStream, WriteStreamsAsTheDeviceTakesThem) {
    const Bytes closing{0xFF, 0x02, 0x4F, 0x6D, 0x01, 0x01, 0xF9, 0x00};  // SPACE 6951, then 249
    const auto written = [&](Bytes body) {
        body.insert(body.end(), closing.begin(), closing.end());
        return body;
    };
    const struct {
        const char* name;
        std::vector<std::uint32_t> intervals;
        Bytes stream;
        std::vector<std::uint32_t> laidDown;
    } cases[] = {
        {"short, pair and zero", {249, 0, 250}, written({0xF9, 0xFA, 0x01}), {249, 250, 7200}},
        {"up to 150 µs as a read sends it",
         {10800},
         written({0xFF, 0x02, 0x6F, 0xA5, 0x01, 0x01, 0xF9}),
         {10800, 7200}},
        {"a stretch without flux is filled",
         {10801},
         written({0xFF, 0x02, 0x63, 0xA9, 0x01, 0x01, 0xFF, 0x03, 0xB5, 0x01, 0x01, 0x01}),
         std::vector<std::uint32_t>(120, 90)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(bytesEqual(c.stream, gw::EncodeWriteStream(c.intervals))) << c.name;
        std::vector<std::uint32_t> laidDown = gw::DecodeWriteStream(c.stream, UINT64_MAX);
        if (c.laidDown.size() > 2) {
            laidDown.resize(c.laidDown.size());  // the 1 tick left over joins the closing transition
        }
        EXPECT_EQ(laidDown, c.laidDown) << c.name;
    }
    // The device stops at the index pulse whatever the stream holds.
    EXPECT_EQ(gw::DecodeWriteStream(written({0x64, 0x64}), 150), (std::vector<std::uint32_t>{100}));
    const std::pair<const char*, Bytes> refused[] = {
        {"an index pulse", {0xFF, 0x01, 0x01, 0x01, 0x01, 0x01, 0x00}},
        {"ASTABLE under 800 ns",
         {0xFF, 0x02, 0x01, 0x03, 0x01, 0x01, 0xFF, 0x03, 0x71, 0x01, 0x01, 0x01, 0x00}},
        {"no end", {0x10}},
    };
    for (const auto& [name, stream] : refused) {
        EXPECT_THROW((void)gw::DecodeWriteStream(stream, UINT64_MAX), Failure) << name;
    }
}

TEST(GreaseweazleProtocol, SeekTakesOneSignedByteFromMinus128To127) {
    const std::pair<int, Bytes> cases[] = {
        {-128, {2, 3, 0x80}}, {127, {2, 3, 0x7F}}, {128, {2, 4, 0x80, 0x00}}};
    expectEach(cases, [](int cylinder) { return gw::SeekRequest(cylinder); });
}

// A device that sends what it holds and then falls silent.
struct ScriptedDevice : gw::Transport {
    Bytes pending;
    int silentReads = 0;
    explicit ScriptedDevice(Bytes bytes) : pending(std::move(bytes)) {}
    void write(std::span<const std::uint8_t>) override {}
    std::size_t read(std::span<std::uint8_t> buffer, std::chrono::milliseconds) override {
        if (pending.empty()) {
            pending.assign(++silentReads == 3 ? 1 : 0, 0);
            return 0;
        }
        const std::size_t n = std::min(buffer.size(), pending.size());
        std::copy_n(pending.begin(), n, buffer.begin());
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    void clearComms() override {}
};

// A flux stream that stops is a timeout at the first empty read, even when
// the end of the stream would come later; one that brings more index pulses
// or more time than the read asked for is cut off before its end.
TEST(GreaseweazleClient, AFluxStreamIsTakenOnlyAsFarAsTheReadAskedFor) {
    Bytes pulses{7, 0};  // ReadFlux acknowledged
    for (int i = 0; i < 5; ++i) {
        pulses.insert(pulses.end(), {0x64, 0xFF, 0x01, 0x65, 0x01, 0x01, 0x01});
    }
    const std::pair<Bytes, gw::ProtocolError::Kind> cases[] = {
        {{7, 0, 0x64}, gw::ProtocolError::Kind::Timeout},
        {pulses, gw::ProtocolError::Kind::TooMuchFlux},  // 5 pulses; 2 revolutions allow 4
        {{7, 0, 0xFF, 0x02, 0xFF, 0xFF, 0xFF, 0xFF}, gw::ProtocolError::Kind::TooMuchFlux},  // 3.7 s of SPACE
    };
    for (const auto& [bytes, kind] : cases) {
        ScriptedDevice device(bytes);
        gw::Client client(device, gw::Timeouts{});
        try {
            (void)client.ReadFlux(0, 2);
            ADD_FAILURE() << "read";
        } catch (const gw::ProtocolError& e) {
            EXPECT_EQ(e.kind(), kind) << e.what();
        }
    }
}

TEST(GreaseweazlePorts, WindowsPortNames) {
    EXPECT_EQ(gw::WindowsDevicePath("COM12"), "\\\\.\\COM12");
    const std::pair<const char*, bool> ids[] = {
        {"USB\\VID_1209&PID_4D69&REV_0100", true},
        {"usb\\vid_1209&pid_4d69", true},
        {"USB\\VID_1209&PID_0001&REV_0100", false},  // firmware too old to speak this protocol
        {"USB\\VID_1209&PID_4D690", false},
    };
    expectEach(ids, [](const auto& id) { return gw::IsGreaseweazleHardwareId(id); });
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

// The port on a pseudo-terminal whose other end the test holds: a write far
// larger than the terminal buffers waits for room and arrives whole; once the
// other end is gone, a read says so.
TEST(GreaseweazlePorts, APosixPortWaitsForRoomAndReportsAHangUp) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const auto port = gw::OpenSerialPort(::ptsname(master));
    Bytes sent(300000), received;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        sent[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    std::thread drain([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::uint8_t buffer[4096];
        for (ssize_t n = 0;
             received.size() < sent.size() && (n = ::read(master, buffer, sizeof buffer)) > 0;) {
            received.insert(received.end(), buffer, buffer + n);
        }
    });
    port->write(sent);
    drain.join();
    EXPECT_TRUE(bytesEqual(sent, received));
    ::close(master);
    std::uint8_t byte = 0;
    EXPECT_THROW((void)port->read({&byte, 1}, std::chrono::milliseconds(500)), Failure);
}

using floppyfix::patternDisk;
using floppyfix::trackSide;

gwsim::Options simOptions(int sides, const std::string& faults, bool writeProtected = false) {
    gwsim::Options o;
    o.image = patternDisk(sides);
    o.faults = gwsim::ParseFaults(faults);
    o.noIndexDelay = std::chrono::milliseconds(50);
    o.writeProtected = writeProtected;
    return o;
}

// Short enough that a silent device costs a test little, long enough for
// the simulator to encode a track under the sanitizers on a busy machine:
// they only bound a hang.
GreaseweazleDriver::Settings settings(const std::string& port) {
    GreaseweazleDriver::Settings s;
    s.port = port;
    using namespace std::chrono_literals;
    s.timeouts = {
        .command = 3000ms, .motor = 3000ms, .seek = 15000ms, .fluxIdle = 15000ms, .fluxTotal = 60000ms};
    return s;
}

struct Rig {
    gwsim::PtyServer server;
    RecordingLog log;
    GreaseweazleDriver driver;

    explicit Rig(const std::string& faults, int sides = 1, bool writeProtected = false)
        : server(simOptions(sides, faults, writeProtected)), driver(settings(server.path()), &log) {
        server.start();
    }

    // Every side of shape read back one by one, as the image lays them out.
    Bytes readBack(WriteShape shape, bool doubleStep) {
        Bytes disk;
        for (int t = 0; t < shape.tracks; ++t) {
            for (int h = 0; h < shape.heads; ++h) {
                std::vector<std::uint8_t> data;
                std::int32_t code = 0;
                std::string text;
                EXPECT_TRUE(driver.ReadSingleTrack(0, static_cast<std::uint8_t>(t),
                                                   static_cast<std::uint8_t>(h), data, code, text, 1,
                                                   doubleStep))
                    << h << ":" << t << " " << text;
                data.resize(floppyfix::kTrackSide);
                disk.insert(disk.end(), data.begin(), data.end());
            }
        }
        return disk;
    }
};

// Another disk than the one in the drive, so that nothing passes by being there already.
Bytes newDisk(int sides, int tracks) {
    Bytes disk = patternDisk(sides, tracks);
    for (std::uint8_t& b : disk) {
        b = static_cast<std::uint8_t>(b ^ 0x5A);
    }
    return disk;
}

TEST(GreaseweazleDriver, AWrittenDiskReadsBackAsItsImage) {
    const struct {
        WriteShape shape;
        bool doubleStep;
    } cases[] = {{{40, 1}, true}, {{40, 2}, true}, {{80, 2}, false}};
    for (const auto& c : cases) {
        Rig rig("", c.shape.heads);
        ScriptedPrompter prompter;
        WriteOptions options;
        options.shape = c.shape;
        const Bytes image = newDisk(c.shape.heads, c.shape.tracks);
        const WriteReport report = DiskWriter(rig.driver, prompter).WriteDisk("A", options, image);
        const std::string name = std::to_string(c.shape.tracks) + "x" + std::to_string(c.shape.heads);
        EXPECT_EQ(report.outcome, WriteOutcome::Finished) << name << " " << report.sErrorText;
        EXPECT_TRUE(bytesEqual(image, rig.readBack(c.shape, c.doubleStep))) << name;
        // A 40-track disk leaves no flux on the cylinders between its tracks.
        std::vector<std::uint8_t> data;
        std::int32_t code = 0;
        std::string text;
        EXPECT_EQ(rig.driver.ReadSingleTrack(0, 3, 0, data, code, text, 1, false) ? 0 : code,
                  c.doubleStep ? fderr::IdMarkNotFound : 0)
            << name;
        EXPECT_FALSE(rig.server.motorOn()) << name;
    }
}

// A disk whose tab is closed is never written to; a weak spot is written
// again, and a side that will not take its data ends the write where it is;
// a write the device ran dry on is sent again. Each write is cancelled once
// track 3 is done.
TEST(GreaseweazleDriver, WritesAreVerifiedAndTriedAgain) {
    const struct {
        const char* name;
        const char* faults;
        bool writeProtected;
        WriteOutcome outcome;
        std::vector<int> badSectors;
        long writeFluxes;
    } cases[] = {
        {"write-protected", "", true, WriteOutcome::WriteProtected, {}, 0},
        {"a weak sector written again", "weak:0:3:5", false, WriteOutcome::Canceled, {}, 5},
        {"a sector that never takes", "weak:0:3:5:9", false, WriteOutcome::Failed, {5}, 6},
        {"a write the device ran dry on", "underflow:1", false, WriteOutcome::Canceled, {}, 5},
    };
    for (const auto& c : cases) {
        Rig rig(c.faults, 1, c.writeProtected);
        ScriptedPrompter prompter;
        DiskWriter writer(rig.driver, prompter);
        WriteHooks hooks;
        hooks.progress = [&](const WriteProgress& p) {
            if (p.ok && p.track == 3) {
                writer.Cancel();
            }
        };
        const WriteReport report = writer.WriteDisk("A", WriteOptions{}, newDisk(1, 40), hooks);
        EXPECT_EQ(report.outcome, c.outcome) << c.name;
        EXPECT_EQ(report.badSectors, c.badSectors) << c.name;
        const std::vector<std::string> commands = rig.server.commands();
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "WriteFlux 1 1"), c.writeFluxes) << c.name;
        EXPECT_FALSE(rig.server.motorOn()) << c.name;
    }
}

TEST(GreaseweazleDriver, QuillmarFloppyNamesThePortAndASideIsReadWithTheHostsCommands) {
    Rig rig("", 2);
    const ScopedEnv floppy("QUILLMAR_FLOPPY", "greaseweazle:" + rig.server.path());
    std::vector<std::uint8_t> data;
    std::int32_t code = 0;
    std::string text;
    ASSERT_TRUE(CreateFloppyDriver()->ReadSingleTrack(0, 2, 1, data, code, text, 1, true)) << text;
    EXPECT_TRUE(bytesEqual(trackSide(2, 1), data));
    std::vector<std::string> c = rig.server.commands();
    EXPECT_EQ(c.front(), "ClearComms");
    c.erase(std::remove(c.begin(), c.end(), "ClearComms"), c.end());
    EXPECT_EQ(
        c, (std::vector<std::string>{"GetInfo 0", "SetBusType 1", "Select 0", "Motor 0 1", "Seek 4", "Head 1",
                                     "ReadFlux 15840000 0", "GetFluxStatus", "Motor 0 0", "Deselect"}));
    EXPECT_FALSE(rig.server.motorOn() || rig.server.selected());
}

TEST(GreaseweazleDriver, ErrorsOfASideAreTheControllersCodes) {
    const struct {
        const char* name;
        const char* faults;
        bool doubleStep;
        int sector;  // -1: the whole side of track 5
        std::int32_t code;
        std::string logged = {};
        std::string text = {};  // the error text when it is not the code's
    } cases[] = {
        {"no sector marks at all", "nosync:0:5", true, -1, fderr::IdMarkNotFound},
        {"single step finds another cylinder's IDs", "", false, -1, fderr::WrongCylinder},
        {"a lost flux read is read again", "overflow:1", true, -1, 0},
        {"one sector bad on every revolution", "crc:0:5:9", true, 9, fderr::Crc},
        {"the seek refused", "notrk0", true, -1, fderr::Seek,
         "Error 57 (Seek: no track 0 ) in ReadSingleTrack at line 3"},
        {"a stream that never ends is cut off", "endless", true, -1, fderr::FloppyUnknownError,
         "Error 57 (the device sent more flux than was asked for ) in ReadSingleTrack at line 4",
         "the device sent more flux than was asked for"},
    };
    for (const auto& c : cases) {
        Rig rig(c.faults);
        std::vector<std::uint8_t> data;
        std::int32_t code = 0;
        std::string text;
        const bool ok = c.sector < 0
                            ? rig.driver.ReadSingleTrack(0, 5, 0, data, code, text, 1, c.doubleStep)
                            : rig.driver.ReadSingleSector(0, 5, 0, static_cast<std::uint8_t>(c.sector), data,
                                                          code, text, 1, c.doubleStep);
        EXPECT_EQ(ok ? 0 : code, c.code) << c.name << ": " << text;
        EXPECT_EQ(text, ok ? "" : c.text.empty() ? modFDRawCmd::DriveErrorText(c.code) : c.text) << c.name;
        const Bytes side = trackSide(5, 0);
        const Bytes wanted =
            c.sector < 0 ? side : Bytes(side.begin() + c.sector * 256, side.begin() + c.sector * 256 + 256);
        EXPECT_TRUE(!ok || bytesEqual(wanted, data)) << c.name;
        EXPECT_FALSE(rig.server.motorOn()) << c.name;
        // Other lines may follow: the device is put back in order however the side ended.
        const bool logged = std::any_of(rig.log.entries.begin(), rig.log.entries.end(),
                                        [&](const auto& e) { return e.what == c.logged; });
        EXPECT_TRUE(c.logged.empty() ? rig.log.entries.empty() : logged) << c.name;
    }
}

// A side costs what the disk costs: a clean disk little more than one
// revolution a side, a side with a bad sector the full reads of every try.
TEST(GreaseweazleDriver, ReadsAtTheDisksSpeed) {
    double clean = 0;
    for (const char* faults : {"", "crc:0:5:9"}) {
        Rig rig(faults);
        ScriptedPrompter prompter;
        DiskImage image;
        const ReadReport report = DiskReader(rig.driver, prompter).ReadDisk("A", {}, image);
        EXPECT_EQ(report.failedSides.size(), *faults == '\0' ? 0u : 1u) << faults;
        const double revolutions = rig.server.revolutionsRead();
        if (*faults == '\0') {
            clean = revolutions;
            EXPECT_LE(revolutions / 40, 1.25);
        } else {
            EXPECT_GE(revolutions - clean, 3 * 3.0) << "three full reads of the bad side";
        }
    }
}

TEST(GreaseweazleDriver, NoDiskAsksForAFloppy) {
    Rig rig("noindex");
    ScriptedPrompter prompter;
    prompter.answers = {MsgAnswer::Cancel};
    DiskImage image;
    EXPECT_EQ(DiskReader(rig.driver, prompter).ReadDisk("A", {}, image).outcome, ReadOutcome::NoFloppy);
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_FALSE(rig.server.motorOn());
}

// A device gone in the middle of a read fails the rest of it at once, saying
// so rather than blaming the disk; asked again, it is not an empty drive.
TEST(GreaseweazleDriver, ADeviceLostInTheMiddleOfAReadEndsItCleanly) {
    // 8 answers for the drive check and the first side, 3 more into the second.
    for (const char* faults : {"mute:19", "unplug"}) {
        auto server =
            std::make_unique<gwsim::PtyServer>(simOptions(1, faults == std::string("unplug") ? "" : faults));
        server->start();
        const std::string lost =
            "The Greaseweazle on " + server->path() + " no longer answers. Is it plugged in?";
        GreaseweazleDriver driver(settings(server->path()));
        ScriptedPrompter prompter;
        ReadHooks hooks;
        hooks.progress = [&](const ReadProgress&) {
            if (faults == std::string("unplug")) {
                server.reset();
            }
        };
        DiskImage image;
        ReadReport report = DiskReader(driver, prompter).ReadDisk("A", {}, image, hooks);
        EXPECT_EQ(report.outcome, ReadOutcome::Published) << faults;
        ASSERT_EQ(report.statusLines.size(), 40u) << faults;
        EXPECT_EQ(report.statusLines[0], "0:0 Read OK") << faults;
        EXPECT_EQ(report.statusLines[1].rfind("0:1 " + lost, 0), 0u) << report.statusLines[1];
        EXPECT_EQ(report.failedSides.size(), 39u) << faults;
        EXPECT_EQ(image.sectorMap->entries.back().error, fderr::NotReady) << faults;

        server.reset();
        prompter.answers = {MsgAnswer::Cancel};
        report = DiskReader(driver, prompter).ReadDisk("A", {}, image);
        EXPECT_EQ(report.outcome, ReadOutcome::NoFloppy) << faults;
        ASSERT_EQ(prompter.shown.size(), 1u) << faults;
        EXPECT_EQ(prompter.shown[0].text.rfind(lost, 0), 0u) << prompter.shown[0].text;
    }
}

// A pseudo-terminal whose other end answers every request with what answer
// makes of it: a device that is not a Greaseweazle.
class FakeDevice {
public:
    explicit FakeDevice(std::function<Bytes(const Bytes&)> answer) : m_answer(std::move(answer)) {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_TRUE(m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0);
        m_path = ::ptsname(m_master);
        m_thread = std::thread([this] {
            std::uint8_t buffer[256];
            for (;;) {
                pollfd p{m_master, POLLIN, 0};
                if (m_stop || ::poll(&p, 1, 20) < 0) {
                    return;
                }
                const ssize_t n = (p.revents & POLLIN) != 0 ? ::read(m_master, buffer, sizeof buffer) : 0;
                if (n > 0) {
                    const Bytes reply = m_answer(Bytes(buffer, buffer + n));
                    (void)!::write(m_master, reply.data(), reply.size());
                }
            }
        });
    }
    ~FakeDevice() {
        m_stop = true;
        m_thread.join();
        ::close(m_master);
    }
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;
    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    std::function<Bytes(const Bytes&)> m_answer;
    int m_master = -1;
    std::string m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(GreaseweazleDriver, AConnectionThatFailsSaysWhy) {
    const auto info = [](gw::Info i) {
        gwsim::Options o = simOptions(1, "");
        o.info = i;
        return o;
    };
    const struct {
        const char* name;
        std::optional<gwsim::Options> sim;  // none: a device that is no Greaseweazle
        std::function<Bytes(const Bytes&)> answer;
        std::string problem;  // {port} stands for the port
    } cases[] = {
        {"no such port", std::nullopt, nullptr, "cannot open {port}: No such file or directory"},
        {"an echo", std::nullopt, [](const Bytes& in) { return in; },
         "the device on {port} does not answer as a Greaseweazle"},
        {"garbage", std::nullopt, [](const Bytes& in) { return Bytes(in.size() + 40, 0xFF); },
         "the device on {port} does not answer as a Greaseweazle"},
        {"the bootloader", info({1, 6, false, 22, 72'000'000, 4, 0, 0}), nullptr,
         "the Greaseweazle on {port} is in its update (bootloader) mode"},
        {"old firmware", info({0, 30, true, 22, 72'000'000, 4, 0, 0}), nullptr,
         "the Greaseweazle on {port} has firmware 0.30; this program needs 0.31 or newer"},
        {"no sample clock", info({1, 6, true, 22, 0, 4, 0, 0}), nullptr,
         "the Greaseweazle on {port} reports an impossible sample frequency of 0 Hz"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<gwsim::PtyServer> sim;
        std::unique_ptr<FakeDevice> fake;
        std::string port = "/nonexistent/ttyACM9";
        if (c.sim) {
            sim = std::make_unique<gwsim::PtyServer>(*c.sim);
            sim->start();
            port = sim->path();
        } else if (c.answer) {
            fake = std::make_unique<FakeDevice>(c.answer);
            port = fake->path();
        }
        GreaseweazleDriver driver(settings(port));
        std::uint32_t version = 0;
        EXPECT_FALSE(driver.IsDriverPresent(version)) << c.name;
        std::string wanted = c.problem;
        wanted.replace(wanted.find("{port}"), 6, port);
        EXPECT_EQ(driver.DeviceProblem(), wanted) << c.name;
    }
}

// A signal while the port waits for the device only restarts the wait.
TEST(GreaseweazlePorts, ASignalDuringAWaitIsNotALostDevice) {
    struct sigaction action {};
    action.sa_handler = [](int) {};  // without SA_RESTART: poll returns EINTR
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const auto port = gw::OpenSerialPort(::ptsname(master));
    const pthread_t reader = ::pthread_self();
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::pthread_kill(reader, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        (void)!::write(master, "x", 1);
    });
    std::uint8_t byte = 0;
    EXPECT_EQ(port->read({&byte, 1}, std::chrono::milliseconds(20000)), 1u);
    other.join();
    ::close(master);
    ::sigaction(SIGUSR1, &previous, nullptr);
}

#endif

}  // namespace
