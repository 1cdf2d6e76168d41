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
//   FF 03 N28    only in write streams; a read stream holding one is damaged
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
// inside an opcode, carries a write-only or unknown opcode, or lacks its final
// 00 is a Failure (Subscript out of range / Invalid procedure call) naming the
// offset; bytes after the 00 are ignored.
[[nodiscard]] flux::FluxTrack DecodeReadStream(std::span<const std::uint8_t> stream, double tickHz);

}  // namespace gw
