#include <QAction>
#include <QTest>

#include "app/AppWiring.h"
#include "disk/frmDisk.h"
#include "floppy/NoFloppyDriver.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "support/TestSupport.h"

class tst_Startup : public QObject {
    Q_OBJECT

    struct Run {
        TempDir dir;
        ScriptedPrompter prompter;
        ScriptedChooser chooser;
        std::unique_ptr<modFDRawCmd> floppy;
        std::unique_ptr<AppWiring> app;

        Run(bool driver, const std::string& settings = {}, bool blockLogs = false) {
            StartupEnvironment env{dir.file("Quillmar.Ini"), dir.path().string()};
            if (!settings.empty()) {
                writeBytes(env.settingsFilePath, {settings.begin(), settings.end()});
            }
            if (blockLogs) {
                writeBytes(dir.file("blocker"), {0});
                env.logRootFolder = dir.file("blocker");
            }
            AppOptions options;
            options.prompter = &prompter;
            options.chooser = &chooser;
            options.environment = env;
            if (driver) {
                floppy = std::make_unique<SimulatedFloppyDriver>(
                    std::string(QUILLMAR_BINARY_DIR "/samples/demo.opu"), std::vector<SimulatedFault>{});
            } else {
                floppy = std::make_unique<NoFloppyDriver>();
            }
            options.driver = floppy.get();
            app = std::make_unique<AppWiring>(options);
        }
        std::string log() { return readText(app->logger().CurrentLogFilePath()); }
        bool enabled(const char* name) {
            return app->mainWindow()->findChild<QAction*>(QString::fromUtf8(name))->isEnabled();
        }
    };

private slots:
    void withTheDriver() {
        Run run(true);
        QVERIFY(run.app->Main());
        QVERIFY(run.prompter.shown.empty());
        QVERIFY(run.app->mainWindow()->isVisible());
        QCOMPARE(run.app->mainWindow()->windowTitle(), QStringLiteral("Quillmar v2.0.0"));
        QVERIFY(run.enabled("mnuFileReadPhysicalOpusDisk"));
        QVERIFY(!run.enabled("mnuFileSaveCurrentOpusImageAs"));
        const std::string log = run.log();
        QVERIFY(log.find(">>>>Quillmar v2.0.0 START------------") != std::string::npos);
        QVERIFY(log.find("Detected FDRawCmd Driver version: 0x01000A00") != std::string::npos);
    }

    void withoutTheDriver() {
        Run run(false);
        QVERIFY(run.app->Main());
        QCOMPARE(run.prompter.shown.size(), std::size_t{1});
        QVERIFY(run.prompter.shown[0].text == kDriverMissingMessage);
        QCOMPARE(run.prompter.optOutOffers, 1);
        QVERIFY(run.prompter.shown[0].icon == MsgIcon::Exclamation);
        QVERIFY(!run.enabled("mnuFileReadPhysicalOpusDisk"));
        QVERIFY(run.log().find("Detected") == std::string::npos);
    }

    void anUnwritableLogEndsTheProgramAtSeverity3() {
        Run run(true, {}, true);
        QVERIFY(!run.app->Main());
        QVERIFY(run.app->mainWindow() == nullptr);
        QCOMPARE(run.prompter.shown.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(run.prompter.shown[0].text),
                 QStringLiteral("Fatal error while creating activity logger. Program terminated."));
        QVERIFY(run.prompter.shown[0].icon == MsgIcon::Critical);
    }

    void anUnwritableLogIsNoObstacleAtSeverity2() {
        Run run(true, "[Logging]\r\nSeverity=2\r\n", true);
        QVERIFY(run.app->Main());
        QVERIFY(run.prompter.shown.empty());
        QVERIFY(run.app->mainWindow()->isVisible());
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
