#include "core/PathMacros.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/FileIO.h"
#include "core/IniMgr.h"
#include "core/Paths.h"
#include "core/ProgramInfo.h"

namespace {

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

std::string siteFile(const MacroContext& ctx) {
    const std::string sep(1, kPathSeparator);
    return ctx.environment("NW") + sep + "Data" + sep + "Sitebook.Ini";
}

// The business day starts at a time of day set in the site file; before that
// time the business date is still yesterday.
LocalDateTime businessDate(const MacroContext& ctx) {
    const LocalDateTime now = ctx.now();
    const std::string file = siteFile(ctx);
    if (!ctx.fileExists(file)) {
        return now;
    }
    const std::string start = ctx.readIni("General", "BusinessDayStart", "06:00", file) + ":00";
    int h = 0;
    int m = 0;
    int s = 0;
    std::sscanf(start.c_str(), "%d:%d:%d", &h, &m, &s);
    const int startSeconds = h * 3600 + m * 60 + s;
    const int nowSeconds = now.hour * 3600 + now.minute * 60 + now.second;
    return nowSeconds < startSeconds ? addDays(now, -1) : now;
}

std::string serverName(const MacroContext& ctx) {
    const std::string nw = ctx.environment("NW");
    // Searching from the third character, a backslash at the fourth or later.
    if (nw.size() < 3) {
        return {};
    }
    const auto pos = nw.find('\\', 2);
    if (pos == std::string::npos || pos < 3) {
        return {};
    }
    return nw.substr(0, pos);
}

// One pass over the text for the given delimiter.
std::string expandPass(std::string text, char delimiter, const MacroContext& ctx, int& budget) {
    std::size_t from = 0;
    while (budget > 0) {
        const auto open = text.find(delimiter, from);
        if (open == std::string::npos) {
            break;
        }
        const auto close = text.find(delimiter, open + 1);
        if (close == std::string::npos) {
            break;
        }
        const std::string name = upper(trim(text.substr(open + 1, close - open - 1)));
        if (name.empty()) {
            from = open + 1;
            continue;
        }
        std::string value;
        bool replace = false;
        if (delimiter == '%') {
            value = ctx.environment(name);
            if (value.empty()) {
                value = BuiltInMacro(name, ctx);
            }
            replace = !value.empty();
        } else {
            value = BuiltInMacro(name, ctx);
            replace = true;
        }
        if (!replace) {
            from = open + 1;
            continue;
        }
        text.replace(open, close - open + 1, value);
        from = open;
        --budget;
    }
    return text;
}

}  // namespace

MacroContext MacroContext::system(const std::string& commandLine) {
    MacroContext ctx;
    ctx.environment = [](const std::string& name) { return environmentValue(name); };
    ctx.now = [] { return currentLocalDateTime(); };
    ctx.readIni = [](const std::string& section, const std::string& key, const std::string& def,
                     const std::string& file) { return IniMgr::Read(section, key, def, file); };
    ctx.fileExists = [](const std::string& path) { return ::fileExists(path); };
    ctx.commandLine = commandLine;
    ctx.productName = ProductName();
    ctx.version = VersionNumber();
    return ctx;
}

std::string CommandLineOption(const std::string& commandLine, const std::string& option) {
    const std::string hay = upper(commandLine);
    const std::string withValue = "/" + upper(option) + "=";
    const auto at = hay.find(withValue);
    if (at != std::string::npos) {
        std::string rest = commandLine.substr(at + withValue.size());
        const auto slash = rest.find('/');
        if (slash != std::string::npos) {
            rest.resize(slash);
        }
        const auto first = rest.find_first_not_of(' ');
        if (first == std::string::npos) {
            return {};
        }
        rest = rest.substr(first);
        return rest.substr(0, rest.find_last_not_of(' ') + 1);
    }
    if (hay.find("/" + upper(option)) != std::string::npos) {
        return " ";
    }
    return {};
}

std::string BuiltInMacro(const std::string& fullName, const MacroContext& ctx) {
    const auto bar = fullName.find('|');
    if (bar != std::string::npos) {
        const std::string macro = fullName.substr(0, bar);
        const std::string format = fullName.substr(bar + 1);
        const LocalDateTime now = ctx.now();
        if (macro == "TODAY") {
            return formatDate(now, format);
        }
        if (macro == "YESTERDAY") {
            return formatDate(addDays(now, -1), format);
        }
        if (macro == "BUSINESSDATE") {
            return formatDate(businessDate(ctx), format);
        }
        if (macro == "BUSINESSDATEYESTERDAY") {
            return formatDate(addDays(businessDate(ctx), -1), format);
        }
        if (macro == "LASTMONTH") {
            return formatDate(previousMonth(now), format);
        }
        return {};
    }
    const std::string& name = fullName;
    if (name == "ANSIDATE6" || name == "ANSIDATE" || name == "HOY") {
        return formatDate(ctx.now(), "yymmdd");
    }
    if (name == "ANSIDATE8" || name == "TODAY8") {
        return formatDate(ctx.now(), "yyyymmdd");
    }
    if (name == "BUSINESSDATE6" || name == "BUSINESSDATE") {
        return formatDate(businessDate(ctx), "yymmdd");
    }
    if (name == "BUSINESSDATE8") {
        return formatDate(businessDate(ctx), "yyyymmdd");
    }
    if (name == "DAYOFWEEKN") {
        return std::to_string(weekdayNumber(ctx.now()));
    }
    if (name == "BUSINESSDAYOFWEEKN") {
        return std::to_string(weekdayNumber(businessDate(ctx)));
    }
    if (name == "DAYOFWEEKS") {
        return formatDate(ctx.now(), "ddd");
    }
    if (name == "BUSINESSDAYOFWEEKS") {
        return formatDate(businessDate(ctx), "ddd");
    }
    if (name == "LASTMONTH") {
        return formatDate(previousMonth(ctx.now()), "yymm");
    }
    if (name == "LOCAL") {
        return upper(ctx.readIni("Runbook", "Local", "__", siteFile(ctx)));
    }
    if (name == "STORE" || name == "STORENAME") {
        return upper(ctx.readIni("Runbook", "StoreName", "__", siteFile(ctx)));
    }
    if (name == "SERVER" || name == "SERVERNAME") {
        return serverName(ctx);
    }
    if (name == "DRV") {
        return CommandLineOption(ctx.commandLine, "Drv");
    }
    if (name == "PROGRAM") {
        return ctx.productName;
    }
    if (name == "VERSION") {
        return ctx.version;
    }
    return {};
}

std::string ExpandPathMacros(const std::string& text, const MacroContext& ctx) {
    int budget = kMaxMacroReplacements;
    std::string out = expandPass(text, '%', ctx, budget);
    budget = kMaxMacroReplacements;
    return expandPass(out, '$', ctx, budget);
}
