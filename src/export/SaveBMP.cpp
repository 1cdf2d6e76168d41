#include "export/SaveBMP.h"

#include <new>

#include "core/Failure.h"
#include "core/ProgramInfo.h"
#include "export/ExportFiles.h"
#include "export/ImageWriters.h"

namespace {
// The step of the window's Save As that writes the bitmap.
constexpr int kSaveStep = 5;
}  // namespace

void SaveBMP(const RgbPicture& picture, const std::string& sFileName, Prompter& prompter, ActivityLog& log) {
    bool saved = false;
    try {
        const BusyPointer busy(prompter);
        WriteBMP(sFileName, picture);
        saved = true;
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::In, "mnuFileSaveAs", kSaveStep);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::In, "mnuFileSaveAs", kSaveStep);
    }
    if (saved) {
        prompter.message(SavedMessage(sFileName), ProgramTitle(), MsgIcon::Information, MsgButtons::Ok);
    } else {
        prompter.message(kCouldNotSaveMessage, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    }
}
