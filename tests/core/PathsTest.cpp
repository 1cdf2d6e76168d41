#include <map>

#include "core/PathMacros.h"
#include "core/Paths.h"
#include "support/TestSupport.h"

namespace {

// The variables the folder choice reads, each set or unset for one case.
struct FolderCase {
    const char* name;
    FolderRole role;
    bool programWritable;
    std::optional<std::string> quillmarHome;
    std::optional<std::string> first;   // XDG_CONFIG_HOME / XDG_STATE_HOME, or APPDATA / LOCALAPPDATA
    std::optional<std::string> second;  // HOME, or the other of APPDATA / LOCALAPPDATA
    std::string expected;
};

constexpr FolderRole kSettings = FolderRole::Settings;
constexpr FolderRole kLogs = FolderRole::Logs;

#ifdef _WIN32
const char* firstVariable(FolderRole role) {
    return role == FolderRole::Settings ? "APPDATA" : "LOCALAPPDATA";
}
const char* secondVariable(FolderRole role) {
    return role == FolderRole::Settings ? "LOCALAPPDATA" : "APPDATA";
}

const FolderCase kFolderCases[] = {
    {"HomeWins", kSettings, true, "C:\\q", "C:\\a", "C:\\l", "C:\\q"},
    {"WritableProgramFolder", kLogs, true, {}, "C:\\l", "C:\\a", "C:\\prog"},
    {"SettingsInAppData", kSettings, false, {}, "C:\\a", "C:\\l", "C:\\a\\Quillmar"},
    {"LogsInLocalAppData", kLogs, false, {}, "C:\\l", "C:\\a", "C:\\l\\Quillmar"},
    {"SettingsWithoutAppData", kSettings, false, {}, {}, "C:\\l", "C:\\l\\Quillmar"},
    {"NeitherVariable", kSettings, false, {}, {}, {}, "C:\\prog"},
    {"EmptyHomeIsUnset", kLogs, false, "", "C:\\l", {}, "C:\\l\\Quillmar"},
};
const char* kProgram = "C:\\prog";
#else
const char* firstVariable(FolderRole role) {
    return role == FolderRole::Settings ? "XDG_CONFIG_HOME" : "XDG_STATE_HOME";
}
const char* secondVariable(FolderRole) {
    return "HOME";
}

const FolderCase kFolderCases[] = {
    {"HomeWins", kSettings, true, "/q", "/x", "/h", "/q"},
    {"WritableProgramFolder", kLogs, true, {}, "/x", "/h", "/opt/prog"},
    {"LogsInXdgState", kLogs, false, {}, "/s", "/h", "/s/quillmar"},
    {"SettingsDefault", kSettings, false, {}, {}, "/h", "/h/.config/quillmar"},
    {"LogsDefault", kLogs, false, {}, {}, "/h", "/h/.local/state/quillmar"},
    {"EmptyHomeIsUnset", kLogs, false, "", "/s", "/h", "/s/quillmar"},
};
const char* kProgram = "/opt/prog";
#endif

TEST(Paths, ChooseFolderPicksTheFolderForTheRole) {
    for (const FolderCase& c : kFolderCases) {
        const ScopedEnv home("QUILLMAR_HOME", c.quillmarHome);
        const ScopedEnv first(firstVariable(c.role), c.first);
        const ScopedEnv second(secondVariable(c.role), c.second);
        EXPECT_EQ(ChooseFolder(c.role, kProgram, c.programWritable), c.expected) << c.name;
    }
}

// 2024-03-01 05:30; siteFile: the site's settings file exists; dayStart: its
// business day start ("" for the default).
MacroContext world(bool siteFile, const std::string& dayStart) {
    static const std::map<std::string, std::string> env{
        {"HOME", "/home/zx"}, {"A", "%B%"}, {"B", "done"}, {"NW", "\\\\SRV\\share"}, {"LOOP", "%LOOP%a"}};
    MacroContext ctx;
    ctx.environment = [](const std::string& n) {
        const auto it = env.find(n);
        return it == env.end() ? std::string() : it->second;
    };
    ctx.now = [] { return LocalDateTime{2024, 3, 1, 5, 30, 0}; };
    ctx.readIni = [dayStart](const std::string& s, const std::string& k, const std::string& d,
                             const std::string&) {
        return s == "General" && k == "BusinessDayStart" && !dayStart.empty() ? dayStart : d;
    };
    ctx.fileExists = [siteFile](const std::string&) { return siteFile; };
    ctx.commandLine = "quillmar /Drv= B:  /other";
    ctx.productName = "Quillmar";
    ctx.version = "2.0.0";
    return ctx;
}

TEST(MacroExpansion, Expands) {
    const struct {
        const char* input;
        std::string expected;
        bool siteFile = false;
        const char* dayStart = "";
    } cases[] = {
        {"%HOME%/logs", "/home/zx/logs"},           // environment variable
        {"% home %/x", "/home/zx/x"},               // name trimmed and upper-cased
        {"a% %b", "a% %b"},                         // blank names stay
        {"%NOSUCH%/x", "%NOSUCH%/x"},               // unknown names stay
        {"%PROGRAM% %VERSION%", "Quillmar 2.0.0"},  // built-ins
        {"$program$a$NOSUCH$b", "Quillmarab"},      // unknown dollar names disappear
        {"%ANSIDATE%-%HOY%", "240301-240301"},      // dates
        {"%TODAY|yyyy-mm-dd%", "2024-03-01"},
        {"$YESTERDAY|YYYYMMDD$", "20240229"},
        {"$DAYOFWEEKN$ $DAYOFWEEKS$", "6 Fri"},
        {"$SERVER$[$DRV$]", "\\\\SRV[B:]"},
        {"$LOCAL$-$STORE$", "__-__"},                                    // site defaults
        {"%A%", "done"},                                                 // the replacement is scanned again
        {"%LOOP%", "%LOOP%" + std::string(kMaxMacroReplacements, 'a')},  // until the budget is spent
        {"$BUSINESSDATE8$", "20240301"},                                 // no site file: today
        {"$BUSINESSDATE8$", "20240229", true},                           // before 06:00
        {"$BUSINESSDATEYESTERDAY|yymmdd$", "240229", true, "05:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExpandPathMacros(c.input, world(c.siteFile, c.dayStart)), c.expected) << c.input;
    }
    MacroContext january = world(false, "");
    january.now = [] { return LocalDateTime{2024, 1, 31, 12, 0, 0}; };
    EXPECT_EQ(ExpandPathMacros("$LASTMONTH$ %LASTMONTH|yyyy-mm-dd%", january), "2312 2023-12-31");
}

TEST(CommandLineOption, WithoutValueIsABlank) {
    EXPECT_EQ(CommandLineOption("prog /Drv", "Drv"), " ");
    EXPECT_EQ(CommandLineOption("prog", "Drv"), "");
}

// Found by fuzzing: a byte above 127 in a date format never advanced the
// formatter, which then looped for ever.
TEST(DateFormat, BytesAboveAsciiStandForThemselves) {
    const LocalDateTime when{2024, 3, 1, 5, 30, 7};
    EXPECT_EQ(formatDate(when, "yy-\xEF\xFF\xFFmm"), std::string("24-\xEF\xFF\xFF") + "03");
    EXPECT_EQ(formatDate(when, "YYYY\\/MM\\/DD\\ HH\\:NN\\:SS"), "2024/03/01 05:30:07");
    EXPECT_EQ(formatDate(when, "ddd dddd mmm mmmm"), "Fri Friday Mar March");
    EXPECT_EQ(formatDate({2000, 3, 1, 0, 0, 0}, "dddd"), "Wednesday");  // 2000 is a leap year: by 400
}

}  // namespace
