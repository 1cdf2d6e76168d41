#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "flux/FluxTrack.h"

namespace flux {

[[nodiscard]] bool LooksLikeHfe(std::span<const std::uint8_t> bytes);

// An HxC floppy emulator file, revision 1 ("HXCPICFE") or 3 ("HXCHFEV3"): one
// revolution per track side, as flux at the file's cell rate. Throws a Failure
// for a file that is no HFE file or whose track list points outside it.
[[nodiscard]] FluxDisk ReadHfe(std::span<const std::uint8_t> bytes);

// Revision 1 at 250 kbit/s and 300 rpm, MFM, for a Shugart-interface drive.
// sides holds the cells of one revolution (one byte 0 or 1 each) per track
// side in the order cylinder 0 head 0, cylinder 0 head 1, ... Throws a Failure
// when the sides do not make cylinders x heads, or one is longer than the
// file's 16-bit track lengths can describe.
[[nodiscard]] std::vector<std::uint8_t> WriteHfe(std::span<const std::vector<std::uint8_t>> sides,
                                                 int cylinders, int heads);

}  // namespace flux
