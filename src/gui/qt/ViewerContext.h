#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/FileChooser.h"
#include "core/FontChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/Catalogue.h"
#include "export/PrinterChooser.h"

class QWidget;

// The dialogs of one viewer window, standing over that window. Any left empty
// is the program-wide one.
struct WindowDialogs {
    std::unique_ptr<Prompter> prompter;
    std::unique_ptr<FileChooser> chooser;
    std::unique_ptr<PrinterChooser> printerChooser;
    std::unique_ptr<FontChooser> fontChooser;
};

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
    // Makes the dialogs that belong to the viewer's own window: every dialog
    // a viewer raises stands over it. Left empty (as the tests do), every
    // viewer talks through the program-wide ones.
    std::function<WindowDialogs(QWidget* window)> windowDialogs{};

    [[nodiscard]] WindowDialogs dialogsFor(QWidget* window) const {
        return windowDialogs ? windowDialogs(window) : WindowDialogs{};
    }
    // This context, speaking through the window's own dialogs where it has them.
    [[nodiscard]] ViewerContext speakingThrough(const WindowDialogs& own) const {
        return ViewerContext{catalogue,
                             own.prompter ? *own.prompter : prompter,
                             own.chooser ? *own.chooser : chooser,
                             log,
                             own.printerChooser ? *own.printerChooser : printerChooser,
                             own.fontChooser ? own.fontChooser.get() : fontChooser,
                             settingsFilePath,
                             pumpEvents,
                             windowDialogs};
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
