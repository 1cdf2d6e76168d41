#pragma once

#include <string>
#include <vector>

#include "core/Log.h"
#include "core/Prompter.h"

inline constexpr const char* kAppendOrOverwriteQuestion =
    "Answering YES will APPEND listing to existing text file;\r\n"
    "answering NO will OVERWRITE; answering CANCEL, will not save anything.\r\n"
    "Pick one:";

// The text a listing is saved as: every line followed by CR LF, then one more
// CR LF, so the file ends in an empty line.
[[nodiscard]] std::string ListingFileText(const std::vector<std::string>& lines);

// The BASIC viewer's ".Txt" save. An existing file brings up
// kAppendOrOverwriteQuestion: Yes appends, No replaces, Cancel writes nothing.
// Either way the write goes through a temporary file and a rename. Success is
// reported; a failure is logged ("... happened in SaveTXT at line n") and shown
// as "Could not save the file. Please check the program's log.".
void SaveTXT(const std::string& sListingText, const std::string& sFileName, Prompter& prompter,
             ActivityLog& log);
