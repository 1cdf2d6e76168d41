// quillmar-cli basic IMAGE INDEX [--expanded] and quillmar-cli vars IMAGE INDEX

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "basic/ZxFixtures.h"
#include "disk/DiskBuilder.h"
#include "support/TestSupport.h"

namespace {

using zx::Bytes;

const std::string kCli = QUILLMAR_CLI_PATH;
const std::string kDemo = QUILLMAR_BINARY_DIR "/samples/demo.opu";

// The demo program as its source in tools/make-demo-disk.cpp spells it out.
const char* const kDemoListing =
    "  10 REM Quillmar demo disk\n"
    "  20 BORDER 1:PAPER 7:INK 0:CLS \n"
    "  30 PRINT AT 2,4;\"Hello from the Opus!\"\n"
    "  40 FOR i=1 TO 10:PRINT i,i*1.5:NEXT i\n"
    "  50 LET a$=\"hello\":LET abc=3.14159\n"
    "  60 IF a THEN GOSUB 100\n"
    "  70 LOAD \"screen\"SCREEN$ \n"
    "  80 STOP \n"
    " 100 PRINT \"UDG: \";CHR$ 144:RETURN \n";

const char* const kDemoExpanded =
    "  10 REM Quillmar demo disk{ENTER}\n"
    "  20 BORDER 1{1}:PAPER 7{7}:INK 0{0}:CLS {ENTER}\n"
    "  30 PRINT AT 2{2},4{4};\"{INK 2}Hello from the Opus!\"{ENTER}\n"
    "  40 FOR i=1{1}TO 10{10}:PRINT i,i*1.5{1.5}:NEXT i{ENTER}\n"
    "  50 LET a$=\"hello\":LET abc=3.14159{3.14159}{ENTER}\n"
    "  60 IF a THEN GOSUB 100{100}{ENTER}\n"
    "  70 LOAD \"screen\"SCREEN$ {ENTER}\n"
    "  80 STOP {ENTER}\n"
    " 100 PRINT \"UDG: \";CHR$ 144{144}:RETURN {ENTER}\n";

const char* const kDemoVariables =
    "a\tNumeric\t5\n"
    "a$\tString\thello\n"
    "abc\tNumeric\t3.14159\n"
    "b(2)\tNum Array\t1; 2\n"
    "c$(3)\tChar Array\tx; y; z\n"
    "i\tFOR-NEXT\tValue: 11; Limit: 10; Step: 1; Line: 40:2\n";

struct CliCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    std::string out;
    std::string errContains;  // empty: stderr must be empty
};

class DemoDiskCli : public ::testing::TestWithParam<CliCase> {};

TEST_P(DemoDiskCli, PrintsAndExits) {
    const CliCase& c = GetParam();
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const CommandResult r = runCommand(argv);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.out, c.out);
    if (c.errContains.empty()) {
        EXPECT_EQ(r.err, "");
    } else {
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Demo, DemoDiskCli,
    ::testing::Values(
        CliCase{"Listing", {"basic", kDemo, "1"}, 0, kDemoListing, ""},
        CliCase{"Expanded", {"basic", kDemo, "1", "--expanded"}, 0, kDemoExpanded, ""},
        CliCase{"ExpandedFirst", {"basic", "--expanded", kDemo, "1"}, 0, kDemoExpanded, ""},
        CliCase{"Variables", {"vars", kDemo, "1"}, 0, kDemoVariables, ""},
        // entries: 0 disk, 1 demo, 2 screen, 3 code, 4 numbers, 5 letters
        CliCase{"IndexOutsideTheCatalogue",
                {"basic", kDemo, "6"},
                1,
                "",
                "quillmar-cli: entry 6 is outside the catalogue"},
        CliCase{"VarsIndexOutsideTheCatalogue",
                {"vars", kDemo, "99"},
                1,
                "",
                "entry 99 is outside the catalogue"},
        CliCase{"IndexNotANumber", {"basic", kDemo, "x"}, 2, "", "INDEX must be a catalogue entry number"},
        CliCase{"NegativeIndex", {"vars", kDemo, "-1"}, 2, "", "unknown option -1"},
        CliCase{"IndexMissing", {"basic", kDemo}, 2, "", "basic takes an IMAGE and an INDEX"},
        CliCase{
            "VarsTakesNoExpanded", {"vars", kDemo, "1", "--expanded"}, 2, "", "unknown option --expanded"},
        CliCase{"NoSuchImage", {"basic", "/nonexistent/x.opu", "1"}, 1, "", "no such file"},
        // a CODE file lists as BASIC too: 3E 02 reads as line 15874, so it is
        // all variables area, and 0x3E is no variable
        CliCase{"CodeFileAsBasic",
                {"basic", kDemo, "3"},
                0,
                "",
                "warning: Error 5 (Invalid procedure call or argument) happened in AnalyzeBlock at line 4"},
        CliCase{"CodeFileVariables", {"vars", kDemo, "3"}, 0, "", "happened in AnalyzeBlock"}),
    [](const auto& c) { return std::string(c.param.name); });

// A disk with one program on it, written to a temporary image.
class OneProgramDisk {
public:
    explicit OneProgramDisk(const Bytes& program) {
        writeBytes(m_path, DiskBuilder("TEST").addFile("prog", 0, program).build());
    }
    [[nodiscard]] CommandResult run(const std::string& command, bool expanded = false) const {
        std::vector<std::string> argv{kCli, command, m_path, "1"};
        if (expanded) {
            argv.push_back("--expanded");
        }
        return runCommand(argv);
    }

private:
    TempDir m_dir;
    std::string m_path = m_dir.file("prog.opu");
};

Bytes printLine(int number, int value) {
    return zx::typedLine(std::to_string(number) + " PRINT " + std::to_string(value));
}

TEST(BasicCli, RepeatedLineNumberListsWhatWasReachedWithAWarning) {
    Bytes program = printLine(10, 1);
    zx::append(program, printLine(20, 2));
    zx::append(program, printLine(20, 3));
    zx::append(program, printLine(30, 4));
    const OneProgramDisk disk(program);
    const CommandResult r = disk.run("basic");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "  10 PRINT 1\n  20 PRINT 2\n");
    EXPECT_EQ(
        r.err,
        "warning: Error 457 (This key is already associated with an element of this collection) happened in "
        "AnalyzeBlock at line 3\n");
}

TEST(BasicCli, GraphicsAndControlCodesAsUtf8) {
    Bytes program;
    zx::line(program, 5, {zx::PRINT, '"', 0x7F, 0x80, 0x90, 0x10, 0x03, 'x', '"'});
    const OneProgramDisk disk(program);
    EXPECT_EQ(disk.run("basic").out, "   5 PRINT \"\xC2\xA9?x\"\n");
    EXPECT_EQ(disk.run("basic", true).out, "   5 PRINT \"\xC2\xA9{chr 128}{UDG A}{INK 3}x\"{ENTER}\n");
}

TEST(BasicCli, EmptyProgramPrintsNothing) {
    const OneProgramDisk disk(Bytes{0x80});
    const CommandResult r = disk.run("basic");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(VarsCli, RepeatedNameStopsTheListWithAWarning) {
    Bytes program = printLine(10, 1);
    zx::append(program, zx::numberVariable('a', 1));
    zx::append(program, zx::numberVariable('b', 2));
    zx::append(program, zx::numberVariable('a', 3));
    zx::append(program, zx::numberVariable('c', 4));
    program.push_back(0x80);
    const OneProgramDisk disk(program);
    const CommandResult r = disk.run("vars");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "a\tNumeric\t1\nb\tNumeric\t2\n");
    EXPECT_NE(r.err.find("happened in ShowVariables at line 2"), std::string::npos) << r.err;
}

TEST(VarsCli, ControlCharactersInANameCannotBreakTheRow) {
    // long name "a", TAB, "b": the tab keeps bit 7 clear, "b" ends the name
    Bytes program{0xA1, 0x09, 'b' | 0x80};
    zx::append(program, zx::number(2.5));
    program.push_back(0x80);
    const OneProgramDisk disk(program);
    EXPECT_EQ(disk.run("vars").out, "a?b\tNumeric\t2.5\n");
}

}  // namespace
