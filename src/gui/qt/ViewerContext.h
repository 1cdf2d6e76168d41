#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/FileChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/Catalogue.h"
#include "export/PrinterChooser.h"

class FontChooser;
class QWidget;

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
    // Makes a prompter whose message boxes belong to the viewer's own window.
    // Left empty (as the tests do), every viewer talks through `prompter`.
    std::function<std::unique_ptr<Prompter>(QWidget* window)> windowPrompter{};

    // This context, speaking through the given prompter when there is one.
    [[nodiscard]] ViewerContext speakingThrough(Prompter* own) const {
        if (own == nullptr) {
            return *this;
        }
        return ViewerContext{catalogue,        *own,       chooser,       log, printerChooser, fontChooser,
                             settingsFilePath, pumpEvents, windowPrompter};
    }
    [[nodiscard]] std::unique_ptr<Prompter> promptFor(QWidget* window) const {
        return windowPrompter ? windowPrompter(window) : nullptr;
    }

    // The catalogue entry a viewer was asked for; nothing when the index lies
    // outside the catalogue.
    [[nodiscard]] const CatalogueEntry* entryAt(int lIndex) const {
        if (lIndex < 0 || static_cast<std::size_t>(lIndex) >= catalogue.size()) {
            return nullptr;
        }
        return &catalogue[static_cast<std::size_t>(lIndex)];
    }
};
