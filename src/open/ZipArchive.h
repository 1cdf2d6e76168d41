#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "open/InputFiles.h"

// Zip archives unpacked in memory, as KryoFlux sets are downloaded. An
// archive is untrusted: its directory is checked, no entry unpacks to more
// than a stream file could physically be, the whole never to more than a set
// could, and entry names are only ever shown, never used as paths.

namespace input {

inline constexpr std::size_t kZipMaxEntries = 4096;
// Five revolutions of a high-density track side at one byte per flux are
// about 2 MB; ten times that is still no stream file.
inline constexpr std::uint64_t kZipMaxEntryBytes = 32ull << 20;
// 168 track sides (84 cylinders, two heads) of a few MB each: a set never
// comes near this, and it bounds what one archive can cost.
inline constexpr std::uint64_t kZipMaxTotalBytes = 128ull << 20;

// A local file header or an empty archive's end record.
[[nodiscard]] bool LooksLikeZip(std::span<const std::uint8_t> bytes);

// Whether zip archives can be opened: built with zip support, and libzip
// found when first asked for.
[[nodiscard]] bool ZipSupported();

// The entries whose names WANTED accepts, unpacked, each under its name in
// the archive. An entry that cannot be unpacked (damaged, encrypted, too
// large) comes back with its problem and no bytes. Throws a Failure when the
// archive as a whole cannot be read, holds too many entries, or its wanted
// entries together would unpack to too much.
[[nodiscard]] std::vector<InputFile> UnpackZip(std::span<const std::uint8_t> bytes,
                                               const std::function<bool(const std::string&)>& wanted);

}  // namespace input
