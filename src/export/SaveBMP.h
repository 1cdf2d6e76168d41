#pragma once

#include <string>

#include "core/Log.h"
#include "core/Prompter.h"
#include "core/RgbPicture.h"

inline constexpr const char* kCouldNotSaveMessage =
    "Could not save the file. Please check the program's log.";

// The screen viewer's ".Bmp" save: replaces any former file without asking
// (through a temporary file, so a failure keeps it whole), then tells the user.
// A failure is logged as "Error n (description) in mnuFileSaveAs at line 5" and
// shown as kCouldNotSaveMessage.
void SaveBMP(const RgbPicture& picture, const std::string& sFileName, Prompter& prompter, ActivityLog& log);
