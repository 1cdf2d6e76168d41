#pragma once

#include <string>

#include "disk/Catalogue.h"

// Image-list positions of the disk browser's icons, 1-based.
enum IconIndex : int {
    kIconDisk = 1,
    kIconBasic = 2,
    kIconNumArray = 3,
    kIconCharArray = 4,
    kIconCode = 5,
    kIconScreen = 6,
    kIconUnknown = 7,
    kIconProperties = 8,
};

// One row of the disk list, as the browser and the command line show it.
struct ListRow {
    std::string key;   // "12_F"
    std::string text;  // the entry's Name
    int icon = kIconUnknown;
    std::string iconKey;   // "BASIC", "SCREEN", ...
    std::string typeText;  // "BASIC", "Num Array", ..., "" for unknown types
    std::string parameter1;
    std::string parameter2;
    std::string parameter3;
};

// "#1B00 - 6912"
[[nodiscard]] std::string FormatParam(int value);

[[nodiscard]] std::string TypeText(const CatalogueEntry& entry);
[[nodiscard]] ListRow MakeListRow(const CatalogueEntry& entry, int index);

// The entry index at the start of a row key ("12_F" gives 12), -1 when none.
[[nodiscard]] int IndexFromRowKey(const std::string& key);
