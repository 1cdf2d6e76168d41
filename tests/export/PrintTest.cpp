#include <algorithm>
#include <map>
#include <memory>

#include "core/Failure.h"
#include "export/PrintCollection.h"
#include "export/PrintLines.h"
#include "export/PrinterChooser.h"
#include "export/ScreenPrint.h"
#include "support/TestSupport.h"

// A page is full once the print position reaches 16000 - 10 x 200 = 14000;
// the title and its empty line take 400, so a page holds 68 body lines.

namespace {

// A printer dialog handing out a printer that records what is drawn. The
// printable area is 10000 x 15000 twips on a 12000 x 16000 sheet; every
// character is 100 twips wide unless widths says otherwise, every line
// lineHeight twips high.
struct RecordingChooser : PrinterChooser {
    struct Text {
        int page;
        double x, y;
        std::string text;
    };
    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions&) override;
    [[nodiscard]] std::vector<std::string> textsOn(int page) const {
        std::vector<std::string> out;
        for (const Text& t : texts) {
            out.insert(out.end(), t.page == page ? 1 : 0, t.text);
        }
        return out;
    }
    bool cancel = false;
    PrintOrientation orientation = PrintOrientation::Portrait;
    double lineHeight = 200;
    std::map<char, double> widths;
    std::optional<int> failAtText;   // throws the printer's failure at this text (0 = the first)
    bool failAtDrawing = false;      // throws it when a line is to be drawn
    std::vector<std::string> calls;  // setCopies, setOrientation, newPage, endDocument, abandonDocument
    std::vector<Text> texts;
    std::vector<int> linePages;                       // the page of every drawn line
    std::vector<std::pair<double, double>> pictures;  // width and height of every picture
};

struct RecordingSurface : PrintSurface {
    explicit RecordingSurface(RecordingChooser& record) : r(record) {}
    [[nodiscard]] PrintFont font() const override { return m_font; }
    void setFont(const PrintFont& f) override { m_font = f; }
    void setCopies(int) override { r.calls.emplace_back("setCopies"); }
    void setOrientation(PrintOrientation) override { r.calls.emplace_back("setOrientation"); }
    [[nodiscard]] double printableWidth() const override { return 10000; }
    [[nodiscard]] double printableHeight() const override { return 15000; }
    [[nodiscard]] double pageWidth() const override { return 12000; }
    [[nodiscard]] double pageHeight() const override { return 16000; }
    [[nodiscard]] int page() const override { return m_page; }
    [[nodiscard]] double currentX() const override { return m_x; }
    [[nodiscard]] double currentY() const override { return m_y; }
    void setCurrentX(double x) override { m_x = x; }
    void setCurrentY(double y) override { m_y = y; }
    void printLine(const std::string& text) override {
        fail(r.failAtText == static_cast<int>(r.texts.size()));
        r.texts.push_back({m_page, m_x, m_y, text});
        m_x = 0;
        m_y += textHeight(text);
    }
    [[nodiscard]] double textWidth(const std::string& text) const override {
        double w = 0;
        for (const char c : text) {  // a UTF-8 character is one width
            w += (c & 0xC0) == 0x80 ? 0 : r.widths.contains(c) ? r.widths.at(c) : 100;
        }
        return w;
    }
    [[nodiscard]] double textHeight(const std::string& text) const override {
        return static_cast<double>(1 + std::count(text.begin(), text.end(), '\n')) * r.lineHeight;
    }
    void drawLine(double, double, double, double, PrintColor) override {
        fail(r.failAtDrawing);
        r.linePages.push_back(m_page);
    }
    void drawPicture(const PrintPicture&, double, double, double w, double h) override {
        r.pictures.emplace_back(w, h);
    }
    void newPage() override {
        r.calls.emplace_back("newPage");
        ++m_page;
        m_x = m_y = 0;
    }
    void endDocument() override { r.calls.emplace_back("endDocument"); }
    void abandonDocument() override { r.calls.emplace_back("abandonDocument"); }
    static void fail(bool now) {
        if (now) {
            throw Failure(kPrinterFailure, kPrinterFailureText);
        }
    }
    RecordingChooser& r;
    PrintFont m_font{"Arial", 10, false, false, false, false, 0};
    double m_x = 0;
    double m_y = 0;
    int m_page = 1;
};

std::optional<PrinterChoice> RecordingChooser::choosePrinter(const PrinterDialogOptions&) {
    if (cancel) {
        return std::nullopt;
    }
    return PrinterChoice{std::make_unique<RecordingSurface>(*this), 1, orientation};
}

using Lines = std::vector<std::string>;
constexpr int kLinesPerPage = 68;

struct PrintRun {
    RecordingChooser chooser;
    ScriptedPrompter prompter;
    RecordingLog log;
    int pumps = 0;

    void print(const Lines& lines, const std::string& subtitle = "20 bytes") {
        PrintCollection("TITLE", lines, chooser, subtitle, std::nullopt, prompter, log, [this] { ++pumps; });
        EXPECT_EQ(prompter.busyDepth, 0);
    }
};

Lines numbered(int to, int from = 0) {
    Lines out;
    for (int i = from; i < to; ++i) {
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

Lines page(int n, Lines body) {
    body.insert(body.begin(), {"TITLE", ""});
    body.push_back("20 bytes - Quillmar v2.0.0 - Page " + std::to_string(n));
    return body;
}

}  // namespace

TEST(PrintCollection, CancelledDialogPrintsAndShowsNothing) {
    PrintRun run;
    run.chooser.cancel = true;
    run.print(numbered(3));
    EXPECT_TRUE(run.chooser.texts.empty() && run.chooser.calls.empty() && run.prompter.shown.empty());
}

TEST(PrintCollection, EmptyCollectionPrintsTitleEmptyLineFooterAndStripesOnOnePage) {
    PrintRun run;
    run.print({});
    ASSERT_EQ(run.chooser.textsOn(1), page(1, {}));
    EXPECT_DOUBLE_EQ(run.chooser.texts[0].x, (10000 - 500) / 2.0);  // centred
    EXPECT_DOUBLE_EQ(run.chooser.texts[2].y, 15000 - 200 - 720);    // half an inch above the bottom
    EXPECT_EQ(run.chooser.linePages, std::vector<int>(4 * 51, 1));
    EXPECT_EQ(run.chooser.calls, Lines({"setCopies", "setOrientation", "endDocument"}));
}

TEST(PrintCollection, TooWideLinesAreListedAndTheAnswerWrapsPrintsOrAbandons) {
    const std::string wide = digits(350);  // three and a half page widths
    const std::string b(101, 'B');
    const Lines given = {"before", wide, std::string(100, 'x'), b};  // 100 is exactly the width
    const Lines wrapped = {"before",         digits(100), wide.substr(100, 100), wide.substr(200, 100),
                           wide.substr(300), given[2],    b.substr(1),           "B"};
    const std::tuple<MsgAnswer, Lines, std::string> cases[] = {
        {MsgAnswer::Yes, page(1, wrapped), "endDocument"},
        {MsgAnswer::No, page(1, given), "endDocument"},
        {MsgAnswer::Cancel, {"TITLE", ""}, "abandonDocument"}};
    for (const auto& [answer, texts, end] : cases) {
        PrintRun run;
        run.prompter.answers = {answer};
        run.print(given);
        ASSERT_EQ(run.prompter.shown.size(), 1U);
        EXPECT_TRUE(
            run.prompter.shown[0].text.starts_with("There are lines too long to fit in the page:\r\n\r\n" +
                                                   wide + "\r\n" + b + "\r\n\r\nSelect YES"));
        EXPECT_EQ(run.chooser.textsOn(1), texts);
        EXPECT_EQ(run.chooser.calls.at(2), end);
        EXPECT_EQ(run.chooser.linePages.empty(), answer == MsgAnswer::Cancel);
        EXPECT_TRUE(run.log.entries.empty());
    }
}

TEST(PrintCollection, CutToWidthPieces) {
    RecordingChooser record;
    record.widths['M'] = 20000;  // wider than the page on its own
    const RecordingSurface s(record);
    std::string pounds;
    for (int i = 0; i < 150; ++i) {
        pounds += "\xC2\xA3";  // one character, two bytes
    }
    const std::pair<std::string, Lines> cases[] = {{digits(200), {digits(100), digits(100)}},
                                                   {"aMb", {"a", "M", "b"}},
                                                   {"M" + digits(150), {"M", digits(100), digits(50)}},
                                                   {pounds, {pounds.substr(0, 200), pounds.substr(200)}}};
    expectEach(cases, [&](const auto& line) { return CutToWidth(s, line, s.printableWidth()); });
}

TEST(PrintCollection, PagesBreakBeforeTheLineThatFindsThePageFull) {
    // 68 lines a page; a line taller than a page still prints, one a page.
    const std::tuple<double, int, Lines, Lines, int> cases[] = {
        {200, 100, page(1, numbered(kLinesPerPage)), page(2, numbered(100, kLinesPerPage)), 1},
        {2000, 2, page(1, {}), page(2, {"L0"}), 2}};
    for (const auto& [lineHeight, lines, page1, page2, pumps] : cases) {
        PrintRun run;
        run.chooser.lineHeight = lineHeight;
        run.print(numbered(lines));
        EXPECT_EQ(run.chooser.textsOn(1), page1);
        EXPECT_EQ(run.chooser.textsOn(2), page2);
        EXPECT_TRUE(run.chooser.textsOn(pumps + 2).empty());
        EXPECT_EQ(run.pumps, pumps);
        EXPECT_EQ(run.chooser.linePages.front(), pumps + 1);  // stripes on the last page only
    }
}

TEST(PrintCollection, PrinterFailureIsLoggedAndTheDocumentThrownAway) {
    const std::tuple<Lines, int, int> cases[] = {
        {{"a"}, 0, 4},                                        // the title
        {{"a"}, 2, 7},                                        // the first line
        {numbered(kLinesPerPage + 1), 2 + kLinesPerPage, 7},  // a page's footer
        {{}, 2, 8},                                           // the last footer
        {{}, -1, 9}                                           // the stripes
    };
    for (const auto& [lines, failAtText, line] : cases) {
        PrintRun run;
        run.chooser.failAtText = failAtText;
        run.chooser.failAtDrawing = failAtText < 0;
        run.print(lines);
        EXPECT_EQ(
            run.log.at(kSeverityERROR),
            Lines({"Error 482 (Printer error) happened in PrintCollection at line " + std::to_string(line)}));
        EXPECT_EQ(run.chooser.calls.back(), "abandonDocument");
        EXPECT_TRUE(run.chooser.linePages.empty() && run.prompter.shown.empty());
    }
}

TEST(BasicPrintLines, HeadingsListingAndVariables) {
    const Lines program = {"PROGRAM------------------------"};
    const std::string vars = "\r\nVARIABLES----------------------";
    EXPECT_EQ(
        BasicPrintLines({"10 LET a=1", "20 PRINT a$"}, {{"a", "Number", "1"}, {"a$", "String", "\"hi\""}}),
        Lines({program[0], "10 LET a=1", "20 PRINT a$", vars, "a - Number - 1", "a$ - String - \"hi\""}));
    EXPECT_EQ(BasicPrintLines({}, {}), Lines({program[0], vars}));
}

TEST(ScreenPrint, PlacementFillsTheWidthInPortraitAndTheHeightInLandscape) {
    const auto portrait = PrintOrientation::Portrait;
    const auto landscape = PrintOrientation::Landscape;
    const std::tuple<int, int, double, double, PrintOrientation, PicturePlacement> cases[] = {
        {256, 192, 10000, 15000, portrait, {0, 0, 10000, 7500}},
        {256, 192, 15000, 10000, landscape, {0, 0, 13333, 10000}},
        {2, 1, 10003, 15000, portrait, {0, 0, 10003, 5002}},  // half rounds to even
        {1, 2, 15000, 9001, landscape, {0, 0, 4500, 9001}}};
    for (const auto& [w, h, pw, ph, o, expected] : cases) {
        EXPECT_EQ(ScreenPrintPlacement(w, h, pw, ph, o), expected);
    }
}

TEST(ScreenPrint, PrintsOnePageInTheChosenOrientationOrLogsADamagedPicture) {
    const PrintPicture good{256, 192, std::vector<std::uint8_t>(256 * 192 * 3, 0x80)};
    const PrintPicture cut{256, 192, std::vector<std::uint8_t>(256 * 192 * 3 - 1, 0x80)};
    using Sizes = std::vector<std::pair<double, double>>;
    const std::tuple<PrintPicture, PrintOrientation, Sizes> cases[] = {
        {good, PrintOrientation::Portrait, {{10000, 7500}}},
        {good, PrintOrientation::Landscape, {{20000, 15000}}},
        {cut, PrintOrientation::Portrait, {}}};
    for (const auto& [picture, orientation, sizes] : cases) {
        RecordingChooser chooser;
        RecordingLog log;
        chooser.orientation = orientation;
        PrintScreenPicture(picture, chooser, log);
        EXPECT_EQ(chooser.pictures, sizes);
        EXPECT_EQ(chooser.calls.back(), sizes.empty() ? "abandonDocument" : "endDocument");
        const Lines error = {"Error 5 (Invalid procedure call or argument ) in mnuFilePrint at line 4"};
        EXPECT_EQ(log.at(kSeverityERROR), sizes.empty() ? error : Lines{});
    }
}
