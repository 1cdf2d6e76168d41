#include <gtest/gtest.h>

#include <map>

#include "core/PathMacros.h"

namespace {

struct FakeWorld {
    std::map<std::string, std::string> env;
    std::map<std::string, std::string> ini;  // "section/key" -> value
    bool siteFileExists = false;
    LocalDateTime now{2024, 3, 1, 5, 30, 0};
    std::string commandLine;

    MacroContext context() const {
        MacroContext ctx;
        ctx.environment = [this](const std::string& n) {
            const auto it = env.find(n);
            return it == env.end() ? std::string() : it->second;
        };
        ctx.now = [this] { return now; };
        ctx.readIni = [this](const std::string& s, const std::string& k, const std::string& d,
                             const std::string&) {
            const auto it = ini.find(s + "/" + k);
            return it == ini.end() ? d : it->second;
        };
        ctx.fileExists = [this](const std::string&) { return siteFileExists; };
        ctx.commandLine = commandLine;
        ctx.productName = "Quillmar";
        ctx.version = "2.0.0";
        return ctx;
    }
};

TEST(MacroExpansion, Expands) {
    FakeWorld world;
    world.env = {{"HOME", "/home/zx"}, {"A", "%B%"}, {"B", "done"}, {"NW", "\\\\SRV\\share"}};
    world.commandLine = "quillmar /Drv= B:  /other";
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"%HOME%/logs", "/home/zx/logs"},           // environment variable
        {"% home %/x", "/home/zx/x"},               // name trimmed and upper-cased
        {"a% %b", "a% %b"},                         // blank names stay
        {"%NOSUCH%/x", "%NOSUCH%/x"},               // unknown names stay
        {"%X%HOME%", "%X/home/zx"},                 // unknown, then known
        {"%PROGRAM% %VERSION%", "Quillmar 2.0.0"},  // built-ins
        {"$program$a$NOSUCH$b", "Quillmarab"},      // unknown dollar names disappear
        {"%ANSIDATE%-%HOY%", "240301-240301"},      // dates
        {"%TODAY|yyyy-mm-dd%", "2024-03-01"},
        {"$YESTERDAY|YYYYMMDD$", "20240229"},
        {"$DAYOFWEEKN$ $DAYOFWEEKS$", "6 Fri"},
        {"$SERVER$[$DRV$]", "\\\\SRV[B:]"},
        {"$LOCAL$-$STORE$", "__-__"},  // site defaults
        {"%A%", "done"},               // the replacement is scanned again
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExpandPathMacros(c.input, world.context()), c.expected) << c.input;
    }
}

TEST(MacroExpansion, SelfReferenceStopsAfterTheBudget) {
    FakeWorld world;
    world.env = {{"LOOP", "%LOOP%a"}};
    const std::string out = ExpandPathMacros("%LOOP%", world.context());
    EXPECT_EQ(out, "%LOOP%" + std::string(kMaxMacroReplacements, 'a'));
}

TEST(MacroExpansion, BusinessDateFollowsTheDayStart) {
    FakeWorld world;
    world.now = {2024, 3, 1, 5, 30, 0};
    EXPECT_EQ(ExpandPathMacros("$BUSINESSDATE8$", world.context()), "20240301");  // no site file: today
    world.siteFileExists = true;
    EXPECT_EQ(ExpandPathMacros("$BUSINESSDATE8$", world.context()), "20240229");  // before 06:00
    world.ini["General/BusinessDayStart"] = "05:00";
    EXPECT_EQ(ExpandPathMacros("$BUSINESSDATE$", world.context()), "240301");
    EXPECT_EQ(ExpandPathMacros("$BUSINESSDATEYESTERDAY|yymmdd$", world.context()), "240229");
}

TEST(CommandLineOption, FindsTheOption) {
    EXPECT_EQ(CommandLineOption("prog /DRV=  A: /x", "Drv"), "A:");
    EXPECT_EQ(CommandLineOption("prog /Drv", "Drv"), " ");
    EXPECT_EQ(CommandLineOption("prog", "Drv"), "");
}

// Found by fuzzing: a byte above 127 in a date format never advanced the
// formatter, which then looped for ever.
TEST(DateFormat, BytesAboveAsciiStandForThemselves) {
    const LocalDateTime when{2024, 3, 1, 5, 30, 7};
    EXPECT_EQ(formatDate(when, "yy-\xEF\xFF\xFFmm"),
              "24-\xEF\xFF\xFF"
              "03");
    EXPECT_EQ(formatDate(when, "YYYY\\/MM\\/DD\\ HH\\:NN\\:SS"), "2024/03/01 05:30:07");
    EXPECT_EQ(formatDate(when, "ddd dddd mmm mmmm"), "Fri Friday Mar March");
}

}  // namespace
