#include "flux/Mfm.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "core/ByteReader.h"

// IBM MFM as a WD177x (and a PC's 765) writes it. A cell is 2 µs at double
// density; a data bit is a clock cell followed by a data cell, and the clock
// cell carries a transition only between two zero data bits. The address
// marks are preceded by three A1 bytes written with one clock missing (cells
// 0x4489), a pattern ordinary data can never produce, so the decoder finds
// fields by that pattern alone and never trusts a sector's position.
//
// Quirks seen in real recordings: the first revolution of a capture starts
// anywhere on the track, so a sector can be cut by the start or the end of
// the capture; a weak bit can spoil one revolution and not the next; drives
// spin a percent or two fast or slow, which the PLL follows.

namespace flux {

namespace {

constexpr std::uint64_t kSyncCells = 0x448944894489ULL;  // A1 A1 A1 with the missing clock
constexpr std::uint64_t kSyncMask = 0xFFFFFFFFFFFFULL;
constexpr std::uint8_t kIdMark = 0xFE;
constexpr std::uint8_t kDataMark = 0xFB;
constexpr std::uint8_t kDeletedMark = 0xF8;
constexpr int kCellsPerByte = 16;
// A data field belongs to the last good ID when it starts within this many
// cells: gap 2 (22 bytes) + 12 zero bytes + sync, with room for drift.
constexpr std::size_t kIdToDataCells = 64 * kCellsPerByte;
// No flux for longer than this is unformatted or damaged surface (MFM never
// leaves more than three cells without a transition); emitting more zero
// cells would only cost memory.
constexpr int kMaxZeroCells = 16;
// The longest revolution a track side can hold: a drive turning at 273 rpm,
// a tenth slower than any in use. Whatever a capture claims, a track side
// never decodes to more sector bytes than this carries.
constexpr double kLongestRevolutionSeconds = 0.22;
constexpr int kLargestSizeCode = 6;  // 8 KB, more than any double-density track holds

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        }
        table[static_cast<std::size_t>(i)] = crc;
    }
    return table;
}
constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

std::uint16_t Crc16Ccitt(std::span<const std::uint8_t> bytes, std::uint16_t crc) {
    for (std::uint8_t b : bytes) {
        crc = static_cast<std::uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ b) & 0xFF]);
    }
    return crc;
}

namespace {

// The CRC of a field starts over its three sync bytes.
std::uint16_t CrcAfterSync() {
    constexpr std::array<std::uint8_t, 3> sync = {0xA1, 0xA1, 0xA1};
    return Crc16Ccitt(sync);
}

// The cells of a capture, one bit each (a 10 MB recording can hold a few
// hundred million), and the position after every A1 A1 A1 sync found on the
// way: a sync ends on a transition, so the pattern is only compared there.
class Cells {
public:
    void push(int zeros) {
        m_size += static_cast<std::size_t>(zeros);
        if (m_size / 64 >= m_words.size()) {
            m_words.resize(m_size / 64 + 1, 0);
        }
        m_words[m_size / 64] |= std::uint64_t{1} << (63 - m_size % 64);
        ++m_size;
    }
    [[nodiscard]] std::size_t size() const { return m_size; }
    // The data bits of the byte whose 16 cells start at pos, or -1 past the end.
    [[nodiscard]] int byteAt(std::size_t pos) const {
        if (pos > m_size || m_size - pos < kCellsPerByte) {
            return -1;
        }
        const std::size_t word = pos / 64;
        const std::size_t shift = pos % 64;
        std::uint64_t window = m_words[word] << shift;
        if (shift > 48) {
            window |= m_words[word + 1] >> (64 - shift);
        }
        const auto cells = static_cast<std::uint16_t>(window >> 48);
        int value = 0;
        for (int bit = 14; bit >= 0; bit -= 2) {
            value = (value << 1) | ((cells >> bit) & 1);
        }
        return value;
    }
    // count bytes from pos into out; false when the cells end first.
    bool bytesAt(std::size_t pos, std::size_t count, std::vector<std::uint8_t>& out) const {
        if (pos > m_size || (m_size - pos) / kCellsPerByte < count) {
            return false;
        }
        out.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = static_cast<std::uint8_t>(byteAt(pos + i * kCellsPerByte));
        }
        return true;
    }

    std::vector<std::size_t> syncEnds;
    std::size_t longestRevolution = 0;  // cells between two index pulses, or before the first, after the last

private:
    std::vector<std::uint64_t> m_words;
    std::size_t m_size = 0;
};

// A digital PLL in the manner of a floppy controller's data separator: the
// clock follows the phase error of every transition a little and its period
// a little less, within ±10 % of the nominal cell.
Cells FluxToCells(const FluxTrack& track, double cellSeconds) {
    Cells cells;
    const double centre = track.tickHz * cellSeconds;
    if (!std::isfinite(centre) || centre <= 0.0) {
        return cells;
    }
    constexpr double kPeriodAdjust = 0.05;
    constexpr double kPhaseAdjust = 0.6;
    const double clockMin = centre * 0.9;
    const double clockMax = centre * 1.1;
    double clock = centre;
    double ticks = 0.0;
    std::uint64_t reg = 0;
    std::uint64_t at = 0;  // ticks since the start of the capture
    auto nextIndex = track.indexTicks.begin();
    std::size_t revolutionStart = 0;
    const auto endRevolution = [&] {
        cells.longestRevolution = std::max(cells.longestRevolution, cells.size() - revolutionStart);
        revolutionStart = cells.size();
    };
    for (std::uint32_t interval : track.intervals) {
        at += interval;
        for (; nextIndex != track.indexTicks.end() && *nextIndex < at; ++nextIndex) {
            endRevolution();
        }
        ticks += interval;
        if (ticks < clock / 2) {
            continue;  // a glitch closer than half a cell joins the next interval
        }
        const double elapsed = std::floor(ticks / clock + 0.5);  // >= 1: the cell holding the transition
        const int zeros = static_cast<int>(std::min(elapsed - 1.0, static_cast<double>(kMaxZeroCells)));
        cells.push(zeros);
        reg = (reg << (zeros + 1)) | 1;
        if ((reg & kSyncMask) == kSyncCells) {
            cells.syncEnds.push_back(cells.size());
        }
        ticks -= elapsed * clock;  // phase error, within half a cell
        if (zeros <= 3) {
            clock += ticks * kPeriodAdjust;
        } else {
            clock += (centre - clock) * kPeriodAdjust;  // no valid MFM run this long: drift home
        }
        clock = std::clamp(clock, clockMin, clockMax);
        ticks *= 1.0 - kPhaseAdjust;
    }
    endRevolution();
    return cells;
}

// An ID field as read after its mark: mark C H R N CRC-high CRC-low.
struct IdField {
    std::uint8_t c, h, r, n;
    std::size_t end;  // first cell after the field
};

std::optional<IdField> DecodeIdField(const Cells& cells, std::size_t markPos,
                                     std::vector<std::uint8_t>& field) {
    if (!cells.bytesAt(markPos, 7, field) || Crc16Ccitt(field, CrcAfterSync()) != 0) {
        return std::nullopt;
    }
    return IdField{field[1], field[2], field[3], field[4], markPos + 7 * kCellsPerByte};
}

// One copy of a sector's data: mark, 128 << N bytes, CRC-high, CRC-low. A
// field cut off by the end of the capture is no copy at all.
struct DataField {
    bool ok = false;
    bool deleted = false;
};

std::optional<DataField> DecodeDataField(const Cells& cells, std::size_t markPos, const IdField& id,
                                         std::vector<std::uint8_t>& field) {
    if (id.n > kLargestSizeCode) {
        return std::nullopt;
    }
    const std::size_t size = std::size_t{128} << id.n;
    if (!cells.bytesAt(markPos, size + 3, field)) {
        return std::nullopt;
    }
    return DataField{Crc16Ccitt(field, CrcAfterSync()) == 0, field[0] == kDeletedMark};
}

// The first good copy wins; a bad copy only fills a gap.
void ChooseCopy(DecodedSector& s, const DataField& copy, std::span<const std::uint8_t> field) {
    if (s.dataOk || (!copy.ok && !s.data.empty())) {
        return;
    }
    s.recovered = copy.ok && !s.data.empty();
    s.dataOk = copy.ok;
    s.deleted = copy.deleted;
    s.data.assign(field.begin() + 1, field.end() - 2);
}

// The data field that follows an ID starts within kIdToDataCells of its end.
bool Follows(const IdField& id, std::size_t markPos) {
    return markPos >= id.end && markPos - id.end <= kIdToDataCells;
}

// The sectors of a track side by their C, H and R, each ID looked up in
// constant time (a damaged capture can repeat one ID a hundred thousand
// times). A new sector is taken only while the sizes of all taken so far fit
// into one revolution.
class SectorTable {
public:
    explicit SectorTable(std::size_t capacity) : m_room(capacity) {}

    [[nodiscard]] DecodedSector* find(const IdField& id) {
        const auto found = m_index.find(key(id));
        return found == m_index.end() ? nullptr : &m_sectors[found->second];
    }
    // The sector of this ID, added when new; nullptr when it does not fit.
    DecodedSector* take(const IdField& id) {
        if (DecodedSector* known = find(id)) {
            return known;
        }
        const std::size_t size = std::size_t{128} << std::min<int>(id.n, kLargestSizeCode);
        if (size > m_room) {
            return nullptr;
        }
        m_room -= size;
        m_index.emplace(key(id), m_sectors.size());
        m_sectors.push_back({id.c, id.h, id.r, id.n, false, false, {}, false});
        return &m_sectors.back();
    }
    // Ascending R (then C, H).
    [[nodiscard]] std::vector<DecodedSector> sorted() && {
        std::sort(m_sectors.begin(), m_sectors.end(), [](const DecodedSector& a, const DecodedSector& b) {
            return std::tie(a.sector, a.cylinder, a.head) < std::tie(b.sector, b.cylinder, b.head);
        });
        return std::move(m_sectors);
    }

private:
    static std::uint32_t key(const IdField& id) {
        return (std::uint32_t{id.c} << 16) | (std::uint32_t{id.h} << 8) | id.r;
    }
    std::size_t m_room;
    std::vector<DecodedSector> m_sectors;
    std::unordered_map<std::uint32_t, std::size_t> m_index;
};

}  // namespace

DecodedTrack DecodeMfmTrack(const FluxTrack& track, double cellSeconds) {
    DecodedTrack result;
    result.indexSeen = !track.indexTicks.empty();
    // Pulses bound the revolutions between them; a capture with fewer than
    // two is one revolution's worth, if it holds anything at all.
    result.revolutions =
        std::max(static_cast<int>(track.indexTicks.size()) - 1, track.intervals.empty() ? 0 : 1);

    const Cells cells = FluxToCells(track, cellSeconds);
    const auto longest = static_cast<std::size_t>(kLongestRevolutionSeconds / cellSeconds);
    result.capacity = std::min(cells.longestRevolution, longest) / kCellsPerByte;
    SectorTable sectors(result.capacity);
    std::optional<IdField> pending;  // the last good ID, until its data field comes
    std::vector<std::uint8_t> field;
    for (const std::size_t markPos : cells.syncEnds) {
        const int mark = cells.byteAt(markPos);
        if (mark == kIdMark) {
            pending = DecodeIdField(cells, markPos, field);
            if (pending && sectors.take(*pending) == nullptr) {
                pending.reset();
            }
        } else if ((mark == kDataMark || mark == kDeletedMark) && pending && Follows(*pending, markPos)) {
            const IdField id = *pending;
            pending.reset();
            if (const std::optional<DataField> copy = DecodeDataField(cells, markPos, id, field)) {
                ChooseCopy(*sectors.find(id), *copy, field);
            }
        }
    }
    result.sectors = std::move(sectors).sorted();
    return result;
}

std::vector<EncodeSector> OpusTrackSectors(std::span<const std::uint8_t> image, int cylinder, int head,
                                           int heads) {
    static constexpr std::array<std::uint8_t, 18> kPhysicalOrder = {0, 7,  14, 3,  10, 17, 6,  13, 2,
                                                                    9, 16, 5,  12, 1,  8,  15, 4,  11};
    const ByteReader reader(image);
    const std::size_t side =
        static_cast<std::size_t>(cylinder) * static_cast<std::size_t>(heads) + static_cast<std::size_t>(head);
    const std::size_t trackBytes = kPhysicalOrder.size() * 256;
    std::vector<EncodeSector> sectors;
    for (std::uint8_t id : kPhysicalOrder) {
        EncodeSector s;
        s.cylinder = static_cast<std::uint8_t>(cylinder);
        s.head = static_cast<std::uint8_t>(head);
        s.sector = id;
        s.sizeCode = 1;
        const auto bytes = reader.bytes(side * trackBytes + std::size_t{id} * 256, 256);
        s.data.assign(bytes.begin(), bytes.end());
        sectors.push_back(std::move(s));
    }
    return sectors;
}

namespace {

class CellWriter {
public:
    explicit CellWriter(std::vector<std::uint8_t>& cells) : m_cells(cells) {}

    // A sync byte drops the clock between data bits 3 and 2 (A1 -> 0x4489).
    void byte(std::uint8_t value, bool sync = false) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool data = ((value >> bit) & 1) != 0;
            const bool clock = !m_lastData && !data && !(sync && bit == 2);
            m_cells.push_back(clock ? 1 : 0);
            m_cells.push_back(data ? 1 : 0);
            m_lastData = data;
        }
    }
    void repeat(std::uint8_t value, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            byte(value);
        }
    }
    void field(std::uint8_t mark, std::span<const std::uint8_t> body, bool corrupt) {
        repeat(0x00, 12);
        for (int i = 0; i < 3; ++i) {
            byte(0xA1, true);
        }
        byte(mark);
        std::uint16_t crc = Crc16Ccitt(std::array<std::uint8_t, 1>{mark}, CrcAfterSync());
        crc = Crc16Ccitt(body, crc);
        for (std::uint8_t b : body) {
            byte(b);
        }
        if (corrupt) {
            crc ^= 0x5A5A;
        }
        byte(static_cast<std::uint8_t>(crc >> 8));
        byte(static_cast<std::uint8_t>(crc & 0xFF));
    }
    [[nodiscard]] std::size_t bytesWritten() const { return m_cells.size() / kCellsPerByte; }

private:
    std::vector<std::uint8_t>& m_cells;
    bool m_lastData = false;
};

// A small seeded generator of our own, so that a seed gives the same track on
// every compiler (the standard distributions differ between libraries).
class Jitter {
public:
    explicit Jitter(std::uint32_t seed) : m_state(seed ^ 0x9E3779B97F4A7C15ULL) {}
    double next() {  // uniform in [-1, 1)
        m_state += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = m_state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) / 4503599627370496.0 - 1.0;  // 2^52
    }

private:
    std::uint64_t m_state;
};

}  // namespace

std::vector<std::uint8_t> EncodeMfmCells(std::span<const EncodeSector> sectors, std::size_t trackBytes) {
    constexpr std::size_t kGap1 = 36;
    constexpr std::size_t kGap2 = 22;
    constexpr std::size_t kGap3 = 24;
    std::vector<std::uint8_t> cells;
    cells.reserve(trackBytes * kCellsPerByte);
    CellWriter w(cells);
    w.repeat(0x4E, kGap1);
    for (const EncodeSector& s : sectors) {
        const std::array<std::uint8_t, 4> id = {s.cylinder, s.head, s.sector, s.sizeCode};
        w.field(kIdMark, id, false);
        w.repeat(0x4E, kGap2);
        w.field(kDataMark, s.data, s.corruptData);
        w.repeat(0x4E, kGap3);
    }
    if (w.bytesWritten() < trackBytes) {
        w.repeat(0x4E, trackBytes - w.bytesWritten());
    }
    return cells;
}

std::size_t NominalTrackBytes(double cellSeconds, double rpm) {
    return static_cast<std::size_t>(std::lround(60.0 / rpm / cellSeconds / kCellsPerByte));
}

FluxTrack CellsToFlux(std::span<const std::vector<std::uint8_t>> revolutions, const EncodeOptions& options) {
    FluxTrack track;
    track.tickHz = options.tickHz;
    const double cellTicks = options.tickHz * options.cellSeconds;
    const double jitter = std::clamp(options.jitter, 0.0, 0.45) * cellTicks;
    Jitter random(options.seed);
    std::uint64_t cellIndex = 0;
    std::uint64_t lastTick = 0;
    if (options.index) {
        track.indexTicks.push_back(0);
    }
    for (const std::vector<std::uint8_t>& cells : revolutions) {
        for (std::uint8_t cell : cells) {
            if (cell != 0) {
                const double at = (static_cast<double>(cellIndex) + 0.5) * cellTicks + random.next() * jitter;
                const auto tick = static_cast<std::uint64_t>(std::llround(std::max(at, 0.0)));
                const std::uint64_t interval = tick > lastTick ? tick - lastTick : 1;
                track.intervals.push_back(static_cast<std::uint32_t>(interval));
                lastTick += interval;
            }
            ++cellIndex;
        }
        if (options.index) {
            track.indexTicks.push_back(
                static_cast<std::uint64_t>(std::llround(static_cast<double>(cellIndex) * cellTicks)));
        }
    }
    return track;
}

FluxTrack EncodeMfmTrack(std::span<const std::vector<EncodeSector>> revolutions,
                         const EncodeOptions& options) {
    const std::size_t trackBytes = NominalTrackBytes(options.cellSeconds, options.rpm);
    std::vector<std::vector<std::uint8_t>> cells;
    cells.reserve(revolutions.size());
    for (const std::vector<EncodeSector>& sectors : revolutions) {
        cells.push_back(EncodeMfmCells(sectors, trackBytes));
    }
    return CellsToFlux(cells, options);
}

}  // namespace flux
