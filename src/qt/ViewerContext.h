#pragma once

#include <functional>
#include <string>

#include "core/FileChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/Catalogue.h"
#include "export/PrinterChooser.h"

class FontChooser;

// What every viewer window is handed when it is made: the program-wide
// catalogue (read once, when the window copies its entry) and the small
// interfaces through which it talks to the person. The program hands in the
// Qt dialogs; tests hand in scripted ones.
struct ViewerContext {
    const Catalogue& catalogue;
    Prompter& prompter;
    FileChooser& chooser;
    ActivityLog& log;
    PrinterChooser& printerChooser;
    FontChooser* fontChooser = nullptr;  // the BASIC viewer's listing font
    std::string settingsFilePath;        // Quillmar.Ini
    std::function<void()> pumpEvents;    // lets waiting window events run

    // The catalogue entry a viewer was asked for; nothing when the index lies
    // outside the catalogue.
    [[nodiscard]] const CatalogueEntry* entryAt(int lIndex) const {
        if (lIndex < 0 || static_cast<std::size_t>(lIndex) >= catalogue.size()) {
            return nullptr;
        }
        return &catalogue[static_cast<std::size_t>(lIndex)];
    }
};
