#pragma once

#include <string>
#include <vector>

#include "disk/Catalogue.h"
#include "disk/SectorMap.h"

// Which files a disk's bad sectors fall into. A file covers the blocks from its
// header block (Word1 + 1) to the block of its last data byte; the catalogue
// covers its slots from block 1 up to and including the end mark. Recovered
// sectors hold good data and hit nothing; bad and missing ones do.
inline constexpr const char* kCatalogueHitName = "(catalogue)";

struct HitFile {
    int index = 0;                         // the catalogue entry; 0 stands for the catalogue itself
    std::string name;                      // display text; kCatalogueHitName for the catalogue
    std::vector<SectorStatus> badSectors;  // image order
};

// The catalogue first when it is hit, then the files in catalogue order.
[[nodiscard]] std::vector<HitFile> FilesHit(const Catalogue& catalogue, const SectorMap& map);

// "0:12:5, 0:12:9": head:track:sector of each, as the read's status lines name sides.
[[nodiscard]] std::string SectorListText(const std::vector<SectorStatus>& sectors);
// The same with each run of neighbouring sectors of a side as one item:
// "0:1:0–17, 0:12:5" (UTF-8 en dash).
[[nodiscard]] std::string SectorRunsText(const std::vector<SectorStatus>& sectors);
