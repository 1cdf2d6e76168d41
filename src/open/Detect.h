#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// What a file holds, decided by its bytes: SCP and HFE by their signatures, a
// KryoFlux stream only when its first blocks parse as one (two leading bytes
// say nothing: an Opus image may start with 0D 01 as well). The name decides
// only when the bytes say nothing.

namespace flux {

enum class FluxFormat { None, Scp, Hfe, KryoFlux };

[[nodiscard]] FluxFormat DetectFluxFormat(std::span<const std::uint8_t> bytes, const std::string& fileName);

// Why the bytes are no readable KryoFlux stream ("it is empty"), in words that
// fit inside "TRACKFILE is not a readable stream file (REASON)"; nothing when
// their first blocks parse as a stream. A stream cut short after its first
// block still parses: what it holds is the reader's to keep.
[[nodiscard]] std::optional<std::string> KryoFluxStreamProblem(std::span<const std::uint8_t> bytes);

}  // namespace flux
