#include "core/IniMgr.h"
#include "support/TestSupport.h"

namespace {

// Read and Write go through the system's profile functions on Windows and
// through the portable code elsewhere. Every case runs against each
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

void writeText(const std::string& path, const std::string& text) {
    writeBytes(path, {text.begin(), text.end()});
}
TEST(IniMgr, ReadsLikeTheProfileFunctions) {
    const std::string longValue(1500, 'v');
    const struct {
        const char* name;
        std::optional<std::string> fileText;
        std::string key, defaultValue, expected;
    } cases[] = {
        {"no file", std::nullopt, "k", "dflt", "dflt"},
        {"section and key ignore case", "[A]\r\nK=2\r\n", "k", "dflt", "2"},
        {"value trimmed, quotes removed", "[a]\nk = \"quoted \"  \n", "k", "dflt", "quoted "},
        {"unmatched quote kept", "[a]\nk=\"open'\n", "k", "dflt", "\"open'"},
        {"key in another section", "[b]\nk=1\n[a]\nj=2\n", "k", "dflt", "dflt"},
        {"default loses trailing blanks only", "[a]\n", "k", "  dflt  ", "  dflt"},
        {"unclosed section header", "[a\nk=1\n", "k", "dflt", "dflt"},
        {"line without equals, no final line end", "[a]\nnonsense\nk=5", "k", "dflt", "5"},
        {"long value cut to 1022 characters", "[a]\nk=" + longValue, "k", "", longValue.substr(0, 1022)},
    };
    for (const Backend& backend : kBackends) {
        for (const auto& c : cases) {
            TempDir dir;
            const std::string path = dir.file("Quillmar.Ini");
            if (c.fileText) {
                writeText(path, *c.fileText);
            }
            EXPECT_EQ(backend.read("a", c.key, c.defaultValue, path), c.expected)
                << backend.name << ": " << c.name;
        }
    }
}

TEST(IniMgr, WriteChangesOnlyItsLineAndReadsBack) {
    for (const Backend& backend : kBackends) {
        SCOPED_TRACE(backend.name);
        TempDir dir;
        const std::string path = dir.file("keep.ini");
        writeText(path,
                  "; a comment\r\n[Logging]\r\nSeverity=4\r\n\r\n[Basic Listing]\r\nFont Size=8.25\r\n");
        backend.write("basic listing", "FONT SIZE", "12", path);    // replace, other case
        backend.write("Basic Listing", "Font Bold", "True", path);  // add to existing section
        backend.write("ScreenViewer", "DefaultSize", "3", path);    // new section at the end
        // The replaced key keeps its spelling in the file. wine writes the
        // file anew from what it parsed, without the blank line.
        const bool wine = std::string(backend.name) == "Profile" && runningUnderWine();
        EXPECT_EQ(readText(path),
                  std::string("; a comment\r\n[Logging]\r\nSeverity=4\r\n") + (wine ? "" : "\r\n") +
                      "[Basic Listing]\r\nFont Size=12\r\nFont Bold=True\r\n[ScreenViewer]\r\n"
                      "DefaultSize=3\r\n");
        for (const std::string v : {"Courier New", "", "a=b", "x;y"}) {
            backend.write("Basic Listing", "Font Name", v, path);
            EXPECT_EQ(backend.read("Basic Listing", "Font Name", "dflt", path), v) << v;
        }
    }
}

TEST(IniMgr, WriteKeepsLfLineEndsMakesMissingFoldersAndAnEmptyPathIsTheSettingsFile) {
    TempDir dir;
    const std::string nested = (dir.path() / "a" / "b" / "s.ini").string();
    IniMgr::Write("s", "k", "v", nested);
    EXPECT_EQ(IniMgr::Read("s", "k", "", nested), "v");
    writeText(nested, "[s]\nk=v\n");  // a file written on Linux keeps its line ends
    IniMgr::PortableWrite("s", "k", "w", nested);
    IniMgr::PortableWrite("t", "j", "x", nested);
    EXPECT_EQ(readText(nested), "[s]\nk=w\n[t]\nj=x\n");
    ScopedEnv home("QUILLMAR_HOME", dir.path().string());
    IniMgr::Write("ScreenViewer", "DefaultSize", "3", "");
    EXPECT_EQ(IniMgr::Read("ScreenViewer", "DefaultSize", "2", dir.file("Quillmar.Ini")), "3");
}

TEST(LeadingNumber, ReadsLikeVal) {
    // The last row: hexadecimal digits stop counting once the value reaches 2^40.
    const struct {
        const char* text;
        double value;
        long long rounded;
    } cases[] = {
        {"2.5", 2.5, 2}, {"3.5", 3.5, 4},    {"abc", 0, 0},
        {" \t7x", 7, 7}, {"-1", -1, -1},     {"&hFF&", 255, 255},
        {".5", 0.5, 0},  {"-2.5", -2.5, -2}, {"&H100000000005", 1099511627776.0, 1099511627776LL},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.value) << c.text;
        EXPECT_EQ(roundHalfEven(leadingNumber(c.text)), c.rounded) << c.text;
    }
}

}  // namespace
