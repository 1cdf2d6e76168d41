#include "export/ScreenPrint.h"

#include <new>

#include "core/Failure.h"

PicturePlacement ScreenPrintPlacement(int pictureWidth, int pictureHeight, double printableWidth,
                                      double printableHeight, PrintOrientation orientation) {
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        throw Failure(failure::InvalidProcedureCall);
    }
    const double aspect = static_cast<double>(pictureHeight) / static_cast<double>(pictureWidth);
    PicturePlacement p;
    if (orientation == PrintOrientation::Portrait) {
        p.width = roundHalfEvenTwips(printableWidth);
        p.height = roundHalfEvenTwips(printableWidth * aspect);
    } else {
        p.height = roundHalfEvenTwips(printableHeight);
        p.width = roundHalfEvenTwips(printableHeight / aspect);
    }
    return p;
}

void PrintScreenPicture(const PrintPicture& picture, PrinterChooser& dialog, ActivityLog& log) {
    std::optional<PrinterChoice> choice;
    try {
        choice = dialog.choosePrinter(
            PrinterDialogOptions{"Select printer to print this SCREEN$ to...", false, false});
    } catch (const Failure&) {
        return;  // a dialog that cannot be shown counts as cancelled
    }
    if (!choice || !choice->surface) {
        return;
    }
    PrintSurface& surface = *choice->surface;
    int line = 3;
    try {
        surface.setOrientation(choice->orientation);
        line = 4;
        if (!picture.valid()) {
            throw Failure(failure::InvalidProcedureCall);
        }
        const PicturePlacement p =
            ScreenPrintPlacement(picture.width, picture.height, surface.printableWidth(),
                                 surface.printableHeight(), choice->orientation);
        surface.drawPicture(picture, p.x, p.y, p.width, p.height);
        line = 5;
        surface.endDocument();
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::SpaceIn, "mnuFilePrint", line);
        try {
            surface.abandonDocument();
        } catch (const Failure&) {
            // already logged; the page is lost either way
        }
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::SpaceIn, "mnuFilePrint", line);
        surface.abandonDocument();
    }
}
