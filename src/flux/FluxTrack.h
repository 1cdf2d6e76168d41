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

}  // namespace flux
