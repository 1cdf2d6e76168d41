#include "gwsim/GwDevice.h"

#include <algorithm>
#include <charconv>

#include "core/ByteReader.h"
#include "core/Failure.h"
#include "floppy/GreaseweazleStream.h"
#include "flux/Mfm.h"

namespace gwsim {

namespace {

using gw::Ack;
using gw::Cmd;

constexpr std::size_t kSideLength = 184'320;
constexpr std::size_t kTrackSideLength = 4'608;
constexpr int kTracks = 40;
constexpr std::uint16_t kDefaultParams[8] = {10, 10000, 15, 750, 10000, 100, 1000, 200};

// What each command's request must look like: its lengths, or 0 for "any from min".
bool lengthFits(Cmd cmd, std::size_t len) {
    switch (cmd) {
        case Cmd::GetFluxStatus:
        case Cmd::Deselect:
        case Cmd::Reset:
        case Cmd::NoClickStep:
            return len == 2;
        case Cmd::GetInfo:
        case Cmd::Head:
        case Cmd::Select:
        case Cmd::SetBusType:
        case Cmd::GetPin:
            return len == 3;
        case Cmd::Seek:
            return len == 3 || len == 4;
        case Cmd::Motor:
        case Cmd::GetParams:
        case Cmd::SetPin:
            return len == 4;
        case Cmd::SetParams:
            return len >= 3 && len <= 3 + 16;
        case Cmd::ReadFlux:
            return len == 8 || len == 12;
        case Cmd::WriteFlux:
            return len == 4 || len == 8;
        case Cmd::EraseFlux:
            return len == 6;
    }
    return false;
}

int parseInt(std::string_view text, std::string_view item) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        throw Failure(failure::InvalidProcedureCall,
                      "QUILLMAR_GWSIM_FAULTS: cannot read \"" + std::string(item) + "\"");
    }
    return v;
}

std::vector<std::string_view> split(std::string_view text, char by) {
    std::vector<std::string_view> parts;
    for (std::size_t at = text.find(by); at != std::string_view::npos; at = text.find(by)) {
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + 1);
    }
    parts.push_back(text);
    return parts;
}

}  // namespace

Faults ParseFaults(std::string_view text) {
    Faults faults;
    for (std::string_view item : split(text, ';')) {
        if (item.empty()) {
            continue;
        }
        const std::vector<std::string_view> f = split(item, ':');
        if (f[0] == "crc" && (f.size() == 4 || f.size() == 5)) {
            BadSector bad{parseInt(f[2], item), parseInt(f[1], item), parseInt(f[3], item), {}};
            if (f.size() == 5) {
                for (std::string_view rev : split(f[4], ',')) {
                    bad.revolutions.push_back(parseInt(rev, item));
                }
            }
            faults.badSectors.push_back(bad);
        } else if (f[0] == "weak" && (f.size() == 4 || f.size() == 5)) {
            faults.weakSectors.push_back({parseInt(f[2], item), parseInt(f[1], item), parseInt(f[3], item),
                                          f.size() == 5 ? parseInt(f[4], item) : 1});
        } else if (f[0] == "underflow" && f.size() == 2) {
            faults.underflowWrites = parseInt(f[1], item);
        } else if (f[0] == "nosync" && f.size() == 3) {
            faults.noSync.emplace_back(parseInt(f[2], item), parseInt(f[1], item));
        } else if (f[0] == "noindex" && f.size() == 1) {
            faults.noIndex = true;
        } else if (f[0] == "notrk0" && f.size() == 1) {
            faults.noTrack0 = true;
        } else if (f[0] == "mute" && f.size() == 2) {
            faults.answerCommands = parseInt(f[1], item);
        } else if (f[0] == "overflow" && f.size() == 2) {
            faults.overflowReads = parseInt(f[1], item);
        } else if (f[0] == "endless" && f.size() == 1) {
            faults.endless = true;
        } else {
            throw Failure(failure::InvalidProcedureCall,
                          "QUILLMAR_GWSIM_FAULTS: \"" + std::string(item) +
                              "\" is none of crc:H:T:R[:REVS], weak:H:T:R[:N], "
                              "nosync:H:T, noindex, notrk0, mute:N, overflow:N, "
                              "underflow:N, endless");
        }
    }
    return faults;
}

Device::Device(Options options) : m_options(std::move(options)), m_seed(m_options.seed) {
    for (std::size_t i = 0; i < 8; ++i) {
        m_params[2 * i] = static_cast<std::uint8_t>(kDefaultParams[i]);
        m_params[2 * i + 1] = static_cast<std::uint8_t>(kDefaultParams[i] >> 8);
    }
}

void Device::clearComms() {
    m_commands.emplace_back("ClearComms");
    m_pending.clear();
    m_writeStream.reset();  // the write gate closes where the flux stopped
}

int Device::unitCount() const {
    switch (m_bus) {
        case gw::BusType::IbmPc:
            return 2;
        case gw::BusType::Shugart:
            return 4;
        case gw::BusType::None:
            break;
    }
    return 0;
}

std::vector<Output> Device::receive(std::span<const std::uint8_t> bytes) {
    std::vector<Output> out;
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    while (m_writeStream || m_pending.size() >= 2) {
        if (m_writeStream) {
            // Everything up to the 00 is flux to write, not requests.
            const auto end = std::find(m_pending.begin(), m_pending.end(), std::uint8_t{0});
            const bool complete = end != m_pending.end();
            m_writeStream->insert(m_writeStream->end(), m_pending.begin(), complete ? end + 1 : end);
            m_pending.erase(m_pending.begin(), complete ? end + 1 : end);
            if (!complete) {
                break;
            }
            const std::vector<std::uint8_t> stream = std::move(*m_writeStream);
            m_writeStream.reset();
            out.push_back(finishWrite(stream));
            continue;
        }
        const std::size_t len = m_pending[1];
        if (len >= 2 && m_pending.size() < len) {
            break;
        }
        // The device acts on one request and throws away the rest of the transfer.
        std::vector<std::uint8_t> request(
            m_pending.begin(),
            m_pending.begin() + static_cast<std::ptrdiff_t>(std::max<std::size_t>(len, 2)));
        m_pending.clear();
        const char* name = gw::CmdName(request[0]);
        std::string text = name != nullptr ? name : "Command " + std::to_string(request[0]);
        if (request[0] == static_cast<std::uint8_t>(Cmd::ReadFlux) && len >= 8) {
            const ByteReader in(request);
            text += " " + std::to_string(in.u32le(2)) + " " + std::to_string(in.u16le(6));
        } else if (request[0] == static_cast<std::uint8_t>(Cmd::Seek) && len == 3) {
            text += " " + std::to_string(static_cast<std::int8_t>(request[2]));
        } else {
            for (std::size_t i = 2; i < request.size(); ++i) {
                text += " " + std::to_string(request[i]);
            }
        }
        m_commands.push_back(text);
        if (m_options.faults.answerCommands >= 0 && m_answered >= m_options.faults.answerCommands) {
            continue;  // gone silent
        }
        ++m_answered;
        if (len < 2 || name == nullptr || !lengthFits(static_cast<Cmd>(request[0]), len)) {
            out.push_back({{}, {request[0], static_cast<std::uint8_t>(Ack::BadCommand)}});
            continue;
        }
        handle(request, out);
    }
    return out;
}

void Device::handle(std::span<const std::uint8_t> request, std::vector<Output>& out) {
    Answer answer = (this->*handlerFor(static_cast<Cmd>(request[0])))(request);
    Output reply{{}, {request[0], static_cast<std::uint8_t>(answer.status)}};
    if (answer.status == Ack::Okay) {
        reply.bytes.insert(reply.bytes.end(), answer.payload.begin(), answer.payload.end());
    }
    out.push_back(std::move(reply));
    if (answer.stream) {
        out.push_back(std::move(*answer.stream));
    }
}

Device::Handler Device::handlerFor(Cmd cmd) {
    switch (cmd) {
        case Cmd::GetInfo:
            return &Device::onGetInfo;
        case Cmd::Seek:
            return &Device::onSeek;
        case Cmd::Head:
            return &Device::onHead;
        case Cmd::SetParams:
            return &Device::onSetParams;
        case Cmd::GetParams:
            return &Device::onGetParams;
        case Cmd::Motor:
            return &Device::onMotor;
        case Cmd::ReadFlux:
            return &Device::onReadFlux;
        case Cmd::WriteFlux:
            return &Device::onWriteFlux;
        case Cmd::EraseFlux:
            return &Device::onEraseFlux;
        case Cmd::GetFluxStatus:
            return &Device::onGetFluxStatus;
        case Cmd::Select:
            return &Device::onSelect;
        case Cmd::Deselect:
            return &Device::onDeselect;
        case Cmd::SetBusType:
            return &Device::onSetBusType;
        case Cmd::SetPin:
            return &Device::onSetPin;
        case Cmd::Reset:
            return &Device::onReset;
        case Cmd::GetPin:
            return &Device::onGetPin;
        case Cmd::NoClickStep:
            return &Device::onNoClickStep;
    }
    return nullptr;  // receive() answers unknown commands itself
}

Device::Answer Device::onGetInfo(Request r) {
    if (r[2] != 0) {
        return {Ack::BadCommand};
    }
    return {Ack::Okay, gw::EncodeInfo(m_options.info)};
}

Device::Answer Device::onSetBusType(Request r) {
    if (r[2] > 2) {
        return {Ack::BadCommand};
    }
    m_bus = static_cast<gw::BusType>(r[2]);
    m_unit.reset();
    std::fill(std::begin(m_motor), std::end(m_motor), false);
    return {};
}

Device::Answer Device::onSelect(Request r) {
    if (m_bus == gw::BusType::None) {
        return {Ack::NoBus};
    }
    if (r[2] >= unitCount()) {
        return {Ack::BadUnit};
    }
    m_unit = r[2];
    return {};
}

Device::Answer Device::onDeselect(Request) {
    m_unit.reset();
    return {};
}

Device::Answer Device::onMotor(Request r) {
    if (m_bus == gw::BusType::None) {
        return {Ack::NoBus};
    }
    if (r[3] > 1) {
        return {Ack::BadCommand};
    }
    if (r[2] >= unitCount()) {
        return {Ack::BadUnit};
    }
    if (m_bus == gw::BusType::Shugart) {
        std::fill(std::begin(m_motor), std::end(m_motor), r[3] == 1);  // one shared motor line
    } else {
        m_motor[r[2]] = r[3] == 1;
    }
    return {};
}

Device::Answer Device::onSeek(Request r) {
    const int cyl =
        r.size() == 3 ? static_cast<std::int8_t>(r[2]) : static_cast<std::int16_t>(ByteReader(r).u16le(2));
    if (!m_unit) {
        return {Ack::NoUnit};
    }
    if (cyl < 0) {
        return {Ack::BadCylinder};
    }
    if (m_options.faults.noTrack0) {
        return {Ack::NoTrk0};
    }
    // The head stops at the drive's last cylinder however far it is stepped.
    m_cylinder[*m_unit] = std::min(cyl, kCylinders + 3);
    return {};
}

Device::Answer Device::onHead(Request r) {
    if (r[2] > 1) {
        return {Ack::BadCommand};
    }
    m_head = r[2];
    return {};
}

Device::Answer Device::onGetPin(Request r) {
    if (r[2] == 26) {
        return {Ack::Okay, {static_cast<std::uint8_t>(m_unit && m_cylinder[*m_unit] == 0 ? 0 : 1)}};
    }
    if (r[2] == 8 || r[2] == gw::kPinWriteProtect) {
        // Active low: 0 when the disk is protected.
        return {
            Ack::Okay,
            {static_cast<std::uint8_t>(r[2] == gw::kPinWriteProtect && m_options.writeProtected ? 0 : 1)}};
    }
    return {Ack::BadPin};
}

Device::Answer Device::onSetPin(Request r) {
    return {r[2] != 2 && r[2] != 4 && r[2] != 6 ? Ack::BadPin : Ack::Okay};
}

Device::Answer Device::onGetParams(Request r) {
    if (r[2] != 0 || r[3] > 16) {
        return {Ack::BadCommand};
    }
    return {Ack::Okay, std::vector<std::uint8_t>(m_params, m_params + r[3])};
}

Device::Answer Device::onSetParams(Request r) {
    if (r[2] != 0) {
        return {Ack::BadCommand};
    }
    std::copy(r.begin() + 3, r.end(), m_params);
    return {};
}

Device::Answer Device::onReset(Request) {
    std::vector<std::string> seen = std::move(m_commands);
    const int answered = m_answered;
    auto written = std::move(m_written);
    const int writes = m_writes;
    *this = Device(std::move(m_options));
    m_commands = std::move(seen);
    m_answered = answered;
    m_written = std::move(written);
    m_writes = writes;
    return {};
}

Device::Answer Device::onNoClickStep(Request) {
    if (!m_unit) {
        return {Ack::NoUnit};
    }
    m_cylinder[*m_unit] = 0;
    return {};
}

Device::Answer Device::onGetFluxStatus(Request) {
    return {m_fluxStatus};
}

bool Device::spinning() const {
    return m_unit == 0 && m_motor[0] && !m_options.faults.noIndex &&
           (!m_options.image.empty() || m_options.recording);
}

// A protected disk refuses at once and the host sends no stream.
Device::Answer Device::onWriteFlux(Request r) {
    if (!m_unit) {
        return {Ack::NoUnit};
    }
    if (r[2] > 1 || r[3] > 1) {
        return {Ack::BadCommand};
    }
    if (m_options.writeProtected) {
        return {Ack::Wrprot};
    }
    m_writeStream.emplace();
    return {};
}

Output Device::finishWrite(std::span<const std::uint8_t> stream) {
    const auto done = [](std::chrono::milliseconds delay = {}) { return Output{delay, {0}}; };
    std::vector<std::uint32_t> intervals;
    try {
        // The write runs from one index pulse to the next.
        intervals = gw::DecodeWriteStream(stream, kRevolutionTicks);
    } catch (const Failure&) {
        m_fluxStatus = Ack::BadCommand;
        return done();
    }
    if (!spinning()) {
        m_fluxStatus = Ack::NoIndex;
        return done(m_options.noIndexDelay);
    }
    m_writtenTicks += kRevolutionTicks;
    if (m_writes++ < m_options.faults.underflowWrites) {
        // The host fed the write too slowly: what the side holds now is anyone's guess.
        m_written[{m_cylinder[0], m_head}] = {};
        m_fluxStatus = Ack::FluxUnderflow;
        return done();
    }
    flux::FluxTrack track;
    track.tickHz = kSampleFreq;
    track.intervals = std::move(intervals);
    std::vector<flux::EncodeSector> sectors;
    for (const flux::DecodedSector& d : flux::DecodeMfmTrack(track).sectors) {
        flux::EncodeSector e{d.cylinder, d.head, d.sector, d.sizeCode, d.data, !d.dataOk};
        for (WeakSector& weak : m_options.faults.weakSectors) {
            if (weak.writes > 0 && weak.head == d.head && weak.track == d.cylinder &&
                weak.sector == d.sector) {
                --weak.writes;
                e.corruptData = true;
            }
        }
        sectors.push_back(std::move(e));
    }
    m_written[{m_cylinder[0], m_head}] = std::move(sectors);
    m_fluxStatus = Ack::Okay;
    return done();
}

Device::Answer Device::onEraseFlux(Request r) {
    if (!m_unit) {
        return {Ack::NoUnit};
    }
    if (m_options.writeProtected) {
        return {Ack::Wrprot};
    }
    const std::uint32_t ticks = ByteReader(r).u32le(2);
    m_fluxStatus = Ack::Okay;
    if (spinning()) {
        m_writtenTicks += ticks;
        if (ticks >= kRevolutionTicks) {
            m_written[{m_cylinder[0], m_head}] = {};
        }
    }
    return {Ack::Okay, {}, Output{{}, {0}}};
}

Device::Answer Device::onReadFlux(Request r) {
    if (!m_unit) {
        return {Ack::NoUnit};
    }
    Output stream;
    const ByteReader in(r);
    m_fluxStatus = readFlux(in.u32le(2), in.u16le(6), stream);
    return {Ack::Okay, {}, std::move(stream)};
}

gw::Ack Device::readFlux(std::uint32_t ticks, std::uint16_t maxIndex, Output& stream) {
    const int unit = *m_unit;
    if (!spinning()) {
        // The firmware gives up after its index timeout; nothing was captured.
        stream.delay = maxIndex != 0 ? m_options.noIndexDelay : std::chrono::milliseconds(0);
        stream.bytes = {0};
        return maxIndex != 0 ? Ack::NoIndex : Ack::Okay;
    }
    const std::uint64_t rev = kRevolutionTicks;
    const int revolutions = (maxIndex != 0 ? maxIndex : static_cast<int>(ticks / rev) + 1) + 1;
    const bool written = m_written.contains({m_cylinder[unit], m_head});
    const flux::FluxTrack whole = m_options.recording && !written
                                      ? recordedSide(m_cylinder[unit], m_head, revolutions)
                                      : encodedSide(m_cylinder[unit], m_head, revolutions);

    // The capture starts wherever the disk happens to be, ends with the
    // linger after the last index pulse asked for, or at the time limit.
    const std::uint64_t start = 1 + (std::uint64_t{m_seed++} * 2'654'435'761u) % (rev / 2);
    std::uint64_t end = UINT64_MAX;
    if (maxIndex != 0) {
        end = (maxIndex < whole.indexTicks.size() ? whole.indexTicks[maxIndex] : maxIndex * rev) +
              gw::kDefaultLingerTicks;
    }
    if (ticks != 0) {
        end = std::min(end, start + ticks);
    }
    std::vector<std::uint32_t> intervals;
    std::uint64_t at = 0;
    std::uint64_t last = start;
    for (std::uint32_t t : whole.intervals) {
        at += t;
        if (at > end) {
            break;
        }
        if (at > start) {
            intervals.push_back(static_cast<std::uint32_t>(at - last));
            last = at;
        }
    }
    m_capturedTicks += last - start;
    std::vector<std::uint64_t> index;
    for (std::uint64_t p : whole.indexTicks) {
        if (p > start && p <= end) {
            index.push_back(p - start);
        }
    }
    stream.bytes = gw::EncodeReadStream(intervals, index);
    if (m_options.faults.endless) {
        stream.bytes.pop_back();  // the 00 that would end it
        stream.repeat = true;
        return Ack::Okay;
    }
    if (m_reads++ < m_options.faults.overflowReads) {
        // The host drained too slowly: the rest was dropped, the stream still ends in 00.
        stream.bytes.resize(stream.bytes.size() / 2);
        stream.bytes.push_back(0);
        return Ack::FluxOverflow;
    }
    return Ack::Okay;
}

// What was written there; else the image, as an 80-track drive holding a
// 40-track disk finds it: every track sits under two cylinders.
flux::FluxTrack Device::encodedSide(int cylinder, int head, int revolutions) {
    const int track = cylinder / 2;
    const auto written = m_written.find({cylinder, head});
    const int sides = m_options.image.size() > kSideLength ? 2 : 1;
    const std::size_t sideEnd = (static_cast<std::size_t>(track * sides + head) + 1) * kTrackSideLength;
    const bool noSync = std::find(m_options.faults.noSync.begin(), m_options.faults.noSync.end(),
                                  std::pair<int, int>{track, head}) != m_options.faults.noSync.end();
    std::vector<flux::EncodeSector> sectors;
    if (written != m_written.end()) {
        sectors = written->second;
    } else if (track < kTracks && head < sides && sideEnd <= m_options.image.size() && !noSync) {
        sectors = flux::OpusTrackSectors(m_options.image, track, head, sides);
    }
    std::vector<std::vector<flux::EncodeSector>> perRevolution(static_cast<std::size_t>(revolutions),
                                                               sectors);
    // The image's faults; what was written has its own.
    for (const BadSector& bad : m_options.faults.badSectors) {
        if (written != m_written.end()) {
            break;
        }
        if (bad.track != track || bad.head != head) {
            continue;
        }
        for (int n = 0; n < revolutions; ++n) {
            const bool hit =
                bad.revolutions.empty() ||
                std::find(bad.revolutions.begin(), bad.revolutions.end(), n) != bad.revolutions.end();
            for (flux::EncodeSector& s : perRevolution[static_cast<std::size_t>(n)]) {
                if (hit && s.sector == bad.sector) {
                    s.corruptData = true;
                }
            }
        }
    }
    flux::EncodeOptions options;
    options.tickHz = kSampleFreq;
    options.jitter = m_options.jitter;
    options.seed = m_seed;
    return flux::EncodeMfmTrack(perRevolution, options);
}

flux::FluxTrack Device::recordedSide(int cylinder, int head, int revolutions) const {
    const std::vector<flux::FluxTrack>& tracks = m_options.recording->tracks;
    int highest = 0;
    for (const flux::FluxTrack& t : tracks) {
        highest = std::max(highest, t.track);
    }
    // A recording made with a 40-track drive numbers its tracks as the disk
    // does; one made with an 80-track drive as this drive's cylinders.
    const int wanted = highest > 45 ? cylinder : cylinder / 2;
    const auto side = std::find_if(tracks.begin(), tracks.end(), [&](const flux::FluxTrack& t) {
        return t.track == wanted && t.head == head;
    });
    // The recorded revolutions as transition offsets from their index pulse.
    std::vector<std::vector<std::uint64_t>> recorded;
    std::vector<std::uint64_t> lengths;
    if (side != tracks.end() && side->indexTicks.size() >= 2 && side->tickHz > 0) {
        const double scale = kSampleFreq / side->tickHz;
        std::uint64_t at = 0;
        std::size_t k = 0;
        for (std::uint32_t t : side->intervals) {
            at += t;
            while (k + 1 < side->indexTicks.size() && at > side->indexTicks[k + 1]) {
                ++k;
            }
            if (at <= side->indexTicks[0] || k + 1 >= side->indexTicks.size()) {
                continue;
            }
            recorded.resize(k + 1);
            recorded[k].push_back(static_cast<std::uint64_t>((at - side->indexTicks[k]) * scale));
        }
        for (std::size_t r = 0; r < recorded.size(); ++r) {
            lengths.push_back(
                static_cast<std::uint64_t>((side->indexTicks[r + 1] - side->indexTicks[r]) * scale));
        }
    }
    flux::FluxTrack whole;
    whole.tickHz = kSampleFreq;
    std::uint64_t base = 0;
    std::uint64_t last = 0;
    for (int r = 0; r < revolutions; ++r) {
        whole.indexTicks.push_back(base);
        if (recorded.empty()) {
            base += kRevolutionTicks;  // unformatted: index pulses and no flux
            continue;
        }
        const std::size_t n = static_cast<std::size_t>(r) % recorded.size();
        for (std::uint64_t offset : recorded[n]) {
            if (base + offset > last) {
                whole.intervals.push_back(static_cast<std::uint32_t>(base + offset - last));
                last = base + offset;
            }
        }
        base += lengths[n];
    }
    whole.indexTicks.push_back(base);
    return whole;
}

}  // namespace gwsim
