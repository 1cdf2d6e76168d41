#pragma once

#include <functional>
#include <string>

#include "core/DateFormat.h"

// Expands "%NAME%" and "$NAME$" references in folder and file names.
//
// The percent pass prefers the environment and falls back to the built-in
// macros, leaving unknown references as they are; the dollar pass uses only the
// built-in macros and always replaces (an unknown name disappears). A name may
// carry a date format after "|" ("%TODAY|yyyy-mm%").
struct MacroContext {
    std::function<std::string(const std::string&)> environment;  // "" when unset
    std::function<LocalDateTime()> now;
    std::function<std::string(const std::string& section, const std::string& key, const std::string& def,
                              const std::string& file)>
        readIni;
    std::function<bool(const std::string&)> fileExists;
    std::string commandLine;
    std::string productName;
    std::string version;

    // The real environment, clock, settings module and command line.
    [[nodiscard]] static MacroContext system(const std::string& commandLine = {});
};

// Replacements stop after this many, so a value that names itself cannot
// expand without end.
inline constexpr int kMaxMacroReplacements = 256;

[[nodiscard]] std::string ExpandPathMacros(const std::string& text, const MacroContext& ctx);

// The value of one built-in macro (name upper-cased, optionally "NAME|format");
// empty for a name that is not a macro.
[[nodiscard]] std::string BuiltInMacro(const std::string& name, const MacroContext& ctx);

// "/Drv=A: /x" gives "A:" for "Drv"; "/Drv" alone gives " "; absent gives "".
[[nodiscard]] std::string CommandLineOption(const std::string& commandLine, const std::string& option);
