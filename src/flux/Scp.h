#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "flux/FluxTrack.h"

namespace flux {

[[nodiscard]] bool LooksLikeScp(std::span<const std::uint8_t> bytes);

// A SuperCard Pro file: every track side with all its revolutions. Throws a
// Failure for a file that is no SCP file or whose tables point outside it.
[[nodiscard]] FluxDisk ReadScp(std::span<const std::uint8_t> bytes);

// The revolutions between the index pulses of every track side, at 25 ns;
// flux before the first index pulse is left out, as SCP keeps none.
[[nodiscard]] std::vector<std::uint8_t> WriteScp(const FluxDisk& disk);

}  // namespace flux
