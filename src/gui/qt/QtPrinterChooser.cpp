#include "gui/qt/QtPrinterChooser.h"

#include <QPrintDialog>
#include <QPrinter>

#include "gui/qt/QtPrintSurface.h"

std::optional<PrinterChoice> QtPrinterChooser::choosePrinter(const PrinterDialogOptions& options) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), m_parent.data());
    if (!options.title.empty()) {
        dialog.setWindowTitle(QString::fromStdString(options.title));
    }
    dialog.setOption(QAbstractPrintDialog::PrintToFile, options.allowPrintToFile);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, options.allowPageRanges);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    PrinterChoice choice;
    choice.copies = printer->copyCount();
    choice.orientation = printer->pageLayout().orientation() == QPageLayout::Landscape
                             ? PrintOrientation::Landscape
                             : PrintOrientation::Portrait;
    choice.surface = std::make_unique<QtPrintSurface>(std::move(printer));
    return choice;
}
