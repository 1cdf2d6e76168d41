#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include "app/AppWiring.h"
#include "qt/QtPrintSurface.h"
#include "core/Twips.h"
#include "disk/Catalogue.h"
#include "export/PrintRecordingSurface.h"
#include "export/SaveTAP.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "screen/RasterPaneWidget.h"
#include "screen/ScreenRenderer.h"
#include "screen/frmScreen.h"
#include "screen/frmScreenSettings.h"
#include "support/TestSupport.h"

#include <QPrinter>

namespace {

// The demo disk: 1 a BASIC program, 2 the SCREEN$ (with a row of FLASH cells).
constexpr int kProgram = 1;
constexpr int kScreen = 2;

Catalogue loadDemo() {
    DiskImage image;
    image.bytes = readBytes(QUILLMAR_BINARY_DIR "/samples/demo.opu");
    Catalogue catalogue;
    RecordingLog log;
    if (!GetDiskFiles(image, catalogue, log)) {
        catalogue.clear();
    }
    return catalogue;
}

QImage toImage(const RgbPicture& p) {
    return QImage(p.rgb.data(), p.width, p.height, static_cast<qsizetype>(p.stride()), QImage::Format_RGB888)
        .copy();
}

QImage rgb888(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB888);
}

// A printer whose drawing of the picture fails.
class FailingSurface : public RecordingSurface {
public:
    using RecordingSurface::RecordingSurface;
    void drawPicture(const PrintPicture&, double, double, double, double) override {
        throw Failure(kPrinterFailure, kPrinterFailureText);
    }
};

class FailingChooser : public RecordingChooser {
public:
    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions& o) override {
        asked.push_back(o);
        PrinterChoice choice;
        choice.surface = std::make_unique<FailingSurface>(record);
        return choice;
    }
};

// Every choice prints to an A4 PDF file that starts in portrait.
class PdfChooser : public PrinterChooser {
public:
    explicit PdfChooser(QString path, PrintOrientation o) : m_path(std::move(path)), m_orientation(o) {}
    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions&) override {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(m_path);
        printer->setPageSize(QPageSize(QPageSize::A4));
        PrinterChoice choice;
        choice.orientation = m_orientation;
        choice.surface = std::make_unique<QtPrintSurface>(std::move(printer));
        return choice;
    }

private:
    QString m_path;
    PrintOrientation m_orientation;
};

QString runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

class tst_frmScreen : public QObject {
    Q_OBJECT

    TempDir dir;
    std::optional<ScopedEnv> home;
    Catalogue catalogue;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
    RecordingLog log;
    RecordingChooser printers;

    ViewerContext context(PrinterChooser& printerChooser) {
        return ViewerContext{
            catalogue, prompter, chooser, log, printerChooser, nullptr, dir.file("Quillmar.Ini"), [] {
                QCoreApplication::processEvents();
            }};
    }

    std::unique_ptr<frmScreen> open(int lIndex, PrinterChooser* printerChooser = nullptr) {
        auto w = std::make_unique<frmScreen>(context(printerChooser != nullptr ? *printerChooser : printers));
        if (!w->ShowOpusScreen(lIndex)) {
            return nullptr;
        }
        return w;
    }

    void setZoom(const std::string& value) {
        const std::string text = "[ScreenViewer]\r\nDefaultSize=" + value + "\r\n";
        writeBytes(dir.file("Quillmar.Ini"), {text.begin(), text.end()});
    }

    static QAction* action(QWidget* w, const char* name) {
        return w->findChild<QAction*>(QString::fromUtf8(name));
    }

    static QList<bool> sizeMarks(const frmScreen& w) {
        return {w.mnuScreenSize(0)->isChecked(), w.mnuScreenSize(1)->isChecked(),
                w.mnuScreenSize(2)->isChecked()};
    }

    const CatalogueEntry& screenEntry() const { return catalogue.at(kScreen); }

private slots:
    void initTestCase() {
        catalogue = loadDemo();
        QVERIFY(catalogue.size() > kScreen);
        // The settings file the zoom is read from is the program's own.
        home.emplace("QUILLMAR_HOME", dir.path().string());
    }

    void init() {
        std::filesystem::remove(dir.file("Quillmar.Ini"));
        prompter.shown.clear();
        log.entries.clear();
    }

    void cleanup() {
        QVERIFY2(prompter.answers.empty(), "unused scripted answers");
        QVERIFY(chooser.paths.empty());
    }

    void opensOnTheDemoDisksScreen() {
        const auto w = open(kScreen);
        QVERIFY(w != nullptr);
        QVERIFY(w->isVisible());
        QVERIFY(prompter.shown.empty());
        QCOMPARE(w->windowTitle(),
                 QStringLiteral("Quillmar v2.0.0 - ") + QString::fromStdString(screenEntry().Name));
        QVERIFY(w->windowTitle().startsWith(QStringLiteral("Quillmar v2.0.0 - screen")));

        // Without a setting the window opens at 200 %: 7920 x 6520 twips outside,
        // the control 7680 x 5760 twips at 60, 60.
        QCOMPARE(w->frameGeometry().size(), QSize(7920 / 15, 6520 / 15));
        QCOMPARE(w->rpnScr()->size(), QSize(512, 384));
        QCOMPARE(w->rpnScr()->pos(), QPoint(4, 4));
        QCOMPARE(sizeMarks(*w), (QList<bool>{false, true, false}));

        QVERIFY(w->settingsDialog() != nullptr);
        QCOMPARE(w->settingsDialog()->rasterPaneControl(), w->rpnScr());
        QVERIFY(!w->settingsDialog()->isVisible());

        // The pane paints the renderer's picture, each pixel repeated twice each way.
        ScreenRenderer renderer;
        renderer.setScreenData(screenEntry().Data);
        const RgbPicture expected = renderer.render(1);
        QCOMPARE(rgb888(w->rpnScr()->Picture()), toImage(expected));
        const QImage painted = w->rpnScr()->grab().toImage();
        QCOMPARE(painted.size(), QSize(512, 384));
        for (int y = 0; y < 192; y += 5) {
            for (int x = 0; x < 256; x += 3) {
                const RgbColor c = expected.pixel(x, y);
                for (const QPoint& p : {QPoint(2 * x, 2 * y), QPoint(2 * x + 1, 2 * y + 1)}) {
                    QCOMPARE(painted.pixelColor(p), QColor(c.red, c.green, c.blue));
                }
            }
        }
    }

    void menusHaveTheirCaptionsShortcutsAndMarks() {
        const auto w = open(kScreen);
        QVERIFY(w != nullptr);
        struct Item {
            const char* name;
            const char* caption;
            QKeySequence shortcut;
            bool checked;
        };
        const Item items[] = {
            {"mnuFileSaveAs", "&Save As...", QKeySequence(Qt::CTRL | Qt::Key_S), false},
            {"mnuFilePrint", "&Print...", QKeySequence(Qt::CTRL | Qt::Key_P), false},
            {"mnuEditCopySCREEN", "Copy SCREEN$", QKeySequence(Qt::CTRL | Qt::Key_C), false},
            {"mnuScreenSize(0)", "&100%", QKeySequence(Qt::CTRL | Qt::Key_F1), false},
            {"mnuScreenSize(1)", "&200%", QKeySequence(Qt::CTRL | Qt::Key_F2), true},
            {"mnuScreenSize(2)", "&300%", QKeySequence(Qt::CTRL | Qt::Key_F3), false},
            {"mnuScreenAdjustPalettes", "Ad&just Palettes...", QKeySequence(Qt::CTRL | Qt::Key_J), false},
            {"mnuScreenFLASH", "F&LASH", QKeySequence(Qt::CTRL | Qt::Key_L), true},
            {"mnuScreenATTR", "A&TTR", QKeySequence(Qt::CTRL | Qt::Key_T), true},
        };
        for (const Item& item : items) {
            QAction* a = action(w.get(), item.name);
            QVERIFY2(a != nullptr, item.name);
            QCOMPARE(a->text(), QString::fromUtf8(item.caption));
            QCOMPARE(a->shortcut(), item.shortcut);
            QCOMPARE(a->isChecked(), item.checked);
        }
        const auto menus = w->menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
        QCOMPARE(menus[1]->text(), QStringLiteral("&Edit"));
        QCOMPARE(menus[2]->text(), QStringLiteral("&Screen"));
        QCOMPARE(menus[2]->menu()->objectName(), QStringLiteral("mnuView"));
        const auto screenItems = menus[2]->menu()->actions();
        QCOMPARE(screenItems.size(), 8);
        QVERIFY(screenItems[3]->isSeparator());
        QVERIFY(screenItems[5]->isSeparator());
    }

    void zoomComesFromTheSettingsFile_data() {
        QTest::addColumn<QString>("setting");  // empty: no file
        QTest::addColumn<int>("factor");
        // The whole-number rule itself is tested without a window.
        QTest::newRow("missing") << QString() << 2;
        QTest::newRow("1") << QStringLiteral("1") << 1;
        QTest::newRow("3") << QStringLiteral("3") << 3;
        QTest::newRow("4") << QStringLiteral("4") << 2;
    }

    void zoomComesFromTheSettingsFile() {
        QFETCH(QString, setting);
        QFETCH(int, factor);
        if (!setting.isEmpty()) {
            setZoom(setting.toStdString());
        }
        const auto w = open(kScreen);
        QVERIFY(w != nullptr);
        QCOMPARE(w->frameGeometry().size(),
                 QSize(twipsToPixels(factor * 3840 + 240), twipsToPixels(factor * 2880 + 760)));
        QCOMPARE(w->rpnScr()->size(), QSize(factor * 256, factor * 192));
        QList<bool> marks{false, false, false};
        marks[factor - 1] = true;
        QCOMPARE(sizeMarks(*w), marks);
    }

    void zoom3SizesAndADragClearsTheMarks() {
        setZoom("3");
        const auto w = open(kScreen);
        QVERIFY(w != nullptr);
        QCOMPARE(w->frameGeometry().size(), QSize(11760 / 15, 9400 / 15));
        QCOMPARE(w->rpnScr()->size(), QSize(768, 576));

        // A drag: the control stretches with the window and no size is marked.
        w->resize(700, 500);
        QApplication::processEvents();
        QCOMPARE(sizeMarks(*w), (QList<bool>{false, false, false}));
        const QSize outer = w->frameGeometry().size();
        QCOMPARE(w->rpnScr()->size(),
                 QSize(twipsToPixels(outer.width() * 15 - 240), twipsToPixels(outer.height() * 15 - 760)));
        QCOMPARE(w->rpnScr()->grab().toImage().size(), w->rpnScr()->size());

        // Each size entry restores its exact size and its mark.
        for (int i = 0; i < 3; ++i) {
            w->mnuScreenSize(i)->trigger();
            QApplication::processEvents();
            const int f = i + 1;
            QCOMPARE(w->frameGeometry().size(),
                     QSize(twipsToPixels(f * 3840 + 240), twipsToPixels(f * 2880 + 760)));
            QCOMPARE(w->rpnScr()->size(), QSize(f * 256, f * 192));
            QList<bool> marks{false, false, false};
            marks[i] = true;
            QCOMPARE(sizeMarks(*w), marks);
        }

        // Minimized, the size command does nothing.
        w->showMinimized();
        QApplication::processEvents();
        if (w->isMinimized()) {
            w->mnuScreenSize(0)->trigger();
            QCOMPARE(sizeMarks(*w), (QList<bool>{false, false, true}));
            QCOMPARE(w->rpnScr()->size(), QSize(768, 576));
        }
    }

    void refusedEntryLeavesNoWindow() {
        frmScreen w(context(printers));
        QVERIFY(!w.ShowOpusScreen(kProgram));
        QVERIFY(!w.isVisible());
        QVERIFY(w.settingsDialog() == nullptr);
        QCOMPARE(prompter.shown.size(), std::size_t{1});
        const std::string refusal = *ScreenRenderer::ScreenDataRefusal(catalogue.at(kProgram).Data);
        QCOMPARE(prompter.shown[0].text, "File cannot be rendered as a ZX Spectrum Screen:\r\n" + refusal);
        QVERIFY(prompter.shown[0].icon == MsgIcon::Exclamation);
        QCOMPARE(prompter.shown[0].title, std::string("Quillmar v2.0.0"));
        QVERIFY(log.entries.empty());
    }

    void indexOutsideTheCatalogueIsLogged() {
        for (const int index : {-1, static_cast<int>(catalogue.size())}) {
            frmScreen w(context(printers));
            QVERIFY(!w.ShowOpusScreen(index));
            QVERIFY(!w.isVisible());
        }
        QVERIFY(prompter.shown.empty());
        QCOMPARE(log.entries.size(), std::size_t{2});
        for (const auto& e : log.entries) {
            QCOMPARE(e.what, std::string("Error 9 (Subscript out of range ) in ShowOpusScreen at line 1"));
            QCOMPARE(e.severity, 1);
        }
    }

    void theDiskBrowsersFactoryOpensAndRefuses() {
        StartupEnvironment env{dir.file("Quillmar.Ini"), dir.path().string()};
        AppOptions options;
        options.prompter = &prompter;
        options.chooser = &chooser;
        options.environment = env;
        SimulatedFloppyDriver floppy(std::string(QUILLMAR_BINARY_DIR "/samples/demo.opu"), {});
        options.driver = &floppy;
        AppWiring app(options);
        QVERIFY(app.Main());
        app.session().catalogue = catalogue;

        const auto viewers = [] {
            QList<frmScreen*> found;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* s = qobject_cast<frmScreen*>(w)) {
                    found << s;
                }
            }
            return found;
        };
        QVERIFY(app.ShowOpusScreen(kScreen));
        QVERIFY(app.ShowOpusScreen(kScreen));
        QCOMPARE(viewers().size(), 2);
        QVERIFY(viewers()[0]->isVisible());
        QVERIFY(viewers()[0]->testAttribute(Qt::WA_DeleteOnClose));

        QVERIFY(!app.ShowOpusScreen(kProgram));
        QCOMPARE(prompter.shown.size(), std::size_t{1});
        QCOMPARE(viewers().size(), 2);

        // The viewers keep their pictures when another image is loaded.
        app.session().catalogue.clear();
        QCOMPARE(viewers()[1]->entry().Data, screenEntry().Data);

        for (frmScreen* s : viewers()) {
            s->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(viewers().isEmpty());
    }

    void flashRunsWhileShownAndFlashAndAttrSwitch() {
        const auto w = open(kScreen);
        QVERIFY(w != nullptr);
        RasterPaneWidget* pane = w->rpnScr();
        QVERIFY(pane->flashRunning());
        const QImage steady = pane->shownPicture();
        QTRY_VERIFY_WITH_TIMEOUT(pane->flashPhase() == ScreenRenderer::FlashPhase::Swapped, 2000);
        const QImage swapped = pane->shownPicture();
        // Only the FLASH row (character row 22) changes.
        QVERIFY(steady.copy(0, 176, 256, 8) != swapped.copy(0, 176, 256, 8));
        QCOMPARE(steady.copy(0, 0, 256, 176), swapped.copy(0, 0, 256, 176));

        w->mnuScreenFLASH()->trigger();
        QVERIFY(!w->mnuScreenFLASH()->isChecked());
        QVERIFY(!pane->UseFLASH());
        QVERIFY(!pane->flashRunning());
        QCOMPARE(pane->shownPicture(), steady);
        w->mnuScreenFLASH()->trigger();
        QVERIFY(pane->UseFLASH());
        QVERIFY(pane->flashRunning());

        // ATTR off: the two colours of the bitmap palette, nothing to flash.
        w->mnuScreenATTR()->trigger();
        QVERIFY(!w->mnuScreenATTR()->isChecked());
        QVERIFY(!pane->UseATTR());
        QVERIFY(!pane->flashRunning());
        const QImage mono = rgb888(pane->Picture());
        for (int y = 0; y < 192; y += 3) {
            for (int x = 0; x < 256; x += 3) {
                const QColor c = mono.pixelColor(x, y);
                QVERIFY(c == QColor(Qt::white) || c == QColor(Qt::black));
            }
        }
        w->mnuScreenATTR()->trigger();
        QVERIFY(pane->UseATTR());

        // A hidden window stops the clock.
        w->hide();
        QVERIFY(!pane->flashRunning());
        w->show();
        QVERIFY(pane->flashRunning());
    }

    void paletteDialogFollowsAttr() {
        const auto w = open(kScreen);
        QVERIFY(w != nullptr);
        frmScreenSettings* dialog = w->settingsDialog();
        action(w.get(), "mnuScreenAdjustPalettes")->trigger();
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->parentWidget(), w.get());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Quillmar v2.0.0 - Palette Settings"));
        QCOMPARE(dialog->cboPalette()->currentText(), QStringLiteral("Color Screen"));
        QCOMPARE(dialog->cboColor()->currentText(), QStringLiteral("Black"));

        dialog->close();
        w->mnuScreenATTR()->trigger();
        action(w.get(), "mnuScreenAdjustPalettes")->trigger();
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->cboPalette()->currentText(), QStringLiteral("Mono Bitmap"));
        QCOMPARE(dialog->cboColor()->currentText(), QStringLiteral("Background"));
        QCOMPARE(dialog->cboColor()->count(), 2);
    }

    void aColourChangeReachesOnlyItsOwnViewer() {
        const auto first = open(kScreen);
        const auto second = open(kScreen);
        QVERIFY(first != nullptr && second != nullptr);
        const QImage before = second->rpnScr()->Picture();
        std::uint8_t r = 0;
        std::uint8_t g = 0;
        std::uint8_t b = 0;

        // Paper 0 (black) shows in the first columns; turn it red in the first viewer.
        action(first.get(), "mnuScreenAdjustPalettes")->trigger();
        frmScreenSettings* dialog = first->settingsDialog();
        QCOMPARE(dialog->cboColor()->currentText(), QStringLiteral("Black"));
        dialog->setComponent(0, 0xC0);
        QVERIFY(first->rpnScr()->GetColorColor(0, r, g, b));
        QCOMPARE((std::array<int, 3>{r, g, b}), (std::array<int, 3>{0xC0, 0, 0}));
        QCOMPARE(first->rpnScr()->Picture().pixelColor(0, 0), QColor(0xC0, 0, 0));

        QVERIFY(second->rpnScr()->GetColorColor(0, r, g, b));
        QCOMPARE((std::array<int, 3>{r, g, b}), (std::array<int, 3>{0, 0, 0}));
        QCOMPARE(second->rpnScr()->Picture(), before);

        // The reset goes to the first viewer alone as well.
        second->rpnScr()->SetColorColor(0, 1, 2, 3);
        dialog->cmdReset()->click();
        QVERIFY(first->rpnScr()->GetColorColor(0, r, g, b));
        QCOMPARE((std::array<int, 3>{r, g, b}), (std::array<int, 3>{0, 0, 0}));
        QVERIFY(second->rpnScr()->GetColorColor(0, r, g, b));
        QCOMPARE((std::array<int, 3>{r, g, b}), (std::array<int, 3>{1, 2, 3}));
    }

    void saveAsEveryExtension() {
        const auto w = open(kScreen);
        QVERIFY(w != nullptr);
        // The window saves its own copy, whatever happens to the catalogue.
        const CatalogueEntry original = screenEntry();
        const Catalogue kept = catalogue;
        catalogue.clear();

        const std::string tap = dir.file("shot.tap");
        const std::string scr = dir.file("shot.Scr");
        const std::string bmp = dir.file("shot.BMP");
        const std::string png = dir.file("shot.png");
        chooser.paths = {tap, scr, bmp, png, std::nullopt};
        prompter.answers = {};
        QAction* saveAs = action(w.get(), "mnuFileSaveAs");
        for (int i = 0; i < 5; ++i) {
            saveAs->trigger();
        }
        catalogue = kept;

        QCOMPARE(chooser.titles, std::vector<std::string>(5, "Save current SCREEN$ as..."));
        QCOMPARE(chooser.proposedNames, std::vector<std::string>(5, original.Name));
        chooser.titles.clear();
        chooser.proposedNames.clear();
        QCOMPARE(prompter.shown.size(), std::size_t{4});
        QCOMPARE(prompter.shown[0].text, "File successfully saved as [" + tap + "].");
        QCOMPARE(prompter.shown[1].text, "File successfully saved as [" + scr + "].");
        QCOMPARE(prompter.shown[2].text, "File successfully saved as [" + bmp + "].");
        QCOMPARE(prompter.shown[3].text, std::string("Extension [PNG] not recognized. Command ignored."));
        QVERIFY(prompter.shown[3].icon == MsgIcon::Exclamation);
        QVERIFY(log.entries.empty());

        QVERIFY(bytesEqual(BuildTapBlocks(original), readBytes(tap)));
        QVERIFY(bytesEqual(original.Data, readBytes(scr)));
        const QImage back(QString::fromStdString(bmp));
        QCOMPARE(rgb888(back), rgb888(w->rpnScr()->Picture()));
        QVERIFY(!std::filesystem::exists(png));
    }

    void copyScreenPutsThePictureOnTheClipboard() {
        const auto w = open(kScreen);
        QVERIFY(w != nullptr);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        action(w.get(), "mnuEditCopySCREEN")->trigger();
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(256, 192));
        ScreenRenderer renderer;
        renderer.setScreenData(screenEntry().Data);
        QCOMPARE(rgb888(copied), toImage(renderer.render(1)));
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    }

    void printFillsTheWidthOrTheHeight_data() {
        QTest::addColumn<bool>("landscape");
        QTest::newRow("portrait") << false;
        QTest::newRow("landscape") << true;
    }

    void printFillsTheWidthOrTheHeight() {
        QFETCH(bool, landscape);
        RecordingChooser chooser2;
        chooser2.orientation = landscape ? PrintOrientation::Landscape : PrintOrientation::Portrait;
        chooser2.record.printable[0] = landscape ? 15000 : 10000;
        chooser2.record.printable[1] = landscape ? 10000 : 15000;
        const auto w = open(kScreen, &chooser2);
        QVERIFY(w != nullptr);
        action(w.get(), "mnuFilePrint")->trigger();
        QCOMPARE(chooser2.asked.size(), std::size_t{1});
        QCOMPARE(chooser2.asked[0].title, std::string("Select printer to print this SCREEN$ to..."));
        QVERIFY(!chooser2.asked[0].allowPrintToFile);
        QVERIFY(!chooser2.asked[0].allowPageRanges);
        QCOMPARE(chooser2.record.orientations, std::vector<PrintOrientation>{chooser2.orientation});
        QCOMPARE(chooser2.record.pictures.size(), std::size_t{1});
        const auto& p = chooser2.record.pictures[0];
        QCOMPARE(p.x, 0.0);
        QCOMPARE(p.y, 0.0);
        // 256 x 192 pixels: portrait 10000 wide and 7500 high; landscape 10000
        // high and 13333.33 wide, rounded to whole twips.
        QCOMPARE(p.width, landscape ? 13333.0 : 10000.0);
        QCOMPARE(p.height, landscape ? 10000.0 : 7500.0);
        QCOMPARE(p.pictureWidth, 256);
        QCOMPARE(p.pictureHeight, 192);
        QCOMPARE(chooser2.record.calls.back(), std::string("endDocument"));
        QVERIFY(log.entries.empty());
    }

    void printCancelledOrFailing() {
        RecordingChooser cancelling;
        cancelling.cancel = true;
        const auto w = open(kScreen, &cancelling);
        QVERIFY(w != nullptr);
        action(w.get(), "mnuFilePrint")->trigger();
        QCOMPARE(cancelling.asked.size(), std::size_t{1});
        QVERIFY(cancelling.record.calls.empty());
        QVERIFY(log.entries.empty());

        FailingChooser failing;
        const auto v = open(kScreen, &failing);
        QVERIFY(v != nullptr);
        action(v.get(), "mnuFilePrint")->trigger();
        QCOMPARE(log.entries.size(), std::size_t{1});
        QCOMPARE(log.entries[0].what, std::string("Error 482 (Printer error ) in mnuFilePrint at line 4"));
        QCOMPARE(log.entries[0].severity, 1);
        QCOMPARE(failing.record.calls.back(), std::string("abandonDocument"));
        QVERIFY(prompter.shown.empty());
    }

    void printToPdfInLandscape() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
            QSKIP("poppler-utils is not installed");
        }
        const QString pdf = QString::fromStdString(dir.file("screen.pdf"));
        PdfChooser pdfChooser(pdf, PrintOrientation::Landscape);
        const auto w = open(kScreen, &pdfChooser);
        QVERIFY(w != nullptr);
        action(w.get(), "mnuFilePrint")->trigger();
        QVERIFY(log.entries.empty());
        const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\b"))), qPrintable(info));
        QVERIFY2(
            info.contains(QStringLiteral("841.89 x 595.276")) || info.contains(QStringLiteral("842 x 595")),
            qPrintable(info));
        const QStringList rows = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                     .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 3);
        const QStringList cols = rows[2].split(' ', Qt::SkipEmptyParts);
        QCOMPARE(cols[3].toInt(), 256);
        QCOMPARE(cols[4].toInt(), 192);
    }
};

QTEST_MAIN(tst_frmScreen)
#include "tst_frmScreen.moc"
