#include "flux/KryoFlux.h"

#include <algorithm>
#include <optional>
#include <string>
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

// Walks the blocks of a stream, calling flux(ticks, stream position after
// it) for every transition and index(stream position, sample counter) for
// every index block. True when the stream reached its end block, false when
// the bytes ran out first (inside a block or before the end).
template <typename OnFlux, typename OnIndex>
bool WalkStream(const ByteReader& r, OnFlux flux, OnIndex index) {
    std::uint32_t streamPos = 0;
    std::uint32_t overflow = 0;
    std::size_t at = 0;
    while (at < r.size()) {
        const std::uint8_t b = r.u8(at);
        std::size_t length = 1;
        std::optional<std::uint32_t> value;
        if (b <= 0x07) {
            length = 2;
            if (!r.has(at, length))
                return false;
            value = (static_cast<std::uint32_t>(b) << 8) | r.u8(at + 1);
        } else if (b <= 0x0A) {
            length = static_cast<std::size_t>(b - 0x07);
        } else if (b == 0x0B) {
            overflow += 0x10000;
        } else if (b == 0x0C) {
            length = 3;
            if (!r.has(at, length))
                return false;
            value = r.u16be(at + 1);
        } else if (b == kOob) {
            if (!r.has(at, 4))
                return false;
            const std::uint8_t type = r.u8(at + 1);
            if (type == kOobEof)
                return true;
            const std::size_t size = r.u16le(at + 2);
            if (!r.has(at + 4, size))
                return false;
            if (type == kOobIndex && size >= 12) {
                index(r.u32le(at + 4), r.u32le(at + 8));
            } else if (type == kOobStreamEnd) {
                return true;
            }
            at += 4 + size;
            continue;  // out-of-band bytes are not stream positions
        } else {
            value = b;
        }
        if (!r.has(at, length)) {
            return false;  // padding cut short
        }
        at += length;
        streamPos += static_cast<std::uint32_t>(length);
        if (value) {
            flux(*value + overflow, streamPos);
            overflow = 0;
        }
    }
    return false;
}

// Why bytes are no stream at all, or nothing when their first block is an
// out-of-band block of a known type.
std::optional<std::string> NotAStream(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return "it is empty";
    }
    const ByteReader r(bytes);
    if (!r.has(0, 4) || r.u8(0) != kOob || r.u8(1) == 0 || (r.u8(1) > 4 && r.u8(1) != kOobEof)) {
        return "it does not begin with a stream block";
    }
    return std::nullopt;
}

}  // namespace

bool LooksLikeKryoFluxStream(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == kOob && bytes[1] >= 1 && bytes[1] <= 4;
}

FluxTrack ReadKryoFluxStream(std::span<const std::uint8_t> bytes, int track, int head,
                             std::vector<std::string>* warnings) {
    if (const std::optional<std::string> reason = NotAStream(bytes)) {
        throw Failure(failure::TypeMismatch, *reason);
    }
    const ByteReader r(bytes);
    FluxTrack out;
    out.track = track;
    out.head = head;
    out.tickHz = kKryoFluxSampleHz;

    // First pass: how many transitions, and where the index pulses came. A
    // damaged index block pointing backwards counts from where the one
    // before it pointed, so the pulses can be placed in one more pass.
    std::size_t count = 0;
    struct PendingIndex {
        std::uint32_t streamPos;
        std::uint32_t sampleCounter;
    };
    std::vector<PendingIndex> indexes;
    const bool complete = WalkStream(
        r, [&](std::uint32_t, std::uint32_t) { ++count; },
        [&](std::uint32_t pos, std::uint32_t samples) {
            indexes.push_back({indexes.empty() ? pos : std::max(pos, indexes.back().streamPos), samples});
        });
    if (!complete && warnings != nullptr) {
        warnings->push_back(EndsInsideWarning(track, head));
    }

    // An index pulse came during the first flux that ends after its stream
    // position; its sample counter counts from the transition before that flux.
    out.intervals.reserve(count);
    std::uint64_t ticks = 0;  // before the flux being placed
    auto next = indexes.begin();
    (void)WalkStream(
        r,
        [&](std::uint32_t value, std::uint32_t fluxEnd) {
            for (; next != indexes.end() && next->streamPos < fluxEnd; ++next) {
                const std::uint64_t pulse = ticks + std::min<std::uint64_t>(next->sampleCounter, value);
                if (out.indexTicks.empty() || pulse > out.indexTicks.back()) {
                    out.indexTicks.push_back(pulse);  // never backwards
                }
            }
            out.intervals.push_back(value);
            ticks += value;
        },
        [](std::uint32_t, std::uint32_t) {});
    return out;
}

}  // namespace flux
