#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace flux {

// One track side as a flux reader saw it: the intervals between successive
// flux transitions, in ticks of the reader's sample clock, and the index
// pulses as tick positions counted from the start of the capture. Every
// container format (SCP, HFE, KryoFlux) reads into and writes from this.
struct FluxTrack {
    int track = 0;  // the drive's head position when recorded (not the ID's C)
    int head = 0;
    double tickHz = 0;                      // sample clock
    std::vector<std::uint32_t> intervals;   // ticks between transitions
    std::vector<std::uint64_t> indexTicks;  // absolute positions of index pulses
};

struct FluxDisk {
    std::string format;   // "scp", "hfe", "kryoflux"
    int revolutions = 0;  // most revolutions recorded on one track side
    std::vector<FluxTrack> tracks;
    // What a damaged but usable recording lost, one sentence each without the
    // "warning: " the caller puts in front ("the recording ends inside track
    // 39 side 0; what follows is missing").
    std::vector<std::string> warnings;
};

// The warning of a recording that stops inside a track side.
[[nodiscard]] inline std::string EndsInsideWarning(int track, int head) {
    return "the recording ends inside track " + std::to_string(track) + " side " + std::to_string(head) +
           "; what follows is missing";
}

// Cylinders 0-83 on heads 0 and 1: as far as any drive reaches. A recording
// that claims more holds noise there, never a disk's sectors.
inline constexpr int kMaxFluxCylinders = 84;
inline constexpr int kMaxFluxHeads = 2;

}  // namespace flux
