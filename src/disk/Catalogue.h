#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Log.h"
#include "disk/DiskImage.h"

// The Opus catalogue: 16-byte slots from block 1 on, slot i at byte
// 256 + 16·i, ended by the first slot whose third word is 0xFFFF. Slot 0 is the
// disk itself. Each file's 7-byte header (a tape header without its name)
// starts at block Word1 + 1, its data right after.
//
//   slot:   +0 Word0 (LE)  +2 Word1 (LE)  +4 Word2 (LE, 0xFFFF = end)  +6 name[10]
//   header: +0 type  +1 length (LE)  +3 param 1 (LE)  +5 param 2 (LE)  +7 data
//
// Images seen in the wild include short images loaded anyway and catalogues
// without an end mark; both decode as far as the image goes, or until the
// files' data would cost far more than the image (16 MB and four times its
// length: slots that name the same data over and over), where the rest of
// the slots is left out with a warning.
inline constexpr std::uint16_t kEndOfCatalogue = 0xFFFF;
inline constexpr std::size_t kSlotSize = 16;
inline constexpr std::size_t kHeaderSize = 7;

enum FileType : int { kTypeBasic = 0, kTypeNumArray = 1, kTypeCharArray = 2, kTypeCode = 3 };
inline constexpr int kScreenLength = 6912;

struct CatalogueEntry {
    std::int32_t EntryKind = 0;  // 0 the disk entry, 1 a file
    std::int32_t Word0 = 0;
    std::int32_t Word1 = 0;
    std::int32_t Word2 = 0;
    std::string RawName;  // the 10 stored bytes
    std::string Name;     // display text (UTF-8)
    std::int32_t Type = 0;
    std::int32_t Length = 0;
    std::int32_t Param1 = 0;
    std::int32_t Param2 = 0;
    // The file's bytes: Length of them, or fewer when the image ended first.
    std::vector<std::uint8_t> Data;
};

using Catalogue = std::vector<CatalogueEntry>;

// The kind of a file by its type and length.
enum class FileKind { Basic, NumArray, CharArray, Code, Screen, Unknown };
[[nodiscard]] FileKind KindOf(const CatalogueEntry& entry);

// Decodes the image into the catalogue. True when at least one slot (the disk
// slot counts) was stored; the catalogue is left as it was when none was.
// Failures are trapped and logged; the entries reached stay.
bool GetDiskFiles(const DiskImage& image, Catalogue& catalogue, ActivityLog& log);
