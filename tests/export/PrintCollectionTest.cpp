#include <gtest/gtest.h>

#include "PrintRecordingSurface.h"
#include "export/PrintCollection.h"
#include "support/TestSupport.h"

// The recording printer: printable area 10000 x 15000 twips on a 12000 x 16000
// sheet, characters 100 twips wide, lines 200 twips high. A page is full once
// the print position reaches 16000 - 10 x 200 = 14000; the title and its empty
// line take 400, so a page holds (14000 - 400) / 200 = 68 body lines.

namespace {

constexpr int kLinesPerPage = 68;
const std::string kTitle = "TITLE";  // 500 twips wide
const char* const kQuestionTail =
    "Select YES to print wrapped, NO to print without wrapping, or CANCEL to abort printing.";

struct PrintRun {
    RecordingChooser chooser;
    ScriptedPrompter prompter;
    RecordingLog log;
    int pumps = 0;

    PrintRecord& record() { return chooser.record; }

    void print(const std::vector<std::string>& lines, const std::string& subtitle = "20 bytes",
               const std::optional<PrintFont>& font = std::nullopt, const std::string& title = kTitle) {
        PrintCollection(title, lines, chooser, subtitle, font, prompter, log, [this] { ++pumps; });
    }

    // The texts printed in the body style, in order (the empty line under a
    // title is part of the title).
    [[nodiscard]] std::vector<std::string> body() {
        std::vector<std::string> out;
        for (const auto& t : record().texts) {
            if (!t.font.bold && t.text.find("Quillmar v2.0.0 - Page") == std::string::npos) {
                out.push_back(t.text);
            }
        }
        return out;
    }
};

std::vector<std::string> numbered(int count) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        out.push_back("L" + std::to_string(i));
    }
    return out;
}

// 0123456789 repeated: every piece of a cut shows where it came from.
std::string digits(std::size_t length) {
    std::string s;
    for (std::size_t i = 0; i < length; ++i) {
        s += static_cast<char>('0' + i % 10);
    }
    return s;
}

}  // namespace

TEST(PrintCollection, CancelledDialogPrintsAndShowsNothing) {
    PrintRun run;
    run.chooser.cancel = true;
    run.print(numbered(3));
    EXPECT_TRUE(run.record().texts.empty());
    EXPECT_TRUE(run.record().calls.empty());
    EXPECT_TRUE(run.prompter.shown.empty());
    EXPECT_TRUE(run.log.entries.empty());
}

TEST(PrintCollection, EmptyCollectionPrintsTitleEmptyLineFooterAndStripesOnOnePage) {
    PrintRun run;
    run.print({}, "0 bytes");
    const auto& texts = run.record().texts;
    ASSERT_EQ(texts.size(), 3U);
    EXPECT_EQ(texts[0].text, kTitle);
    EXPECT_DOUBLE_EQ(texts[0].x, (10000 - 500) / 2.0);
    EXPECT_DOUBLE_EQ(texts[0].y, 0);
    EXPECT_EQ(texts[1].text, "");
    EXPECT_EQ(texts[2].text, "0 bytes - Quillmar v2.0.0 - Page 1");
    // Half an inch above the bottom of the printable area.
    EXPECT_DOUBLE_EQ(texts[2].x, 0);
    EXPECT_DOUBLE_EQ(texts[2].y, 15000 - 200 - 720);
    for (const auto& t : texts) {
        EXPECT_EQ(t.page, 1);
    }
    EXPECT_EQ(run.record().lines.size(), 4U * 51U);
    EXPECT_EQ(run.record().calls, std::vector<std::string>({"setCopies", "setOrientation", "endDocument"}));
    EXPECT_EQ(run.prompter.busyDepth, 0);
}

TEST(PrintCollection, QuestionListsTheTooWideLinesInOrder) {
    PrintRun run;
    run.prompter.answers = {MsgAnswer::No};
    const std::string a(150, 'A');
    const std::string b(101, 'B');
    run.print({"short", a, std::string(100, 'x'), b});  // 100 is exactly the printable width
    ASSERT_EQ(run.prompter.shown.size(), 1U);
    EXPECT_EQ(run.prompter.shown[0].text, "There are lines too long to fit in the page:\r\n\r\n" + a +
                                              "\r\n" + b + "\r\n\r\n" + kQuestionTail);
}

TEST(PrintCollection, AnswersToTheWrappingQuestion) {
    const std::string wide = digits(350);  // three and a half page widths
    struct Case {
        const char* name;
        MsgAnswer answer;
        std::vector<std::string> expectedBody;
        std::vector<std::string> expectedCalls;
    };
    const Case cases[] = {
        {"yes wraps",
         MsgAnswer::Yes,
         {"before", wide.substr(0, 100), wide.substr(100, 100), wide.substr(200, 100), wide.substr(300),
          "after"},
         {"setCopies", "setOrientation", "endDocument"}},
        {"no prints unwrapped",
         MsgAnswer::No,
         {"before", wide, "after"},
         {"setCopies", "setOrientation", "endDocument"}},
        {"cancel abandons",
         MsgAnswer::Cancel,
         {},
         {"setCopies", "setOrientation", "abandonDocument", "endDocument"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrintRun run;
        run.prompter.answers = {c.answer};
        const std::vector<std::string> given = {"before", wide, "after"};
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): what given must still equal
        const std::vector<std::string> copy = given;
        run.print(given);
        EXPECT_EQ(run.body(), c.expectedBody);
        EXPECT_EQ(run.record().calls, c.expectedCalls);
        EXPECT_EQ(given, copy);
        EXPECT_EQ(run.prompter.busyDepth, 0);
        EXPECT_TRUE(run.log.entries.empty());
        if (c.answer == MsgAnswer::Cancel) {
            EXPECT_TRUE(run.record().lines.empty());   // no stripes
            EXPECT_EQ(run.record().texts.size(), 2U);  // the title and its empty line, thrown away
        } else {
            EXPECT_FALSE(run.record().lines.empty());
        }
    }
}

TEST(PrintCollection, CutToWidthPieces) {
    PrintRecord record;
    record.widths['M'] = 20000;
    const RecordingSurface s(record);  // wider than the 10000-twip page on its own
    std::string pounds;
    for (int i = 0; i < 150; ++i) {
        pounds += "\xC2\xA3";  // one character, two bytes
    }
    struct Case {
        const char* name;
        std::string line;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"fits", "abc", {"abc"}},
        {"exactly two widths", digits(200), {digits(100), digits(200).substr(100)}},
        {"wide character alone on its line", "aMb", {"a", "M", "b"}},
        {"only wide characters", "MM", {"M", "M"}},
        {"wide character first", "M" + digits(150), {"M", digits(100), digits(150).substr(100)}},
        {"multi-byte characters stay whole", pounds, {pounds.substr(0, 200), pounds.substr(200)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CutToWidth(s, c.line, s.printableWidth()), c.expected);
    }
}

TEST(PrintCollection, PageBreaksBeforeTheLineThatFindsThePageFull) {
    PrintRun run;
    run.print(numbered(100), "20 bytes");
    const auto page1 = run.record().textsOn(1);
    const auto page2 = run.record().textsOn(2);
    ASSERT_EQ(page1.size(), 2U + kLinesPerPage + 1U);
    EXPECT_EQ(page1.front(), kTitle);
    EXPECT_EQ(page1[2], "L0");
    EXPECT_EQ(page1[page1.size() - 2], "L" + std::to_string(kLinesPerPage - 1));
    EXPECT_EQ(page1.back(), "20 bytes - Quillmar v2.0.0 - Page 1");
    ASSERT_EQ(page2.size(), 2U + (100 - kLinesPerPage) + 1U);
    EXPECT_EQ(page2[0], kTitle);
    EXPECT_EQ(page2[1], "");
    EXPECT_EQ(page2[2], "L" + std::to_string(kLinesPerPage));
    EXPECT_EQ(page2.back(), "20 bytes - Quillmar v2.0.0 - Page 2");
    EXPECT_TRUE(run.record().textsOn(3).empty());
    EXPECT_EQ(run.pumps, 1);
    // The stripes belong to the last page only.
    for (const auto& l : run.record().lines) {
        EXPECT_EQ(l.page, 2);
    }
}

TEST(PrintCollection, PrinterFailureIsLoggedAndTheDocumentThrownAway) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        int failAtText;
        int expectedLine;
    };
    const Case cases[] = {
        {"at the title", {"a"}, 0, 4},
        {"at the first line", {"a"}, 2, 7},
        {"at a page's footer", numbered(kLinesPerPage + 1), 2 + kLinesPerPage, 7},
        {"at the last footer", {}, 2, 8},
        {"at the stripes", {}, -1, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrintRun run;
        if (c.failAtText >= 0) {
            run.record().failAtText = c.failAtText;
        } else {
            run.record().failAtDrawing = true;
        }
        run.print(c.lines);
        ASSERT_EQ(run.log.entries.size(), 1U);
        EXPECT_EQ(run.log.entries[0].what, "Error 482 (Printer error) happened in PrintCollection at line " +
                                               std::to_string(c.expectedLine));
        EXPECT_EQ(run.log.entries[0].severity, kSeverityERROR);
        EXPECT_EQ(run.record().calls.back(), "abandonDocument");
        EXPECT_TRUE(run.record().lines.empty());
        EXPECT_TRUE(run.prompter.shown.empty());
        EXPECT_EQ(run.prompter.busyDepth, 0);
    }
}

TEST(PrintCollection, LineTooTallForAnyPageStillPrintsOnePerPage) {
    PrintRun run;
    run.record().lineHeight = 2000;  // ten lines are more than the sheet
    run.print({"a", "b"});
    EXPECT_EQ(run.record().textsOn(2),
              std::vector<std::string>({kTitle, "", "a", "20 bytes - Quillmar v2.0.0 - Page 2"}));
    EXPECT_EQ(run.record().textsOn(3),
              std::vector<std::string>({kTitle, "", "b", "20 bytes - Quillmar v2.0.0 - Page 3"}));
    EXPECT_TRUE(run.record().textsOn(4).empty());
    EXPECT_EQ(run.pumps, 2);
}
