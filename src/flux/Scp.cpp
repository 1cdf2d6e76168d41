#include "flux/Scp.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/ByteReader.h"
#include "core/Failure.h"

// SuperCard Pro images (also what Greaseweazle writes by default):
//   0x00 "SCP", version, disk type, revolutions, first and last track,
//        flags, cell width (0 = 16 bits), heads (0 both, 1 side 0, 2 side 1),
//        resolution (25 ns x (1 + r)), checksum of everything after 0x10
//   0x10 168 track offsets, 32-bit little-endian, 0 for a track not recorded
// Each track: "TRK", the track number (cylinder x 2 + head), then per
// revolution the index-to-index time, the count of flux words and the offset
// of the words from the track header; the words are 16-bit big-endian and 0
// means "add 65,536 to the next".
// Seen in the wild: track tables with fewer than 168 entries (the first
// track's data starts earlier), wrong checksums, single-sided files that still
// number their tracks cylinder x 2, and a footer after the last track.

namespace flux {

namespace {

constexpr std::size_t kHeaderSize = 0x10;
constexpr std::size_t kTrackEntries = 168;
constexpr double kBaseTickHz = 40'000'000.0;  // 25 ns
constexpr std::uint8_t kFlagIndex = 0x01;
constexpr std::uint8_t kFlag96Tpi = 0x02;

[[noreturn]] void Malformed(const std::string& what) {
    throw Failure(failure::InputPastEnd, "SCP file: " + what);
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

bool LooksLikeScp(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] == 'S' && bytes[1] == 'C' && bytes[2] == 'P';
}

FluxDisk ReadScp(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    if (!LooksLikeScp(bytes)) {
        throw Failure(failure::TypeMismatch, "not an SCP file");
    }
    if (!r.has(0, kHeaderSize)) {
        Malformed("the header is cut short");
    }
    const int revolutions = r.u8(0x05);
    const int first = r.u8(0x06);
    const int last = r.u8(0x07);
    const int cellWidth = r.u8(0x09);
    if (revolutions == 0) {
        Malformed("no revolutions recorded");
    }
    if (cellWidth != 0 && cellWidth != 16) {
        Malformed("flux words of " + std::to_string(cellWidth) + " bits are not supported");
    }
    FluxDisk disk;
    disk.format = "scp";
    disk.revolutions = revolutions;
    const double tickHz = kBaseTickHz / (1 + r.u8(0x0B));
    for (int t = first; t <= last && t < static_cast<int>(kTrackEntries); ++t) {
        const std::size_t entry = kHeaderSize + 4 * static_cast<std::size_t>(t);
        if (!r.has(entry, 4)) {
            Malformed("the track table is cut short");
        }
        const std::size_t offset = r.u32le(entry);
        if (offset == 0) {
            continue;
        }
        const auto header = r.bytesUpTo(offset, 4);
        if (header.size() < 4 || header[0] != 'T' || header[1] != 'R' || header[2] != 'K') {
            Malformed("track " + std::to_string(t) + " points to no track header (offset " +
                      std::to_string(offset) + ")");
        }
        FluxTrack track;
        track.track = t / 2;
        track.head = t % 2;
        track.tickHz = tickHz;
        std::uint64_t at = 0;
        track.indexTicks.push_back(0);
        for (int rev = 0; rev < revolutions; ++rev) {
            const std::size_t entryAt = offset + 4 + 12 * static_cast<std::size_t>(rev);
            if (!r.has(entryAt, 12)) {
                Malformed("the revolutions of track " + std::to_string(t) + " are cut short");
            }
            const std::uint32_t indexTime = r.u32le(entryAt);
            const std::size_t count = r.u32le(entryAt + 4);
            const std::size_t dataAt = offset + r.u32le(entryAt + 8);
            if (!r.has(dataAt, 2 * count)) {
                Malformed("the flux of track " + std::to_string(t) + " runs past the end of the file");
            }
            std::uint32_t carry = 0;
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint16_t word = r.u16be(dataAt + 2 * i);
                if (word == 0) {
                    carry += 0x10000;
                    continue;
                }
                track.intervals.push_back(carry + word);
                carry = 0;
            }
            at += indexTime;
            track.indexTicks.push_back(at);
        }
        disk.tracks.push_back(std::move(track));
    }
    return disk;
}

std::vector<std::uint8_t> WriteScp(const FluxDisk& disk) {
    int revolutions = 0;
    int lastTrack = 0;
    bool heads[2] = {false, false};
    for (const FluxTrack& t : disk.tracks) {
        const int revs = std::max(1, static_cast<int>(t.indexTicks.size()) - 1);
        revolutions = revolutions == 0 ? revs : std::min(revolutions, revs);
        lastTrack = std::max(lastTrack, t.track * 2 + t.head);
        heads[t.head & 1] = true;
    }
    revolutions = std::min(revolutions, 255);
    if (lastTrack >= static_cast<int>(kTrackEntries)) {
        throw Failure(failure::SubscriptOutOfRange, "SCP file: track " + std::to_string(lastTrack / 2) +
                                                        " is past the last an SCP file can hold");
    }
    std::vector<std::uint8_t> out(kHeaderSize + 4 * kTrackEntries, 0);
    out[0] = 'S';
    out[1] = 'C';
    out[2] = 'P';
    out[0x03] = 0x22;  // version 2.2
    out[0x04] = 0x80;  // disk type: other
    out[0x05] = static_cast<std::uint8_t>(revolutions);
    out[0x06] = 0;
    out[0x07] = static_cast<std::uint8_t>(lastTrack);
    out[0x08] = static_cast<std::uint8_t>(kFlagIndex | (lastTrack / 2 > 42 ? kFlag96Tpi : 0));
    out[0x09] = 0;
    out[0x0A] = static_cast<std::uint8_t>(heads[0] && heads[1] ? 0 : (heads[1] ? 2 : 1));
    out[0x0B] = 0;

    for (const FluxTrack& t : disk.tracks) {
        const int number = t.track * 2 + t.head;
        const std::size_t offset = out.size();
        PutU32(out, kHeaderSize + 4 * static_cast<std::size_t>(number), static_cast<std::uint32_t>(offset));
        out.insert(out.end(), {'T', 'R', 'K', static_cast<std::uint8_t>(number)});
        const std::size_t table = out.size();
        out.resize(table + 12 * static_cast<std::size_t>(revolutions), 0);

        // Transition positions in 25 ns ticks, rounded from the exact time so
        // no error builds up along the track.
        const double scale = t.tickHz > 0 ? kBaseTickHz / t.tickHz : 1.0;
        auto toScp = [&](std::uint64_t ticks) {
            return static_cast<std::uint64_t>(std::llround(static_cast<double>(ticks) * scale));
        };
        std::vector<std::uint64_t> bounds;
        if (t.indexTicks.size() >= 2) {
            for (std::uint64_t tick : t.indexTicks)
                bounds.push_back(toScp(tick));
        } else {
            std::uint64_t sum = 0;
            for (std::uint32_t iv : t.intervals)
                sum += iv;
            bounds = {0, toScp(sum)};
        }
        std::uint64_t at = 0;
        std::uint64_t previous = bounds.front();
        std::size_t next = 0;
        while (next < t.intervals.size() && toScp(at + t.intervals[next]) <= bounds.front()) {
            at += t.intervals[next++];  // before the first index pulse
        }
        for (int rev = 0; rev < revolutions; ++rev) {
            const std::size_t start = out.size();
            std::uint32_t words = 0;
            while (next < t.intervals.size() && toScp(at + t.intervals[next]) <= bounds[rev + 1]) {
                at += t.intervals[next++];
                const std::uint64_t position = toScp(at);
                std::uint64_t value = std::max<std::uint64_t>(position - previous, 1);
                if ((value & 0xFFFF) == 0) {
                    ++value;  // a word of 0 would mean "more to come"
                }
                previous = position;
                for (; value >= 0x10000; value -= 0x10000, ++words) {
                    out.insert(out.end(), {0, 0});
                }
                out.insert(out.end(),
                           {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
                ++words;
            }
            const std::size_t entry = table + 12 * static_cast<std::size_t>(rev);
            PutU32(out, entry, static_cast<std::uint32_t>(bounds[rev + 1] - bounds[rev]));
            PutU32(out, entry + 4, words);
            PutU32(out, entry + 8, static_cast<std::uint32_t>(start - offset));
        }
    }
    std::uint32_t checksum = 0;
    for (std::size_t i = kHeaderSize; i < out.size(); ++i) {
        checksum += out[i];
    }
    PutU32(out, 0x0C, checksum);
    return out;
}

}  // namespace flux
