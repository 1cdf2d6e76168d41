#include <gtest/gtest.h>

#include <tuple>

#include "core/IniMgr.h"
#include "support/TestSupport.h"

namespace {

// Read and Write go through the system's profile functions on Windows and
// through the portable code elsewhere. Every case below runs against each
// implementation the build has, so the Windows build shows under wine (or on
// Windows) that both read and change a file alike.
struct Backend {
    const char* name;
    std::string (*read)(const std::string&, const std::string&, const std::string&, const std::string&);
    void (*write)(const std::string&, const std::string&, const std::string&, const std::string&);
};

const Backend kBackends[] = {
    {"Portable", &IniMgr::PortableRead, &IniMgr::PortableWrite},
#ifdef _WIN32
    {"Profile", &IniMgr::ProfileRead, &IniMgr::ProfileWrite},
#endif
};

std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param.name;
}

struct ReadCase {
    const char* name;
    const char* fileText;  // nullptr: no file
    const char* section;
    const char* key;
    const char* defaultValue;
    const char* expected;
};

const ReadCase kReadCases[] = {
    {"NoFile", nullptr, "Logging", "Severity", "dflt", "dflt"},
    {"SectionAndKeyIgnoreCase", "[LOGGING]\r\nseverity=2\r\n", "Logging", "Severity", "dflt", "2"},
    {"ValueTrimmed", "[a]\r\nk =  spaced value  \r\n", "a", "k", "dflt", "spaced value"},
    {"QuotesRemoved", "[a]\nk=\"quoted\"\n", "a", "k", "dflt", "quoted"},
    {"UnmatchedQuoteKept", "[a]\nk=\"open\n", "a", "k", "dflt", "\"open"},
    {"KeyInOtherSection", "[b]\nk=1\n[a]\nj=2\n", "a", "k", "dflt", "dflt"},
    {"DefaultLosesTrailingBlanksOnly", "[a]\n", "a", "k", "  dflt  ", "  dflt"},
    // Damaged files: whatever is readable is read, the rest gives the default.
    {"UnclosedSectionHeader", "[a\nk=1\n", "a", "k", "dflt", "dflt"},
    {"LineWithoutEquals", "[a]\nnonsense\nk=3\n", "a", "k", "dflt", "3"},
    {"NoFinalLineEnd", "[a]\r\nk=5", "a", "k", "dflt", "5"},
};

class IniReadTest : public ::testing::TestWithParam<std::tuple<Backend, ReadCase>> {};

TEST_P(IniReadTest, ReadsLikeTheProfileFunctions) {
    const auto& [backend, c] = GetParam();
    TempDir dir;
    const std::string path = dir.file("Quillmar.Ini");
    if (c.fileText != nullptr) {
        const std::string text = c.fileText;
        writeBytes(path, {text.begin(), text.end()});
    }
    EXPECT_EQ(backend.read(c.section, c.key, c.defaultValue, path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniReadTest,
                         ::testing::Combine(::testing::ValuesIn(kBackends), ::testing::ValuesIn(kReadCases)),
                         [](const auto& tc) {
                             return std::string(std::get<0>(tc.param).name) + "_" +
                                    std::get<1>(tc.param).name;
                         });

class IniBackendTest : public ::testing::TestWithParam<Backend> {};

TEST_P(IniBackendTest, LongValuesComeBackCutTo1022Characters) {
    const Backend& backend = GetParam();
    TempDir dir;
    const std::string path = dir.file("x.ini");
    const std::string longValue(1500, 'v');
    const std::string text = "[a]\r\nk=" + longValue + "\r\n";
    writeBytes(path, {text.begin(), text.end()});
    EXPECT_EQ(backend.read("a", "k", "", path), std::string(1022, 'v'));
    EXPECT_EQ(backend.read("a", "missing", longValue, path), std::string(1022, 'v'));
}

TEST_P(IniBackendTest, WriteKeepsEveryOtherLine) {
    const Backend& backend = GetParam();
    TempDir dir;
    const std::string path = dir.file("keep.ini");
    const std::string before =
        "; a comment\r\n[Logging]\r\nSeverity=4\r\n\r\n[Basic Listing]\r\nFont Name=Courier New\r\nFont "
        "Size=8.25\r\n";
    writeBytes(path, {before.begin(), before.end()});

    backend.write("basic listing", "FONT SIZE", "12", path);    // replace, other case
    backend.write("Basic Listing", "Font Bold", "True", path);  // add to existing section
    backend.write("ScreenViewer", "DefaultSize", "3", path);    // new section at the end

    // The replaced key keeps its spelling in the file.
    std::string expected =
        "; a comment\r\n[Logging]\r\nSeverity=4\r\n\r\n[Basic Listing]\r\nFont Name=Courier New\r\n"
        "Font Size=12\r\nFont Bold=True\r\n[ScreenViewer]\r\nDefaultSize=3\r\n";
    if (std::string(backend.name) == "Profile" && runningUnderWine()) {
        // wine writes the file anew from what it parsed, and blank lines are
        // not kept; Windows changes only the lines concerned.
        expected.erase(expected.find("\r\n\r\n"), 2);
    }
    EXPECT_EQ(readText(path), expected);
    EXPECT_EQ(backend.read("Logging", "Severity", "3", path), "4");
}

TEST_P(IniBackendTest, WriteIntoAFileWithLfLineEnds) {
    const Backend& backend = GetParam();
    TempDir dir;
    const std::string path = dir.file("lf.ini");
    const std::string before = "[Logging]\nSeverity=4\n";
    writeBytes(path, {before.begin(), before.end()});

    backend.write("Logging", "Severity", "2", path);
    backend.write("ScreenViewer", "DefaultSize", "3", path);

    EXPECT_EQ(backend.read("Logging", "Severity", "", path), "2");
    EXPECT_EQ(backend.read("ScreenViewer", "DefaultSize", "", path), "3");
    if (std::string(backend.name) == "Portable") {
        // A file written on Linux keeps its line ends; the profile functions
        // write Windows' CR LF, which every Windows editor expects.
        EXPECT_EQ(readText(path), "[Logging]\nSeverity=2\n[ScreenViewer]\nDefaultSize=3\n");
    }
}

TEST_P(IniBackendTest, WrittenValuesReadBackAsWritten) {
    const Backend& backend = GetParam();
    TempDir dir;
    const std::string path = dir.file("round.ini");
    for (const std::string v : {"Courier New", "-1", "", "a=b", "x;y"}) {
        backend.write("Basic Listing", "Font Name", v, path);
        EXPECT_EQ(backend.read("Basic Listing", "Font Name", "dflt", path), v) << v;
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, IniBackendTest, ::testing::ValuesIn(kBackends), backendName);

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
    // The last row: hexadecimal digits stop counting once the value reaches 2^40.
    const NumberCase cases[] = {
        {"2.5", 2.5, 2}, {"3.5", 3.5, 4},    {"abc", 0, 0},
        {"  7x", 7, 7},  {"-1", -1, -1},     {"&HFF&", 255, 255},
        {".5", 0.5, 0},  {"-2.5", -2.5, -2}, {"&H100000000005", 1099511627776.0, 1099511627776LL}};
    for (const NumberCase& c : cases) {
        EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.value) << c.text;
        EXPECT_EQ(roundHalfEven(leadingNumber(c.text)), c.rounded) << c.text;
    }
}

}  // namespace
