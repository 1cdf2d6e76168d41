#pragma once

#include <memory>
#include <optional>
#include <string>

#include "export/PrintSurface.h"

// How the printer dialog is offered.
struct PrinterDialogOptions {
    std::string title;  // empty: the dialog's own caption
    bool allowPrintToFile = true;
    bool allowPageRanges = false;
};

// What the person chose: the printer, ready to draw on, and the copies and
// orientation picked in the dialog.
struct PrinterChoice {
    std::unique_ptr<PrintSurface> surface;
    int copies = 1;
    PrintOrientation orientation = PrintOrientation::Portrait;
};

// The printer dialog. Nothing is returned when the person cancels or the
// dialog cannot be shown.
class PrinterChooser {
public:
    virtual ~PrinterChooser() = default;
    [[nodiscard]] virtual std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions& options) = 0;
};
