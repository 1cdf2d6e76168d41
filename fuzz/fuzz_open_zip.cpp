// Zip archive bytes -> the stream files a KryoFlux set would be read from.
// Invariants: an archive is refused with a Failure or read; no entry unpacks
// to more than an entry may, nor all of them to more than an archive may; an
// entry has its bytes or its problem, never both.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Failure.h"
#include "open/Detect.h"
#include "open/ZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto files = input::UnpackZip({data, size}, [](const std::string&) { return true; });
        std::uint64_t total = 0;
        for (const input::InputFile& file : files) {
            if (file.bytes.size() > input::kZipMaxEntryBytes ||
                (!file.problem.empty() && !file.bytes.empty())) {
                std::abort();
            }
            total += file.bytes.size();
            (void)flux::DetectFluxFormat(file.bytes, file.name);
        }
        if (total > input::kZipMaxTotalBytes) {
            std::abort();
        }
    } catch (const Failure&) {
    }
    return 0;
}
