#pragma once

// Helpers of the viewer windows' Qt tests: the demo disk's catalogue, a
// scripted font dialog, and a way to answer a modal dialog that a command
// opens and waits for.

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qt/ViewerContext.h"
#include "core/FileIO.h"
#include "core/FontChooser.h"
#include "disk/Catalogue.h"
#include "disk/DiskBuilder.h"
#include "export/PrintRecordingSurface.h"
#include "support/TestSupport.h"

// Demo disk entries: 1 demo (BASIC), 2 screen, 3 code, 4 numbers, 5 letters.
inline Catalogue catalogueOf(const DiskImage& image) {
    Catalogue catalogue;
    RecordingLog log;
    GetDiskFiles(image, catalogue, log);
    return catalogue;
}

inline Catalogue demoCatalogue() {
    return catalogueOf(DiskImage{readWholeFile(QUILLMAR_BINARY_DIR "/samples/demo.opu")});
}

// Hands out scripted choices; nullopt stands for a cancelled dialog.
class ScriptedFontChooser : public FontChooser {
public:
    std::optional<FontChoice> chooseFont(const std::string& title, const FontChoice& initial) override {
        titles.push_back(title);
        initials.push_back(initial);
        if (choices.empty()) {
            return std::nullopt;
        }
        std::optional<FontChoice> c = choices.front();
        choices.pop_front();
        return c;
    }
    std::deque<std::optional<FontChoice>> choices;
    std::vector<std::string> titles;
    std::vector<FontChoice> initials;
};

// Everything a viewer window is handed, scripted.
struct ViewerRig {
    Catalogue catalogue;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
    RecordingLog log;
    RecordingChooser printers;
    ScriptedFontChooser fonts;
    TempDir dir;
    std::string settings = dir.file("Quillmar.Ini");

    ViewerContext context() {
        return ViewerContext{catalogue, prompter, chooser,  log,
                             printers,  &fonts,   settings, [] { QCoreApplication::processEvents(); }};
    }
};

// Runs the action on the first visible window that passes the test, as soon
// as it shows: a command that opens a modal dialog only returns once the
// action has closed it. When no such window turns up within five seconds, the
// modal window in the way is closed so that the test fails instead of hanging.
inline void whenShown(const std::function<bool(QWidget*)>& isIt, const std::function<void(QWidget*)>& action,
                      bool* ran = nullptr) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, isIt, action, deadline, ran] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && isIt(w)) {
                timer->stop();
                timer->deleteLater();
                if (ran != nullptr) {
                    *ran = true;
                }
                action(w);
                return;
            }
        }
        if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        }
    });
    timer->start();
}

template <class T>
void whenShown(const std::function<void(T*)>& action, bool* ran = nullptr) {
    whenShown([](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
              [action](QWidget* w) { action(qobject_cast<T*>(w)); }, ran);
}
