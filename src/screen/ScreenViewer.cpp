#include "screen/ScreenViewer.h"

#include "core/IniMgr.h"
#include "core/ProgramInfo.h"
#include "export/ExportFiles.h"
#include "export/SaveBMP.h"
#include "export/SaveRaw.h"
#include "export/SaveTAP.h"
#include "screen/ScreenRenderer.h"

namespace {
constexpr int kFallbackZoom = 2;
}  // namespace

int ZoomFromSetting(const std::string& sValue) {
    const double number = leadingNumber(sValue);
    // A number too large for a whole number is as wrong as 4.
    if (!(number > -1e9 && number < 1e9)) {
        return kFallbackZoom;
    }
    const long long zoom = roundHalfEven(number);
    if (zoom < ScreenRenderer::kMinZoom || zoom > ScreenRenderer::kMaxZoom) {
        return kFallbackZoom;
    }
    return static_cast<int>(zoom);
}

int ReadScreenViewerZoom() {
    // An empty path: the settings module's own default file.
    return ZoomFromSetting(IniMgr::Read(kScreenViewerSection, kDefaultSizeKey, kDefaultSizeFallback, ""));
}

std::vector<FileFilter> ScreenSaveFilters() {
    return {{"ZX Spectrum Tape Files (*.Tap)", {"*.Tap"}},
            {"ZX Spectrum Screen Files (*.Scr)", {"*.Scr"}},
            {"Windows Bitmap (*.Bmp)", {"*.Bmp"}}};
}

void SaveScreenAs(const CatalogueEntry& entry, const RgbPicture& picture, FileChooser& chooser,
                  Prompter& prompter, ActivityLog& log) {
    SaveAsByExtension(chooser, prompter, kSaveScreenTitle, ScreenSaveFilters(), entry.Name,
                      {{"TAP", [&](const std::string& f) { SaveTAP(entry, f, prompter, log); }},
                       {"SCR", [&](const std::string& f) { SaveSCR(entry, f, prompter, log); }},
                       {"BMP", [&](const std::string& f) { SaveBMP(picture, f, prompter, log); }}});
}

PrintPicture ToPrintPicture(const RgbPicture& picture) {
    return {picture.width, picture.height, picture.rgb};
}
