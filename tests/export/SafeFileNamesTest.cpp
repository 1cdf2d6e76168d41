#include "export/SafeFileNames.h"

#include <gtest/gtest.h>

TEST(SafeFileNames, HostileNamesBecomePlainFileNames) {
    std::string longName;
    for (int i = 0; i < 60; ++i) {
        longName += "\xC3\xA9";  // 120 bytes of é
    }
    // Controls C0 and C1 (up to 9F; A0 is a character), a bidi override, invalid UTF-8, a sequence cut short,
    // devices, a cut inside é.
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"demo      ", "demo"}, {"my prog", "my prog"}, {"../etc/pw", "___etc_pw"}, {"..\\..\\win", "___.._win"},
        {"..", "__"}, {".", "_"}, {".profile", "_profile"}, {"name...", "name"},
        {"a<b>c:d\"e|f?g*h", "a_b_c_d_e_f_g_h"}, {"a\001\037\177b", "a___b"}, {"a\302\205\302\237\302\240z", "a__\302\240z"},
        {"evil\342\200\256txt.exe", "evil_txt.exe"}, {"a\377\303b", "a__b"}, {"ab\342\202", "ab__"},
        {"caf\303\251 \302\251", "caf\303\251 \302\251"}, {"          ", "unnamed"}, {"", "unnamed"},
        {"CON", "_CON"}, {"nul", "_nul"}, {"aux.txt", "_aux.txt"}, {"COM1", "_COM1"}, {"LPT9 .x", "_LPT9 .x"},
        {"COM\302\271", "_COM\302\271"}, {"CONSOLE", "CONSOLE"}, {"COM10", "COM10"},
        {longName, longName.substr(0, 100)}, {"x" + longName, "x" + longName.substr(0, 98)}};
    // clang-format on
    for (const auto& [given, expected] : cases) {
        EXPECT_EQ(SafeFileNames::Sanitize(given), expected) << given;
    }
}

TEST(SafeFileNames, NoResultEverLeavesItsFolder) {
    for (int a = 0; a < 256; ++a) {
        for (const char b : {'.', '/', '\\', '\0', 'x'}) {
            const std::string safe = SafeFileNames::Sanitize(std::string{static_cast<char>(a), b, '.', '.'});
            EXPECT_TRUE(!safe.empty() && safe.front() != '.' &&
                        safe.find_first_of("/\\") == std::string::npos);
        }
    }
}

TEST(SafeFileNames, CollisionsAreNumberedWithoutRegardToCaseSkippingTakenNames) {
    SafeFileNames names;
    names.reserve("a (3).bin");
    // clang-format off
    const std::pair<std::string, std::string> calls[] = {
        {"A", "A.bin"}, {"a", "a (2).bin"}, {"a  ", "a (4).bin"}, {"a", "a (5).bin"}, {"a/", "a_.bin"},
        {"\303\211T\303\211", "\303\211T\303\211.bin"}, {"\303\251t\303\251", "\303\251t\303\251 (2).bin"}};
    // clang-format on
    for (const auto& [name, expected] : calls) {
        EXPECT_EQ(names.unique(name, ".bin"), expected);
    }
    EXPECT_EQ(names.unique("a", ".scr"), "a.scr");  // another extension is another name
}
