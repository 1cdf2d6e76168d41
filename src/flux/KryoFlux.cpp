#include "flux/KryoFlux.h"

#include <algorithm>
#include <vector>

#include "core/ByteReader.h"
#include "core/Failure.h"

// KryoFlux stream files, one per track side, as written by the KryoFlux DTC
// program and by Greaseweazle's "gw read" into *.raw. The stream is a run of
// blocks whose first byte says what they are:
//   0x00-0x07  flux of (b0 << 8) + b1 ticks (2 bytes)
//   0x08-0x0A  padding of 1, 2 or 3 bytes
//   0x0B       add 0x10000 to the next flux
//   0x0C       flux of (b1 << 8) + b2 ticks (3 bytes)
//   0x0D       out-of-band block: type, 16-bit length, payload; not part of
//              the stream positions the other blocks count
//   0x0E-0xFF  flux of b0 ticks (1 byte)
// Out-of-band type 2 is an index pulse: the stream position of the flux during
// which it came and the sample count since the previous transition. Type 3
// ends the stream, type 0x0D ends the file (its length field is junk).
// Seen in the wild: streams that end inside a block (a reader unplugged
// mid-read), index blocks that point past the last flux, and files with
// information blocks (type 4) only.

namespace flux {

namespace {

constexpr std::uint8_t kOob = 0x0D;
constexpr std::uint8_t kOobIndex = 0x02;
constexpr std::uint8_t kOobStreamEnd = 0x03;
constexpr std::uint8_t kOobEof = 0x0D;

struct PendingIndex {
    std::uint32_t streamPos;
    std::uint32_t sampleCounter;
};

}  // namespace

bool LooksLikeKryoFluxStream(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == kOob && bytes[1] >= 1 && bytes[1] <= 4;
}

FluxTrack ReadKryoFluxStream(std::span<const std::uint8_t> bytes, int track, int head) {
    const ByteReader r(bytes);
    FluxTrack out;
    out.track = track;
    out.head = head;
    out.tickHz = kKryoFluxSampleHz;
    if (!LooksLikeKryoFluxStream(bytes)) {
        throw Failure(failure::TypeMismatch, "not a KryoFlux stream file");
    }
    std::vector<std::uint32_t> fluxEnd;  // stream position just after each flux
    std::vector<PendingIndex> indexes;
    std::uint32_t streamPos = 0;
    std::uint32_t overflow = 0;
    std::size_t at = 0;
    bool ended = false;
    while (!ended && at < bytes.size()) {
        const std::uint8_t b = r.u8(at);
        std::size_t length = 1;
        std::uint32_t value = 0;
        bool isFlux = false;
        if (b <= 0x07) {
            length = 2;
            if (!r.has(at, length))
                break;
            value = (static_cast<std::uint32_t>(b) << 8) | r.u8(at + 1);
            isFlux = true;
        } else if (b <= 0x0A) {
            length = static_cast<std::size_t>(b - 0x07);
        } else if (b == 0x0B) {
            overflow += 0x10000;
        } else if (b == 0x0C) {
            length = 3;
            if (!r.has(at, length))
                break;
            value = r.u16be(at + 1);
            isFlux = true;
        } else if (b == kOob) {
            if (!r.has(at, 4))
                break;
            const std::uint8_t type = r.u8(at + 1);
            if (type == kOobEof)
                break;
            const std::size_t size = r.u16le(at + 2);
            if (!r.has(at + 4, size))
                break;
            if (type == kOobIndex && size >= 12) {
                indexes.push_back({r.u32le(at + 4), r.u32le(at + 8)});
            } else if (type == kOobStreamEnd) {
                ended = true;
            }
            at += 4 + size;
            continue;  // out-of-band bytes are not stream positions
        } else {
            value = b;
            isFlux = true;
        }
        at += length;
        streamPos += static_cast<std::uint32_t>(length);
        if (isFlux) {
            out.intervals.push_back(value + overflow);
            fluxEnd.push_back(streamPos);
            overflow = 0;
        }
    }

    // An index pulse came during the first flux that ends after its stream
    // position; its sample counter counts from the transition before that flux.
    std::uint64_t ticks = 0;
    std::size_t flux = 0;
    for (const PendingIndex& index : indexes) {
        while (flux < fluxEnd.size() && fluxEnd[flux] <= index.streamPos) {
            ticks += out.intervals[flux++];
        }
        if (flux >= fluxEnd.size()) {
            break;  // after the last transition: no revolution ends there
        }
        const std::uint64_t pulse = ticks + std::min<std::uint64_t>(index.sampleCounter, out.intervals[flux]);
        if (!out.indexTicks.empty() && pulse <= out.indexTicks.back()) {
            continue;  // a damaged index block pointing backwards
        }
        out.indexTicks.push_back(pulse);
    }
    return out;
}

}  // namespace flux
