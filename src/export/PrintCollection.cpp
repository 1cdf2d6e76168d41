#include "export/PrintCollection.h"

#include <array>
#include <cstddef>
#include <new>

#include "core/Failure.h"
#include "core/ProgramInfo.h"

namespace {

// The footer sits half an inch above the bottom of the printable area.
constexpr double kFooterLift = 720;
// A page is full when less than ten lines of room remain above the sheet's
// bottom edge.
constexpr double kLinesKeptFree = 10;

// The corner mark, right to left.
constexpr std::array<PrintColor, 4> kStripeColours = {{
    {0, 255, 255},  // cyan
    {0, 255, 0},    // green
    {255, 255, 0},  // yellow
    {255, 0, 0},    // red
}};

const char* const kQuestionHead = "There are lines too long to fit in the page:";
const char* const kQuestionTail =
    "Select YES to print wrapped, NO to print without wrapping, or CANCEL to abort printing.";

void setTitleStyle(PrintSurface& surface, bool on) {
    PrintFont f = surface.font();
    f.bold = on;
    f.underline = on;
    surface.setFont(f);
}

void printTitle(PrintSurface& surface, const std::string& title) {
    setTitleStyle(surface, true);
    const double width = surface.textWidth(title);
    if (width < surface.printableWidth()) {
        surface.setCurrentX((surface.printableWidth() - width) / 2);
    }
    surface.printLine(title);
    surface.printLine("");
}

// Printed in whatever style came before it.
void printFooter(PrintSurface& surface, const std::string& subtitle) {
    std::string footer = ProgramTitle() + " - Page " + std::to_string(surface.page());
    if (!subtitle.empty()) {
        footer = subtitle + " - " + footer;
    }
    surface.setCurrentY(surface.printableHeight() - surface.textHeight(footer) - kFooterLift);
    surface.setCurrentX(0);
    surface.printLine(footer);
}

bool pageFull(const PrintSurface& surface, const std::string& line) {
    return surface.currentY() >= surface.pageHeight() - kLinesKeptFree * surface.textHeight(line);
}

void drawStripes(PrintSurface& surface) {
    const double w = surface.textWidth("W");
    const double h = surface.textHeight("W");
    const double right = surface.printableWidth();
    const double bottom = surface.printableHeight();
    for (std::size_t k = 0; k < kStripeColours.size(); ++k) {
        const double first = roundHalfEvenTwips(w / 2 * static_cast<double>(k));
        const double last = roundHalfEvenTwips(w / 2 * static_cast<double>(k + 1));
        for (double d = first; d <= last; d += 1) {
            surface.drawLine(right - w - d, bottom, right - d, bottom - h, kStripeColours[k]);
        }
    }
}

// Half a document must not reach the paper. The failure that brought us here
// is already logged; a second one from the same printer adds nothing.
void throwAway(PrintSurface& surface) {
    try {
        surface.abandonDocument();
    } catch (const Failure&) {
    }
}

// The length of the UTF-8 sequence that starts at byte i.
std::size_t characterLength(const std::string& text, std::size_t i) {
    std::size_t n = 1;
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) {
        ++n;
    }
    return n;
}

}  // namespace

std::vector<std::string> CutToWidth(const PrintSurface& surface, const std::string& line, double width) {
    std::vector<std::string> pieces;
    std::string rest = line;
    while (!rest.empty() && surface.textWidth(rest) > width) {
        // Grow the piece one character at a time until it no longer fits; the
        // whole rest is known not to.
        std::size_t fits = 0;
        std::size_t next = characterLength(rest, 0);
        while (next < rest.size() && surface.textWidth(rest.substr(0, next)) <= width) {
            fits = next;
            next += characterLength(rest, next);
        }
        // A character wider than the page still has to go somewhere: it gets
        // a line of its own rather than an endless run of empty pieces.
        const std::size_t cut = fits == 0 ? characterLength(rest, 0) : fits;
        pieces.push_back(rest.substr(0, cut));
        rest.erase(0, cut);
    }
    if (!rest.empty() || pieces.empty()) {
        pieces.push_back(rest);
    }
    return pieces;
}

void PrintCollection(const std::string& title, const std::vector<std::string>& lines, PrinterChooser& dialog,
                     const std::string& subtitle, const std::optional<PrintFont>& font, Prompter& prompter,
                     ActivityLog& log, const std::function<void()>& pumpEvents) {
    std::optional<PrinterChoice> choice;
    try {
        choice = dialog.choosePrinter(PrinterDialogOptions{});
    } catch (const Failure&) {
        return;  // a dialog that cannot be shown counts as cancelled
    }
    if (!choice || !choice->surface) {
        return;
    }
    PrintSurface& surface = *choice->surface;
    const BusyPointer busy(prompter);

    int line = 3;
    try {
        if (font) {
            surface.setFont(*font);
        } else {
            PrintFont f = surface.font();
            f.name = "Courier New";
            f.size = 8;
            f.italic = false;
            f.strikethrough = false;
            surface.setFont(f);
            surface.setCopies(choice->copies);
            surface.setOrientation(choice->orientation);
        }

        line = 4;
        printTitle(surface, title);

        // The lines are measured in the title's style, which is still set; a
        // bold face is never narrower, so whatever passes here fits plain too.
        line = 5;
        std::vector<std::string> wrapped;
        std::string tooWide;
        const double width = surface.printableWidth();
        for (const std::string& text : lines) {
            if (surface.textWidth(text) > width) {
                tooWide += "\r\n" + text;
                for (std::string& piece : CutToWidth(surface, text, width)) {
                    wrapped.push_back(std::move(piece));
                }
            } else {
                wrapped.push_back(text);
            }
        }

        line = 6;
        const std::vector<std::string>* toPrint = &lines;
        if (!tooWide.empty()) {
            const MsgAnswer answer = prompter.message(
                std::string(kQuestionHead) + "\r\n" + tooWide + "\r\n\r\n" + kQuestionTail,
                ProgramTitle() + " - Wrapping Needed!", MsgIcon::Exclamation, MsgButtons::YesNoCancel);
            if (answer == MsgAnswer::Yes) {
                toPrint = &wrapped;
            } else if (answer != MsgAnswer::No) {
                surface.abandonDocument();
                surface.endDocument();
                return;
            }
        }

        line = 7;
        for (const std::string& text : *toPrint) {
            // A line too tall for even an empty page goes on one anyway, or
            // the pages would never end.
            bool freshPage = false;
            while (!freshPage && pageFull(surface, text)) {
                printFooter(surface, subtitle);
                surface.newPage();
                printTitle(surface, title);
                if (pumpEvents) {
                    pumpEvents();
                }
                freshPage = true;
            }
            setTitleStyle(surface, false);
            surface.printLine(text);
        }

        line = 8;
        printFooter(surface, subtitle);

        line = 9;
        drawStripes(surface);

        line = 10;
        surface.endDocument();
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::HappenedIn, "PrintCollection", line);
        throwAway(surface);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::HappenedIn, "PrintCollection", line);
        throwAway(surface);
    }
}
