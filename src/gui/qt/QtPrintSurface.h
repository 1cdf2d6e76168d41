#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>
#include <memory>
#include <vector>

#include "export/PrintSurface.h"

class QPrinter;

// The printer surface over a QPrinter. Twips become device pixels at the
// printer's resolution (pixels = twips × dpi / 1440).
//
// Nothing reaches the printer before endDocument: the pages are kept as
// drawing steps and painted in one go, so abandoning a document really throws
// it away (Qt cannot take back pages a PDF or CUPS job has already been given)
// and the orientation set before the first page applies to the whole job.
class QtPrintSurface : public PrintSurface {
public:
    explicit QtPrintSurface(std::unique_ptr<QPrinter> printer);
    ~QtPrintSurface() override;
    QtPrintSurface(const QtPrintSurface&) = delete;
    QtPrintSurface& operator=(const QtPrintSurface&) = delete;

    [[nodiscard]] QPrinter& printer() { return *m_printer; }

    [[nodiscard]] PrintFont font() const override { return m_font; }
    void setFont(const PrintFont& font) override;
    void setCopies(int copies) override;
    void setOrientation(PrintOrientation orientation) override;

    [[nodiscard]] double printableWidth() const override;
    [[nodiscard]] double printableHeight() const override;
    [[nodiscard]] double pageWidth() const override;
    [[nodiscard]] double pageHeight() const override;
    [[nodiscard]] int page() const override { return static_cast<int>(m_pages.size()); }

    [[nodiscard]] double currentX() const override { return m_x; }
    [[nodiscard]] double currentY() const override { return m_y; }
    void setCurrentX(double x) override { m_x = x; }
    void setCurrentY(double y) override { m_y = y; }

    void printLine(const std::string& text) override;
    [[nodiscard]] double textWidth(const std::string& text) const override;
    [[nodiscard]] double textHeight(const std::string& text) const override;

    void drawLine(double x1, double y1, double x2, double y2, PrintColor color) override;
    void drawPicture(const PrintPicture& picture, double x, double y, double width, double height) override;

    void newPage() override;
    void endDocument() override;
    void abandonDocument() override;

private:
    // One drawing step, positions in twips.
    struct Step {
        enum class Kind { Text, Line, Image } kind;
        QRectF place;  // text: top-left; line: from top-left to bottom-right corner
        QFont font;
        QString text;
        QColor color;
        QImage image;
    };

    [[nodiscard]] double dpi() const;
    [[nodiscard]] double toTwips(double pixels) const { return pixels * 1440.0 / dpi(); }
    [[nodiscard]] double toPixels(double twips) const { return twips * dpi() / 1440.0; }
    void startDocument();

    std::unique_ptr<QPrinter> m_printer;
    PrintFont m_font;
    QFont m_qfont;
    double m_x = 0;
    double m_y = 0;
    std::vector<std::vector<Step>> m_pages;
};

// The print font of a Qt font: what the viewers pass for their listing font.
[[nodiscard]] PrintFont printFontOf(const QFont& font);
// The Qt font of a print font, at its point size.
[[nodiscard]] QFont qFontOf(const PrintFont& font);
