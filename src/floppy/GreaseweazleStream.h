#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "flux/FluxTrack.h"

// The byte coding of a Greaseweazle's flux stream: what ReadFlux sends back
// and what the simulated device produces. Values are ticks of the device's
// sample clock since the previous transition.
//
//   00           end of stream (nowhere else)
//   01..F9       a transition after 1..249 ticks
//   FA..FE b     a transition after 250 + (b0 - 250) * 255 + b - 1 ticks (250..1524)
//   FF 01 N28    an index pulse N ticks after the cursor (the cursor does not move)
//   FF 02 N28    N ticks without a transition (the next transition counts from here)
//   FF 03 N28    ASTABLE, only in write streams: transitions every N ticks
//                over the length of the SPACE before it (a read stream
//                holding one is damaged)
//
// N28 carries 28 bits in four bytes whose bit 0 is always set, so a 00 never
// appears inside it (an 0xFF may, so opcodes are parsed by position).
namespace gw {

inline constexpr std::uint32_t kMaxN28 = (1u << 28) - 1;
// The device breaks a gap into 200 µs SPACEs once it has seen 400 µs without a
// transition (ticks of the 72 MHz clock every official model has).
inline constexpr std::uint32_t kSpaceTicks = 14'400;

void AppendN28(std::vector<std::uint8_t>& out, std::uint32_t value);
[[nodiscard]] std::uint32_t DecodeN28(std::span<const std::uint8_t, 4> bytes);

// Appends one interval the way the device sends it during a read.
void AppendInterval(std::vector<std::uint8_t>& out, std::uint32_t ticks);

// A whole read stream, ending in 00: the intervals, the index pulses at their
// absolute tick positions (those past the last transition sit in the tail),
// long gaps broken into SPACEs as the device does.
[[nodiscard]] std::vector<std::uint8_t> EncodeReadStream(std::span<const std::uint32_t> intervals,
                                                         std::span<const std::uint64_t> indexTicks);

// The inverse: intervals and absolute index positions. A stream that stops
// inside an opcode, carries a write-only or unknown opcode, sends an index
// pulse before one it sent already, or lacks its final 00 is a Failure
// (Subscript out of range / Invalid procedure call) naming the offset; bytes
// after the 00 are ignored.
[[nodiscard]] flux::FluxTrack DecodeReadStream(std::span<const std::uint8_t> stream, double tickHz);

// What WriteFlux takes: the intervals of one revolution, each as a read
// sends it up to 150 µs (10,800 ticks), a longer one (a stretch without
// flux) as a SPACE filled with 1.25 µs ASTABLE transitions that no drive
// resolves; then a last 100 µs transition, so that the final interval is
// written whole before the write gate closes, and the 00.
[[nodiscard]] std::vector<std::uint8_t> EncodeWriteStream(std::span<const std::uint32_t> intervals);

// The device's side of it: the transitions a write stream lays down, as
// intervals (the closing 100 µs one included), those that end within
// maxTicks of the start: a write stops at the next index pulse whatever the
// stream holds. An index opcode, an unknown one, an ASTABLE period under 57
// ticks (800 ns), a stream cut short or one without its 00 is a Failure
// naming the offset.
[[nodiscard]] std::vector<std::uint32_t> DecodeWriteStream(std::span<const std::uint8_t> stream,
                                                           std::uint64_t maxTicks);

}  // namespace gw
