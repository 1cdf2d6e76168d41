#pragma once

#include <string>

// Where the program keeps its settings file and its logs.
//
// Both live in the program's own folder, as they always have. When that folder
// cannot be written (an installed copy under /usr), the settings go to the
// per-user configuration folder and the logs to the per-user state folder.
// QUILLMAR_HOME overrides both, for tests and portable use.

// The folder of the running executable.
[[nodiscard]] std::string ProgramFolder();
[[nodiscard]] std::string ProgramFileName();  // without folder and extension

[[nodiscard]] std::string SettingsFolder();
[[nodiscard]] std::string LogRootFolder();
[[nodiscard]] std::string SettingsFilePath();  // SettingsFolder + "Quillmar.Ini"

// Reads an environment variable; unset gives the empty string.
[[nodiscard]] std::string environmentValue(const std::string& name);
