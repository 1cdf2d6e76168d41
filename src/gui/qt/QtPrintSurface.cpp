#include "gui/qt/QtPrintSurface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "core/Failure.h"

namespace {

QStringList linesOf(const std::string& text) {
    static const QRegularExpression kBreak(QStringLiteral("\r\n|\r|\n"));
    return QString::fromStdString(text).split(kBreak);
}

Failure printerFailure() {
    return Failure(kPrinterFailure, kPrinterFailureText);
}

}  // namespace

QFont qFontOf(const PrintFont& font) {
    QFont f(QString::fromStdString(font.name));
    // Courier New is missing from most systems outside Windows; any
    // typewriter face keeps the columns of a listing lined up.
    if (font.name.find("Courier") != std::string::npos) {
        f.setStyleHint(QFont::TypeWriter);
    }
    f.setPointSizeF(font.size > 0 ? font.size : 8);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setStrikeOut(font.strikethrough);
    f.setUnderline(font.underline);
    return f;
}

PrintFont printFontOf(const QFont& font) {
    PrintFont p;
    p.name = font.family().toStdString();
    if (font.pointSizeF() > 0) {
        p.size = font.pointSizeF();
    }
    p.bold = font.bold();
    p.italic = font.italic();
    p.strikethrough = font.strikeOut();
    p.underline = font.underline();
    return p;
}

QtPrintSurface::QtPrintSurface(std::unique_ptr<QPrinter> printer)
    : m_printer(std::move(printer)), m_qfont(qFontOf(m_font)), m_pages(1) {}

QtPrintSurface::~QtPrintSurface() = default;

double QtPrintSurface::dpi() const {
    return m_printer->resolution() > 0 ? m_printer->resolution() : 72;
}

void QtPrintSurface::setFont(const PrintFont& font) {
    m_font = font;
    m_qfont = qFontOf(font);
}

void QtPrintSurface::setCopies(int copies) {
    m_printer->setCopyCount(std::max(copies, 1));
}

void QtPrintSurface::setOrientation(PrintOrientation orientation) {
    m_printer->setPageOrientation(orientation == PrintOrientation::Landscape ? QPageLayout::Landscape
                                                                             : QPageLayout::Portrait);
}

double QtPrintSurface::printableWidth() const {
    return toTwips(m_printer->pageRect(QPrinter::DevicePixel).width());
}

double QtPrintSurface::printableHeight() const {
    return toTwips(m_printer->pageRect(QPrinter::DevicePixel).height());
}

double QtPrintSurface::pageWidth() const {
    return toTwips(m_printer->paperRect(QPrinter::DevicePixel).width());
}

double QtPrintSurface::pageHeight() const {
    return toTwips(m_printer->paperRect(QPrinter::DevicePixel).height());
}

void QtPrintSurface::printLine(const std::string& text) {
    const double lineHeight = textHeight({});
    for (const QString& line : linesOf(text)) {
        if (!line.isEmpty()) {
            Step step{Step::Kind::Text, QRectF(m_x, m_y, 0, 0), m_qfont, line, Qt::black, {}};
            m_pages.back().push_back(std::move(step));
        }
        m_x = 0;
        m_y += lineHeight;
    }
}

double QtPrintSurface::textWidth(const std::string& text) const {
    const QFontMetricsF metrics(m_qfont, m_printer.get());
    double widest = 0;
    for (const QString& line : linesOf(text)) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return toTwips(widest);
}

double QtPrintSurface::textHeight(const std::string& text) const {
    const QFontMetricsF metrics(m_qfont, m_printer.get());
    return toTwips(metrics.lineSpacing()) * static_cast<double>(linesOf(text).size());
}

void QtPrintSurface::drawLine(double x1, double y1, double x2, double y2, PrintColor color) {
    Step step{Step::Kind::Line,
              QRectF(QPointF(x1, y1), QPointF(x2, y2)),
              {},
              {},
              QColor(color.red, color.green, color.blue),
              {}};
    m_pages.back().push_back(std::move(step));
}

void QtPrintSurface::drawPicture(const PrintPicture& picture, double x, double y, double width,
                                 double height) {
    if (!picture.valid()) {
        throw Failure(failure::InvalidProcedureCall);
    }
    // Copied: the caller's picture need not outlive the document.
    const QImage image =
        QImage(picture.rgb.data(), picture.width, picture.height, picture.width * 3, QImage::Format_RGB888)
            .copy();
    Step step{Step::Kind::Image, QRectF(x, y, width, height), {}, {}, {}, image};
    m_pages.back().push_back(std::move(step));
}

void QtPrintSurface::newPage() {
    m_pages.emplace_back();
    m_x = 0;
    m_y = 0;
}

void QtPrintSurface::startDocument() {
    m_pages.assign(1, {});
    m_x = 0;
    m_y = 0;
}

void QtPrintSurface::abandonDocument() {
    startDocument();
}

void QtPrintSurface::endDocument() {
    if (m_pages.size() == 1 && m_pages.front().empty()) {
        return;  // nothing was drawn, so there is nothing to send
    }
    const std::vector<std::vector<Step>> pages = std::move(m_pages);
    startDocument();

    QPainter painter;
    if (!painter.begin(m_printer.get())) {
        throw printerFailure();
    }
    // A screen picture is pixel art: JPEG coding would smear its edges.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const auto px = [this](double twips) { return toPixels(twips); };
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !m_printer->newPage()) {
            painter.end();
            throw printerFailure();
        }
        for (const Step& step : pages[i]) {
            switch (step.kind) {
                case Step::Kind::Text: {
                    // Twips positions give the top of the text; Qt draws on the baseline.
                    const QFontMetricsF metrics(step.font, m_printer.get());
                    painter.setFont(step.font);
                    painter.setPen(step.color);
                    painter.drawText(QPointF(px(step.place.left()), px(step.place.top()) + metrics.ascent()),
                                     step.text);
                    break;
                }
                case Step::Kind::Line:
                    painter.setPen(QPen(step.color, 1.0));
                    painter.drawLine(QPointF(px(step.place.left()), px(step.place.top())),
                                     QPointF(px(step.place.right()), px(step.place.bottom())));
                    break;
                case Step::Kind::Image:
                    painter.drawImage(QRectF(px(step.place.left()), px(step.place.top()),
                                             px(step.place.width()), px(step.place.height())),
                                      step.image);
                    break;
            }
        }
    }
    if (!painter.end()) {
        throw printerFailure();
    }
}
