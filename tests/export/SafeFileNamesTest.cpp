#include "export/SafeFileNames.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* name;
    std::string given;
    std::string expected;
};

class SanitizedNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(SanitizedNames, HostileNamesBecomePlainFileNames) {
    EXPECT_EQ(SafeFileNames::Sanitize(GetParam().given), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SanitizedNames,
    ::testing::Values(
        NameCase{"plainNameTrimmed", "demo      ", "demo"}, NameCase{"innerBlanksStay", "my prog", "my prog"},
        NameCase{"slashes", "../etc/pw", "___etc_pw"}, NameCase{"backslashes", "..\\..\\win", "___.._win"},
        NameCase{"dotDot", "..", "__"}, NameCase{"singleDot", ".", "_"},
        NameCase{"hiddenFile", ".profile", "_profile"}, NameCase{"trailingDotsDropped", "name...", "name"},
        NameCase{"reservedCharacters", "a<b>c:d\"e|f?g*h", "a_b_c_d_e_f_g_h"},
        NameCase{"controlCharacters",
                 std::string("a\x01\x1F\x7F"
                             "b"),
                 "a___b"},
        NameCase{"c1Control", "a\xC2\x85z", "a_z"},
        NameCase{"bidiOverride", "evil\xE2\x80\xAEtxt.exe", "evil_txt.exe"},
        NameCase{"invalidUtf8",
                 "a\xFF\xC3"
                 "b",
                 "a__b"},
        NameCase{"cutSequenceAtEnd", "ab\xE2\x82", "ab__"},
        NameCase{"keepsUnicode", "caf\xC3\xA9 \xC2\xA9", "caf\xC3\xA9 \xC2\xA9"},
        NameCase{"onlyBlanks", "          ", "unnamed"}, NameCase{"empty", "", "unnamed"},
        NameCase{"deviceCon", "CON", "_CON"}, NameCase{"deviceLowerCase", "nul", "_nul"},
        NameCase{"deviceWithExtension", "aux.txt", "_aux.txt"}, NameCase{"deviceCom1", "COM1", "_COM1"},
        NameCase{"deviceLpt9BlanksBeforeDot", "LPT9 .x", "_LPT9 .x"},
        NameCase{"deviceSuperscript", "COM\xC2\xB9", "_COM\xC2\xB9"},
        NameCase{"notADevice", "CONSOLE", "CONSOLE"}, NameCase{"com10IsNoDevice", "COM10", "COM10"}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(SanitizedNames, LongNamesAreCutAtACharacterBoundary) {
    std::string longName;
    for (int i = 0; i < 60; ++i) {
        longName += "\xC3\xA9";  // 120 bytes of é
    }
    const std::string safe = SafeFileNames::Sanitize(longName);
    EXPECT_EQ(safe.size(), 100u);
    EXPECT_EQ(safe, longName.substr(0, 100));
    const std::string odd = "x" + longName;  // the cut would fall inside a character
    EXPECT_EQ(SafeFileNames::Sanitize(odd), odd.substr(0, 99));
}

TEST(SanitizedNames, NoResultEverLeavesItsFolder) {
    for (int a = 0; a < 256; ++a) {
        for (const int b : {int{'.'}, int{'/'}, int{'\\'}, 0, int{'x'}}) {
            const std::string given{static_cast<char>(a), static_cast<char>(b), '.', '.'};
            const std::string safe = SafeFileNames::Sanitize(given);
            EXPECT_FALSE(safe.empty());
            EXPECT_EQ(safe.find('/'), std::string::npos) << a;
            EXPECT_EQ(safe.find('\\'), std::string::npos) << a;
            EXPECT_NE(safe, ".");
            EXPECT_NE(safe, "..");
            EXPECT_NE(safe.front(), '.');
        }
    }
}

TEST(UniqueNames, CollisionsAreNumberedWithoutRegardToCase) {
    SafeFileNames names;
    EXPECT_EQ(names.unique("PROG", ".bin"), "PROG.bin");
    EXPECT_EQ(names.unique("prog", ".bin"), "prog (2).bin");
    EXPECT_EQ(names.unique("Prog  ", ".bin"), "Prog (3).bin");
    EXPECT_EQ(names.unique("PROG", ".scr"), "PROG.scr");  // another extension is another name
    EXPECT_EQ(names.unique("\xC3\x89T\xC3\x89", ".bin"), "\xC3\x89T\xC3\x89.bin");
    EXPECT_EQ(names.unique("\xC3\xA9t\xC3\xA9", ".bin"), "\xC3\xA9t\xC3\xA9 (2).bin");
}

TEST(UniqueNames, ANumberedNameSkipsOneAlreadyTaken) {
    SafeFileNames names;
    names.reserve("a (2).bin");
    EXPECT_EQ(names.unique("a", ".bin"), "a.bin");
    EXPECT_EQ(names.unique("a", ".bin"), "a (3).bin");
    EXPECT_EQ(names.unique("a/", ".bin"), "a_.bin");
}

}  // namespace
