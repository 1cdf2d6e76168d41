#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "floppy/GreaseweazleProtocol.h"
#include "flux/FluxTrack.h"
#include "flux/Mfm.h"

// A Greaseweazle with an 80-track PC drive as unit 0 holding a 40-track Opus
// disk, answering the host protocol byte for byte. It has no clock and no
// port: bytes from the host go in, the replies come out (with how long the
// device would wait before sending them), and a pseudo-terminal server moves
// them. Unit 1 is a drive without a disk.
namespace gwsim {

// A sector whose data CRC is wrong on the given revolutions of every read
// (none listed: on all of them). Revolution 0 is the one the capture starts in.
struct BadSector {
    int track = 0;
    int head = 0;
    int sector = 0;
    std::vector<int> revolutions;
};

// A sector that the first writes of its track side leave unreadable (a weak
// spot of the disk): it reads back bad until the side is written again.
struct WeakSector {
    int track = 0;  // as the IDs written name it
    int head = 0;
    int sector = 0;
    int writes = 1;  // how many writes it spoils
};

struct Faults {
    std::vector<BadSector> badSectors;
    std::vector<WeakSector> weakSectors;
    std::vector<std::pair<int, int>> noSync;  // track, head: no sector marks at all
    bool noIndex = false;                     // no disk: the drive never sends an index pulse
    bool noTrack0 = false;                    // every seek ends in No Track 0
    int answerCommands = -1;                  // after this many answers the device goes silent (-1: never)
    int overflowReads = 0;                    // the first N flux reads end in Flux Overflow
    bool endless = false;                     // every flux read streams for ever, never ending in 00
    int underflowWrites = 0;                  // the first N flux writes end in Flux Underflow
};

// Head before track, as in QUILLMAR_FLOPPY_FAULTS:
// "crc:H:T:R[:REV,REV...];weak:H:T:R[:N];nosync:H:T;noindex;notrk0;mute:N;overflow:N;
// underflow:N;endless". A Failure names the item it cannot read.
[[nodiscard]] Faults ParseFaults(std::string_view text);

struct Options {
    std::vector<std::uint8_t> image;  // 184,320 bytes: one side; 368,640: both, track by track
    // Instead of the image: a flux recording, replayed revolution by
    // revolution (over again when a read wants more than it holds). The
    // CRC and no-sync faults do not apply to it.
    std::optional<flux::FluxDisk> recording;
    Faults faults;
    // What GetInfo reports (its sample frequency is the one the device samples at).
    gw::Info info{1, 6, true, 22, 72'000'000, 4, 0, 0};
    std::chrono::milliseconds noIndexDelay{2000};  // the firmware's wait for an index pulse
    bool writeProtected = false;                   // the disk's write-protect tab
    double jitter = 0.05;                          // of a bit cell
    std::uint32_t seed = 1;
};

struct Output {
    std::chrono::milliseconds delay{0};  // before the first byte goes out
    std::vector<std::uint8_t> bytes;
    bool repeat = false;  // sent over and over until a ClearComms
};

class Device {
public:
    static constexpr std::uint32_t kSampleFreq = 72'000'000;
    static constexpr std::uint32_t kRevolutionTicks = kSampleFreq / 5;  // 300 rpm
    static constexpr int kCylinders = 80;

    explicit Device(Options options);

    // Bytes from the host; what the device sends back, in order. A request
    // still incomplete waits for the rest.
    [[nodiscard]] std::vector<Output> receive(std::span<const std::uint8_t> bytes);
    // The host's ClearComms: an unfinished request is dropped.
    void clearComms();

    // Every request received, as "Name arg arg" ("Motor 0 1", "Seek 4",
    // "ReadFlux 0 4"), and "ClearComms"; an unknown one as "Command N".
    [[nodiscard]] const std::vector<std::string>& commands() const { return m_commands; }
    [[nodiscard]] bool motorOn(int unit) const { return m_motor[static_cast<std::size_t>(unit)]; }
    [[nodiscard]] std::optional<int> selectedUnit() const { return m_unit; }
    // The disk time the flux reads captured, in revolutions: what reading
    // costs on a real drive.
    [[nodiscard]] double revolutionsRead() const {
        return static_cast<double>(m_capturedTicks) / kRevolutionTicks;
    }
    // The same for flux writes and erases.
    [[nodiscard]] double revolutionsWritten() const {
        return static_cast<double>(m_writtenTicks) / kRevolutionTicks;
    }

private:
    using Request = std::span<const std::uint8_t>;
    // A command's answer: its status, the payload that follows an Okay, and
    // for a flux read the stream sent after the answer.
    struct Answer {
        Answer(gw::Ack s = gw::Ack::Okay, std::vector<std::uint8_t> p = {}, std::optional<Output> o = {})
            : status(s), payload(std::move(p)), stream(std::move(o)) {}
        gw::Ack status;
        std::vector<std::uint8_t> payload;
        std::optional<Output> stream;
    };
    using Handler = Answer (Device::*)(Request);

    void handle(Request request, std::vector<Output>& out);
    [[nodiscard]] static Handler handlerFor(gw::Cmd cmd);
    // One handler per command; the request's length has been checked.
    Answer onGetInfo(Request r);
    Answer onSetBusType(Request r);
    Answer onSelect(Request r);
    Answer onDeselect(Request r);
    Answer onMotor(Request r);
    Answer onSeek(Request r);
    Answer onHead(Request r);
    Answer onGetPin(Request r);
    Answer onSetPin(Request r);
    Answer onGetParams(Request r);
    Answer onSetParams(Request r);
    Answer onReset(Request r);
    Answer onNoClickStep(Request r);
    Answer onGetFluxStatus(Request r);
    Answer onWriteFlux(Request r);
    Answer onEraseFlux(Request r);
    // The write stream that followed a WriteFlux, up to its 00: what it
    // leaves on the side under the head, and the byte that ends the write.
    [[nodiscard]] Output finishWrite(std::span<const std::uint8_t> stream);
    [[nodiscard]] bool spinning() const;
    Answer onReadFlux(Request r);
    [[nodiscard]] gw::Ack readFlux(std::uint32_t ticks, std::uint16_t maxIndex, Output& stream);
    [[nodiscard]] flux::FluxTrack encodedSide(int cylinder, int head, int revolutions);
    [[nodiscard]] flux::FluxTrack recordedSide(int cylinder, int head, int revolutions) const;
    [[nodiscard]] int unitCount() const;

    Options m_options;
    std::vector<std::uint8_t> m_pending;
    std::vector<std::string> m_commands;
    int m_answered = 0;
    gw::BusType m_bus = gw::BusType::None;
    std::optional<int> m_unit;
    std::uint8_t m_head = 0;
    int m_cylinder[4] = {0, 0, 0, 0};
    bool m_motor[4] = {false, false, false, false};
    gw::Ack m_fluxStatus = gw::Ack::Okay;
    int m_reads = 0;
    std::uint64_t m_capturedTicks = 0;
    std::uint64_t m_writtenTicks = 0;
    // Between a WriteFlux and the 00 of its stream: the stream so far.
    std::optional<std::vector<std::uint8_t>> m_writeStream;
    // What was written, by cylinder and head, as the sectors it holds; it
    // outlives a Reset, as a disk does.
    std::map<std::pair<int, int>, std::vector<flux::EncodeSector>> m_written;
    int m_writes = 0;
    std::uint32_t m_seed;
    std::uint8_t m_params[16] = {};
};

}  // namespace gwsim
