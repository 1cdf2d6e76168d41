#pragma once

#include <string>
#include <vector>

#include "core/FileChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/Catalogue.h"
#include "export/PrintPicture.h"
#include "screen/RgbPicture.h"

// What the screen viewer window decides without a window: its zoom setting,
// its sizes in twips and its Save As command. The window only measures itself
// and draws.

inline constexpr const char* kScreenViewerSection = "ScreenViewer";
inline constexpr const char* kDefaultSizeKey = "DefaultSize";
inline constexpr const char* kDefaultSizeFallback = "2";
inline constexpr const char* kSaveScreenTitle = "Save current SCREEN$ as...";

// "DefaultSize" taken as a whole number the way the settings have always been
// read ("2.5" is 2, "abc" is 0); anything outside 1 to 3 is 2.
[[nodiscard]] int ZoomFromSetting(const std::string& sValue);
// The zoom the viewer opens with, from the settings module's default file.
[[nodiscard]] int ReadScreenViewerZoom();

// Twips of the window frame and the control at zoom factor f (1 to 3). The
// allowances leave room for the borders, the caption and the menu bar.
struct TwipsSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const TwipsSize&, const TwipsSize&) = default;
};
inline constexpr int kScreenControlOffset = 60;
inline constexpr int kScreenWidthAllowance = 240;
inline constexpr int kScreenHeightAllowance = 760;
[[nodiscard]] TwipsSize ScreenWindowOuterSize(int factor);
[[nodiscard]] TwipsSize ScreenControlSize(int factor);
// The control after the window took this outer size: each side follows the
// window only while the window is larger than its allowance.
[[nodiscard]] TwipsSize StretchedScreenControl(TwipsSize outer, TwipsSize control);

// The save dialog's filters, TAP first: the one offered at start.
[[nodiscard]] std::vector<FileFilter> ScreenSaveFilters();

// The Save As command: asks for a name preset to the entry's name and writes
// a tape file, a raw screen or a bitmap of the picture by its extension.
// Cancelling is silent; an unknown extension is reported and writes nothing.
void SaveScreenAs(const CatalogueEntry& entry, const RgbPicture& picture, FileChooser& chooser,
                  Prompter& prompter, ActivityLog& log);

// The picture as the printer takes it (the same pixels in the same layout).
[[nodiscard]] PrintPicture ToPrintPicture(const RgbPicture& picture);
