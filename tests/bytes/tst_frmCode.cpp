#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QFontInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>

#include "qt/QtPrintSurface.h"
#include "basic/ViewerTestSupport.h"
#include "bytes/frmCode.h"
#include "bytes/frmSearch.h"
#include "core/CodePage.h"
#include "export/SaveTAP.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A disk holding one CODE file.
Catalogue codeCatalogue(const Bytes& data, std::uint16_t start = 32768) {
    return catalogueOf(DiskBuilder("BYTES").addFile("bytes", 3, data, start, 0).image());
}

QString clipboardText() {
    return QGuiApplication::clipboard()->text();
}

// Hex digits of data[from, to), each pair followed by a blank.
std::string hexOf(const Bytes& data, std::size_t from, std::size_t to) {
    std::string s;
    for (std::size_t i = from; i < to; ++i) {
        s += hexUpper(data[i], 2) + " ";
    }
    return s;
}

}  // namespace

class tst_frmCode : public QObject {
    Q_OBJECT

    std::unique_ptr<ViewerRig> rig;

    std::unique_ptr<frmCode> open(int index) {
        auto w = std::make_unique<frmCode>(rig->context());
        w->ShowOpusBytes(index);
        // Shortcuts reach the window once it is the active one.
        if (!QTest::qWaitForWindowActive(w.get())) {
            qWarning("the byte viewer did not become active");
        }
        return w;
    }
    static QAction* action(QWidget* w, const char* name) {
        return w->findChild<QAction*>(QString::fromUtf8(name));
    }
    static QString cell(frmCode* w, int row, int column) {
        const auto* model = w->degBytes()->gridModel();
        return model->data(model->index(row, column)).toString();
    }
    static QModelIndex index(frmCode* w, int gridRow, int column) {
        return w->degBytes()->gridModel()->index(gridRow - 1, column);
    }
    static void click(frmCode* w, int gridRow, int column, Qt::KeyboardModifiers modifiers = {}) {
        QTableView* view = w->degBytes();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                          view->visualRect(index(w, gridRow, column)).center());
    }
    // Runs one search through the dialog.
    [[nodiscard]] static bool search(frmCode* w, int type, const QString& needle,
                                     QString* shownText = nullptr, int* shownType = nullptr) {
        // F3 reaches the window once it is active again after the last dialog.
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w)) {
            return false;
        }
        bool ran = false;
        whenShown<frmSearch>(
            [=](frmSearch* d) {
                if (shownText != nullptr) {
                    *shownText = d->txtSearch()->text();
                }
                if (shownType != nullptr) {
                    *shownType = d->optSearchType(0)->isChecked()   ? 0
                                 : d->optSearchType(1)->isChecked() ? 1
                                                                    : 2;
                }
                d->txtSearch()->setText(needle);
                d->optSearchType(type)->click();
                d->cmdOK()->click();
            },
            &ran);
        QTest::keyClick(w->degBytes(), Qt::Key_F3);
        return ran;
    }
    // The found byte: the current cell, the selection running from it to the
    // ASCII cell of its row.
    static bool selectsByte(frmCode* w, std::size_t offset) {
        const int row = static_cast<int>(offset / 16) + 1;
        const int column = static_cast<int>(offset % 16) + 1;
        const QItemSelectionModel* selection = w->degBytes()->selectionModel();
        if (selection->currentIndex() != index(w, row, column)) {
            return false;
        }
        const QModelIndexList selected = selection->selectedIndexes();
        if (selected.size() != 18 - column) {
            return false;
        }
        for (const QModelIndex& i : selected) {
            if (i.row() != row - 1 || i.column() < column) {
                return false;
            }
        }
        return true;
    }

private slots:
    void init() {
        rig = std::make_unique<ViewerRig>();
        rig->catalogue = demoCatalogue();
    }
    void cleanup() { rig.reset(); }

    void opensTheDemoCodeFile() {
        const auto w = open(3);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Quillmar v2.0.0 - code      "));
        auto* model = w->degBytes()->gridModel();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        // 89 bytes: five full rows and one of nine.
        QCOMPARE(model->rowCount(), 6);
        QCOMPARE(model->columnCount(), 18);
        const QStringList first = {"8000", "3E", "02", "CD", "01", "16", "21", "10", "80",
                                   "7E",   "B7", "C8", "D7", "23", "18", "F9", "00", ">....!..~...#..."};
        const QStringList second = {"8010", "51", "55", "49", "4C", "4C", "4D", "41", "52",
                                    "00",   "03", "0A", "11", "18", "1F", "26", "2D", "QUILLMAR......&-"};
        for (int c = 0; c < 18; ++c) {
            QCOMPARE(cell(w.get(), 0, c), first[c]);
            QCOMPARE(cell(w.get(), 1, c), second[c]);
        }
        QCOMPARE(cell(w.get(), 5, 0), QStringLiteral("8050"));
        QVERIFY(!cell(w.get(), 5, 9).isEmpty());
        for (int c = 10; c <= 16; ++c) {
            QVERIFY(cell(w.get(), 5, c).isEmpty());
        }
        QCOMPARE(cell(w.get(), 5, 17).size(), 9);
    }

    void theHeaderAndTheFont() {
        const auto w = open(3);
        auto* model = w->degBytes()->gridModel();
        QStringList headers;
        for (int c = 0; c < 18; ++c) {
            headers << model->headerData(c, Qt::Horizontal).toString();
        }
        QCOMPARE(headers, (QStringList{"Address", "00", "01", "02", "03", "04", "05", "06", "07", "08", "09",
                                       "0A", "0B", "0C", "0D", "0E", "0F", "     ASCII      "}));
        // "^Address|00|..|<     ASCII      ": centred, no mark, left.
        const auto alignment = [&](int c) {
            return model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                   Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(alignment(0), Qt::AlignHCenter);
        QCOMPARE(alignment(1), Qt::AlignLeft);
        QCOMPARE(alignment(17), Qt::AlignLeft);
        QCOMPARE(model->data(model->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QVERIFY(w->degBytes()->horizontalHeader()->isVisible());
        QVERIFY(!w->degBytes()->verticalHeader()->isVisible());

        const QFont font = w->degBytes()->font();
        QCOMPARE(font.pointSizeF(), 8.0);
        QVERIFY(!font.bold() && !font.italic() && !font.underline() && !font.strikeOut());
        QVERIFY(QFontInfo(font).fixedPitch());
    }

    void addressesFollowTheFileType() {
        struct Case {
            int index;
            const char* address;
        };
        // BASIC at 23755, arrays from 0.
        for (const Case& c : {Case{1, "5CCB"}, Case{4, "0000"}, Case{5, "0000"}, Case{2, "4000"}}) {
            const auto w = open(c.index);
            QCOMPARE(cell(w.get(), 0, 0), QString::fromUtf8(c.address));
        }
        // Near the top of memory the address keeps its last four digits.
        rig->catalogue = codeCatalogue(Bytes(32, 0), 0xFFF8);
        const auto w = open(1);
        QCOMPARE(cell(w.get(), 0, 0), QStringLiteral("FFF8"));
        QCOMPARE(cell(w.get(), 1, 0), QStringLiteral("0008"));
    }

    void theAsciiColumnShowsPrintableBytesOnly() {
        rig->catalogue = codeCatalogue({0x7F, 0x80, 0x20, 0x41, 0x1F, 0xFF, 0x7E});
        const auto w = open(1);
        QCOMPARE(cell(w.get(), 0, 17), QString(QChar(0x7F)) + QStringLiteral(". A..~"));
    }

    void anEmptyFileShowsTheHeaderAlone() {
        rig->catalogue = codeCatalogue({});
        const auto w = open(1);
        QVERIFY(w->isVisible());
        auto* model = w->degBytes()->gridModel();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Address"));
        w->CopySelection();
        QCOMPARE(clipboardText(), QString());
        QVERIFY(search(w.get(), 0, QStringLiteral("x")));
        QCOMPARE(rig->prompter.shown.size(), std::size_t{1});
        QCOMPARE(rig->prompter.shown.back().text, std::string("Target string [x] not found!"));
    }

    void editsAreRefused() {
        const auto w = open(3);
        auto* model = w->degBytes()->gridModel();
        const QModelIndex first = model->index(0, 1);
        QVERIFY(!(model->flags(first) & Qt::ItemIsEditable));
        QVERIFY(!model->setData(first, QStringLiteral("FF")));
        click(w.get(), 1, 1);
        QTest::keyClicks(w->degBytes(), QStringLiteral("FF"));
        QTest::keyClick(w->degBytes(), Qt::Key_Return);
        QTest::mouseDClick(w->degBytes()->viewport(), Qt::LeftButton, {},
                           w->degBytes()->visualRect(first).center());
        QVERIFY(w->degBytes()->findChildren<QLineEdit*>().isEmpty());  // no editor was opened
        QCOMPARE(cell(w.get(), 0, 1), QStringLiteral("3E"));
    }

    void menusHaveTheirCaptionsShortcutsAndState() {
        const auto w = open(3);
        struct Item {
            const char* name;
            const char* caption;
            QKeySequence shortcut;
            bool enabled;
        };
        const Item items[] = {
            {"mnuFileSaveAs", "&Save As...", QKeySequence(Qt::CTRL | Qt::Key_S), true},
            {"mnuFilePrint", "&Print...", QKeySequence(Qt::CTRL | Qt::Key_P), true},
            {"mnuEditCopySelection", "&Copy Selection", QKeySequence(Qt::CTRL | Qt::Key_C), true},
            {"mnuEditSearch", "&Search...", QKeySequence(Qt::Key_F3), true},
            {"mnuEditReplace", "&Replace...", QKeySequence(Qt::SHIFT | Qt::Key_F3), false},
        };
        for (const Item& item : items) {
            QAction* a = action(w.get(), item.name);
            QVERIFY2(a != nullptr, item.name);
            QCOMPARE(a->text(), QString::fromUtf8(item.caption));
            QCOMPARE(a->shortcut(), item.shortcut);
            QCOMPARE(a->isEnabled(), item.enabled);
        }
        const auto menus = w->menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
        QCOMPARE(menus[1]->text(), QStringLiteral("&Edit"));
        QVERIFY(menus[1]->menu()->actions()[1]->isSeparator());
    }

    void copySelectionTakesTheSelectedBytes() {
        const auto w = open(3);
        const Bytes& data = rig->catalogue[3].Data;
        // Bytes 3 to 5 of the first row.
        click(w.get(), 1, 3);
        click(w.get(), 1, 5, Qt::ShiftModifier);
        QTest::keyClick(w->degBytes(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboardText(), QStringLiteral("CD 01 16 "));

        // From the middle of row 2 to the middle of row 4, in either direction:
        // the tail of row 2, all of row 3, the head of row 4.
        const QString across = QString::fromStdString(hexOf(data, 16 + 8, 48 + 4));
        click(w.get(), 2, 9);
        click(w.get(), 4, 4, Qt::ShiftModifier);
        w->CopySelection();
        QCOMPARE(clipboardText(), across);
        click(w.get(), 4, 4);
        click(w.get(), 2, 9, Qt::ShiftModifier);
        w->CopySelection();
        QCOMPARE(clipboardText(), across);

        // The address and ASCII cells are no bytes.
        click(w.get(), 1, 0);
        click(w.get(), 1, 17, Qt::ShiftModifier);
        w->CopySelection();
        QCOMPARE(clipboardText(), QString::fromStdString(hexOf(data, 0, 16)));
    }

    void searchingAgainFindsTheNextMatchUntilNoneIsLeft() {
        rig->catalogue = codeCatalogue({0x3E, 0x00, 0xC9, 0x3E});
        const auto w = open(1);
        QVERIFY(search(w.get(), 0, QStringLiteral(">")));
        QVERIFY(selectsByte(w.get(), 0));
        w->CopySelection();
        // The empty cells of the short row count as selected bytes too.
        QCOMPARE(clipboardText(), QStringLiteral("3E 00 C9 3E ") + QString(12, QLatin1Char(' ')));
        QString shown;
        QVERIFY(search(w.get(), 0, QStringLiteral(">"), &shown));
        QCOMPARE(shown, QStringLiteral(">"));
        QVERIFY(selectsByte(w.get(), 3));

        QVERIFY(search(w.get(), 0, QStringLiteral(">")));
        QCOMPARE(rig->prompter.shown.size(), std::size_t{1});
        QCOMPARE(rig->prompter.shown[0].text, std::string("Target string [>] not found!"));
        QCOMPARE(rig->prompter.shown[0].title, std::string("Quillmar v2.0.0"));
        QVERIFY(rig->prompter.shown[0].icon == MsgIcon::Exclamation);
        QVERIFY(selectsByte(w.get(), 3));  // the selection stays as it was

        // The miss forgot the needle: the dialog opens empty and starts over.
        QVERIFY(search(w.get(), 0, QStringLiteral(">"), &shown));
        QCOMPARE(shown, QString());
        QVERIFY(selectsByte(w.get(), 0));
    }

    void searchReadsTheNeedleByItsType() {
        rig->catalogue = codeCatalogue({0x3E, 0x00, 0xC9});
        struct Case {
            int type;
            const char* needle;
            std::size_t offset;
        };
        const Case cases[] = {
            {2, "c9 ", 2},   // hex, lower case with a trailing blank
            {1, "201", 2},   // decimal
            {1, "62 0", 0},  // inside "062 000 "
            {0, "", 0},      // an empty needle is found where the search starts
        };
        for (const Case& c : cases) {
            const auto w = open(1);
            QVERIFY(search(w.get(), c.type, QString::fromUtf8(c.needle)));
            QVERIFY2(selectsByte(w.get(), c.offset), c.needle);
        }
        QVERIFY(rig->prompter.shown.empty());

        // The next dialog shows the needle as it was used, with "S&tring" selected.
        const auto w = open(1);
        QVERIFY(search(w.get(), 2, QStringLiteral("c9 ")));
        QString shown;
        int type = -1;
        QVERIFY(search(w.get(), 2, QStringLiteral("C9"), &shown, &type));
        QCOMPARE(shown, QStringLiteral("C9"));
        QCOMPARE(type, 0);
    }

    void aTextSearchIgnoresCase() {
        const std::string text = "xAB ab Ab";
        rig->catalogue = codeCatalogue(Bytes(text.begin(), text.end()));
        const auto w = open(1);
        for (const std::size_t offset : {1u, 4u, 7u}) {
            QVERIFY(search(w.get(), 0, QStringLiteral("ab")));
            QVERIFY(selectsByte(w.get(), offset));
        }
    }

    void cancellingTheSearchChangesNothing() {
        rig->catalogue = codeCatalogue({0x3E, 0x00, 0xC9});
        const auto w = open(1);
        QVERIFY(search(w.get(), 2, QStringLiteral("C9")));
        whenShown<frmSearch>([](frmSearch* d) {
            d->txtSearch()->setText(QStringLiteral("3E"));
            d->cmdCancel()->click();
        });
        w->Search();
        QVERIFY(selectsByte(w.get(), 2));
        QCOMPARE(w->search().lastSearchText(), std::string("C9"));
        QVERIFY(rig->prompter.shown.empty());
    }

    void aFoundRowFarDownIsScrolledIntoView() {
        Bytes data(65535);
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<std::uint8_t>(i % 251);
        }
        data[65530] = 0xFF;  // the only byte of 255 apart from none: i % 251 stays below 251
        rig->catalogue = codeCatalogue(data, 0);
        const auto w = open(1);
        QCOMPARE(w->degBytes()->gridModel()->rowCount(), 4096);
        QCOMPARE(cell(w.get(), 4095, 0), QStringLiteral("FFF0"));
        QVERIFY(search(w.get(), 2, QStringLiteral("FF")));
        QVERIFY(selectsByte(w.get(), 65530));
        QTableView* view = w->degBytes();
        QVERIFY(view->viewport()->rect().intersects(view->visualRect(index(w.get(), 4096, 11))));
    }

    void printSendsTheHeaderAndTheDataLines() {
        Bytes data;
        for (int i = 0; i < 20; ++i) {
            data.push_back(static_cast<std::uint8_t>('A' + i));
        }
        rig->catalogue = codeCatalogue(data);
        const auto w = open(1);
        // A page wide enough for the 109 characters of a line.
        rig->printers.record.printable[0] = 12000;
        QTest::keyClick(w->degBytes(), Qt::Key_P, Qt::ControlModifier);
        std::string header = "Address | ";
        std::string first = "   8000 | ";
        std::string second = "   8010 | ";
        for (int i = 0; i < 16; ++i) {
            header += hexUpper(static_cast<std::uint32_t>(i), 2) + " | ";
            first += hexUpper(static_cast<std::uint32_t>('A' + i), 2) + " | ";
            second += i < 4 ? hexUpper(static_cast<std::uint32_t>('Q' + i), 2) + " | " : std::string("   | ");
        }
        header += "     ASCII       | ";
        first += "ABCDEFGHIJKLMNOP | ";
        second += "QRST | ";
        const std::vector<std::string> expected = {
            "bytes     ", "", header, first, second, "20 bytes - Quillmar v2.0.0 - Page 1"};
        QCOMPARE(rig->printers.record.textsOn(1), expected);
        QVERIFY(rig->prompter.shown.empty());
        const PrintFont font = rig->printers.record.fontsSet.front();
        QCOMPARE(font, printFontOf(w->degBytes()->font()));
        QCOMPARE(font.size, 8.0);
        QVERIFY(!font.bold);
    }

    void saveAsDispatchesOnTheExtension() {
        const auto w = open(3);
        const CatalogueEntry& entry = rig->catalogue[3];
        const std::string tap = rig->dir.file("code.Tap");
        const std::string bin = rig->dir.file("code.bin");
        rig->chooser.paths = {tap, bin, rig->dir.file("code.scr"), rig->dir.file("prog"), std::nullopt};
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(w->degBytes(), Qt::Key_S, Qt::ControlModifier);
        }
        QCOMPARE(rig->chooser.titles, std::vector<std::string>(5, "Save current CODE as..."));
        QCOMPARE(rig->chooser.proposedNames, std::vector<std::string>(5, "code      "));
        QVERIFY(bytesEqual(BuildTapBlocks(entry), readBytes(tap)));
        QVERIFY(bytesEqual(entry.Data, readBytes(bin)));
        const auto& shown = rig->prompter.shown;
        QCOMPARE(shown.size(), std::size_t{4});
        QCOMPARE(shown[0].text, "File successfully saved as [" + tap + "].");
        QCOMPARE(shown[1].text, "File successfully saved as [" + bin + "].");
        QCOMPARE(shown[2].text, std::string("Extension [SCR] not recognized. Command ignored."));
        QCOMPARE(shown[3].text, "Extension [" +
                                    QString::fromStdString(rig->dir.file("prog")).toUpper().toStdString() +
                                    "] not recognized. Command ignored.");
        QVERIFY(shown[3].icon == MsgIcon::Exclamation);

        // An existing binary file is only replaced after a Yes.
        rig->prompter.shown.clear();
        writeBytes(bin, {1, 2, 3});
        rig->chooser.paths = {bin};
        rig->prompter.answers = {MsgAnswer::No};
        w->SaveAs();
        QCOMPARE(rig->prompter.shown[0].text, "File [" + bin + "] already exist, overwrite?");
        QVERIFY(bytesEqual({1, 2, 3}, readBytes(bin)));
    }

    void theWindowKeepsItsEntryWhenAnotherImageIsLoaded() {
        const auto w = open(3);
        rig->catalogue = codeCatalogue({1, 2, 3});
        QCOMPARE(w->degBytes()->gridModel()->rowCount(), 6);
        QCOMPARE(cell(w.get(), 0, 1), QStringLiteral("3E"));
        const std::string bin = rig->dir.file("still.bin");
        rig->chooser.paths = {bin};
        w->SaveAs();
        QVERIFY(bytesEqual(demoCatalogue()[3].Data, readBytes(bin)));
    }
};

QTEST_MAIN(tst_frmCode)
#include "tst_frmCode.moc"
