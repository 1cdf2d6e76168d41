#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "export/PrinterChooser.h"

// A printer with fixed metrics that writes down everything drawn on it: every
// character is charWidth twips wide unless widths says otherwise, every line
// lineHeight twips high, whatever the style.
class RecordingSurface : public PrintSurface {
public:
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

    // What happened.
    std::vector<std::string> calls;  // setCopies, setOrientation, newPage, endDocument, abandonDocument
    std::vector<Text> texts;
    std::vector<Line> lines;
    std::vector<Picture> pictures;
    std::vector<int> copies;
    std::vector<PrintOrientation> orientations;
    std::vector<PrintFont> fontsSet;

    [[nodiscard]] PrintFont font() const override { return m_font; }
    void setFont(const PrintFont& f) override {
        m_font = f;
        fontsSet.push_back(f);
    }
    void setCopies(int n) override {
        copies.push_back(n);
        calls.emplace_back("setCopies");
    }
    void setOrientation(PrintOrientation o) override {
        orientations.push_back(o);
        calls.emplace_back("setOrientation");
    }
    [[nodiscard]] double printableWidth() const override { return printable[0]; }
    [[nodiscard]] double printableHeight() const override { return printable[1]; }
    [[nodiscard]] double pageWidth() const override { return sheet[0]; }
    [[nodiscard]] double pageHeight() const override { return sheet[1]; }
    [[nodiscard]] int page() const override { return m_page; }
    [[nodiscard]] double currentX() const override { return m_x; }
    [[nodiscard]] double currentY() const override { return m_y; }
    void setCurrentX(double x) override { m_x = x; }
    void setCurrentY(double y) override { m_y = y; }

    void printLine(const std::string& text) override {
        if (failAtText && static_cast<int>(texts.size()) == *failAtText) {
            throw Failure(kPrinterFailure, kPrinterFailureText);
        }
        texts.push_back({m_page, m_x, m_y, text, m_font});
        m_x = 0;
        m_y += textHeight(text);
    }
    [[nodiscard]] double textWidth(const std::string& text) const override {
        double widest = 0;
        double w = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\r' || c == '\n') {
                w = 0;
                continue;
            }
            if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) {
                continue;  // UTF-8 continuation: one character is one width
            }
            const auto it = widths.find(c);
            w += it == widths.end() ? charWidth : it->second;
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
        return n * lineHeight;
    }
    void drawLine(double x1, double y1, double x2, double y2, PrintColor c) override {
        lines.push_back({m_page, x1, y1, x2, y2, c});
    }
    void drawPicture(const PrintPicture& p, double x, double y, double w, double h) override {
        pictures.push_back({m_page, x, y, w, h, p.width, p.height});
    }
    void newPage() override {
        calls.emplace_back("newPage");
        ++m_page;
        m_x = 0;
        m_y = 0;
    }
    void endDocument() override { calls.emplace_back("endDocument"); }
    void abandonDocument() override { calls.emplace_back("abandonDocument"); }

    [[nodiscard]] std::vector<std::string> textsOn(int page) const {
        std::vector<std::string> out;
        for (const Text& t : texts) {
            if (t.page == page) {
                out.push_back(t.text);
            }
        }
        return out;
    }

private:
    PrintFont m_font{"Arial", 10, false, false, false, false, 0};
    double m_x = 0;
    double m_y = 0;
    int m_page = 1;
};

// Hands the test's surface to the code under test, or cancels.
class RecordingChooser : public PrinterChooser {
public:
    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions& o) override {
        asked.push_back(o);
        if (cancel) {
            return std::nullopt;
        }
        PrinterChoice choice;
        choice.surface = std::make_unique<Forwarder>(surface);
        choice.copies = copies;
        choice.orientation = orientation;
        return choice;
    }

    RecordingSurface surface;
    bool cancel = false;
    int copies = 1;
    PrintOrientation orientation = PrintOrientation::Portrait;
    std::vector<PrinterDialogOptions> asked;

private:
    // The chooser keeps the recording; the code under test owns what it gets.
    class Forwarder : public PrintSurface {
    public:
        explicit Forwarder(RecordingSurface& s) : m_s(s) {}
        [[nodiscard]] PrintFont font() const override { return m_s.font(); }
        void setFont(const PrintFont& f) override { m_s.setFont(f); }
        void setCopies(int n) override { m_s.setCopies(n); }
        void setOrientation(PrintOrientation o) override { m_s.setOrientation(o); }
        [[nodiscard]] double printableWidth() const override { return m_s.printableWidth(); }
        [[nodiscard]] double printableHeight() const override { return m_s.printableHeight(); }
        [[nodiscard]] double pageWidth() const override { return m_s.pageWidth(); }
        [[nodiscard]] double pageHeight() const override { return m_s.pageHeight(); }
        [[nodiscard]] int page() const override { return m_s.page(); }
        [[nodiscard]] double currentX() const override { return m_s.currentX(); }
        [[nodiscard]] double currentY() const override { return m_s.currentY(); }
        void setCurrentX(double x) override { m_s.setCurrentX(x); }
        void setCurrentY(double y) override { m_s.setCurrentY(y); }
        void printLine(const std::string& t) override { m_s.printLine(t); }
        [[nodiscard]] double textWidth(const std::string& t) const override { return m_s.textWidth(t); }
        [[nodiscard]] double textHeight(const std::string& t) const override { return m_s.textHeight(t); }
        void drawLine(double a, double b, double c, double d, PrintColor k) override {
            m_s.drawLine(a, b, c, d, k);
        }
        void drawPicture(const PrintPicture& p, double x, double y, double w, double h) override {
            m_s.drawPicture(p, x, y, w, h);
        }
        void newPage() override { m_s.newPage(); }
        void endDocument() override { m_s.endDocument(); }
        void abandonDocument() override { m_s.abandonDocument(); }

    private:
        RecordingSurface& m_s;
    };
};
