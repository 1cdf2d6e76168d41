#include <gtest/gtest.h>

#include "export/PrintLines.h"

TEST(BasicPrintLines, HeadingsListingAndVariables) {
    struct Case {
        const char* name;
        std::vector<std::string> listing;
        std::vector<VariablePrintRow> variables;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"program with variables",
         {"10 LET a=1", "20 PRINT a$"},
         {{"a", "Number", "1"}, {"a$", "String", "\"hi\""}},
         {"PROGRAM------------------------", "10 LET a=1", "20 PRINT a$",
          "\r\nVARIABLES----------------------", "a - Number - 1", "a$ - String - \"hi\""}},
        {"no variables keeps the heading",
         {"10 STOP"},
         {},
         {"PROGRAM------------------------", "10 STOP", "\r\nVARIABLES----------------------"}},
        {"empty program", {}, {}, {"PROGRAM------------------------", "\r\nVARIABLES----------------------"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BasicPrintLines(c.listing, c.variables), c.expected);
    }
}
