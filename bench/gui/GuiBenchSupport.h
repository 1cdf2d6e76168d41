#pragma once

// Stand-ins for the person at the window: the window benchmarks measure the
// windows, never a dialog.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <optional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "core/FileChooser.h"
#include "core/Prompter.h"
#include "export/PrinterChooser.h"

// Answers every message at once with OK (or Cancel for a question).
class SilentPrompter : public Prompter {
public:
    MsgAnswer message(const std::string&, const std::string&, MsgIcon, MsgButtons buttons) override {
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
};

// Every file dialog is cancelled.
class NoFiles : public FileChooser {
public:
    std::optional<std::string> openFile(const std::string&, const std::vector<FileFilter>&) override {
        return std::nullopt;
    }
    std::optional<std::string> saveFile(const std::string&, const std::vector<FileFilter>&,
                                        const std::string&) override {
        return std::nullopt;
    }
};

// Every printer dialog is cancelled.
class NoPrinter : public PrinterChooser {
public:
    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions&) override { return std::nullopt; }
};

// The offscreen platform says "This plugin does not support
// propagateSizeHints()" for every window it is asked to size by hints; a
// line per iteration would bury the results. Everything else goes through.
inline QtMessageHandler g_qtMessages = nullptr;
inline void quietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool note =
        type == QtWarningMsg && message.startsWith(QStringLiteral("This plugin does not support"));
    if (!note && g_qtMessages != nullptr) {
        g_qtMessages(type, context, message);
    }
}

// The window benchmarks' main: an offscreen application (unless a platform
// was asked for), then every benchmark of the program.
inline int runGuiBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        g_qtMessages = qInstallMessageHandler(quietOffscreenNotes);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
