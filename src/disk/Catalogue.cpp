#include "disk/Catalogue.h"

#include "core/ByteReader.h"
#include "core/ZxText.h"

FileKind KindOf(const CatalogueEntry& entry) {
    switch (entry.Type) {
        case kTypeBasic:
            return FileKind::Basic;
        case kTypeNumArray:
            return FileKind::NumArray;
        case kTypeCharArray:
            return FileKind::CharArray;
        case kTypeCode:
            return entry.Length == kScreenLength ? FileKind::Screen : FileKind::Code;
        default:
            return FileKind::Unknown;
    }
}

namespace {

// What the files' copies may cost in all. On a real disk they add up to less
// than the image; slots of a damaged one can name the same 64 KB over and
// over, and a catalogue without its end mark runs on through the image.
std::size_t DataBudget(std::size_t imageLength) {
    return 16u * 1024 * 1024 + 4 * imageLength;
}

}  // namespace

bool GetDiskFiles(const DiskImage& image, Catalogue& catalogue, ActivityLog& log) {
    const ByteReader reader(image.bytes);
    const std::size_t budget = DataBudget(image.bytes.size());
    std::size_t copied = 0;
    bool result = false;
    int line = 1;
    try {
        for (std::size_t i = 0;; ++i) {
            line = 2;
            const std::size_t s = kBlockSize + kSlotSize * i;
            CatalogueEntry entry;
            entry.Word0 = reader.u16le(s);
            entry.Word1 = reader.u16le(s + 2);
            entry.Word2 = reader.u16le(s + 4);
            const auto name = reader.bytes(s + 6, 10);
            entry.RawName.assign(name.begin(), name.end());
            entry.Name = ExpandZXText(name);

            line = 3;
            if (entry.Word2 == kEndOfCatalogue) {
                return result;
            }

            line = 5;
            const std::size_t h = kBlockSize * (static_cast<std::size_t>(entry.Word1) + 1);
            entry.EntryKind = i == 0 ? 0 : 1;
            entry.Type = reader.u8(h);
            entry.Length = reader.u16le(h + 1);
            entry.Param1 = reader.u16le(h + 3);
            entry.Param2 = reader.u16le(h + 5);

            line = 6;
            if (entry.EntryKind == 1 && entry.Length >= 1) {
                const auto data = reader.bytesUpTo(h + kHeaderSize, static_cast<std::size_t>(entry.Length));
                copied += data.size();
                if (copied > budget) {
                    log.LogThis("Catalogue slots from " + std::to_string(i) +
                                    " on are left out: with them the "
                                    "files would hold more than " +
                                    std::to_string(budget) +
                                    " bytes, far more than the image; the slots overlap.",
                                kSeverityWARNING, false);
                    return result;
                }
                entry.Data.assign(data.begin(), data.end());
                if (data.size() < static_cast<std::size_t>(entry.Length)) {
                    log.LogThis("File [" + entry.Name + "] of catalogue slot " + std::to_string(i) +
                                    " declares " + std::to_string(entry.Length) +
                                    " data bytes but the image holds only " + std::to_string(data.size()) +
                                    " of them; keeping those.",
                                kSeverityWARNING, false);
                }
            }

            line = 7;
            catalogue.resize(i + 1);
            catalogue[i] = std::move(entry);
            result = true;
        }
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::SpaceIn, "GetDiskFiles", line);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::SpaceIn, "GetDiskFiles", line);
    }
    return result;
}
