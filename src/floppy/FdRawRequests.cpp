#include "floppy/FdRawRequests.h"

#include "core/ByteReader.h"
#include "core/Failure.h"

namespace fdraw {

std::string DriverDeviceName() {
    return "\\\\.\\fdrawcmd";
}

std::string DriveDeviceName(std::uint8_t drive) {
    return "\\\\.\\fdraw" + std::to_string(drive);
}

std::optional<std::size_t> TrackLength(std::int32_t lSizeCode) {
    if (lSizeCode < 0 || lSizeCode > 7) {
        return std::nullopt;
    }
    return (std::size_t{128} << lSizeCode) * (kEndOfTrack - kFirstSector);
}

std::size_t RequireTrackLength(std::int32_t lSizeCode) {
    const auto length = TrackLength(lSizeCode);
    if (!length) {
        throw Failure(failure::InvalidProcedureCall);
    }
    return *length;
}

std::optional<std::size_t> SectorLength(std::int32_t lSizeCode) {
    if (lSizeCode < 0 || lSizeCode > 7) {
        return std::nullopt;
    }
    return std::size_t{128} << lSizeCode;
}

std::size_t RequireSectorLength(std::int32_t lSizeCode) {
    const auto length = SectorLength(lSizeCode);
    if (!length) {
        throw Failure(failure::InvalidProcedureCall);
    }
    return *length;
}

std::uint32_t DecodeVersion(std::span<const std::uint8_t, 4> bytes) {
    const ByteReader reader{bytes};
    return reader.u32le(0);
}

SenseParameters MakeSenseParameters() {
    return {0};
}

SeekParameters MakeSeekParameters(std::uint8_t cylinder, std::uint8_t head, bool bDoubleStep) {
    const int physical = bDoubleStep ? 2 * cylinder : cylinder;
    if (physical > 0xFF) {
        throw Failure(failure::Overflow);
    }
    return {static_cast<std::uint8_t>(physical), head};
}

ReadParameters MakeReadParameters(std::uint8_t cylinder, std::uint8_t head, std::int32_t lSizeCode) {
    return {
        kFlagMfm,                              // flags: MFM only
        head,                                  // physical head
        cylinder,                              // cylinder in the sector IDs
        head,                                  // head in the sector IDs
        kFirstSector,                          // first sector
        static_cast<std::uint8_t>(lSizeCode),  // size code N
        kEndOfTrack,                           // EOT
        kGapLength,                            // gap
        kDataLength,                           // DTL
    };
}

}  // namespace fdraw

namespace fdraw {

ReadParameters MakeSectorReadParameters(std::uint8_t cylinder, std::uint8_t head, std::uint8_t sector,
                                        std::int32_t lSizeCode) {
    ReadParameters p = MakeReadParameters(cylinder, head, lSizeCode);
    p[4] = sector;  // first sector
    p[6] = sector;  // EOT: the controller stops after this one
    return p;
}

ReadParameters MakeWriteParameters(std::uint8_t cylinder, std::uint8_t head, std::int32_t lSizeCode) {
    return MakeReadParameters(cylinder, head, lSizeCode);
}

std::vector<std::uint8_t> OpusIdTable(std::uint8_t cylinder, std::uint8_t head, std::int32_t lSizeCode) {
    std::vector<std::uint8_t> table;
    for (const std::uint8_t r : kOpusPhysicalOrder) {
        table.insert(table.end(), {cylinder, head, r, static_cast<std::uint8_t>(lSizeCode)});
    }
    return table;
}

std::vector<std::uint8_t> MakeFormatParameters(std::uint8_t cylinder, std::uint8_t head,
                                               std::int32_t lSizeCode, bool bSectors) {
    const auto sectors = static_cast<std::uint8_t>(bSectors ? kOpusPhysicalOrder.size() : 0);
    std::vector<std::uint8_t> p{kFlagMfm, head,       static_cast<std::uint8_t>(lSizeCode),
                                sectors,  kFormatGap, kFormatFiller};
    if (bSectors) {
        const std::vector<std::uint8_t> table = OpusIdTable(cylinder, head, lSizeCode);
        p.insert(p.end(), table.begin(), table.end());
    }
    return p;
}

}  // namespace fdraw
