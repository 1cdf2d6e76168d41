#include "export/SaveTXT.h"

#include <new>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "core/ProgramInfo.h"
#include "export/ExportFiles.h"
#include "export/SaveBMP.h"

std::string ListingFileText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) {
        text += l;
        text += "\r\n";
    }
    text += "\r\n";
    return text;
}

void SaveTXT(const std::string& sListingText, const std::string& sFileName, Prompter& prompter,
             ActivityLog& log) {
    int line = 1;
    try {
        bool append = false;
        if (fileExists(sFileName)) {
            const MsgAnswer answer =
                prompter.message(kAppendOrOverwriteQuestion, ProgramTitle() + " - Confirmation",
                                 MsgIcon::Question, MsgButtons::YesNoCancel);
            if (answer != MsgAnswer::Yes && answer != MsgAnswer::No) {
                return;
            }
            append = answer == MsgAnswer::Yes;
        }
        {
            const BusyPointer busy(prompter);
            line = 3;
            RefuseReadOnlyTarget(sFileName);
            if (append) {
                appendFileSafely(sFileName, sListingText);
            } else {
                writeFileReplacing(sFileName, sListingText);
            }
        }
        line = 4;
        prompter.message(SavedMessage(sFileName), ProgramTitle(), MsgIcon::Information, MsgButtons::Ok);
        return;
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::HappenedIn, "SaveTXT", line);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::HappenedIn, "SaveTXT", line);
    }
    prompter.message(kCouldNotSaveMessage, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
}
