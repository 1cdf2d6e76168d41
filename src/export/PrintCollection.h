#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Log.h"
#include "core/Prompter.h"
#include "export/PrintSurface.h"
#include "export/PrinterChooser.h"

// Prints the lines on the printer the person picks: the title bold and
// underlined at the top of every page (centred when it fits), a footer with
// the page number at the bottom, an offer to wrap lines wider than the page,
// and four coloured stripes in the bottom-right corner of the last page.
//
// Without a font the lines print in "Courier New" 8 pt with the copies and
// orientation picked in the dialog; a given font is used as it is and the
// printer keeps its own copies and orientation. The subtitle, when not empty,
// opens every footer. pumpEvents runs after each new page so that the window
// stays responsive during long listings.
//
// Cancelling the dialog or the wrapping question is silent. Any other failure
// is logged as "Error <n> (<description>) happened in PrintCollection at line
// <step>" and the document is thrown away; the person sees no message.
void PrintCollection(const std::string& title, const std::vector<std::string>& lines, PrinterChooser& dialog,
                     const std::string& subtitle, const std::optional<PrintFont>& font, Prompter& prompter,
                     ActivityLog& log, const std::function<void()>& pumpEvents = {});

// The pieces a line too wide for the width is cut into: each piece holds as
// many characters as fit, a character wider than the page standing alone. A
// line that fits comes back whole. Characters are UTF-8 sequences and are
// never split.
[[nodiscard]] std::vector<std::string> CutToWidth(const PrintSurface& surface, const std::string& line,
                                                  double width);
