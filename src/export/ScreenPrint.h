#pragma once

#include "core/Log.h"
#include "export/PrintPicture.h"
#include "export/PrintSurface.h"
#include "export/PrinterChooser.h"

// Where a picture goes on the page, in twips from the printable area's corner.
struct PicturePlacement {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const PicturePlacement&, const PicturePlacement&) = default;
};

// Portrait fills the printable width, landscape the printable height; the
// other side keeps the picture's proportions. Both sizes are whole twips,
// halves rounded to even. Throws Failure for a picture without pixels.
[[nodiscard]] PicturePlacement ScreenPrintPlacement(int pictureWidth, int pictureHeight,
                                                    double printableWidth, double printableHeight,
                                                    PrintOrientation orientation);

// The screen viewer's Print command: asks for a printer (no printing to a file
// and no page ranges), prints the picture on one page in the orientation
// chosen, and sends it. Cancelling is silent; a failure is logged as
// "Error <n> (<description> ) in mnuFilePrint at line <step>" and nothing is
// printed.
void PrintScreenPicture(const PrintPicture& picture, PrinterChooser& dialog, ActivityLog& log);
