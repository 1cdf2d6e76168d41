#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/AppWiring.h"
#include "disk/frmDisk.h"
#include "floppy/SimulatedFloppyDriver.h"
#include "floppy/frmFDRead.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::uint8_t> demoBytes() {
    return readBytes(QUILLMAR_BINARY_DIR "/samples/demo.opu");
}

QStringList statusLines(const frmFDRead& dialog) {
    return dialog.txtTkInfo->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

class tst_frmFDRead : public QObject {
    Q_OBJECT

private slots:
    void controlsAndMenus() {
        SimulatedFloppyDriver driver(demoBytes(), {});
        ScriptedPrompter prompter;
        DiskImage image;
        frmFDRead dialog(driver, prompter, image);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Quillmar v2.0.0 - Read Physical Opus Disk..."));
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.txtDrive->text(), QStringLiteral("A"));
        QCOMPARE(dialog.txtTrack->text(), QStringLiteral("0"));
        QVERIFY(dialog.txtTrack->isReadOnly());
        QVERIFY(!dialog.txtSector->isEnabled());
        QVERIFY(dialog.cmdRead->isDefault());
        QCOMPARE(dialog.cmdRead->text(), QStringLiteral("&Read Disk"));
        QCOMPARE(dialog.cmdClose->text(), QStringLiteral("&Close"));
        QCOMPARE(dialog.cmdCancel->text(), QStringLiteral("&Cancel"));
        QVERIFY(dialog.cmdCancel->isHidden());
        const std::pair<const char*, const char*> labels[] = {
            {"lblDrive", "&Drive:"},
            {"lblTrack", "&Track:"},
            {"lblHead", "&Head:"},
            {"lblSector", "&Sector:"},
            {"lblTkInfo", "Head:Track - Read Status:"},
        };
        for (const auto& [name, caption] : labels) {
            auto* label = dialog.findChild<QLabel*>(QString::fromUtf8(name));
            QVERIFY2(label != nullptr, name);
            QCOMPARE(label->text(), QString::fromUtf8(caption));
            QVERIFY(label->buddy() != nullptr);
        }
        QVERIFY(dialog.mnuOptionsDoubleStep->isChecked());
        QVERIFY(!dialog.mnuOptionsDoubleSidedFloppy->isChecked());
        QVERIFY(dialog.mnuOptionsFillerByteForErrorSectorsE5->isChecked());
        dialog.mnuOptionsFillerByteForErrorSectorsZero->trigger();
        QVERIFY(!dialog.mnuOptionsFillerByteForErrorSectorsE5->isChecked());
        QVERIFY(dialog.mnuOptionsFillerByteForErrorSectorsZero->isChecked());
        QVERIFY(!dialog.Canceled());
    }

    void aCompleteSingleSidedRead() {
        SimulatedFloppyDriver driver(demoBytes(), {});
        ScriptedPrompter prompter;
        DiskImage image;
        frmFDRead dialog(driver, prompter, image);
        dialog.show();
        QStringList heads;
        bool cancelShown = false;
        dialog.afterSide = [&](const ReadProgress&) {
            heads << dialog.txtHead->text();
            cancelShown =
                !dialog.cmdCancel->isHidden() && dialog.cmdClose->isHidden() && !dialog.cmdRead->isEnabled();
        };
        dialog.cmdRead->click();
        const QStringList lines = statusLines(dialog);
        QCOMPARE(lines.size(), 40);
        QCOMPARE(lines.front(), QStringLiteral("0:0 Read OK"));
        QCOMPARE(lines.back(), QStringLiteral("0:39 Read OK"));
        QCOMPARE(dialog.txtTrack->text(), QStringLiteral("39"));
        QVERIFY(cancelShown);
        QVERIFY(dialog.cmdCancel->isHidden());
        QVERIFY(!dialog.cmdClose->isHidden());
        QVERIFY(dialog.cmdRead->isEnabled());
        QCOMPARE(image.bytes, demoBytes());
        QVERIFY(!dialog.Canceled());
        QCOMPARE(prompter.busyDepth, 0);
    }

    void aDoubleSidedReadShowsTheHeadBeingRead() {
        std::vector<std::uint8_t> twoSides(368640);
        for (std::size_t i = 0; i < twoSides.size(); ++i) {
            twoSides[i] = static_cast<std::uint8_t>(i / 4608);
        }
        SimulatedFloppyDriver driver(twoSides, {});
        ScriptedPrompter prompter;
        DiskImage image;
        frmFDRead dialog(driver, prompter, image);
        dialog.mnuOptionsDoubleSidedFloppy->trigger();
        QStringList heads;
        dialog.afterSide = [&](const ReadProgress&) { heads << dialog.txtHead->text(); };
        dialog.cmdRead->click();
        const QStringList lines = statusLines(dialog);
        QCOMPARE(lines.size(), 80);
        QCOMPARE(lines[0], QStringLiteral("0:0 Read OK"));
        QCOMPARE(lines[1], QStringLiteral("1:0 Read OK"));
        QCOMPARE(heads.mid(0, 4), (QStringList{"0", "1", "0", "1"}));
        QCOMPARE(image.bytes, twoSides);
    }

    void rescueOptionsReachTheRead() {
        std::vector<std::uint8_t> disk(737280);
        for (std::size_t i = 0; i < disk.size(); ++i) {
            disk[i] = static_cast<std::uint8_t>(i / 256);
        }
        SimulatedFloppyDriver damaged(disk, SimulatedFloppyDriver::ParseFaults("1:79:23:3:17"));
        ScriptedPrompter prompter;
        DiskImage image;
        frmFDRead first(damaged, prompter, image);
        first.mnuOptionsDoubleSidedFloppy->trigger();
        first.mnuOptions80Tracks->trigger();
        QVERIFY(!first.mnuOptionsDoubleStep->isEnabled());
        first.mnuOptionsSectorBySectorRead->trigger();
        first.cmdRead->click();
        QCOMPARE(image.bytes, disk);
        QCOMPARE(statusLines(first).back(),
                 QStringLiteral("1:79 CRC Error (0x00000017), 18 of 18 sectors recovered"));
    }

    void cancelDuringTrackFiveKeepsTheImageAndRefusesTheTitleBarClose() {
        SimulatedFloppyDriver driver(demoBytes(), {});
        ScriptedPrompter prompter;
        DiskImage image{{1, 2, 3}};
        frmFDRead dialog(driver, prompter, image);
        dialog.show();
        bool stayedOpen = false;
        dialog.afterSide = [&](const ReadProgress& p) {
            if (p.track == 3) {
                dialog.close();  // the title-bar close is refused while reading
                stayedOpen = dialog.isVisible();
            }
            if (p.track == 5) {
                QTest::keyClick(&dialog, Qt::Key_Escape);  // Esc answers Cancel
            }
        };
        dialog.cmdRead->click();
        QVERIFY(stayedOpen);
        QCOMPARE(statusLines(dialog).size(), 6);
        QVERIFY(dialog.Canceled());
        QVERIFY(!dialog.cmdCancel->isEnabled());
        QCOMPARE(image.bytes, (std::vector<std::uint8_t>{1, 2, 3}));

        // Cancel is sticky: a second read reads nothing.
        dialog.afterSide = nullptr;
        dialog.cmdRead->click();
        QCOMPARE(statusLines(dialog).size(), 0);
        QCOMPARE(image.bytes, (std::vector<std::uint8_t>{1, 2, 3}));
        dialog.close();
        QVERIFY(!dialog.isVisible());
    }

    void aMissingDriveAsksForAFloppyUntilCancelled() {
        SimulatedFloppyDriver driver(demoBytes(), {});
        ScriptedPrompter prompter;
        prompter.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
        DiskImage image;
        frmFDRead dialog(driver, prompter, image);
        dialog.txtDrive->setText(QStringLiteral(" b "));
        dialog.cmdRead->click();
        QCOMPARE(prompter.shown.size(), std::size_t{2});
        QCOMPARE(QString::fromStdString(prompter.shown[0].text),
                 QStringLiteral("Please insert a floppy in the drive and try again.\r\n()"));
        QVERIFY(prompter.shown[0].buttons == MsgButtons::OkCancel);
        QVERIFY(prompter.shown[0].icon == MsgIcon::Information);
        QVERIFY(image.bytes.empty());
        QVERIFY(statusLines(dialog).isEmpty());

        dialog.txtDrive->setText(QStringLiteral("AB"));
        dialog.cmdRead->click();
        QCOMPARE(QString::fromStdString(prompter.shown.back().text),
                 QStringLiteral("The drive selected seems not to be valid."));
    }

    void theBrowserReadsThroughTheDialog() {
        TempDir dir;
        ScriptedPrompter prompter;
        ScriptedChooser chooser;
        SimulatedFloppyDriver driver(demoBytes(), {});
        AppOptions options;
        options.prompter = &prompter;
        options.chooser = &chooser;
        options.environment = StartupEnvironment{dir.file("Quillmar.Ini"), dir.path().string()};
        options.driver = &driver;
        AppWiring app(options);
        QVERIFY(app.Main());

        // Read, then close the dialog, from inside its modal loop.
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<frmFDRead*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->cmdRead->click();
            QCOMPARE(statusLines(*dialog).size(), 40);
            dialog->cmdClose->click();
        });
        app.mainWindow()->findChild<QAction*>(QStringLiteral("mnuFileReadPhysicalOpusDisk"))->trigger();
        QCOMPARE(app.mainWindow()->lvuDisk()->topLevelItemCount(), 5);
        QCOMPARE(app.mainWindow()->windowTitle(), QStringLiteral("Quillmar v2.0.0 - [QUILLMAR  ]"));
        QVERIFY(app.mainWindow()
                    ->findChild<QAction*>(QStringLiteral("mnuFileSaveCurrentOpusImageAs"))
                    ->isEnabled());
        QVERIFY(prompter.shown.empty());

        // A cancelled read keeps the image and says so.
        const auto before = app.session().image.bytes;
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<frmFDRead*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->afterSide = [dialog](const ReadProgress& p) {
                if (p.track == 2) {
                    dialog->cmdCancel->click();
                }
            };
            dialog->cmdRead->click();
            dialog->cmdClose->click();
        });
        app.mainWindow()->findChild<QAction*>(QStringLiteral("mnuFileReadPhysicalOpusDisk"))->trigger();
        QCOMPARE(prompter.shown.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(prompter.shown[0].text),
                 QStringLiteral("Disk read canceled, keeping old image if any!"));
        QCOMPARE(app.session().image.bytes, before);
    }
};

QTEST_MAIN(tst_frmFDRead)
#include "tst_frmFDRead.moc"
