#include <QClipboard>
#include <QFontInfo>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>

#include "basic/ViewerTestSupport.h"
#include "basic/ZxFixtures.h"
#include "basic/frmBasic.h"
#include "core/Twips.h"
#include "export/SaveTAP.h"
#include "qt/QtFontChooser.h"
#include "qt/QtPrintSurface.h"

namespace {

const QString kDemoStart = QStringLiteral(
    "  10 REM Quillmar demo disk\r\n"
    "  20 BORDER 1:PAPER 7:INK 0:CLS \r\n"
    "  30 PRINT AT 2,4;\"Hello from the Opus!\"\r\n");
const QString kDemoExpandedStart = QStringLiteral(
    "  10 REM Quillmar demo disk{ENTER}\r\n"
    "  20 BORDER 1{1}:PAPER 7{7}:INK 0{0}:CLS {ENTER}\r\n"
    "  30 PRINT AT 2{2},4{4};\"{INK 2}Hello from the Opus!\"{ENTER}\r\n");

// A disk of one program: 10 PRINT "a" and 20 GOTO 10, no variables.
Catalogue twoLineCatalogue() {
    zx::Bytes program = zx::typedProgram({"10 PRINT \"a\"", "20 GOTO 10"});
    const auto length = static_cast<std::uint16_t>(program.size());
    program.push_back(0x80);
    return catalogueOf(DiskBuilder("TWO").addFile("two", 0, program, 10, length).image());
}

QString clipboardText() {
    return QGuiApplication::clipboard()->text();
}

}  // namespace

class tst_frmBasic : public QObject {
    Q_OBJECT

    std::unique_ptr<ViewerRig> rig;

    std::unique_ptr<frmBasic> open(int index = 1) {
        auto w = std::make_unique<frmBasic>(rig->context());
        w->ShowOpusProgram(index);
        return w;
    }
    static QAction* action(QWidget* w, const char* name) {
        return w->findChild<QAction*>(QString::fromUtf8(name));
    }

private slots:
    void init() {
        rig = std::make_unique<ViewerRig>();
        rig->catalogue = demoCatalogue();
        QVERIFY(rig->catalogue.size() == 6);
    }
    void cleanup() { rig.reset(); }

    void opensTheDemoProgram() {
        const auto w = open();
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Quillmar v2.0.0 - demo      "));
        QVERIFY(QString::fromStdString(w->listingText()).startsWith(kDemoStart));
        QVERIFY(w->txtBasic()->toPlainText().startsWith(
            QStringLiteral("  10 REM Quillmar demo disk\n  20 BORDER 1:PAPER 7:INK 0:CLS \n")));
        QVERIFY(
            w->txtBasic()->toPlainText().endsWith(QStringLiteral(" 100 PRINT \"UDG: \";CHR$ 144:RETURN \n")));
        QVERIFY(w->txtBasic()->isReadOnly());
        QCOMPARE(w->txtBasic()->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(w->txtBasic()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(w->txtBasic()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(w->txtBasic()->isVisible());
        QVERIFY(!w->lvuVars()->isVisible());
        QVERIFY(w->txtBasic()->hasFocus());
        QVERIFY(rig->log.entries.empty());

        QTreeWidget* vars = w->lvuVars();
        QCOMPARE(vars->headerItem()->text(0), QStringLiteral("Name"));
        QCOMPARE(vars->headerItem()->text(1), QStringLiteral("Type"));
        QCOMPARE(vars->headerItem()->text(2), QStringLiteral("Contents"));
        const QStringList rows[] = {
            {"a", "Numeric", "5"},
            {"a$", "String", "hello"},
            {"abc", "Numeric", "3.14159"},
            {"b(2)", "Num Array", "1; 2"},
            {"c$(3)", "Char Array", "x; y; z"},
            {"i", "FOR-NEXT", "Value: 11; Limit: 10; Step: 1; Line: 40:2"},
        };
        QCOMPARE(vars->topLevelItemCount(), 6);
        for (int r = 0; r < 6; ++r) {
            for (int c = 0; c < 3; ++c) {
                QCOMPARE(vars->topLevelItem(r)->text(c), rows[r][c]);
            }
        }
    }

    void theTabsSwitchBetweenListingAndVariables() {
        const auto w = open();
        QTabBar* tabs = w->tbsProgVars();
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("&Program"));
        QCOMPARE(tabs->tabData(0).toString(), QStringLiteral("PROGRAM"));
        QCOMPARE(tabs->tabToolTip(0), QStringLiteral("Shows the program listing"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("&Variables"));
        QCOMPARE(tabs->tabData(1).toString(), QStringLiteral("VARIABLES"));
        QCOMPARE(tabs->tabToolTip(1), QStringLiteral("Shows the program's saved variables"));
        QCOMPARE(tabs->currentIndex(), 0);

        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(w->lvuVars()->isVisible());
        QVERIFY(!w->txtBasic()->isVisible());
        QVERIFY(w->lvuVars()->hasFocus());
        QCOMPARE(w->lvuVars()->geometry(), w->txtBasic()->geometry());

        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        QVERIFY(w->txtBasic()->isVisible());
        QVERIFY(!w->lvuVars()->isVisible());
        QVERIFY(w->txtBasic()->hasFocus());
    }

    void menusHaveTheirCaptionsAndShortcuts() {
        const auto w = open();
        struct Item {
            const char* name;
            const char* caption;
            QKeySequence shortcut;
        };
        const Item items[] = {
            {"mnuFileSaveAs", "&Save As...", QKeySequence(Qt::CTRL | Qt::Key_S)},
            {"mnuFilePrint", "&Print...", QKeySequence(Qt::CTRL | Qt::Key_P)},
            {"mnuEditCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C)},
            {"mnuEditListingFont", "Listing Fon&t...", QKeySequence(Qt::CTRL | Qt::Key_T)},
            {"mnuEditExpandControlCodes", "Expand Control Co&des", QKeySequence(Qt::CTRL | Qt::Key_D)},
        };
        for (const Item& item : items) {
            QAction* a = action(w.get(), item.name);
            QVERIFY2(a != nullptr, item.name);
            QCOMPARE(a->text(), QString::fromUtf8(item.caption));
            QCOMPARE(a->shortcut(), item.shortcut);
            QVERIFY(a->isEnabled());
        }
        const auto menus = w->menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
        QCOMPARE(menus[1]->text(), QStringLiteral("&Edit"));
        // Copy, separator, font, separator, expand.
        const auto edit = menus[1]->menu()->actions();
        QCOMPARE(edit.size(), 5);
        QVERIFY(edit[1]->isSeparator() && edit[3]->isSeparator());
        QVERIFY(action(w.get(), "mnuEditExpandControlCodes")->isCheckable());
        QVERIFY(!action(w.get(), "mnuEditExpandControlCodes")->isChecked());
    }

    void expandingTwiceShowsTheFirstListingAgain() {
        const auto w = open();
        const std::string first = w->listingText();
        QTest::keyClick(w->txtBasic(), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(w->expanded());
        QVERIFY(QString::fromStdString(w->listingText()).startsWith(kDemoExpandedStart));
        QVERIFY(w->txtBasic()->toPlainText().contains(
            QStringLiteral("\"{INK 2}Hello from the Opus!\"{ENTER}\n")));
        action(w.get(), "mnuEditExpandControlCodes")->trigger();
        QVERIFY(!w->expanded());
        QCOMPARE(w->listingText(), first);
    }

    void copyPutsTheWholeListingAsDisplayed() {
        const auto w = open();
        QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
        // A selection in the listing makes no difference.
        QTextCursor cursor = w->txtBasic()->textCursor();
        cursor.setPosition(2);
        cursor.setPosition(6, QTextCursor::KeepAnchor);
        w->txtBasic()->setTextCursor(cursor);
        QTest::keyClick(w->txtBasic(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboardText(), QString::fromStdString(w->listingText()));
        QVERIFY(clipboardText().startsWith(kDemoStart));
        QVERIFY(clipboardText().endsWith(QStringLiteral(" 100 PRINT \"UDG: \";CHR$ 144:RETURN \r\n")));

        // The expanded form once it is shown, whichever tab is up.
        action(w.get(), "mnuEditExpandControlCodes")->trigger();
        w->tbsProgVars()->setCurrentIndex(1);
        action(w.get(), "mnuEditCopy")->trigger();
        QVERIFY(clipboardText().startsWith(kDemoExpandedStart));
    }

    void ctrlASelectsTheWholeListing() {
        const auto w = open();
        QVERIFY(!w->txtBasic()->textCursor().hasSelection());
        QTest::keyRelease(w->txtBasic(), Qt::Key_A, Qt::ControlModifier);
        const QTextCursor cursor = w->txtBasic()->textCursor();
        QCOMPARE(cursor.selectionStart(), 0);
        QCOMPARE(cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')),
                 w->txtBasic()->toPlainText());
        // Without Ctrl the key does nothing of the kind.
        w->txtBasic()->moveCursor(QTextCursor::Start);
        QTest::keyRelease(w->txtBasic(), Qt::Key_A);
        QVERIFY(!w->txtBasic()->textCursor().hasSelection());
    }

    void withoutSettingsTheListingIsCourierNew825Black() {
        const auto w = open();
        QCOMPARE(w->listingFont(), FontChoice{});
        for (QWidget* control : {static_cast<QWidget*>(w->txtBasic()), static_cast<QWidget*>(w->lvuVars())}) {
            QCOMPARE(control->font().pointSizeF(), 8.25);
            QVERIFY(!control->font().bold());
            QCOMPARE(control->palette().color(QPalette::Text), QColor(Qt::black));
            // Courier New itself or, where it is missing, a fixed-pitch face.
            QVERIFY(QFontInfo(control->font()).fixedPitch());
        }
        QVERIFY(!fileExists(rig->settings));
    }

    void theChosenFontIsSavedAndOpensTheNextWindow() {
        const auto w = open();
        FontChoice bold12;
        bold12.size = 12;
        bold12.bold = true;
        bold12.color = 0xFF;
        rig->fonts.choices.push_back(bold12);
        QTest::keyClick(w->txtBasic(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(rig->fonts.titles, (std::vector<std::string>{"Quillmar v2.0.0 - Select listing font..."}));
        QCOMPARE(rig->fonts.initials.front(), FontChoice{});

        const std::string ini = readText(rig->settings);
        QVERIFY(ini.find("[Basic Listing]\r\n") != std::string::npos);
        QVERIFY(ini.find("Font Bold=True\r\n") != std::string::npos);
        QVERIFY(ini.find("Font Size=12\r\n") != std::string::npos);
        QVERIFY(ini.find("Font Color=&HFF&\r\n") != std::string::npos);
        for (QWidget* control : {static_cast<QWidget*>(w->txtBasic()), static_cast<QWidget*>(w->lvuVars())}) {
            QCOMPARE(control->font().pointSizeF(), 12.0);
            QVERIFY(control->font().bold());
            QCOMPARE(control->palette().color(QPalette::Text), QColor(255, 0, 0));
        }

        const auto next = open();
        QCOMPARE(next->listingFont(), bold12);
        QCOMPARE(next->txtBasic()->font().pointSizeF(), 12.0);
        QVERIFY(next->txtBasic()->font().bold());

        // The dialog opens on the font in use; cancelling it changes nothing.
        const std::string before = readText(rig->settings);
        next->ListingFont();
        QCOMPARE(rig->fonts.initials.back(), bold12);
        QCOMPARE(readText(rig->settings), before);
        QCOMPARE(next->listingFont(), bold12);
    }

    void saveAsDispatchesOnTheExtension() {
        const auto w = open();
        const CatalogueEntry& entry = rig->catalogue[1];
        const std::string tap = rig->dir.file("demo.tap");
        const std::string txt = rig->dir.file("demo.TXT");
        rig->chooser.paths = {tap, txt, rig->dir.file("prog"), rig->dir.file("demo.bas "), std::nullopt};
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(w->txtBasic(), Qt::Key_S, Qt::ControlModifier);
        }
        QCOMPARE(rig->chooser.titles, std::vector<std::string>(5, "Save current BASIC as..."));
        QCOMPARE(rig->chooser.proposedNames, std::vector<std::string>(5, "demo      "));
        QVERIFY(bytesEqual(BuildTapBlocks(entry), readBytes(tap)));
        QCOMPARE(readText(txt), w->listingText() + "\r\n");

        const auto& shown = rig->prompter.shown;
        QCOMPARE(shown.size(), std::size_t{4});
        QCOMPARE(shown[0].text, "File successfully saved as [" + tap + "].");
        QCOMPARE(shown[1].text, "File successfully saved as [" + txt + "].");
        QCOMPARE(shown[2].text, "Extension [" +
                                    QString::fromStdString(rig->dir.file("prog")).toUpper().toStdString() +
                                    "] not recognized. Command ignored.");
        QCOMPARE(shown[3].text, std::string("Extension [BAS] not recognized. Command ignored."));
        for (const auto& s : shown) {
            QCOMPARE(s.title, std::string("Quillmar v2.0.0"));
        }
        QVERIFY(shown[2].icon == MsgIcon::Exclamation);
        QVERIFY(!fileExists(rig->dir.file("prog")));
        QVERIFY(rig->log.entries.empty());
    }

    void aTwoLineProgramSavesAsTwoLinesAndAnEmptyOne() {
        rig->catalogue = twoLineCatalogue();
        const auto w = open();
        QCOMPARE(w->listingText(), std::string("  10 PRINT \"a\"\r\n  20 GOTO 10\r\n"));
        QCOMPARE(w->lvuVars()->topLevelItemCount(), 0);
        const std::string txt = rig->dir.file("two.txt");
        rig->chooser.paths = {txt};
        w->SaveAs();
        QCOMPARE(readText(txt), std::string("  10 PRINT \"a\"\r\n  20 GOTO 10\r\n\r\n"));
    }

    void savingTextIntoAnExistingFileAsksFirst() {
        const auto w = open();
        const std::string txt = rig->dir.file("listing.txt");
        const std::string once = w->listingText() + "\r\n";
        writeBytes(txt, {'o', 'l', 'd', '\r', '\n'});

        // Yes twice: the listing twice after what was there.
        rig->chooser.paths = {txt, txt};
        rig->prompter.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
        w->SaveAs();
        w->SaveAs();
        QCOMPARE(readText(txt), "old\r\n" + once + once);
        const auto& question = rig->prompter.shown[0];
        QCOMPARE(question.text, std::string("Answering YES will APPEND listing to existing text file;\r\n"
                                            "answering NO will OVERWRITE; answering CANCEL, will not save "
                                            "anything.\r\nPick one:"));
        QCOMPARE(question.title, std::string("Quillmar v2.0.0 - Confirmation"));
        QVERIFY(question.icon == MsgIcon::Question);
        QVERIFY(question.buttons == MsgButtons::YesNoCancel);

        // Cancel writes nothing; No replaces.
        rig->prompter.shown.clear();
        rig->chooser.paths = {txt, txt};
        rig->prompter.answers = {MsgAnswer::Cancel, MsgAnswer::No};
        w->SaveAs();
        QCOMPARE(readText(txt), "old\r\n" + once + once);
        QCOMPARE(rig->prompter.shown.size(), std::size_t{1});
        w->SaveAs();
        QCOMPARE(readText(txt), once);
        QCOMPARE(rig->prompter.shown.back().text, "File successfully saved as [" + txt + "].");
    }

    void printSendsListingAndVariablesInTheListingFont() {
        const auto w = open();
        QTest::keyClick(w->txtBasic(), Qt::Key_P, Qt::ControlModifier);
        const PrintRecord& r = rig->printers.record;
        QCOMPARE(rig->printers.asked.size(), std::size_t{1});
        const std::vector<std::string> page = r.textsOn(1);
        const std::vector<std::string> expected = {
            "demo      ",
            "",
            "PROGRAM------------------------",
            "  10 REM Quillmar demo disk",
            "  20 BORDER 1:PAPER 7:INK 0:CLS ",
            "  30 PRINT AT 2,4;\"Hello from the Opus!\"",
            "  40 FOR i=1 TO 10:PRINT i,i*1.5:NEXT i",
            "  50 LET a$=\"hello\":LET abc=3.14159",
            "  60 IF a THEN GOSUB 100",
            "  70 LOAD \"screen\"SCREEN$ ",
            "  80 STOP ",
            " 100 PRINT \"UDG: \";CHR$ 144:RETURN ",
            "\r\nVARIABLES----------------------",
            "a - Numeric - 5",
            "a$ - String - hello",
            "abc - Numeric - 3.14159",
            "b(2) - Num Array - 1; 2",
            "c$(3) - Char Array - x; y; z",
            "i - FOR-NEXT - Value: 11; Limit: 10; Step: 1; Line: 40:2",
            "313 bytes - Quillmar v2.0.0 - Page 1",
        };
        QCOMPARE(page, expected);
        QVERIFY(!r.fontsSet.empty());
        QCOMPARE(r.fontsSet.front(), printFontOf(w->txtBasic()->font()));
        QCOMPARE(r.fontsSet.front().size, 8.25);
        QCOMPARE(r.calls.back(), std::string("endDocument"));

        // Expanded, the print follows the listing.
        rig->printers.record = PrintRecord{};
        action(w.get(), "mnuEditExpandControlCodes")->trigger();
        w->Print();
        QCOMPARE(rig->printers.record.textsOn(1)[3], std::string("  10 REM Quillmar demo disk{ENTER}"));
    }

    void aProgramWithoutVariablesStillPrintsTheHeading() {
        rig->catalogue = twoLineCatalogue();
        const auto w = open();
        w->Print();
        const std::vector<std::string> expected = {"two       ",
                                                   "",
                                                   "PROGRAM------------------------",
                                                   "  10 PRINT \"a\"",
                                                   "  20 GOTO 10",
                                                   "\r\nVARIABLES----------------------",
                                                   "24 bytes - Quillmar v2.0.0 - Page 1"};
        QCOMPARE(rig->printers.record.textsOn(1), expected);
    }

    void cancellingThePrinterDialogPrintsNothing() {
        const auto w = open();
        rig->printers.cancel = true;
        w->Print();
        QVERIFY(rig->printers.record.texts.empty());
        QVERIFY(rig->prompter.shown.empty());
    }

    void theControlsFollowTheWindowSize() {
        const auto w = open();
        w->resize(700, 500);
        QApplication::processEvents();
        const QRect outer = w->frameGeometry();
        const int width = twipsToPixels(pixelsToTwips(outer.width()) - 240);
        const int height = twipsToPixels(pixelsToTwips(outer.height()) - 1110);
        QCOMPARE(w->tbsProgVars()->width(), width);
        QCOMPARE(w->txtBasic()->size(), QSize(width, height));
        QCOMPARE(w->lvuVars()->size(), QSize(width, height));
        // Too small a window leaves the sizes as they were.
        w->resize(10, 10);
        QApplication::processEvents();
        QCOMPARE(w->txtBasic()->size(), QSize(width, height));
    }

    void theWindowKeepsItsEntryWhenAnotherImageIsLoaded() {
        const auto w = open();
        const std::string listing = w->listingText();
        rig->catalogue = twoLineCatalogue();
        QCOMPARE(w->listingText(), listing);
        action(w.get(), "mnuEditExpandControlCodes")->trigger();
        action(w.get(), "mnuEditExpandControlCodes")->trigger();
        QCOMPARE(w->listingText(), listing);
        const std::string tap = rig->dir.file("still.tap");
        rig->chooser.paths = {tap};
        w->SaveAs();
        QVERIFY(bytesEqual(BuildTapBlocks(demoCatalogue()[1]), readBytes(tap)));
    }

    void aDamagedProgramShowsWhatWasReached() {
        // Line 10 whole, then a line header cut short.
        zx::Bytes data = zx::typedProgram({"10 PRINT 1"});
        data.push_back(0x00);
        rig->catalogue = catalogueOf(DiskBuilder("BAD").addFile("cut", 0, data, 0, 0).image());
        const auto w = open();
        QCOMPARE(w->listingText(), std::string("  10 PRINT 1\r\n"));
        QCOMPARE(w->lvuVars()->topLevelItemCount(), 0);
        QCOMPARE(rig->log.at(kSeverityERROR).size(), std::size_t{1});
        QVERIFY(rig->log.at(kSeverityERROR)[0].find("happened in AnalyzeBlock") != std::string::npos);
    }

    void anIndexOutsideTheCatalogueShowsNothing() {
        const auto w = open(6);
        QVERIFY(!w->isVisible());
        QVERIFY(w->listingText().empty());
        const auto negative = open(-1);
        QVERIFY(!negative->isVisible());
    }
};

QTEST_MAIN(tst_frmBasic)
#include "tst_frmBasic.moc"
