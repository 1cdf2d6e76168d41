#pragma once

#include <string>

#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/Catalogue.h"

// The file's Data bytes exactly as they are, nothing added: a .Scr from the
// screen viewer, a .Bin from the byte viewer. The two differ only in the name
// their log line carries.
//
// An existing file is replaced only after the user says Yes to
// "File [NAME] already exist, overwrite?", and then through a temporary file and
// a rename, so a failure leaves the former file whole. Failures are trapped and
// logged ("... happened in SaveSCR at line n"); the user sees no message then.
void SaveSCR(const CatalogueEntry& entry, const std::string& sFileName, Prompter& prompter, ActivityLog& log);
void SaveBIN(const CatalogueEntry& entry, const std::string& sFileName, Prompter& prompter, ActivityLog& log);

// "File [NAME] already exist, overwrite?"
[[nodiscard]] std::string OverwriteQuestion(const std::string& sFileName);
