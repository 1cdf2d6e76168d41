#include "export/SaveRaw.h"

#include <new>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "core/ProgramInfo.h"
#include "export/ExportFiles.h"

namespace {

void saveRaw(const char* procedure, const CatalogueEntry& entry, const std::string& sFileName,
             Prompter& prompter, ActivityLog& log) {
    int line = 1;
    try {
        {
            const BusyPointer busy(prompter);
            line = 2;
            if (fileExists(sFileName)) {
                const MsgAnswer answer = prompter.message(OverwriteQuestion(sFileName), ProgramTitle(),
                                                          MsgIcon::Question, MsgButtons::YesNo);
                if (answer != MsgAnswer::Yes) {
                    return;
                }
            }
            line = 3;
            RefuseReadOnlyTarget(sFileName);
            writeFileReplacing(sFileName, entry.Data);
            line = 4;
        }
        line = 5;
        prompter.message(SavedMessage(sFileName), ProgramTitle(), MsgIcon::Information, MsgButtons::Ok);
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::HappenedIn, procedure, line);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::HappenedIn, procedure, line);
    }
}

}  // namespace

std::string OverwriteQuestion(const std::string& sFileName) {
    return "File [" + sFileName + "] already exist, overwrite?";
}

void SaveSCR(const CatalogueEntry& entry, const std::string& sFileName, Prompter& prompter,
             ActivityLog& log) {
    saveRaw("SaveSCR", entry, sFileName, prompter, log);
}

void SaveBIN(const CatalogueEntry& entry, const std::string& sFileName, Prompter& prompter,
             ActivityLog& log) {
    saveRaw("SaveBIN", entry, sFileName, prompter, log);
}
