#include "floppy/GreaseweazleStream.h"

#include <algorithm>

#include "core/ByteReader.h"
#include "core/Failure.h"

namespace gw {

namespace {

constexpr std::uint8_t kOpcode = 0xFF;
constexpr std::uint8_t kOpIndex = 1;
constexpr std::uint8_t kOpSpace = 2;
constexpr std::uint8_t kOpAstable = 3;
constexpr std::uint32_t kLongestShort = 249;
constexpr std::uint32_t kLongestPair = 1524;
// How long the device waits without a transition before it starts sending SPACEs.
constexpr std::uint32_t kSpaceAfterTicks = 2 * kSpaceTicks;
// Written streams: the longest interval written as flux (150 µs), the
// period that fills a longer one, the shortest period the device takes
// (800 ns) and the closing transition (100 µs).
constexpr std::uint32_t kLongestWrittenInterval = 10'800;
constexpr std::uint32_t kAstableTicks = 90;
constexpr std::uint32_t kShortestAstable = 57;
constexpr std::uint32_t kClosingTicks = 7'200;

}  // namespace

void AppendN28(std::vector<std::uint8_t>& out, std::uint32_t value) {
    if (value > kMaxN28) {
        throw Failure(failure::Overflow, "flux value does not fit in 28 bits");
    }
    out.push_back(static_cast<std::uint8_t>(1u | (value << 1)));
    out.push_back(static_cast<std::uint8_t>(1u | (value >> 6)));
    out.push_back(static_cast<std::uint8_t>(1u | (value >> 13)));
    out.push_back(static_cast<std::uint8_t>(1u | (value >> 20)));
}

std::uint32_t DecodeN28(std::span<const std::uint8_t, 4> b) {
    return (std::uint32_t{b[0]} >> 1) | ((std::uint32_t{b[1]} & 0xFEu) << 6) |
           ((std::uint32_t{b[2]} & 0xFEu) << 13) | ((std::uint32_t{b[3]} & 0xFEu) << 20);
}

void AppendInterval(std::vector<std::uint8_t>& out, std::uint32_t ticks) {
    if (ticks == 0) {
        throw Failure(failure::InvalidProcedureCall, "a flux interval of 0 ticks cannot be sent");
    }
    if (ticks <= kLongestShort) {
        out.push_back(static_cast<std::uint8_t>(ticks));
    } else if (ticks <= kLongestPair) {
        const std::uint32_t above = ticks - 250;
        out.push_back(static_cast<std::uint8_t>(250 + above / 255));
        out.push_back(static_cast<std::uint8_t>(1 + above % 255));
    } else {
        out.push_back(kOpcode);
        out.push_back(kOpSpace);
        AppendN28(out, ticks - kLongestShort);
        out.push_back(static_cast<std::uint8_t>(kLongestShort));
    }
}

std::vector<std::uint8_t> EncodeReadStream(std::span<const std::uint32_t> intervals,
                                           std::span<const std::uint64_t> indexTicks) {
    std::vector<std::uint8_t> out;
    out.reserve(intervals.size() + 16);
    std::uint64_t cursor = 0;
    std::size_t nextIndex = 0;
    // Index pulses go out before the piece of stream that passes them, as
    // offsets from the cursor where they are sent.
    const auto indexesBefore = [&](std::uint64_t end) {
        while (nextIndex < indexTicks.size() && indexTicks[nextIndex] < end) {
            // In the tail after the last transition the device goes on
            // sending SPACEs; one opcode reaches 2^28 ticks.
            while (indexTicks[nextIndex] > cursor + kMaxN28) {
                out.push_back(kOpcode);
                out.push_back(kOpSpace);
                AppendN28(out, kMaxN28);
                cursor += kMaxN28;
            }
            out.push_back(kOpcode);
            out.push_back(kOpIndex);
            AppendN28(out, static_cast<std::uint32_t>(std::max(indexTicks[nextIndex], cursor) - cursor));
            ++nextIndex;
        }
    };
    for (std::uint32_t ticks : intervals) {
        std::uint32_t left = ticks;
        while (left > kSpaceAfterTicks) {
            indexesBefore(cursor + kSpaceTicks);
            out.push_back(kOpcode);
            out.push_back(kOpSpace);
            AppendN28(out, kSpaceTicks);
            cursor += kSpaceTicks;
            left -= kSpaceTicks;
        }
        indexesBefore(cursor + left);
        AppendInterval(out, left);
        cursor += left;
    }
    indexesBefore(UINT64_MAX);
    out.push_back(0);
    return out;
}

flux::FluxTrack DecodeReadStream(std::span<const std::uint8_t> stream, double tickHz) {
    const ByteReader in(stream);
    flux::FluxTrack track;
    track.tickHz = tickHz;
    std::uint64_t cursor = 0;
    std::uint64_t pending = 0;  // SPACE ticks not yet closed by a transition
    std::size_t at = 0;
    for (;;) {
        const std::uint8_t b = in.u8(at);
        if (b == 0) {
            return track;
        }
        std::uint64_t ticks = 0;
        if (b <= kLongestShort) {
            ticks = b;
            at += 1;
        } else if (b < kOpcode) {
            ticks = 250 + std::uint64_t{b - 250u} * 255 + in.u8(at + 1) - 1;
            at += 2;
        } else {
            const std::uint8_t op = in.u8(at + 1);
            const std::uint32_t n = DecodeN28(in.bytes(at + 2, 4).first<4>());
            if (op == kOpIndex) {
                // A pulse never comes before one already sent.
                if (!track.indexTicks.empty() && cursor + n < track.indexTicks.back()) {
                    throw Failure(failure::InvalidProcedureCall, "flux stream index pulses out of order", at);
                }
                track.indexTicks.push_back(cursor + n);
            } else if (op == kOpSpace) {
                cursor += n;
                pending += n;
            } else {
                throw Failure(failure::InvalidProcedureCall, "flux stream opcode not allowed in a read", at);
            }
            at += 6;
            continue;
        }
        cursor += ticks;
        const std::uint64_t interval = pending + ticks;
        pending = 0;
        if (interval > UINT32_MAX) {
            throw Failure(failure::Overflow, "flux interval too long", at);
        }
        track.intervals.push_back(static_cast<std::uint32_t>(interval));
    }
}

std::vector<std::uint8_t> EncodeWriteStream(std::span<const std::uint32_t> intervals) {
    std::vector<std::uint8_t> out;
    out.reserve(intervals.size() + 16);
    for (std::uint32_t ticks : intervals) {
        if (ticks == 0) {
            continue;
        }
        if (ticks <= kLongestWrittenInterval) {
            AppendInterval(out, ticks);
            continue;
        }
        out.push_back(kOpcode);
        out.push_back(kOpSpace);
        AppendN28(out, ticks);
        out.push_back(kOpcode);
        out.push_back(kOpAstable);
        AppendN28(out, kAstableTicks);
    }
    AppendInterval(out, kClosingTicks);
    out.push_back(0);
    return out;
}

std::vector<std::uint32_t> DecodeWriteStream(std::span<const std::uint8_t> stream, std::uint64_t maxTicks) {
    const ByteReader in(stream);
    std::vector<std::uint32_t> intervals;
    std::uint64_t pending = 0;  // SPACE ticks not yet closed by a transition
    std::uint64_t total = 0;    // ticks of the transitions taken
    std::size_t at = 0;
    const auto transition = [&](std::uint64_t ticks) {
        const std::uint64_t interval = pending + ticks;
        pending = 0;
        if (interval > UINT32_MAX) {
            throw Failure(failure::Overflow, "flux interval too long", at);
        }
        total += interval;
        if (total <= maxTicks) {
            intervals.push_back(static_cast<std::uint32_t>(interval));
        }
    };
    for (;;) {
        const std::uint8_t b = in.u8(at);
        if (b == 0) {
            return intervals;
        }
        if (b <= kLongestShort) {
            transition(b);
            at += 1;
            continue;
        }
        if (b < kOpcode) {
            transition(250 + std::uint64_t{b - 250u} * 255 + in.u8(at + 1) - 1);
            at += 2;
            continue;
        }
        const std::uint8_t op = in.u8(at + 1);
        const std::uint32_t n = DecodeN28(in.bytes(at + 2, 4).first<4>());
        if (op == kOpSpace) {
            pending += n;
        } else if (op == kOpAstable && n >= kShortestAstable) {
            // The stretch of the SPACE before it, filled with transitions.
            const std::uint64_t stretch = pending;
            pending = 0;
            std::uint64_t done = 0;
            for (; done + n <= stretch && total <= maxTicks; done += n) {
                transition(n);
            }
            total += (stretch - done) / n * n;  // those past the end are not kept
            pending = (stretch - done) % n;
        } else {
            throw Failure(failure::InvalidProcedureCall, "flux stream opcode not allowed in a write", at);
        }
        at += 6;
    }
}

}  // namespace gw
