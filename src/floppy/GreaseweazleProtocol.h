#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// The Greaseweazle's host protocol over its USB serial port. A request is
// [cmd][len][args...] with len counting the whole request; the device answers
// [cmd][status] and, on success, the command's payload. Integers are
// little-endian. Requests are never pipelined: the device throws away
// whatever follows a request in the same transfer.
namespace gw {

enum class Cmd : std::uint8_t {
    GetInfo = 0,
    Seek = 2,
    Head = 3,
    SetParams = 4,
    GetParams = 5,
    Motor = 6,
    ReadFlux = 7,
    WriteFlux = 8,
    GetFluxStatus = 9,
    Select = 12,
    Deselect = 13,
    SetBusType = 14,
    SetPin = 15,
    Reset = 16,
    EraseFlux = 17,
    GetPin = 20,
    NoClickStep = 22,
};

enum class Ack : std::uint8_t {
    Okay = 0,
    BadCommand = 1,
    NoIndex = 2,
    NoTrk0 = 3,
    FluxOverflow = 4,
    FluxUnderflow = 5,
    Wrprot = 6,
    NoUnit = 7,
    NoBus = 8,
    BadUnit = 9,
    BadPin = 10,
    BadCylinder = 11,
};

enum class BusType : std::uint8_t { None = 0, IbmPc = 1, Shugart = 2 };

// Drive-bus pins GetPin reads.
inline constexpr std::uint8_t kPinWriteProtect = 28;

inline constexpr std::size_t kInfoLength = 32;
inline constexpr std::uint32_t kDefaultLingerTicks = 36'000;  // 500 µs at 72 MHz

// GetInfo index 0, the fields this program looks at.
struct Info {
    std::uint8_t fwMajor = 0;
    std::uint8_t fwMinor = 0;
    bool mainFirmware = false;  // false: the bootloader, which reads nothing
    std::uint8_t maxCmd = 0;
    std::uint32_t sampleFreq = 0;  // Hz
    std::uint8_t hwModel = 0;
    std::uint8_t hwSubmodel = 0;
    std::uint8_t usbSpeed = 0;
};

[[nodiscard]] Info DecodeInfo(std::span<const std::uint8_t> bytes);
[[nodiscard]] std::vector<std::uint8_t> EncodeInfo(const Info& info);

// Why the device that answered GetInfo cannot read for this program, if it cannot.
enum class InfoProblem { None, Bootloader, OldFirmware, SampleFrequency };
[[nodiscard]] constexpr InfoProblem CheckInfo(const Info& info) {
    if (!info.mainFirmware) {
        return InfoProblem::Bootloader;
    }
    // The oldest main firmware whose protocol this program speaks.
    if (info.fwMajor == 0 && info.fwMinor < 31) {
        return InfoProblem::OldFirmware;
    }
    // Every model samples at 72 MHz; a compatible may differ, but not by orders of magnitude.
    if (info.sampleFreq < 1'000'000 || info.sampleFreq > 1'000'000'000) {
        return InfoProblem::SampleFrequency;
    }
    return InfoProblem::None;
}

// The most a flux read may bring: the revolutions it asked for (maxIndex, or
// without them ticks at sampleFreq) and one revolution of slack, at 300 rpm;
// and however the stream spends its bytes, 512 KiB for each of those
// revolutions (200,000 transitions, twice a high-density disk's, of two
// bytes each).
struct FluxLimits {
    std::uint64_t ticks = 0;
    std::uint32_t indexPulses = 0;
    std::size_t bytes = 0;
};
[[nodiscard]] FluxLimits FluxLimitsFor(std::uint32_t ticks, std::uint16_t maxIndex, std::uint32_t sampleFreq);

// The request bytes, length byte included.
[[nodiscard]] std::vector<std::uint8_t> Request(Cmd cmd, std::span<const std::uint8_t> args = {});
[[nodiscard]] std::vector<std::uint8_t> SeekRequest(int cylinder);
[[nodiscard]] std::vector<std::uint8_t> ReadFluxRequest(std::uint32_t ticks, std::uint16_t maxIndex);

// The names log lines and the simulator give commands ("Seek", "ReadFlux")
// and statuses ("no track 0"): nullptr for a byte that names no command,
// "unknown status" for a status the protocol does not have.
[[nodiscard]] const char* CmdName(std::uint8_t cmd);
[[nodiscard]] const char* AckName(std::uint8_t status);

// The byte pipe to the device: a serial port, or a test's pseudo-terminal.
class Transport {
public:
    virtual ~Transport() = default;
    // All bytes or a Failure (a broken or removed port).
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // Waits up to timeout for at least one byte; 0 when none came. A port
    // that has gone away is a Failure.
    [[nodiscard]] virtual std::size_t read(std::span<std::uint8_t> buffer,
                                           std::chrono::milliseconds timeout) = 0;
    // Abandons whatever the device is doing (a read stream included) and
    // empties both directions; selection, motor and head position stay.
    virtual void clearComms() = 0;
};

// What went wrong in a conversation with the device.
class ProtocolError : public std::runtime_error {
public:
    // TooMuchFlux: a flux stream longer than the read asked for, abandoned with ClearComms.
    enum class Kind { Timeout, Garbage, Status, TooMuchFlux };
    ProtocolError(Kind kind, Cmd cmd, std::uint8_t status, const std::string& what)
        : std::runtime_error(what), m_kind(kind), m_cmd(cmd), m_status(status) {}
    [[nodiscard]] Kind kind() const { return m_kind; }
    [[nodiscard]] Cmd cmd() const { return m_cmd; }
    [[nodiscard]] Ack status() const { return static_cast<Ack>(m_status); }

private:
    Kind m_kind;
    Cmd m_cmd;
    std::uint8_t m_status;
};

// How long each kind of answer may take. The device answers most commands
// at once; Motor on waits for spin-up (750 ms by default), a first seek may
// step 256 times, and a flux read sends a byte at least every 200 µs while
// it runs (its own index timeout is 2 s).
struct Timeouts {
    std::chrono::milliseconds command{2000};
    std::chrono::milliseconds motor{4000};
    std::chrono::milliseconds seek{8000};
    std::chrono::milliseconds fluxIdle{3000};
    std::chrono::milliseconds fluxTotal{15000};
};

// One conversation with the device, a request and its answer at a time.
class Client {
public:
    Client(Transport& transport, Timeouts timeouts) : m_transport(transport), m_timeouts(timeouts) {}

    [[nodiscard]] Info GetInfo();
    void SetBusType(BusType bus);
    void Select(std::uint8_t unit);
    void Deselect();
    void Motor(std::uint8_t unit, bool on);
    void Seek(int cylinder);
    void Head(std::uint8_t head);
    // The whole stream, its final 00 included. A stream that goes past
    // FluxLimitsFor is abandoned with ClearComms and a TooMuchFlux error.
    [[nodiscard]] std::vector<std::uint8_t> ReadFlux(std::uint32_t ticks, std::uint16_t maxIndex);
    // The result of the last flux read, write or erase: Okay, NoIndex, FluxOverflow...
    [[nodiscard]] Ack GetFluxStatus();
    // Writes stream (from EncodeWriteStream) from the next index pulse to the
    // one after it. A write-protected disk answers the request with Wrprot, a
    // Status error, and the stream is never sent; otherwise the device takes
    // the whole stream whatever happens and GetFluxStatus tells how it went.
    void WriteFlux(std::span<const std::uint8_t> stream);
    // Holds the write gate open for ticks: no flux is left under the head.
    // Wrprot as for WriteFlux; GetFluxStatus tells the rest.
    void EraseFlux(std::uint32_t ticks);
    // The level of a drive-bus pin, 0 when asserted (they are active low).
    [[nodiscard]] std::uint8_t GetPin(std::uint8_t pin);

private:
    void command(Cmd cmd, std::span<const std::uint8_t> request, std::chrono::milliseconds timeout);
    void readExactly(Cmd cmd, std::span<std::uint8_t> out, std::chrono::steady_clock::time_point deadline);
    // The one byte a write or an erase sends when it has finished.
    void awaitFinish(Cmd cmd, std::chrono::milliseconds timeout);

    Transport& m_transport;
    Timeouts m_timeouts;
    std::uint32_t m_sampleFreq = 72'000'000;  // until GetInfo says otherwise
};

}  // namespace gw
