// The desktop program's windows, wired as the program wires them, on the demo
// disk. The logic behind each command has its own tests; these prove that the
// windows reach it and show what comes back.

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDialog>
#include <QFontInfo>
#include <QHeaderView>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "floppy/SimulatedFloppyDriver.h"
#include "gui/app/AppWiring.h"
#include "gui/basic/frmBasic.h"
#include "gui/bytes/frmCode.h"
#include "gui/bytes/frmSearch.h"
#include "gui/disk/frmDisk.h"
#include "gui/disk/frmDiskMap.h"
#include "gui/floppy/frmFDRead.h"
#include "gui/floppy/frmFDWrite.h"
#include "gui/qt/QtPrintSurface.h"
#include "gui/screen/RasterPaneWidget.h"
#include "gui/screen/frmScreen.h"
#include "gui/screen/frmScreenSettings.h"
#include "screen/ScreenRenderer.h"
#include "support/TestSupport.h"

namespace {

const std::string kDemo = QUILLMAR_BINARY_DIR "/samples/demo.opu";

// Every print goes to a PDF file.
struct PdfPrinter : PrinterChooser {
    explicit PdfPrinter(std::string path) : m_path(std::move(path)) {}
    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions&) override {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFileName(QString::fromStdString(m_path));
        PrinterChoice choice;
        choice.surface = std::make_unique<QtPrintSurface>(std::move(printer));
        return choice;
    }
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
        const auto all = QApplication::topLevelWidgets();
        const auto it = std::find_if(all.begin(), all.end(), [](QWidget* w) {
            return qobject_cast<T*>(w) != nullptr && w->isVisible();
        });
        if (it == all.end() && !deadline.hasExpired()) {
            return;
        }
        timer->deleteLater();
        timer->stop();
        if (it != all.end()) {
            action(qobject_cast<T*>(*it));
        } else if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    timer->start(5);
}

// The simulated drive, which can stall on one track side the way a device
// that stopped answering does until its timeout.
struct StallingFloppy : SimulatedFloppyDriver {
    using SimulatedFloppyDriver::SimulatedFloppyDriver;
    bool ReadSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                         std::vector<std::uint8_t>& data, std::int32_t& lErrorCode, std::string& sErrorText,
                         std::int32_t lSizeCode, bool bDoubleStep) override {
        if (cylinder == stallTrack) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        }
        return SimulatedFloppyDriver::ReadSingleTrack(drive, cylinder, head, data, lErrorCode, sErrorText,
                                                      lSizeCode, bDoubleStep);
    }
    std::atomic<int> stallTrack{-1};
};

// Scripted answers, with a look at the windows whenever a message shows.
struct WatchingPrompter : ScriptedPrompter {
    MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                      MsgButtons buttons) override {
        if (watch) {
            watch();
        }
        return ScriptedPrompter::message(text, title, icon, buttons);
    }
    std::function<void()> watch;
};

// Starts a read and waits until it has ended.
void readToEnd(frmFDRead* dialog) {
    dialog->cmdRead->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->Reading(), 10000);
}

// One run of the program: scripted dialogs, the demo disk in a simulated
// drive, settings and log in a fresh folder. Qt's own message boxes on request.
struct Run {
    TempDir dir;
    WatchingPrompter prompter;
    ScriptedChooser chooser;
    PdfPrinter printer{dir.file("print.pdf")};
    StallingFloppy floppy;
    std::string settings = dir.file("Quillmar.Ini");
    std::unique_ptr<AppWiring> app;

    explicit Run(bool qtMessages = false, std::vector<SimulatedFault> faults = {})
        : floppy{kDemo, std::move(faults)} {
        AppOptions options;
        options.prompter = qtMessages ? nullptr : &prompter;
        options.chooser = &chooser;
        options.printerChooser = &printer;
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
        const auto all = app->viewers();
        const auto it =
            std::find_if(all.rbegin(), all.rend(), [](QWidget* w) { return qobject_cast<T*>(w); });
        return it == all.rend() ? nullptr : qobject_cast<T*>(*it);
    }
};

}  // namespace

class tst_Gui : public QObject {
    Q_OBJECT

private slots:
    // Each row opens its viewer, by shortcut right after an open or by double
    // click, and the viewer proposes its first format.
    void eachRowOpensItsViewerWhichProposesItsFirstFormat() {
        Run run;
        run.main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(run.main()));
        run.openDemo();
        QCOMPARE(run.list()->topLevelItemCount(), 5);
        const std::pair<Qt::Key, int> keys[] = {{Qt::Key_G, 0}, {Qt::Key_E, 1}, {Qt::Key_B, 2}};
        for (const auto& [key, row] : keys) {
            run.list()->setCurrentItem(run.list()->topLevelItem(row));
            run.main()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(run.main()));
            QTest::keyClick(run.list(), key, Qt::ControlModifier);
        }
        QVERIFY(run.viewer<frmBasic>() && run.viewer<frmScreen>() && run.viewer<frmCode>());
        const std::array<std::array<std::string, 3>, 4> rows = {{{"demo.Tap", "demo.Txt", "frmBasic"},
                                                                 {"screen.Tap", "screen.Bmp", "frmScreen"},
                                                                 {"code.Tap", "code.Bin", "frmCode"},
                                                                 {"numbers.Tap", "numbers.Tap", "frmCode"}}};
        for (int row = 0; row < 4; ++row) {
            const auto& [proposed, saveAs, type] = rows[static_cast<std::size_t>(row)];
            QWidget* viewer = run.open<QWidget>(row);
            QVERIFY2(viewer != nullptr && viewer->isVisible(), proposed.c_str());
            QCOMPARE(viewer->metaObject()->className(), type.c_str());
            const std::string target = run.dir.file(saveAs);
            run.chooser.paths.push_back(target);
            Run::action(viewer, "mnuFileSaveAs")->trigger();
            QCOMPARE(run.chooser.proposedNames.back(), proposed);
            QVERIFY2(QFile(QString::fromStdString(target)).size() > 0, saveAs.c_str());
        }
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

    // Each size command sizes the window round a picture of exactly that zoom.
    void theSizeCommandsSizeTheWindowRoundThePicture() {
        Run run;
        run.openDemo();
        frmScreen* screen = run.open<frmScreen>(1);
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        for (const int i : {2, 0, 1}) {
            screen->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(screen));
            QTest::keyClick(screen, Qt::Key(Qt::Key_F1 + i), Qt::ControlModifier);
            QTest::qWait(20);
            QCOMPARE(screen->rpnScr()->size(),
                     QSize((i + 1) * ScreenRenderer::kWidth, (i + 1) * ScreenRenderer::kHeight));
        }
    }

    // "Opus File" is usable whenever files are listed: after a read, and
    // after an open that was cancelled.
    void theOpusFileMenuFollowsTheList() {
        Run run;
        QAction* viewAsBasic = Run::action(run.main(), "mnuOpusFileViewAsBASICProgram");
        QVERIFY(!viewAsBasic->isEnabled());
        whenShown<frmFDRead>([](frmFDRead* dialog) {
            readToEnd(dialog);
            dialog->cmdClose->click();
        });
        Run::action(run.main(), "mnuFileReadPhysicalOpusDisk")->trigger();
        QCOMPARE(run.list()->topLevelItemCount(), 5);
        QVERIFY(viewAsBasic->isEnabled());
        run.chooser.paths.push_back(std::nullopt);
        Run::action(run.main(), "mnuFileOpenExistingOpusImageFile")->trigger();
        QVERIFY(viewAsBasic->isEnabled());
        // A file of the wrong length, refused at its question (asked from the
        // opener's own thread).
        writeBytes(run.dir.file("short.opu"), std::vector<std::uint8_t>(100));
        run.chooser.paths.push_back(run.dir.file("short.opu"));
        run.prompter.answers.push_back(MsgAnswer::No);
        Run::action(run.main(), "mnuFileOpenExistingOpusImageFile")->trigger();
        QCOMPARE(run.prompter.shown.size(), std::size_t{2});  // the question, then "ignored"
        QCOMPARE(run.prompter.shown[0].buttons, MsgButtons::YesNo);
        QCOMPARE(run.list()->topLevelItemCount(), 5);
        QVERIFY(viewAsBasic->isEnabled());
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
        QVERIFY(!offered.italic() && !offered.bold());
        QCOMPARE(offered.pointSize(), 8);
        QCOMPARE(basic->listingFont(), before);
        QCOMPARE(basic->txtBasic()->font(), shown);
        QVERIFY(readText(run.settings).find("Font Italic=True") == std::string::npos);
    }

    // The Listing Font dialog stands over its viewer; Esc is Cancel, Enter is
    // OK, and the size it was given comes back exactly.
    void theListingFontDialogAnswersEscAndEnterOverItsViewer() {
        Run run;
        run.openDemo();
        frmBasic* basic = run.open<frmBasic>(0);
        QWidget* parent = nullptr;
        int result = -1;
        const auto press = [&](Qt::Key key) {
            whenShown<QDialog>([&, key](QDialog* dialog) {
                parent = dialog->parentWidget();
                QObject::connect(dialog, &QDialog::finished, [&](int r) { result = r; });
                auto* fonts = dialog->findChild<QFontDialog*>();
                QFont italic = fonts->currentFont();
                italic.setStyleName(QString());
                italic.setItalic(true);
                fonts->setCurrentFont(italic);
                QTest::keyClick(fonts->findChild<QListView*>(), key);
            });
            Run::action(basic, "mnuEditListingFont")->trigger();
        };
        press(Qt::Key_Escape);
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(parent, basic);
        QVERIFY(!basic->listingFont().italic);
        press(Qt::Key_Return);
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(basic->listingFont().italic);
        QVERIFY(readText(run.settings).find("Font Size=8.25") != std::string::npos);
    }

    // Escape on the idle read dialog is Close; during a read it cancels, and
    // the busy cursor leaves Cancel pointable.
    void theReadDialogsEscapeAndBusyCursor() {
        Run run;
        int result = -1;
        whenShown<frmFDRead>([&](frmFDRead* dialog) {
            QObject::connect(dialog, &QDialog::finished, [&](int r) { result = r; });
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        Run::action(run.main(), "mnuFileReadPhysicalOpusDisk")->trigger();
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(run.main()->windowTitle(), QStringLiteral("Quillmar v2.0.0"));  // nothing loaded
        bool busyOverDialogOnly = false;
        bool checked = false;
        whenShown<frmFDRead>([&](frmFDRead* dialog) {
            dialog->afterSide = [&, dialog](const ReadProgress&) {
                if (checked) {
                    return;
                }
                checked = true;
                busyOverDialogOnly = QApplication::overrideCursor() == nullptr &&
                                     dialog->cursor().shape() == Qt::WaitCursor &&
                                     dialog->cmdCancel->cursor().shape() == Qt::ArrowCursor;
                QTest::keyClick(dialog, Qt::Key_Escape);  // Cancel
                QTest::keyClick(dialog, Qt::Key_Escape);  // Close
            };
            dialog->cmdRead->click();
        });
        Run::action(run.main(), "mnuFileReadPhysicalOpusDisk")->trigger();
        QVERIFY(busyOverDialogOnly);
        QCOMPARE(run.list()->topLevelItemCount(), 0);
        QCOMPARE(run.prompter.shown.size(), std::size_t{1});  // the read was cancelled
    }

    // The read runs off the window's thread: while the drive stalls the
    // dialog goes on painting, and Cancel takes effect at once.
    void cancelTakesEffectWhileTheDriveStalls() {
        Run run;
        run.floppy.stallTrack = 1;
        qint64 cancelTook = -1;
        whenShown<frmFDRead>([&](frmFDRead* dialog) {
            dialog->afterSide = [&, dialog](const ReadProgress& p) {
                if (p.track != 0 || cancelTook >= 0) {
                    return;
                }
                QTest::qWait(300);  // the drive is now stalled on track 1
                QElapsedTimer clock;
                clock.start();
                dialog->cmdCancel->click();
                QTRY_VERIFY_WITH_TIMEOUT(dialog->cmdClose->isVisible(), 200);
                cancelTook = clock.elapsed();
                dialog->cmdClose->click();
            };
            dialog->cmdRead->click();
        });
        Run::action(run.main(), "mnuFileReadPhysicalOpusDisk")->trigger();
        QVERIFY2(cancelTook >= 0 && cancelTook < 200, qPrintable(QString::number(cancelTook)));
        QCOMPARE(run.list()->topLevelItemCount(), 0);
    }

    // A sector-by-sector read marks the file its bad sector spoils; a flux
    // recording with one unreadable sector opens with one message. The Disk
    // Map shows each.
    void badSectorsOfAReadAndOfAFluxRecordingShowOnTheMap() {
        Run run(false, SimulatedFloppyDriver::ParseFaults("0:0:23:99:8"));  // the first file's header block
        QString sectorShown, statusLines;
        whenShown<frmFDRead>([&](frmFDRead* dialog) {
            dialog->mnuOptionsSectorBySectorRead->trigger();
            readToEnd(dialog);
            sectorShown = dialog->txtSector->text();
            statusLines = dialog->txtTkInfo->toPlainText();
            dialog->cmdClose->click();
        });
        Run::action(run.main(), "mnuFileReadPhysicalOpusDisk")->trigger();
        QCOMPARE(sectorShown, QStringLiteral("17"));  // the last one read on its own
        QVERIFY(readText(run.settings).find("Sector By Sector=True") != std::string::npos);
        QVERIFY(statusLines.endsWith(QStringLiteral("Read finished: 1 of 40 track sides failed: 0:0")));
        QCOMPARE(run.list()->topLevelItem(0)->toolTip(0),
                 QStringLiteral("Bad sectors (head:track:sector): 0:0:8"));
        QCOMPARE(run.list()->topLevelItem(1)->toolTip(0), QString());
        const auto openMap = [&] {
            emit run.main()->findChild<QMenu*>(QStringLiteral("mnuFile"))->aboutToShow();
            Run::action(run.main(), "mnuFileDiskMap")->trigger();
            return run.main()->findChild<frmDiskMap*>();
        };
        frmDiskMap* map = openMap();
        QCOMPARE(map->lstHitFiles()->item(0)->text(),
                 QStringLiteral("1  %1  0:0:8").arg(run.list()->topLevelItem(0)->text(0)));

        // The open map follows the disks that come after: a recording, then
        // an image file, which has no map. The recording's warning comes
        // once its disk is listed.
        writeBytes(run.dir.file("disk.scp"), scpWithOneBadSector());
        run.chooser.paths.push_back(run.dir.file("disk.scp"));
        run.prompter.answers.push_back(MsgAnswer::Ok);
        QString captionAtWarning;
        run.prompter.watch = [&] { captionAtWarning = run.main()->windowTitle(); };
        Run::action(run.main(), "mnuFileOpenExistingOpusImageFile")->trigger();
        QCOMPARE(run.prompter.shown.size(), std::size_t{1});
        QVERIFY2(captionAtWarning.contains(QStringLiteral("[FLUX")), qPrintable(captionAtWarning));
        const QImage picture = map->grab().toImage();
        QCOMPARE(picture.pixelColor(map->cellRect(1, 0, 4).center()),
                 frmDiskMap::stateColour(SectorState::Bad));
        QCOMPARE(picture.pixelColor(map->cellRect(1, 0, 5).center()),
                 frmDiskMap::stateColour(SectorState::Good));
        QVERIFY(map->cellToolTip(map->cellRect(1, 0, 4).center())
                    .startsWith(QStringLiteral("cylinder 1, head 0, sector 4: bad (")));
        run.openDemo();
        QVERIFY(!map->hasMap());
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
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        RasterPaneWidget* picture = screen->rpnScr();
        for (const int i : {2, 0, 1}) {
            const QString name = QStringLiteral("mnuScreenSize(%1)").arg(i);
            Run::action(screen, qPrintable(name))->trigger();
            QTest::qWait(500);  // the window manager's answer to the resize
            QCOMPARE(picture->size(),
                     QSize((i + 1) * ScreenRenderer::kWidth, (i + 1) * ScreenRenderer::kHeight));
            QVERIFY(screen->rect().contains(QRect(picture->mapTo(screen, QPoint(0, 0)), picture->size())));
            QVERIFY(Run::action(screen, qPrintable(name))->isChecked());
        }
        run.main()->close();
        QVERIFY(readText(run.settings).find("Main Placement=") != std::string::npos);
        Run next;
        next.main()->setSettingsFile(run.settings);
        QCOMPARE(next.list()->header()->sectionSize(2), widened);
    }

    // File > Write Image to Physical Disk comes with a loaded disk and asks
    // before anything is replaced; the dialog writes off the GUI thread, shows
    // every side and leaves the simulated disk holding the image.
    void theWriteDialogAsksThenWritesEverySide() {
        Run run;
        QAction* write = Run::action(run.main(), "mnuFileWriteImageToPhysicalDisk");
        QVERIFY(!write->isEnabled());
        run.openDemo();
        QVERIFY(write->isEnabled());
        run.prompter.answers = {MsgAnswer::No};
        whenShown<frmFDWrite>([&](frmFDWrite* dialog) {
            dialog->cmdWrite->click();
            dialog->cmdClose->click();
        });
        write->trigger();
        QCOMPARE(run.prompter.shown.at(0).text,
                 std::string("All data on the disk in drive A will be replaced by QUILLMAR. Write?"));
        QVERIFY(run.prompter.shown.at(0).buttons == MsgButtons::YesNoDefaultNo);

        const std::string drive = run.dir.file("drive.opu");
        writeBytes(drive, std::vector<std::uint8_t>(184320, 0x00));
        SimulatedFloppyDriver sim(drive, SimulatedFloppyDriver::ParseFaults("0:1:23:1:3"));
        ScriptedPrompter prompter;
        prompter.answers = {MsgAnswer::Yes};
        frmFDWrite dialog(sim, prompter, readBytes(kDemo), "DEMO");
        dialog.cmdWrite->click();
        QVERIFY(dialog.Writing() && !dialog.cmdCancel->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Writing(), 20000);
        const QStringList lines = dialog.txtTkInfo->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.at(1), QStringLiteral("0:1 Verify failed: sectors 3 (try 1 of 3)"));
        QCOMPARE(lines.last(), QStringLiteral("Write finished: 40 track sides written and verified"));
        QVERIFY(bytesEqual(readBytes(kDemo), readBytes(drive)));
        QVERIFY(!dialog.cmdClose->isHidden() && prompter.busyDepth == 0);
    }
};

QTEST_MAIN(tst_Gui)
#include "tst_Gui.moc"
