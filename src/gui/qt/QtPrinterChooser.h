#pragma once

#include <QPointer>
#include <QWidget>

#include "export/PrinterChooser.h"

// The printer dialog of the desktop program. On Linux the list holds the
// system's printers, its PDF printer among them when one is configured, and
// printing to a PDF file where the caller allows it.
class QtPrinterChooser : public PrinterChooser {
public:
    explicit QtPrinterChooser(QWidget* parent = nullptr) : m_parent(parent) {}

    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions& options) override;

private:
    QPointer<QWidget> m_parent;
};
