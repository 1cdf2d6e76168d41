#include "flux/Hfe.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "core/ByteReader.h"
#include "core/Failure.h"
#include "flux/ByteRanges.h"

// HxC floppy emulator files (HFE). A 512-byte header:
//   0x00 "HXCPICFE" (revision 1) or "HXCHFEV3" (revision 3), format revision,
//   0x09 tracks, sides, track encoding, bit rate in kbit/s (16-bit LE), rpm,
//   0x10 interface mode, unused, track list offset in 512-byte blocks, write
//        allowed, single step, and alternative encodings for track 0
// The track list holds per track the offset (in blocks) and the length in
// bytes of both sides together. Track data comes in 512-byte blocks, the
// first 256 bytes for side 0 and the next 256 for side 1; every byte is eight
// cells, least significant bit first, a 1 being a flux transition. Cells run
// at twice the bit rate (MFM).
// Revision 3 adds opcodes in the cell stream, bytes whose low nibble is 0xF
// as stored: 0x0F no-op, 0x8F index, 0x4F new bit rate (one byte follows),
// 0xCF skip the first n cells of the next byte (n follows), 0x2F a random
// (weak) byte.
// Seen in the wild: a track length odd or not a multiple of 512, and files
// cut short inside a track (every complete track side is read, the cut one as
// far as its bytes go).

namespace flux {

namespace {

constexpr std::size_t kBlock = 512;
constexpr std::size_t kHalf = 256;
constexpr char kMagicV1[] = "HXCPICFE";
constexpr char kMagicV3[] = "HXCHFEV3";
constexpr std::uint8_t kOpNop = 0x0F;
constexpr std::uint8_t kOpIndex = 0x8F;
constexpr std::uint8_t kOpBitRate = 0x4F;
constexpr std::uint8_t kOpSkipBits = 0xCF;
constexpr std::uint8_t kOpRandom = 0x2F;
// High density (500 kbit/s) is the fastest a drive that reads double-density
// disks runs; extra-density files hold no disk this program can decode.
constexpr int kFastestBitRate = 500;
// A drive turning at 273 rpm, a tenth slower than any in use.
constexpr double kLongestRevolutionSeconds = 0.22;

[[noreturn]] void Malformed(const std::string& what) {
    throw Failure(failure::InputPastEnd, "HFE file: " + what);
}

bool HasMagic(std::span<const std::uint8_t> bytes, const char* magic) {
    return bytes.size() >= 8 && std::memcmp(bytes.data(), magic, 8) == 0;
}

// The cells of one side as bytes 0/1, in time order.
class CellSink {
public:
    explicit CellSink(FluxTrack& track) : m_track(track) {}
    void cell(bool transition) {
        ++m_sinceLast;
        ++m_position;
        if (transition) {
            m_track.intervals.push_back(m_sinceLast);
            m_sinceLast = 0;
        }
    }
    void byte(std::uint8_t value, int skip = 0) {
        for (int bit = skip; bit < 8; ++bit) {
            cell(((value >> bit) & 1) != 0);
        }
    }
    [[nodiscard]] std::uint64_t position() const { return m_position; }

private:
    FluxTrack& m_track;
    std::uint32_t m_sinceLast = 0;
    std::uint64_t m_position = 0;
};

}  // namespace

bool LooksLikeHfe(std::span<const std::uint8_t> bytes) {
    return HasMagic(bytes, kMagicV1) || HasMagic(bytes, kMagicV3);
}

FluxDisk ReadHfe(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    if (!LooksLikeHfe(bytes)) {
        throw Failure(failure::TypeMismatch, "not an HFE file");
    }
    if (!r.has(0, 0x1A)) {
        Malformed("the header is cut short");
    }
    const bool v3 = HasMagic(bytes, kMagicV3);
    const int tracks = std::min<int>(r.u8(0x09), kMaxFluxCylinders);
    const int sides = r.u8(0x0A);
    const int bitRate = r.u16le(0x0C);
    const std::size_t listAt = static_cast<std::size_t>(r.u16le(0x12)) * kBlock;
    if (tracks == 0 || sides == 0 || sides > kMaxFluxHeads) {
        Malformed(std::to_string(r.u8(0x09)) + " tracks of " + std::to_string(sides) + " sides");
    }
    if (bitRate == 0 || bitRate > kFastestBitRate) {
        Malformed("bit rate " + std::to_string(bitRate) + " kbit/s");
    }
    FluxDisk disk;
    disk.format = "hfe";
    disk.revolutions = 1;
    const double cellHz = bitRate * 2000.0;
    // A side never holds more than the longest revolution there is.
    const auto longestSide = static_cast<std::size_t>(cellHz * kLongestRevolutionSeconds / 8);
    ByteRanges read;
    std::optional<std::pair<std::size_t, std::string>> cut;  // the first incomplete track side
    for (int t = 0; t < tracks; ++t) {
        const std::size_t entry = listAt + 4 * static_cast<std::size_t>(t);
        if (!r.has(entry, 4)) {
            Malformed("the track list is cut short");
        }
        const std::size_t offset = static_cast<std::size_t>(r.u16le(entry)) * kBlock;
        const std::size_t sideBytes = std::min<std::size_t>(r.u16le(entry + 2) / 2, longestSide);
        // Byte i of a side: the sides share each block half and half.
        const auto byteOf = [&](int side, std::size_t i) {
            return offset + (i / kHalf) * kBlock + static_cast<std::size_t>(side) * kHalf + i % kHalf;
        };
        const std::size_t end = sideBytes == 0 ? offset : byteOf(sides - 1, sideBytes - 1) + 1;
        if (!read.claim(offset, std::min(end, bytes.size()))) {
            Malformed("track " + std::to_string(t) + " lies in the blocks of another track");
        }
        if (end > bytes.size() && (!cut || offset < cut->first)) {
            const std::size_t inside = offset < bytes.size() ? bytes.size() - offset : 0;
            cut = {offset, EndsInsideWarning(t, static_cast<int>(inside % kBlock / kHalf) % sides)};
        }
        for (int side = 0; side < sides; ++side) {
            const auto at = [&](std::size_t i) { return byteOf(side, i); };
            std::size_t present = 0;
            std::size_t transitions = 0;
            for (; present < sideBytes && r.has(at(present)); ++present) {
                transitions += static_cast<std::size_t>(std::popcount(r.u8(at(present))));
            }
            FluxTrack track;
            track.track = t;
            track.head = side;
            track.tickHz = cellHz;
            track.intervals.reserve(transitions);
            CellSink sink(track);
            std::vector<std::uint64_t> indexes;
            int skip = 0;
            for (std::size_t i = 0; i < present; ++i) {
                const std::uint8_t b = r.u8(at(i));
                if (v3 && (b & 0x0F) == 0x0F) {
                    if (b == kOpIndex) {
                        indexes.push_back(sink.position());
                        continue;
                    }
                    if (b == kOpBitRate || b == kOpSkipBits) {
                        // Its argument; a change of rate keeps our cell clock. A skip
                        // that ends the side has nothing left to apply to.
                        ++i;
                        if (b == kOpSkipBits) {
                            skip = i < present ? std::min<int>(r.u8(at(i)), 7) : 0;
                        }
                        continue;
                    }
                    if (b == kOpRandom) {
                        sink.byte(0x00);  // weak cells: no transition is as good as any
                        continue;
                    }
                    if (b == kOpNop) {
                        continue;
                    }
                }
                sink.byte(b, skip);
                skip = 0;
            }
            // Index pulses are where the file says, or at the start and end of
            // the stored revolution.
            track.indexTicks = indexes.empty() ? std::vector<std::uint64_t>{0} : indexes;
            if (indexes.size() < 2) {
                track.indexTicks.push_back(sink.position());
            }
            disk.tracks.push_back(std::move(track));
        }
    }
    if (cut) {
        disk.warnings.push_back(cut->second);
    }
    return disk;
}

std::vector<std::uint8_t> WriteHfe(std::span<const std::vector<std::uint8_t>> sides, int cylinders,
                                   int heads) {
    if (heads < 1 || heads > kMaxFluxHeads || cylinders < 1 || cylinders > 255 ||
        sides.size() != static_cast<std::size_t>(cylinders * heads)) {
        throw Failure(failure::InvalidProcedureCall,
                      "HFE file: " + std::to_string(sides.size()) + " track sides do not make " +
                          std::to_string(cylinders) + " cylinders of " + std::to_string(heads) + " sides");
    }
    // The track list gives both sides of a cylinder together a 16-bit length.
    constexpr std::size_t kLongestSide = 0xFFFF / 2;
    for (std::size_t i = 0; i < sides.size(); ++i) {
        if ((sides[i].size() + 7) / 8 > kLongestSide) {
            throw Failure(failure::Overflow,
                          "HFE file: track " + std::to_string(i / static_cast<std::size_t>(heads)) +
                              " side " + std::to_string(i % static_cast<std::size_t>(heads)) + " is " +
                              std::to_string((sides[i].size() + 7) / 8) + " bytes long; an HFE file holds " +
                              std::to_string(kLongestSide) + " bytes per track side at most");
        }
    }
    std::vector<std::uint8_t> out(kBlock, 0xFF);
    std::memcpy(out.data(), kMagicV1, 8);
    out[0x08] = 0;  // format revision
    out[0x09] = static_cast<std::uint8_t>(cylinders);
    out[0x0A] = static_cast<std::uint8_t>(heads);
    out[0x0B] = 0;  // ISO/IBM MFM
    out[0x0C] = 250;
    out[0x0D] = 0;  // 250 kbit/s
    out[0x0E] = 300 & 0xFF;
    out[0x0F] = 300 >> 8;
    out[0x10] = 0x07;  // generic Shugart double density
    out[0x11] = 0x01;
    out[0x12] = 1;  // track list in block 1
    out[0x13] = 0;
    out[0x14] = 0xFF;  // writable
    out[0x15] = 0xFF;  // single step
    out[0x16] = 0xFF;  // no alternative encoding for track 0
    out[0x17] = 0xFF;
    out[0x18] = 0xFF;
    out[0x19] = 0xFF;

    const std::size_t listBlocks = (static_cast<std::size_t>(cylinders) * 4 + kBlock - 1) / kBlock;
    out.resize(kBlock * (1 + listBlocks), 0xFF);
    for (int c = 0; c < cylinders; ++c) {
        std::size_t sideBytes = 0;
        for (int h = 0; h < heads; ++h) {
            sideBytes = std::max(sideBytes, (sides[static_cast<std::size_t>(c * heads + h)].size() + 7) / 8);
        }
        const std::size_t blocks = (sideBytes + kHalf - 1) / kHalf;
        const std::size_t offset = out.size();
        const std::size_t entry = kBlock + 4 * static_cast<std::size_t>(c);
        out[entry] = static_cast<std::uint8_t>((offset / kBlock) & 0xFF);
        out[entry + 1] = static_cast<std::uint8_t>((offset / kBlock) >> 8);
        out[entry + 2] = static_cast<std::uint8_t>((sideBytes * 2) & 0xFF);
        out[entry + 3] = static_cast<std::uint8_t>((sideBytes * 2) >> 8);
        out.resize(offset + blocks * kBlock, 0);
        // A one-sided disk still has a side 1 half in every block, left
        // blank (zero) by the resize.
        for (int h = 0; h < heads; ++h) {
            const std::vector<std::uint8_t>& cells = sides[static_cast<std::size_t>(c * heads + h)];
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const std::size_t byteIndex = i / 8;
                const std::size_t at = offset + (byteIndex / kHalf) * kBlock +
                                       static_cast<std::size_t>(h) * kHalf + byteIndex % kHalf;
                out[at] = static_cast<std::uint8_t>(out[at] | ((cells[i] & 1) << (i % 8)));
            }
        }
    }
    return out;
}

}  // namespace flux
