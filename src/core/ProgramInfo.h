#pragma once

#include <string>

// The program-wide values that start-up builds once.
[[nodiscard]] std::string ProductName();    // "Quillmar"
[[nodiscard]] std::string VersionNumber();  // "2.0.0"
[[nodiscard]] std::string ProgramTitle();   // "Quillmar v2.0.0"
