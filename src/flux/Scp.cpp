#include "flux/Scp.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "core/ByteReader.h"
#include "core/Failure.h"
#include "flux/ByteRanges.h"

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
// number their tracks cylinder x 2 (others number them one after the other),
// a footer after the last track, and files cut short by a stalled capture:
// every complete revolution is read, the cut one as far as its words go.

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

namespace {

// Where a track table entry puts its track side. A single-sided file numbers
// its tracks either cylinder x 2 + head, as a double-sided one does, or one
// after the other.
struct Placement {
    int heads = 0;  // the header's heads byte: 0 both, 1 side 0 only, 2 side 1 only
    bool doubled = true;

    [[nodiscard]] int cylinder(int t) const { return doubled ? t / 2 : t; }
    [[nodiscard]] int head(int t) const { return heads == 0 ? t % 2 : heads - 1; }
};

Placement PlacementOf(int heads, const std::vector<std::size_t>& offsets, int first) {
    Placement p{heads, true};
    if (heads != 0) {
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            const int t = first + static_cast<int>(i);
            if (offsets[i] != 0 && t % 2 != heads - 1) {
                p.doubled = false;
            }
        }
    }
    return p;
}

}  // namespace

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
    const int last = std::min<int>(r.u8(0x07), kTrackEntries - 1);
    const int cellWidth = r.u8(0x09);
    const int heads = r.u8(0x0A);
    if (revolutions == 0) {
        Malformed("no revolutions recorded");
    }
    if (cellWidth != 0 && cellWidth != 16) {
        Malformed("flux words of " + std::to_string(cellWidth) + " bits are not supported");
    }
    if (heads > 2) {
        Malformed("heads byte " + std::to_string(heads));
    }
    std::vector<std::size_t> offsets;
    for (int t = first; t <= last; ++t) {
        const std::size_t entry = kHeaderSize + 4 * static_cast<std::size_t>(t);
        if (!r.has(entry, 4)) {
            Malformed("the track table is cut short");
        }
        offsets.push_back(r.u32le(entry));
    }
    const Placement place = PlacementOf(heads, offsets, first);

    FluxDisk disk;
    disk.format = "scp";
    disk.revolutions = revolutions;
    const double tickHz = kBaseTickHz / (1 + r.u8(0x0B));
    ByteRanges read;
    // The incomplete track side that starts first is where the file ends.
    std::optional<std::pair<std::size_t, std::string>> cut;
    const auto cutInside = [&](std::size_t offset, int t) {
        if (!cut || offset < cut->first) {
            cut = {offset, EndsInsideWarning(place.cylinder(t), place.head(t))};
        }
    };
    for (int t = first; t <= last; ++t) {
        const std::size_t offset = offsets[static_cast<std::size_t>(t - first)];
        if (offset == 0 || place.cylinder(t) >= kMaxFluxCylinders) {
            continue;
        }
        const auto header = r.bytesUpTo(offset, 4);
        if (header.size() < 4) {
            cutInside(offset, t);
            continue;
        }
        if (header[0] != 'T' || header[1] != 'R' || header[2] != 'K') {
            Malformed("track " + std::to_string(t) + " points to no track header (offset " +
                      std::to_string(offset) + ")");
        }
        if (header[3] != t) {
            Malformed("the table entry of track " + std::to_string(t) + " points at the header of track " +
                      std::to_string(header[3]));
        }
        // Per revolution: index-to-index time, flux words, offset of the words.
        struct Revolution {
            std::uint32_t indexTime;
            std::size_t at;
            std::size_t words;     // present in the file
            bool complete = true;  // all its words are
        };
        std::vector<Revolution> revs;
        std::size_t total = 0;
        for (int rev = 0; rev < revolutions; ++rev) {
            const std::size_t entryAt = offset + 4 + 12 * static_cast<std::size_t>(rev);
            if (!r.has(entryAt, 12)) {
                cutInside(offset, t);
                break;
            }
            const std::size_t count = r.u32le(entryAt + 4);
            const std::size_t dataAt = offset + r.u32le(entryAt + 8);
            const std::size_t present = dataAt < bytes.size() ? (bytes.size() - dataAt) / 2 : 0;
            const std::size_t words = std::min(count, present);
            if (!read.claim(dataAt, dataAt + 2 * words)) {
                Malformed("the flux of track " + std::to_string(t) + " is the flux of another revolution");
            }
            revs.push_back({r.u32le(entryAt), dataAt, words, words == count});
            total += words;
            if (words < count) {
                cutInside(offset, t);
                break;
            }
        }
        FluxTrack track;
        track.track = place.cylinder(t);
        track.head = place.head(t);
        track.tickHz = tickHz;
        track.intervals.reserve(total);
        track.indexTicks.push_back(0);
        std::uint64_t at = 0;
        for (const Revolution& rev : revs) {
            std::uint32_t carry = 0;
            for (std::size_t i = 0; i < rev.words; ++i) {
                const std::uint16_t word = r.u16be(rev.at + 2 * i);
                if (word == 0) {
                    carry += 0x10000;
                    continue;
                }
                track.intervals.push_back(carry + word);
                carry = 0;
            }
            if (rev.complete) {
                at += rev.indexTime;
                track.indexTicks.push_back(at);
            }
        }
        disk.tracks.push_back(std::move(track));
    }
    if (cut) {
        disk.warnings.push_back(cut->second);
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
