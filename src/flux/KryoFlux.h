#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "flux/FluxTrack.h"

namespace flux {

inline constexpr double kKryoFluxSampleHz = 24'027'428.5714285;  // 18.432 MHz * 73 / 56

// One KryoFlux stream file (trackNN.H.raw): flux cells and the index blocks.
// Throws a Failure whose description says why when the bytes are no stream at
// all ("it is empty"); a stream cut short keeps what came before the cut and
// adds "the recording ends inside track T side H; ..." to warnings.
[[nodiscard]] FluxTrack ReadKryoFluxStream(std::span<const std::uint8_t> bytes, int track, int head,
                                           std::vector<std::string>* warnings = nullptr);

// The stream starts with an out-of-band block, as every KryoFlux file does.
[[nodiscard]] bool LooksLikeKryoFluxStream(std::span<const std::uint8_t> bytes);

}  // namespace flux
