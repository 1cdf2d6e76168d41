#pragma once

#include <string>
#include <vector>

#include "core/FileChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"
#include "core/RgbPicture.h"
#include "disk/Catalogue.h"
#include "export/PrintPicture.h"

// What the screen viewer window decides without a window: its zoom setting
// and its Save As command. The window only draws.

inline constexpr const char* kScreenViewerSection = "ScreenViewer";
inline constexpr const char* kDefaultSizeKey = "DefaultSize";
inline constexpr const char* kDefaultSizeFallback = "2";
inline constexpr const char* kSaveScreenTitle = "Save current SCREEN$ as...";

// "DefaultSize" taken as a whole number the way the settings have always been
// read ("2.5" is 2, "abc" is 0); anything outside 1 to 3 is 2.
[[nodiscard]] int ZoomFromSetting(const std::string& sValue);
// The zoom the viewer opens with, from the settings module's default file.
[[nodiscard]] int ReadScreenViewerZoom();

// The margin round the picture, in twips.
inline constexpr int kScreenControlOffset = 60;

// The save dialog's filters, TAP first: the one offered at start.
[[nodiscard]] std::vector<FileFilter> ScreenSaveFilters();

// The Save As command: asks for a name preset to the entry's name and writes
// a tape file, a raw screen or a bitmap of the picture by its extension.
// Cancelling is silent; an unknown extension is reported and writes nothing.
void SaveScreenAs(const CatalogueEntry& entry, const RgbPicture& picture, FileChooser& chooser,
                  Prompter& prompter, ActivityLog& log);

// The picture as the printer takes it (the same pixels in the same layout).
[[nodiscard]] PrintPicture ToPrintPicture(const RgbPicture& picture);
