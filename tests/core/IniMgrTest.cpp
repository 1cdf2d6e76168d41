#include <gtest/gtest.h>

#include "core/IniMgr.h"
#include "support/TestSupport.h"

namespace {

struct ReadCase {
    const char* name;
    const char* fileText;  // nullptr: no file
    const char* section;
    const char* key;
    const char* expected;
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, ReadsLikeTheProfileFunctions) {
    const ReadCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("Quillmar.Ini");
    if (c.fileText != nullptr) {
        const std::string text = c.fileText;
        writeBytes(path, {text.begin(), text.end()});
    }
    EXPECT_EQ(IniMgr::Read(c.section, c.key, "dflt", path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadTest,
    ::testing::Values(
        ReadCase{"NoFile", nullptr, "Logging", "Severity", "dflt"},
        ReadCase{"Plain", "[Logging]\r\nSeverity=4\r\n", "Logging", "Severity", "4"},
        ReadCase{"SectionAndKeyIgnoreCase", "[LOGGING]\r\nseverity=2\r\n", "Logging", "Severity", "2"},
        ReadCase{"ValueTrimmed", "[a]\r\nk =  spaced value  \r\n", "a", "k", "spaced value"},
        ReadCase{"QuotesRemoved", "[a]\nk=\"quoted\"\n", "a", "k", "quoted"},
        ReadCase{"KeyInOtherSection", "[b]\nk=1\n[a]\nj=2\n", "a", "k", "dflt"},
        ReadCase{"MissingSection", "[b]\nk=1\n", "a", "k", "dflt"},
        ReadCase{"FirstOfTwo", "[a]\nk=1\nk=2\n", "a", "k", "1"},
        ReadCase{"EmptyValue", "[a]\nk=\n", "a", "k", ""},
        ReadCase{"LfOnly", "[Basic Listing]\nFont Size=12\n", "basic listing", "FONT SIZE", "12"}),
    [](const auto& tc) { return std::string(tc.param.name); });

TEST(IniMgr, LongValuesComeBackCutTo1022Characters) {
    TempDir dir;
    const std::string path = dir.file("x.ini");
    const std::string longValue(1500, 'v');
    const std::string text = "[a]\r\nk=" + longValue + "\r\n";
    writeBytes(path, {text.begin(), text.end()});
    EXPECT_EQ(IniMgr::Read("a", "k", "", path), std::string(1022, 'v'));
    EXPECT_EQ(IniMgr::Read("a", "missing", longValue, path), std::string(1022, 'v'));
}

TEST(IniMgr, WriteCreatesFileAndSection) {
    TempDir dir;
    const std::string path = dir.file("new.ini");
    IniMgr::Write("Basic Listing", "Font Bold", "True", path);
    EXPECT_EQ(IniMgr::Read("Basic Listing", "Font Bold", "0", path), "True");
    EXPECT_EQ(readText(path), "[Basic Listing]\r\nFont Bold=True\r\n");
}

TEST(IniMgr, WriteKeepsEveryOtherLine) {
    TempDir dir;
    const std::string path = dir.file("keep.ini");
    const std::string before =
        "; a comment\r\n[Logging]\r\nSeverity=4\r\n\r\n[Basic Listing]\r\nFont Name=Courier New\r\nFont "
        "Size=8.25\r\n";
    writeBytes(path, {before.begin(), before.end()});

    IniMgr::Write("basic listing", "FONT SIZE", "12", path);    // replace, other case
    IniMgr::Write("Basic Listing", "Font Bold", "True", path);  // add to existing section
    IniMgr::Write("ScreenViewer", "DefaultSize", "3", path);    // new section at the end

    EXPECT_EQ(readText(path),
              "; a comment\r\n[Logging]\r\nSeverity=4\r\n\r\n[Basic Listing]\r\nFont Name=Courier New\r\n"
              "FONT SIZE=12\r\nFont Bold=True\r\n[ScreenViewer]\r\nDefaultSize=3\r\n");
}

TEST(IniMgr, WriteIntoMissingFolderIsCreatedAndUnwritableIsSilent) {
    TempDir dir;
    const std::string nested = (dir.path() / "a" / "b" / "s.ini").string();
    IniMgr::Write("s", "k", "v", nested);
    EXPECT_EQ(IniMgr::Read("s", "k", "", nested), "v");
    // A file path below a regular file cannot be written; nothing is thrown.
    const std::string blocker = dir.file("blocker");
    writeBytes(blocker, {1});
    EXPECT_NO_THROW(IniMgr::Write("s", "k", "v", blocker + "/x.ini"));
}

TEST(IniMgr, EmptyPathUsesTheSettingsFile) {
    TempDir dir;
    ScopedEnv home("QUILLMAR_HOME", dir.path().string());
    IniMgr::Write("ScreenViewer", "DefaultSize", "3", "");
    EXPECT_EQ(IniMgr::Read("ScreenViewer", "DefaultSize", "2", (dir.path() / "Quillmar.Ini").string()), "3");
    EXPECT_EQ(IniMgr::Read("ScreenViewer", "DefaultSize", "2", ""), "3");
}

struct NumberCase {
    const char* text;
    double value;
    long long rounded;
};

TEST(LeadingNumber, ReadsLikeVal) {
    const NumberCase cases[] = {
        {"3", 3, 3},    {"4", 4, 4},      {"2.5", 2.5, 2}, {"3.5", 3.5, 4},   {"abc", 0, 0},
        {"", 0, 0},     {"  7x", 7, 7},   {"-1", -1, -1},  {"8.25", 8.25, 8}, {"&HFF&", 255, 255},
        {"&H0&", 0, 0}, {"12pt", 12, 12}, {".5", 0.5, 0},  {"1.5", 1.5, 2},   {"-2.5", -2.5, -2},
    };
    for (const NumberCase& c : cases) {
        EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.value) << c.text;
        EXPECT_EQ(roundHalfEven(leadingNumber(c.text)), c.rounded) << c.text;
    }
}

}  // namespace
