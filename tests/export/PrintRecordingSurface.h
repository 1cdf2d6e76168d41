#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "export/PrinterChooser.h"

// What a recording printer measures with and what was drawn on it: every
// character is charWidth twips wide unless widths says otherwise, every line
// lineHeight twips high, whatever the style.
struct PrintRecord {
    struct Text {
        int page;
        double x;
        double y;
        std::string text;
        PrintFont font;
    };
    struct Line {
        int page;
        double x1, y1, x2, y2;
        PrintColor color;
    };
    struct Picture {
        int page;
        double x, y, width, height;
        int pictureWidth, pictureHeight;
    };

    // Metrics.
    double printable[2] = {10000, 15000};
    double sheet[2] = {12000, 16000};
    double charWidth = 100;
    double lineHeight = 200;
    std::map<char, double> widths;
    // Throws the printer's failure at this printed text (0 = the first).
    std::optional<int> failAtText;
    // Throws it when a line is to be drawn.
    bool failAtDrawing = false;

    // What happened.
    std::vector<std::string> calls;  // setCopies, setOrientation, newPage, endDocument, abandonDocument
    std::vector<Text> texts;
    std::vector<Line> lines;
    std::vector<Picture> pictures;
    std::vector<int> copies;
    std::vector<PrintOrientation> orientations;
    std::vector<PrintFont> fontsSet;

    [[nodiscard]] std::vector<std::string> textsOn(int page) const {
        std::vector<std::string> out;
        for (const Text& t : texts) {
            if (t.page == page) {
                out.push_back(t.text);
            }
        }
        return out;
    }
};

// A printer that writes everything into a record the test keeps.
class RecordingSurface : public PrintSurface {
public:
    explicit RecordingSurface(PrintRecord& record) : r(record) {}

    [[nodiscard]] PrintFont font() const override { return m_font; }
    void setFont(const PrintFont& f) override {
        m_font = f;
        r.fontsSet.push_back(f);
    }
    void setCopies(int n) override {
        r.copies.push_back(n);
        r.calls.emplace_back("setCopies");
    }
    void setOrientation(PrintOrientation o) override {
        r.orientations.push_back(o);
        r.calls.emplace_back("setOrientation");
    }
    [[nodiscard]] double printableWidth() const override { return r.printable[0]; }
    [[nodiscard]] double printableHeight() const override { return r.printable[1]; }
    [[nodiscard]] double pageWidth() const override { return r.sheet[0]; }
    [[nodiscard]] double pageHeight() const override { return r.sheet[1]; }
    [[nodiscard]] int page() const override { return m_page; }
    [[nodiscard]] double currentX() const override { return m_x; }
    [[nodiscard]] double currentY() const override { return m_y; }
    void setCurrentX(double x) override { m_x = x; }
    void setCurrentY(double y) override { m_y = y; }

    void printLine(const std::string& text) override {
        if (r.failAtText && static_cast<int>(r.texts.size()) == *r.failAtText) {
            throw Failure(kPrinterFailure, kPrinterFailureText);
        }
        r.texts.push_back({m_page, m_x, m_y, text, m_font});
        m_x = 0;
        m_y += textHeight(text);
    }
    [[nodiscard]] double textWidth(const std::string& text) const override {
        double widest = 0;
        double w = 0;
        for (const char c : text) {
            if (c == '\r' || c == '\n') {
                w = 0;
                continue;
            }
            if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) {
                continue;  // UTF-8 continuation: one character is one width
            }
            const auto it = r.widths.find(c);
            w += it == r.widths.end() ? r.charWidth : it->second;
            widest = std::max(widest, w);
        }
        return widest;
    }
    [[nodiscard]] double textHeight(const std::string& text) const override {
        double n = 1;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
                ++n;
            }
        }
        return n * r.lineHeight;
    }
    void drawLine(double x1, double y1, double x2, double y2, PrintColor c) override {
        if (r.failAtDrawing) {
            throw Failure(kPrinterFailure, kPrinterFailureText);
        }
        r.lines.push_back({m_page, x1, y1, x2, y2, c});
    }
    void drawPicture(const PrintPicture& p, double x, double y, double w, double h) override {
        r.pictures.push_back({m_page, x, y, w, h, p.width, p.height});
    }
    void newPage() override {
        r.calls.emplace_back("newPage");
        ++m_page;
        m_x = 0;
        m_y = 0;
    }
    void endDocument() override { r.calls.emplace_back("endDocument"); }
    void abandonDocument() override { r.calls.emplace_back("abandonDocument"); }

private:
    PrintRecord& r;
    PrintFont m_font{"Arial", 10, false, false, false, false, 0};
    double m_x = 0;
    double m_y = 0;
    int m_page = 1;
};

// Hands a recording printer to the code under test, or cancels.
class RecordingChooser : public PrinterChooser {
public:
    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions& o) override {
        asked.push_back(o);
        if (cancel) {
            return std::nullopt;
        }
        PrinterChoice choice;
        choice.surface = std::make_unique<RecordingSurface>(record);
        choice.copies = copies;
        choice.orientation = orientation;
        return choice;
    }

    PrintRecord record;
    bool cancel = false;
    int copies = 1;
    PrintOrientation orientation = PrintOrientation::Portrait;
    std::vector<PrinterDialogOptions> asked;
};
