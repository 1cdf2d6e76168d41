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

struct ExpandCase {
    const char* name;
    const char* input;
    const char* expected;
};

class MacroExpansionTest : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(MacroExpansionTest, Expands) {
    FakeWorld world;
    world.env = {{"HOME", "/home/zx"}, {"EMPTY", ""}, {"A", "%B%"}, {"B", "done"}, {"NW", "\\\\SRV\\share"}};
    world.commandLine = "quillmar /Drv= B:  /other";
    EXPECT_EQ(ExpandPathMacros(GetParam().input, world.context()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MacroExpansionTest,
    ::testing::Values(ExpandCase{"EnvironmentVariable", "%HOME%/logs", "/home/zx/logs"},
                      ExpandCase{"NameTrimmedAndUpperCased", "% home %/x", "/home/zx/x"},
                      ExpandCase{"UnknownPercentStays", "%NOSUCH%/x", "%NOSUCH%/x"},
                      ExpandCase{"BlankPercentNameStays", "a% %b", "a% %b"},
                      ExpandCase{"PercentBuiltIn", "%PROGRAM% %VERSION%", "Quillmar 2.0.0"},
                      ExpandCase{"UnknownPercentThenKnown", "%X%HOME%", "%X/home/zx"},
                      ExpandCase{"DollarBuiltIn", "$program$", "Quillmar"},
                      ExpandCase{"DollarUnknownDisappears", "a$NOSUCH$b", "ab"},
                      ExpandCase{"AnsiDateSix", "%ANSIDATE%-%HOY%", "240301-240301"},
                      ExpandCase{"DateWithFormat", "%TODAY|yyyy-mm-dd%", "2024-03-01"},
                      ExpandCase{"Yesterday", "$YESTERDAY|YYYYMMDD$", "20240229"},
                      ExpandCase{"DayOfWeek", "$DAYOFWEEKN$ $DAYOFWEEKS$", "6 Fri"},
                      ExpandCase{"Server", "$SERVER$", "\\\\SRV"}, ExpandCase{"Drive", "[$DRV$]", "[B:]"},
                      ExpandCase{"SiteDefaults", "$LOCAL$-$STORE$", "__-__"},
                      ExpandCase{"ReplacementIsScannedAgain", "%A%", "done"}),
    [](const auto& tc) { return std::string(tc.param.name); });

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
    EXPECT_EQ(CommandLineOption("prog /drv=C:", "Drv"), "C:");
    EXPECT_EQ(CommandLineOption("prog /Drv", "Drv"), " ");
    EXPECT_EQ(CommandLineOption("prog", "Drv"), "");
}

}  // namespace

namespace {

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
