#pragma once

#include <string>
#include <string_view>

// The program's one lower-case helper. File names, extensions and device
// identifiers are compared without regard to case; only ASCII letters change,
// so UTF-8 and code-page bytes pass through untouched.
[[nodiscard]] std::string asciiLower(std::string_view text);
