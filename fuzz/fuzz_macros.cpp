// Path text -> macro expansion. Invariants: expansion ends, its length stays
// bounded by the replacement budget, and it is deterministic.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/PathMacros.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MacroContext ctx;
    ctx.environment = [](const std::string& name) {
        if (name == "SELF") {
            return std::string("%SELF%%SELF%");
        }
        if (name == "HOME") {
            return std::string("/home/zx");
        }
        return std::string();
    };
    ctx.now = [] { return LocalDateTime{2024, 2, 29, 23, 59, 59}; };
    ctx.readIni = [](const std::string&, const std::string&, const std::string& def, const std::string&) {
        return def;
    };
    ctx.fileExists = [](const std::string&) { return true; };
    ctx.commandLine = "quillmar /Drv=A:";
    ctx.productName = "Quillmar";
    ctx.version = "2.0.0";

    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string once = ExpandPathMacros(text, ctx);
    if (once != ExpandPathMacros(text, ctx)) {
        std::abort();
    }
    // Each replacement adds at most a bounded amount of text.
    if (once.size() > size + 2 * kMaxMacroReplacements * 64) {
        std::abort();
    }
    return 0;
}
