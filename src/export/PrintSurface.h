#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "export/PrintPicture.h"

// The printer as the printing code sees it. Every length and position is in
// twips (1,440 to the inch) and every position is relative to the top-left
// corner of the printable area. Operations that fail throw Failure.

// The printer's own failure number, as the classic run-time reports it.
inline constexpr int kPrinterFailure = 482;
inline constexpr const char* kPrinterFailureText = "Printer error";

struct PrintFont {
    std::string name = "Courier New";
    double size = 8;  // points
    bool bold = false;
    bool italic = false;
    bool strikethrough = false;
    bool underline = false;
    int charset = 0;  // 0 is the ANSI character set

    friend bool operator==(const PrintFont&, const PrintFont&) = default;
};

struct PrintColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const PrintColor&, const PrintColor&) = default;
};

enum class PrintOrientation { Portrait, Landscape };

class PrintSurface {
public:
    virtual ~PrintSurface() = default;

    [[nodiscard]] virtual PrintFont font() const = 0;
    virtual void setFont(const PrintFont& font) = 0;
    virtual void setCopies(int copies) = 0;
    virtual void setOrientation(PrintOrientation orientation) = 0;

    // The printable area, and the whole sheet around it.
    [[nodiscard]] virtual double printableWidth() const = 0;
    [[nodiscard]] virtual double printableHeight() const = 0;
    [[nodiscard]] virtual double pageWidth() const = 0;
    [[nodiscard]] virtual double pageHeight() const = 0;
    // The page being drawn, from 1.
    [[nodiscard]] virtual int page() const = 0;

    [[nodiscard]] virtual double currentX() const = 0;
    [[nodiscard]] virtual double currentY() const = 0;
    virtual void setCurrentX(double x) = 0;
    virtual void setCurrentY(double y) = 0;

    // Prints the text with its top at the current position, then moves to the
    // left margin below it. A text holding line breaks prints as several lines.
    virtual void printLine(const std::string& text) = 0;
    // The widest of the text's lines, and the height of all of them; an empty
    // text is one line high.
    [[nodiscard]] virtual double textWidth(const std::string& text) const = 0;
    [[nodiscard]] virtual double textHeight(const std::string& text) const = 0;

    virtual void drawLine(double x1, double y1, double x2, double y2, PrintColor color) = 0;
    // Draws the picture stretched over the rectangle.
    virtual void drawPicture(const PrintPicture& picture, double x, double y, double width,
                             double height) = 0;

    virtual void newPage() = 0;
    // Sends the document to the printer.
    virtual void endDocument() = 0;
    // Throws away everything drawn since the document began.
    virtual void abandonDocument() = 0;
};

// Rounds to a whole number, halves going to the even neighbour (2.5 gives 2,
// 3.5 gives 4) whatever the floating-point environment says. Named apart from
// the settings module's roundHalfEven: a function's link name leaves out its
// result type, so two of the same name would be one symbol to the linker.
[[nodiscard]] inline double roundHalfEvenTwips(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5) {
        return floor + 1;
    }
    if (fraction < 0.5) {
        return floor;
    }
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}
