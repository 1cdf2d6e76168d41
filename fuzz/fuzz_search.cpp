// Bytes and a needle -> the three search forms. Invariants: repeated searches
// find strictly later matches and end with a miss; every found offset lies
// inside the data.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "bytes/ByteSearch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // First byte: the search type; then a needle of up to 8 bytes; the rest is the file.
    const std::int32_t type = data[0] % 3;
    const std::size_t needleLength = std::min<std::size_t>(data[1] % 9, size - 2);
    const std::string typed(reinterpret_cast<const char*>(data + 2), needleLength);
    const std::span<const std::uint8_t> bytes(data + 2 + needleLength, size - 2 - needleLength);

    const std::string needle = SearchString(typed, type);
    ByteSearch search;
    std::size_t lastPosition = 0;
    const std::size_t formLength = SearchForm(bytes, type).size();
    for (std::size_t round = 0; round <= formLength + 1; ++round) {
        const ByteSearch::Result r = search.Search(bytes, type, needle);
        if (!r.found) {
            if (r.message.empty()) {
                std::abort();
            }
            return 0;
        }
        if (r.position <= lastPosition || (!bytes.empty() && r.byteOffset >= bytes.size())) {
            std::abort();
        }
        lastPosition = r.position;
    }
    std::abort();  // the repeats must end in a miss
}
