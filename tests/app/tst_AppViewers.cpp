#include <QAction>
#include <QPointer>
#include <QTest>

#include "app/AppWiring.h"
#include "basic/ViewerTestSupport.h"
#include "basic/frmBasic.h"
#include "bytes/frmCode.h"
#include "disk/frmDisk.h"
#include "floppy/SimulatedFloppyDriver.h"

// The viewers as the program opens them: from the disk browser, each a window
// of its own that lives on whatever image is loaded after it.
class tst_AppViewers : public QObject {
    Q_OBJECT

    struct Run {
        TempDir dir;
        ScriptedPrompter prompter;
        ScriptedChooser chooser;
        RecordingChooser printers;
        ScriptedFontChooser fonts;
        SimulatedFloppyDriver floppy{std::string(QUILLMAR_BINARY_DIR "/samples/demo.opu"), {}};
        std::unique_ptr<AppWiring> app;
        std::string settings = dir.file("Quillmar.Ini");

        Run() {
            AppOptions options;
            options.prompter = &prompter;
            options.chooser = &chooser;
            options.printerChooser = &printers;
            options.fontChooser = &fonts;
            options.environment = StartupEnvironment{settings, dir.path().string()};
            options.driver = &floppy;
            app = std::make_unique<AppWiring>(options);
        }
        QAction* action(const char* name) {
            return app->mainWindow()->findChild<QAction*>(QString::fromUtf8(name));
        }
        void openImage(const std::string& path) {
            chooser.paths.push_back(path);
            action("mnuFileOpenExistingOpusImageFile")->trigger();
        }
        void openDemo() { openImage(QUILLMAR_BINARY_DIR "/samples/demo.opu"); }
        template <class T>
        std::vector<T*> viewersOf() {
            std::vector<T*> out;
            for (QWidget* w : app->viewers()) {
                if (auto* v = qobject_cast<T*>(w)) {
                    out.push_back(v);
                }
            }
            return out;
        }
    };

    static void deleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private slots:
    void theDiskBrowserOpensAFreshViewerForEachRequest() {
        Run run;
        QVERIFY(run.app->Main());
        run.openDemo();
        QTreeWidget* list = run.app->mainWindow()->lvuDisk();
        QCOMPARE(list->topLevelItemCount(), 5);

        list->setCurrentItem(list->topLevelItem(0));
        emit list->itemDoubleClicked(list->topLevelItem(0), 0);
        // The menu's items follow the list when it drops down.
        emit run.app->mainWindow()->findChild<QMenu*>(QStringLiteral("mnuOpusFile"))->aboutToShow();
        list->setCurrentItem(list->topLevelItem(2));
        run.action("mnuOpusFileViewAsBytes")->trigger();
        list->setCurrentItem(list->topLevelItem(0));
        run.action("mnuOpusFileViewAsBASICProgram")->trigger();

        const auto programs = run.viewersOf<frmBasic>();
        const auto dumps = run.viewersOf<frmCode>();
        QCOMPARE(programs.size(), std::size_t{2});
        QCOMPARE(dumps.size(), std::size_t{1});
        QVERIFY(programs[0] != programs[1]);
        for (QWidget* w : run.app->viewers()) {
            QVERIFY(w->isVisible());
            QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
        }
        QCOMPARE(programs[0]->windowTitle(), QStringLiteral("Quillmar v2.0.0 - demo      "));
        QCOMPARE(dumps[0]->windowTitle(), QStringLiteral("Quillmar v2.0.0 - code      "));

        // Another image changes none of them.
        const std::string other = run.dir.file("other.opu");
        writeBytes(other, DiskBuilder("OTHER").addFile("zz", 0, {0x80}).build());
        run.openImage(other);
        QCOMPARE(run.app->session().catalogue.size(), std::size_t{2});
        QCOMPARE(programs[1]->windowTitle(), QStringLiteral("Quillmar v2.0.0 - demo      "));
        QVERIFY(programs[1]->listingText().starts_with("  10 REM Quillmar demo disk\r\n"));
        QCOMPARE(dumps[0]->degBytes()->gridModel()->rowCount(), 6);

        // A closed viewer is gone.
        QPointer<QWidget> closed = programs[0];
        programs[0]->close();
        deleteClosedWindows();
        QVERIFY(closed.isNull());
        QCOMPARE(run.app->viewers().size(), std::size_t{2});
    }

    void anIndexOutsideTheCatalogueOpensNothing() {
        Run run;
        QVERIFY(run.app->Main());
        run.openDemo();
        run.app->ShowOpusProgram(6);
        run.app->ShowOpusBytes(-1);
        QVERIFY(run.app->viewers().empty());
    }

    void theListingFontTravelsThroughTheSettingsFile() {
        Run run;
        QVERIFY(run.app->Main());
        run.openDemo();
        run.app->ShowOpusProgram(1);
        FontChoice bold12;
        bold12.size = 12;
        bold12.bold = true;
        run.fonts.choices.push_back(bold12);
        run.viewersOf<frmBasic>().front()->ListingFont();
        const std::string ini = readText(run.settings);
        QVERIFY(ini.find("Font Bold=True") != std::string::npos);
        QVERIFY(ini.find("Font Size=12") != std::string::npos);

        run.app->ShowOpusProgram(1);
        const frmBasic* next = run.viewersOf<frmBasic>().back();
        QCOMPARE(next->listingFont(), bold12);
        QCOMPARE(next->txtBasic()->font().pointSizeF(), 12.0);
        QVERIFY(next->txtBasic()->font().bold());
    }

    void printingGoesToThePrinterOfTheRun() {
        Run run;
        QVERIFY(run.app->Main());
        run.openDemo();
        run.app->ShowOpusBytes(3);
        run.printers.record.printable[0] = 12000;
        run.viewersOf<frmCode>().front()->Print();
        QCOMPARE(run.printers.asked.size(), std::size_t{1});
        QCOMPARE(run.printers.record.textsOn(1).front(), std::string("code      "));
    }

    void theViewersGoWithTheRun() {
        QPointer<QWidget> viewer;
        {
            Run run;
            QVERIFY(run.app->Main());
            run.openDemo();
            run.app->ShowOpusBytes(3);
            viewer = run.app->viewers().front();
            QVERIFY(viewer->isVisible());
        }
        QVERIFY(viewer.isNull());
    }
};

QTEST_MAIN(tst_AppViewers)
#include "tst_AppViewers.moc"
