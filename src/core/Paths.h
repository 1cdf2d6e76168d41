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

// The choice behind SettingsFolder and LogRootFolder, for a given program
// folder: QUILLMAR_HOME, else the program folder when it can be written, else
// the user's folder for the role. On Linux that is $XDG_CONFIG_HOME/quillmar
// or $XDG_STATE_HOME/quillmar (defaults ~/.config and ~/.local/state); on
// Windows %APPDATA%\Quillmar for settings and %LOCALAPPDATA%\Quillmar for
// logs, each variable standing in for the other when it is missing, and the
// program folder when both are.
enum class FolderRole { Settings, Logs };
[[nodiscard]] std::string ChooseFolder(FolderRole role, const std::string& programFolder,
                                       bool programFolderWritable);

// Reads an environment variable; unset gives the empty string.
[[nodiscard]] std::string environmentValue(const std::string& name);
