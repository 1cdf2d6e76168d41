// Image bytes -> catalogue, row texts and dump. Invariants: decoding is
// deterministic, entries never hold more data than the image, and every entry
// has a row.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/Failure.h"
#include "core/Log.h"
#include "disk/Catalogue.h"
#include "disk/ImageFile.h"
#include "disk/ListRows.h"

namespace {}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DiskImage image{std::vector<std::uint8_t>(data, data + size)};
    NullLog log;
    Catalogue first;
    Catalogue second;
    const bool ok = GetDiskFiles(image, first, log);
    if (ok != GetDiskFiles(image, second, log) || first.size() != second.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < first.size(); ++i) {
        const CatalogueEntry& e = first[i];
        if (e.Data.size() > size || e.Data != second[i].Data || e.Name != second[i].Name) {
            std::abort();
        }
        if (e.Data.size() > static_cast<std::size_t>(e.Length)) {
            std::abort();
        }
        const ListRow row = MakeListRow(e, static_cast<int>(i));
        if (IndexFromRowKey(row.key) != static_cast<int>(i)) {
            std::abort();
        }
    }
    try {
        const std::string dump = CatalogueDump("fuzz", image);
        if (size < 0x800) {
            std::abort();  // a dump can only come from a whole catalogue area
        }
        (void)dump;
    } catch (const Failure&) {
        if (size >= 0x800) {
            std::abort();
        }
    }
    return 0;
}
