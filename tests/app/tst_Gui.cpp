// The desktop program's windows, wired as the program wires them, on the demo
// disk. The logic behind each command has its own tests; these prove that the
// windows reach it and show what comes back.

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDialog>
#include <QFontInfo>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/AppWiring.h"
#include "basic/frmBasic.h"
#include "bytes/frmCode.h"
#include "bytes/frmSearch.h"
#include "disk/frmDisk.h"
#include "disk/frmDiskMap.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "floppy/frmFDRead.h"
#include "qt/QtFontChooser.h"
#include "qt/QtPrintSurface.h"
#include "screen/RasterPaneWidget.h"
#include "screen/ScreenRenderer.h"
#include "screen/frmScreen.h"
#include "screen/frmScreenSettings.h"
#include "support/TestSupport.h"

namespace {

const std::string kDemo = QUILLMAR_BINARY_DIR "/samples/demo.opu";

// Every print goes to a PDF file.
class PdfPrinter : public PrinterChooser {
public:
    explicit PdfPrinter(std::string path) : m_path(std::move(path)) {}
    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions&) override {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(m_path));
        PrinterChoice choice;
        choice.surface = std::make_unique<QtPrintSurface>(std::move(printer));
        return choice;
    }

private:
    std::string m_path;
};

// Runs the action on the first window of type T once it shows: a command that
// opens a modal window returns only after the action closed it. A window that
// never shows fails the test by timing out; the modal one in the way is closed.
template <class T>
void whenShown(const std::function<void(T*)>& action) {
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, action, deadline] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* t = qobject_cast<T*>(w); t != nullptr && t->isVisible()) {
                timer->deleteLater();
                timer->stop();
                action(t);
                return;
            }
        }
        if (deadline.hasExpired()) {
            timer->deleteLater();
            timer->stop();
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        }
    });
    timer->start(5);
}

// One run of the program: scripted dialogs, the demo disk in a simulated
// drive, settings and log in a fresh folder. Qt's own message boxes on request.
struct Run {
    TempDir dir;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
    PdfPrinter printer{dir.file("print.pdf")};
    QtFontChooser fonts;
    SimulatedFloppyDriver floppy;
    std::string settings = dir.file("Quillmar.Ini");
    std::unique_ptr<AppWiring> app;

    explicit Run(bool qtMessages = false, std::vector<SimulatedFault> faults = {})
        : floppy{kDemo, std::move(faults)} {
        AppOptions options;
        options.prompter = qtMessages ? nullptr : &prompter;
        options.chooser = &chooser;
        options.printerChooser = &printer;
        options.fontChooser = &fonts;
        options.environment = StartupEnvironment{settings, dir.path().string()};
        options.driver = &floppy;
        app = std::make_unique<AppWiring>(options);
        if (!app->Main()) {
            throw std::runtime_error("the program did not start");
        }
    }
    frmDisk* main() const { return app->mainWindow(); }
    QTreeWidget* list() const { return main()->lvuDisk(); }
    static QAction* action(QWidget* w, const char* name) {
        return w->findChild<QAction*>(QString::fromUtf8(name));
    }
    void openDemo() {
        chooser.paths.push_back(kDemo);
        action(main(), "mnuFileOpenExistingOpusImageFile")->trigger();
    }
    // The row's entry in the window that opening it makes.
    template <class T>
    T* open(int row) {
        list()->setCurrentItem(list()->topLevelItem(row));
        emit list()->itemDoubleClicked(list()->topLevelItem(row), 0);
        return viewer<T>();
    }
    template <class T>
    T* viewer() const {
        T* last = nullptr;
        for (QWidget* w : app->viewers()) {
            if (auto* t = qobject_cast<T*>(w)) {
                last = t;
            }
        }
        return last;
    }
    std::string settingsText() const {
        QFile file(QString::fromStdString(settings));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

class tst_Gui : public QObject {
    Q_OBJECT

private slots:
    void eachRowOpensItsViewerWhichProposesItsFirstFormat() {
        Run run;
        run.openDemo();
        QCOMPARE(run.list()->topLevelItemCount(), 5);
        struct Row {
            int row;
            const char* proposed;
            const char* saveAs;
            std::function<QWidget*(Run&, int)> open;
        };
        const Row rows[] = {
            {0, "demo.Tap", "demo.Txt", [](Run& r, int i) { return r.open<frmBasic>(i); }},
            {1, "screen.Tap", "screen.Bmp", [](Run& r, int i) { return r.open<frmScreen>(i); }},
            {2, "code.Tap", "code.Bin", [](Run& r, int i) { return r.open<frmCode>(i); }},
            {3, "numbers.Tap", "numbers.Tap", [](Run& r, int i) { return r.open<frmCode>(i); }},
            {4, "letters.Tap", "letters.Bin", [](Run& r, int i) { return r.open<frmCode>(i); }},
        };
        for (const Row& row : rows) {
            QWidget* viewer = row.open(run, row.row);
            QVERIFY2(viewer != nullptr && viewer->isVisible(), row.proposed);
            const std::string name = row.proposed;
            QVERIFY(viewer->windowTitle().contains(QString::fromStdString(name.substr(0, name.find('.')))));
            const std::string target = run.dir.file(row.saveAs);
            run.chooser.paths.push_back(target);
            Run::action(viewer, "mnuFileSaveAs")->trigger();
            QCOMPARE(run.chooser.proposedNames.back(), std::string(row.proposed));
            QVERIFY2(QFile(QString::fromStdString(target)).size() > 0, row.saveAs);
            QCOMPARE(run.prompter.shown.back().text, "File successfully saved as [" + target + "].");
        }
    }

    void theOpusFileShortcutsWorkRightAfterAnOpen() {
        Run run;
        run.main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(run.main()));
        run.openDemo();
        const std::pair<Qt::Key, int> keys[] = {{Qt::Key_G, 0}, {Qt::Key_E, 1}, {Qt::Key_B, 2}};
        for (const auto& [key, row] : keys) {
            run.list()->setCurrentItem(run.list()->topLevelItem(row));
            run.main()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(run.main()));
            QTest::keyClick(run.list(), key, Qt::ControlModifier);
        }
        QVERIFY(run.viewer<frmBasic>() && run.viewer<frmScreen>() && run.viewer<frmCode>());
    }

    void aViewersMessagesStandOverTheViewer() {
        Run run(true);
        run.openDemo();
        frmCode* code = run.open<frmCode>(2);
        const auto search = [&](const char* needle) {
            whenShown<frmSearch>([needle](frmSearch* dialog) {
                dialog->txtSearch()->setText(QString::fromUtf8(needle));
                dialog->cmdOK()->click();
            });
            Run::action(code, "mnuEditSearch")->trigger();
        };
        search("QUILLMAR");
        const SearchTarget hit = TargetOf(16);  // the text follows 16 bytes of code
        const GridSelection found = code->degBytes()->selection();
        QCOMPARE(found.firstRow, hit.row);
        QCOMPARE(std::minmax(found.firstColumn, found.lastColumn),
                 std::minmax(hit.column, hit.selectionEndColumn));

        QWidget* boxParent = nullptr;
        const auto recordBox = [&] {
            boxParent = nullptr;
            whenShown<QMessageBox>([&](QMessageBox* box) {
                boxParent = box->parentWidget();
                box->accept();
            });
        };
        recordBox();
        search("no such text");
        QCOMPARE(boxParent, code);

        frmBasic* basic = run.open<frmBasic>(0);
        recordBox();
        run.chooser.paths.push_back(run.dir.file("demo.Odd"));
        Run::action(basic, "mnuFileSaveAs")->trigger();
        QCOMPARE(boxParent, basic);
    }

    void thePaletteDialogRecoloursItsOwnPicture() {
        Run run;
        run.openDemo();
        frmScreen* first = run.open<frmScreen>(1);
        frmScreen* second = run.open<frmScreen>(1);
        QVERIFY(first != second);
        Run::action(first, "mnuScreenAdjustPalettes")->trigger();
        frmScreenSettings* dialog = first->settingsDialog();
        QVERIFY(dialog->isVisible());
        dialog->cboPalette()->setCurrentIndex(frmScreenSettings::kColorScreen);
        dialog->cboColor()->setCurrentIndex(0);
        dialog->setComponent(0, 0x80);
        std::uint8_t r = 0, g = 0, b = 0;
        QVERIFY(first->rpnScr()->GetColorColor(0, r, g, b));
        QCOMPARE(r, std::uint8_t{0x80});
        QVERIFY(second->rpnScr()->GetColorColor(0, r, g, b));
        QCOMPARE(r, std::uint8_t{0});
    }

    void theListingPrintsToPdf() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QSKIP("poppler-utils (pdftotext) is not installed");
        }
        Run run;
        run.openDemo();
        Run::action(run.open<frmBasic>(0), "mnuFilePrint")->trigger();
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QString::fromStdString(run.dir.file("print.pdf")), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(printed.contains(QStringLiteral("10 REM Quillmar demo disk")), qPrintable(printed));
    }

    void theFontDialogUntouchedChangesNothing() {
        Run run;
        run.openDemo();
        frmBasic* basic = run.open<frmBasic>(0);
        const FontChoice before = basic->listingFont();
        const QFont shown = basic->txtBasic()->font();
        QVERIFY(QFontInfo(shown).fixedPitch());
        QFont offered;
        whenShown<QDialog>([&](QDialog* dialog) {
            offered = dialog->findChild<QFontDialog*>()->currentFont();
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        Run::action(basic, "mnuEditListingFont")->trigger();
        QCOMPARE(offered.family(), shown.family());
        QCOMPARE(offered.italic(), false);
        QCOMPARE(offered.bold(), false);
        QCOMPARE(offered.pointSize(), 8);
        QCOMPARE(basic->listingFont(), before);
        QCOMPARE(basic->txtBasic()->font(), shown);
        QVERIFY(!contains(run.settingsText(), "Font Italic=True"));
    }

    void readingTheDiskKeepsCancelPointable() {
        Run run;
        QPointer<frmFDRead> read;
        bool busyOverDialogOnly = false;
        whenShown<frmFDRead>([&](frmFDRead* dialog) {
            read = dialog;
            dialog->afterSide = [&](const ReadProgress&) {
                busyOverDialogOnly = QApplication::overrideCursor() == nullptr &&
                                     dialog->cursor().shape() == Qt::WaitCursor &&
                                     dialog->cmdCancel->cursor().shape() == Qt::ArrowCursor;
                dialog->afterSide = nullptr;
            };
            dialog->cmdRead->click();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        Run::action(run.main(), "mnuFileReadPhysicalOpusDisk")->trigger();
        QVERIFY(busyOverDialogOnly);
        QCOMPARE(run.list()->topLevelItemCount(), 5);
        QVERIFY(run.prompter.shown.empty());
    }

    void aSectorBySectorReadMarksTheFileItsBadSectorSpoils() {
        Run run(false, SimulatedFloppyDriver::ParseFaults("0:0:23:99:8"));  // the first file's header block
        whenShown<frmFDRead>([&](frmFDRead* dialog) {
            dialog->mnuOptionsSectorBySectorRead->trigger();
            dialog->cmdRead->click();
            dialog->cmdClose->click();
        });
        Run::action(run.main(), "mnuFileReadPhysicalOpusDisk")->trigger();
        QCOMPARE(run.list()->topLevelItem(0)->toolTip(0),
                 QStringLiteral("Bad sectors (head:track:sector): 0:0:8"));
        QCOMPARE(run.list()->topLevelItem(1)->toolTip(0), QString());
        emit run.main()->findChild<QMenu*>(QStringLiteral("mnuFile"))->aboutToShow();
        Run::action(run.main(), "mnuFileDiskMap")->trigger();
        const QString first = run.list()->topLevelItem(0)->text(0);
        QCOMPARE(run.main()->findChild<frmDiskMap*>()->lstHitFiles()->item(0)->text(),
                 QStringLiteral("1  %1  0:0:8").arg(first));
    }

    void escapeOnAnIdleReadDialogIsClose() {
        Run run;
        int result = -1;
        whenShown<frmFDRead>([&](frmFDRead* dialog) {
            QObject::connect(dialog, &QDialog::finished, [&](int r) { result = r; });
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        Run::action(run.main(), "mnuFileReadPhysicalOpusDisk")->trigger();
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(run.prompter.shown.empty());
        QCOMPARE(run.list()->topLevelItemCount(), 0);
        QCOMPARE(run.main()->windowTitle(), QStringLiteral("Quillmar v2.0.0"));
    }

    // Run by xvfb_wm.sh on a real X server under a window manager.
    void underAWindowManager() {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QSKIP("needs an X server with a window manager (xvfb_wm.sh)");
        }
        Run run;
        run.openDemo();
        QVERIFY(QTest::qWaitForWindowExposed(run.main()));
        QHeaderView* header = run.list()->header();
        QCOMPARE(header->sectionSize(0), header->sectionSize(4));  // equal widths to start with
        const int before = header->sectionSize(2);
        const int edge = header->sectionViewportPosition(2) + before - 1;
        const int y = header->height() / 2;
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
        QTest::mouseMove(header->viewport(), QPoint(edge + 60, y));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 60, y));
        const int widened = header->sectionSize(2);
        QVERIFY2(widened > before, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(widened)));

        frmScreen* screen = run.open<frmScreen>(1);
        Run::action(screen, "mnuScreenSize(2)")->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        QTest::qWait(500);  // the window manager's answer to the resize
        RasterPaneWidget* picture = screen->rpnScr();
        QCOMPARE(picture->size(), QSize(3 * ScreenRenderer::kWidth, 3 * ScreenRenderer::kHeight));
        QVERIFY(screen->rect().contains(QRect(picture->mapTo(screen, QPoint(0, 0)), picture->size())));
        QVERIFY(Run::action(screen, "mnuScreenSize(2)")->isChecked());
        run.main()->close();
        Run next;
        next.main()->setSettingsFile(run.settings);
        QCOMPARE(next.list()->header()->sectionSize(2), widened);
    }
};

QTEST_MAIN(tst_Gui)
#include "tst_Gui.moc"
