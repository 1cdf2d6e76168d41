#include "disk/ListRows.h"

#include <cctype>

#include "core/CodePage.h"

std::string FormatParam(int value) {
    return "#" + hexUpper(static_cast<std::uint32_t>(value) & 0xFFFFu, 4) + " - " + std::to_string(value);
}

std::string TypeText(const CatalogueEntry& entry) {
    switch (KindOf(entry)) {
        case FileKind::Basic:
            return "BASIC";
        case FileKind::NumArray:
            return "Num Array";
        case FileKind::CharArray:
            return "Char Array";
        case FileKind::Code:
            return "CODE";
        case FileKind::Screen:
            return "SCREEN$";
        case FileKind::Unknown:
            break;
    }
    return {};
}

ListRow MakeListRow(const CatalogueEntry& entry, int index) {
    ListRow row;
    row.key = std::to_string(index) + "_F";
    row.text = entry.Name;
    row.typeText = TypeText(entry);
    const std::string len = "Len: " + FormatParam(entry.Length);
    const std::string na = "N/A: " + FormatParam(entry.Param2);
    // The array's variable letter sits in the high byte of parameter 1.
    const char letter = static_cast<char>(((entry.Param1 / 256) & 63) + 96);
    switch (KindOf(entry)) {
        case FileKind::Basic:
            row.icon = kIconBasic;
            row.iconKey = "BASIC";
            row.parameter1 = len;
            row.parameter2 = "Run: " + FormatParam(entry.Param1);
            row.parameter3 = na;
            break;
        case FileKind::NumArray:
            row.icon = kIconNumArray;
            row.iconKey = "NUMARRAY";
            row.parameter1 = len;
            row.parameter2 = std::string("Name: ") + letter + "() [" + FormatParam(entry.Param1) + "]";
            row.parameter3 = na;
            break;
        case FileKind::CharArray:
            row.icon = kIconCharArray;
            row.iconKey = "CHARARRAY";
            row.parameter1 = len;
            row.parameter2 = std::string("Name: ") + letter + "$() [" + FormatParam(entry.Param1) + "]";
            row.parameter3 = na;
            break;
        case FileKind::Code:
        case FileKind::Screen:
            row.icon = KindOf(entry) == FileKind::Screen ? kIconScreen : kIconCode;
            row.iconKey = KindOf(entry) == FileKind::Screen ? "SCREEN" : "CODE";
            row.parameter1 = len;
            row.parameter2 = "Addr: " + FormatParam(entry.Param1);
            row.parameter3 = na;
            break;
        case FileKind::Unknown:
            row.icon = kIconUnknown;
            row.iconKey = "UNKNOWN";
            row.parameter1 = FormatParam(entry.Length);
            row.parameter2 = FormatParam(entry.Param1);
            row.parameter3 = FormatParam(entry.Param2);
            break;
    }
    return row;
}

int IndexFromRowKey(const std::string& key) {
    std::size_t i = 0;
    long value = 0;
    while (i < key.size() && std::isdigit(static_cast<unsigned char>(key[i])) && value < 100000000) {
        value = value * 10 + (key[i] - '0');
        ++i;
    }
    return i == 0 ? -1 : static_cast<int>(value);
}
