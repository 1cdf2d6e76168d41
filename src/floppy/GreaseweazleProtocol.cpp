#include "floppy/GreaseweazleProtocol.h"

#include <algorithm>

#include "core/ByteReader.h"
#include "core/Failure.h"
#include "floppy/GreaseweazleStream.h"

namespace gw {

namespace {

using Clock = std::chrono::steady_clock;

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v);
    put16(out, v >> 16);
}

// Follows a read stream as it arrives: the ticks and index pulses its
// complete codes have brought so far.
class FluxMeter {
public:
    void follow(std::span<const std::uint8_t> stream) {
        while (m_at < stream.size() && stream[m_at] != 0) {
            const std::uint8_t b = stream[m_at];
            if (b < 250) {
                m_ticks += b;
                m_at += 1;
            } else if (b < 255) {
                if (m_at + 2 > stream.size()) {
                    return;
                }
                m_ticks += 250 + std::uint64_t{b - 250u} * 255 + stream[m_at + 1] - 1;
                m_at += 2;
            } else {
                if (m_at + 6 > stream.size()) {
                    return;
                }
                const std::uint32_t n = DecodeN28(stream.subspan(m_at + 2).first<4>());
                if (stream[m_at + 1] == 1) {
                    ++m_indexPulses;
                } else if (stream[m_at + 1] == 2) {
                    m_ticks += n;
                }
                m_at += 6;
            }
        }
    }
    [[nodiscard]] bool beyond(const FluxLimits& limits, std::size_t bytes) const {
        return m_ticks > limits.ticks || m_indexPulses > limits.indexPulses || bytes > limits.bytes;
    }

private:
    std::size_t m_at = 0;
    std::uint64_t m_ticks = 0;
    std::uint32_t m_indexPulses = 0;
};

std::string cmdText(Cmd cmd) {
    const char* name = CmdName(static_cast<std::uint8_t>(cmd));
    return name != nullptr ? name : "command " + std::to_string(static_cast<int>(cmd));
}

}  // namespace

Info DecodeInfo(std::span<const std::uint8_t> bytes) {
    const ByteReader in(bytes);
    Info info;
    info.fwMajor = in.u8(0);
    info.fwMinor = in.u8(1);
    info.mainFirmware = in.u8(2) != 0;
    info.maxCmd = in.u8(3);
    info.sampleFreq = in.u32le(4);
    info.hwModel = in.u8(8);
    info.hwSubmodel = in.u8(9);
    info.usbSpeed = in.u8(10);
    return info;
}

std::vector<std::uint8_t> EncodeInfo(const Info& info) {
    std::vector<std::uint8_t> out{info.fwMajor, info.fwMinor,
                                  static_cast<std::uint8_t>(info.mainFirmware ? 1 : 0), info.maxCmd};
    put32(out, info.sampleFreq);
    out.push_back(info.hwModel);
    out.push_back(info.hwSubmodel);
    out.push_back(info.usbSpeed);
    out.resize(kInfoLength, 0);
    return out;
}

std::vector<std::uint8_t> Request(Cmd cmd, std::span<const std::uint8_t> args) {
    std::vector<std::uint8_t> out(2 + args.size());
    out[0] = static_cast<std::uint8_t>(cmd);
    out[1] = static_cast<std::uint8_t>(out.size());
    std::copy(args.begin(), args.end(), out.begin() + 2);
    return out;
}

std::vector<std::uint8_t> SeekRequest(int cylinder) {
    std::vector<std::uint8_t> args;
    if (cylinder >= -128 && cylinder <= 127) {
        args.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(cylinder)));
    } else {
        put16(args, static_cast<std::uint16_t>(static_cast<std::int16_t>(cylinder)));
    }
    return Request(Cmd::Seek, args);
}

FluxLimits FluxLimitsFor(std::uint32_t ticks, std::uint16_t maxIndex, std::uint32_t sampleFreq) {
    constexpr std::size_t kRevolutionBytes = 512 * 1024;
    const std::uint64_t revolution = std::max<std::uint32_t>(sampleFreq / 5, 1);  // 300 rpm
    const std::uint64_t revolutions = maxIndex != 0 ? maxIndex : ticks / revolution + 1;
    FluxLimits limits;
    limits.ticks = maxIndex != 0 ? (revolutions + 1) * revolution : std::uint64_t{ticks} + revolution;
    limits.indexPulses = static_cast<std::uint32_t>(revolutions + 2);
    limits.bytes = static_cast<std::size_t>((revolutions + 1) * kRevolutionBytes);
    return limits;
}

std::vector<std::uint8_t> ReadFluxRequest(std::uint32_t ticks, std::uint16_t maxIndex) {
    std::vector<std::uint8_t> args;
    put32(args, ticks);
    put16(args, maxIndex);
    return Request(Cmd::ReadFlux, args);
}

const char* CmdName(std::uint8_t cmd) {
    switch (static_cast<Cmd>(cmd)) {
        case Cmd::GetInfo:
            return "GetInfo";
        case Cmd::Seek:
            return "Seek";
        case Cmd::Head:
            return "Head";
        case Cmd::SetParams:
            return "SetParams";
        case Cmd::GetParams:
            return "GetParams";
        case Cmd::Motor:
            return "Motor";
        case Cmd::ReadFlux:
            return "ReadFlux";
        case Cmd::WriteFlux:
            return "WriteFlux";
        case Cmd::GetFluxStatus:
            return "GetFluxStatus";
        case Cmd::Select:
            return "Select";
        case Cmd::Deselect:
            return "Deselect";
        case Cmd::SetBusType:
            return "SetBusType";
        case Cmd::SetPin:
            return "SetPin";
        case Cmd::Reset:
            return "Reset";
        case Cmd::EraseFlux:
            return "EraseFlux";
        case Cmd::GetPin:
            return "GetPin";
        case Cmd::NoClickStep:
            return "NoClickStep";
    }
    return nullptr;
}

const char* AckName(std::uint8_t status) {
    // Log texts only; the user sees the controller's error texts.
    static const char* const kNames[] = {
        "okay",           "bad command",     "no index pulse",   "no track 0",      "flux overflow",
        "flux underflow", "write-protected", "no unit selected", "no bus type set", "bad unit",
        "bad pin",        "bad cylinder"};
    return status < std::size(kNames) ? kNames[status] : "unknown status";
}

void Client::readExactly(Cmd cmd, std::span<std::uint8_t> out, Clock::time_point deadline) {
    std::size_t got = 0;
    while (got < out.size()) {
        const auto now = Clock::now();
        if (now >= deadline) {
            throw ProtocolError(ProtocolError::Kind::Timeout, cmd, 0, "no answer to " + cmdText(cmd));
        }
        got += m_transport.read(out.subspan(got),
                                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                                    std::chrono::milliseconds(1));
    }
}

void Client::command(Cmd cmd, std::span<const std::uint8_t> request, std::chrono::milliseconds timeout) {
    m_transport.write(request);
    std::uint8_t ack[2] = {};
    readExactly(cmd, ack, Clock::now() + timeout);
    if (ack[0] != static_cast<std::uint8_t>(cmd)) {
        throw ProtocolError(ProtocolError::Kind::Garbage, cmd, ack[1],
                            "the answer to " + cmdText(cmd) + " names another command");
    }
    if (ack[1] != 0) {
        throw ProtocolError(ProtocolError::Kind::Status, cmd, ack[1], cmdText(cmd) + ": " + AckName(ack[1]));
    }
}

Info Client::GetInfo() {
    const std::uint8_t index[] = {0};
    command(Cmd::GetInfo, Request(Cmd::GetInfo, index), m_timeouts.command);
    std::vector<std::uint8_t> bytes(kInfoLength);
    readExactly(Cmd::GetInfo, bytes, Clock::now() + m_timeouts.command);
    const Info info = DecodeInfo(bytes);
    if (CheckInfo(info) == InfoProblem::None) {
        m_sampleFreq = info.sampleFreq;
    }
    return info;
}

void Client::SetBusType(BusType bus) {
    const std::uint8_t args[] = {static_cast<std::uint8_t>(bus)};
    command(Cmd::SetBusType, Request(Cmd::SetBusType, args), m_timeouts.command);
}

void Client::Select(std::uint8_t unit) {
    const std::uint8_t args[] = {unit};
    command(Cmd::Select, Request(Cmd::Select, args), m_timeouts.command);
}

void Client::Deselect() {
    command(Cmd::Deselect, Request(Cmd::Deselect), m_timeouts.command);
}

void Client::Motor(std::uint8_t unit, bool on) {
    const std::uint8_t args[] = {unit, static_cast<std::uint8_t>(on ? 1 : 0)};
    command(Cmd::Motor, Request(Cmd::Motor, args), on ? m_timeouts.motor : m_timeouts.command);
}

void Client::Seek(int cylinder) {
    command(Cmd::Seek, SeekRequest(cylinder), m_timeouts.seek);
}

void Client::Head(std::uint8_t head) {
    const std::uint8_t args[] = {head};
    command(Cmd::Head, Request(Cmd::Head, args), m_timeouts.command);
}

std::vector<std::uint8_t> Client::ReadFlux(std::uint32_t ticks, std::uint16_t maxIndex) {
    command(Cmd::ReadFlux, ReadFluxRequest(ticks, maxIndex), m_timeouts.seek);
    std::vector<std::uint8_t> stream;
    std::vector<std::uint8_t> chunk(4096);
    const auto deadline = Clock::now() + m_timeouts.fluxTotal;
    const FluxLimits limits = FluxLimitsFor(ticks, maxIndex, m_sampleFreq);
    FluxMeter meter;
    // The 00 that ends the stream appears nowhere inside it.
    while (stream.empty() || stream.back() != 0) {
        const std::size_t n = m_transport.read(chunk, m_timeouts.fluxIdle);
        if (n == 0 || Clock::now() > deadline) {
            throw ProtocolError(ProtocolError::Kind::Timeout, Cmd::ReadFlux, 0, "flux stream stopped");
        }
        const auto end = chunk.begin() + static_cast<std::ptrdiff_t>(n);
        const auto zero = std::find(chunk.begin(), end, std::uint8_t{0});
        stream.insert(stream.end(), chunk.begin(), zero == end ? end : zero + 1);
        meter.follow(stream);
        if (meter.beyond(limits, stream.size())) {
            m_transport.clearComms();
            throw ProtocolError(ProtocolError::Kind::TooMuchFlux, Cmd::ReadFlux, 0,
                                "the device sent more flux than was asked for");
        }
    }
    return stream;
}

Ack Client::GetFluxStatus() {
    m_transport.write(Request(Cmd::GetFluxStatus));
    std::uint8_t ack[2] = {};
    readExactly(Cmd::GetFluxStatus, ack, Clock::now() + m_timeouts.command);
    if (ack[0] != static_cast<std::uint8_t>(Cmd::GetFluxStatus)) {
        throw ProtocolError(ProtocolError::Kind::Garbage, Cmd::GetFluxStatus, ack[1],
                            "the answer to " + cmdText(Cmd::GetFluxStatus) + " names another command");
    }
    return static_cast<Ack>(ack[1]);
}

void Client::awaitFinish(Cmd cmd, std::chrono::milliseconds timeout) {
    std::uint8_t done = 0;
    readExactly(cmd, {&done, 1}, Clock::now() + timeout);
}

void Client::WriteFlux(std::span<const std::uint8_t> stream) {
    const std::uint8_t args[] = {1, 1};  // from an index pulse to the next
    command(Cmd::WriteFlux, Request(Cmd::WriteFlux, args), m_timeouts.seek);
    m_transport.write(stream);
    awaitFinish(Cmd::WriteFlux, m_timeouts.fluxTotal);
}

void Client::EraseFlux(std::uint32_t ticks) {
    std::vector<std::uint8_t> args;
    put32(args, ticks);
    command(Cmd::EraseFlux, Request(Cmd::EraseFlux, args), m_timeouts.seek);
    awaitFinish(Cmd::EraseFlux, m_timeouts.fluxTotal);
}

std::uint8_t Client::GetPin(std::uint8_t pin) {
    const std::uint8_t args[] = {pin};
    command(Cmd::GetPin, Request(Cmd::GetPin, args), m_timeouts.command);
    std::uint8_t level = 0;
    readExactly(Cmd::GetPin, {&level, 1}, Clock::now() + m_timeouts.command);
    return level;
}

}  // namespace gw
