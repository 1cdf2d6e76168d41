#include <QHeaderView>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include "core/Twips.h"
#include "disk/DiskBuilder.h"
#include "disk/frmDisk.h"
#include "support/TestSupport.h"

namespace {

struct RecordingViewers : ViewerFactory {
    QStringList calls;
    void ShowOpusProgram(int i) override { calls << QStringLiteral("program %1").arg(i); }
    void ShowOpusBytes(int i) override { calls << QStringLiteral("bytes %1").arg(i); }
    bool ShowOpusScreen(int i) override {
        calls << QStringLiteral("screen %1").arg(i);
        return false;
    }
};

struct NoReader : DiskReadLauncher {
    bool ReadDisk(DiskImage&) override { return true; }
};

}  // namespace

class tst_frmDisk : public QObject {
    Q_OBJECT

    DiskSession session;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
    RecordingLog log;
    RecordingViewers viewers;
    NoReader reader;
    TempDir dir;

    std::unique_ptr<frmDisk> makeWindow(bool driver) {
        auto w = std::make_unique<frmDisk>(session, prompter, chooser, log, viewers, reader);
        w->StartUp(driver);
        return w;
    }

    QAction* action(QWidget* w, const char* name) { return w->findChild<QAction*>(QString::fromUtf8(name)); }

private slots:
    void menusHaveTheirCaptionsShortcutsAndInitialState() {
        const auto w = makeWindow(true);
        struct Item {
            const char* name;
            const char* caption;
            QKeySequence shortcut;
            bool enabled;
        };
        const Item items[] = {
            {"mnuFileReadPhysicalOpusDisk", "&Read Physical Opus Disk", QKeySequence(Qt::CTRL | Qt::Key_R),
             true},
            {"mnuFileOpenExistingOpusImageFile", "&Open Existing Opus Image File...",
             QKeySequence(Qt::CTRL | Qt::Key_O), true},
            {"mnuFileSaveCurrentOpusImageAs", "Save Current Opus Image &As...",
             QKeySequence(Qt::CTRL | Qt::Key_S), false},
            {"mnuFileExit", "E&xit", QKeySequence(), true},
            {"mnuOpusFileViewAsBASICProgram", "View As BASIC Pro&gram", QKeySequence(Qt::CTRL | Qt::Key_G),
             false},
            {"mnuOpusFileViewAsBytes", "View As &Bytes", QKeySequence(Qt::CTRL | Qt::Key_B), false},
            {"mnuOpusFileViewAsSCREEN", "View As SCR&EEN$", QKeySequence(Qt::CTRL | Qt::Key_E), false},
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
        QCOMPARE(menus[1]->text(), QStringLiteral("&Opus File"));
        QVERIFY(!menus[1]->isEnabled());
        QCOMPARE(w->windowTitle(), QStringLiteral("Quillmar v2.0.0"));
        QVERIFY(w->isVisible());

        const auto withoutDriver = makeWindow(false);
        QVERIFY(!action(withoutDriver.get(), "mnuFileReadPhysicalOpusDisk")->isEnabled());
    }

    void listHasFiveEqualColumnsAndTheImageList() {
        const auto w = makeWindow(false);
        QTreeWidget* list = w->lvuDisk();
        QCOMPARE(list->columnCount(), 5);
        const QStringList headers = {"Name", "Type", "Parameter 1", "Parameter 2", "Parameter 3"};
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(list->headerItem()->text(c), headers[c]);
            QVERIFY(qAbs(list->header()->sectionSize(c) - list->header()->sectionSize(0)) <= 1);
        }
        const QStringList keys = {"DISK", "BASIC",  "NUMARRAY", "CHARARRAY",
                                  "CODE", "SCREEN", "UNKNOWN",  "PROPERTIES"};
        for (int p = 1; p <= 8; ++p) {
            QCOMPARE(frmDisk::imlKey(p), keys[p - 1]);
            QVERIFY(!frmDisk::imlIcon(p).pixmap(16, 16).isNull());
        }
    }

    void openingTheDemoDiskListsItsRows() {
        const auto w = makeWindow(false);
        chooser.paths.push_back(QStringLiteral(QUILLMAR_BINARY_DIR "/samples/demo.opu").toStdString());
        QVERIFY(QMetaObject::invokeMethod(action(w.get(), "mnuFileOpenExistingOpusImageFile"), "trigger"));
        QTreeWidget* list = w->lvuDisk();
        QCOMPARE(list->topLevelItemCount(), 5);
        QCOMPARE(list->topLevelItem(0)->data(0, Qt::UserRole).toString(), QStringLiteral("1_F"));
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("BASIC"));
        QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("SCREEN$"));
        QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("Len: #1B00 - 6912"));
        QVERIFY(!list->topLevelItem(1)->icon(0).isNull());
        QCOMPARE(w->windowTitle(), QStringLiteral("Quillmar v2.0.0 - [QUILLMAR  ]"));
        QVERIFY(action(w.get(), "mnuFileSaveCurrentOpusImageAs")->isEnabled());

        // The "&Opus File" items follow the listing when the menu drops down.
        auto* menu = w->findChild<QMenu*>(QStringLiteral("mnuOpusFile"));
        emit menu->aboutToShow();
        QVERIFY(action(w.get(), "mnuOpusFileViewAsBytes")->isEnabled());

        // Enter and double-click open the selected row by its type.
        list->setCurrentItem(list->topLevelItem(1));
        QTest::keyClick(list, Qt::Key_Return);
        list->setCurrentItem(list->topLevelItem(0));
        emit list->itemDoubleClicked(list->topLevelItem(0), 0);
        list->setCurrentItem(list->topLevelItem(3));
        action(w.get(), "mnuOpusFileViewAsSCREEN")->trigger();
        QCOMPARE(viewers.calls, (QStringList{"screen 2", "program 1", "screen 4"}));

        list->clearSelection();
        viewers.calls.clear();
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(viewers.calls.isEmpty());
    }

    void theListFollowsTheWindowSize() {
        const auto w = makeWindow(false);
        w->resize(700, 500);
        QApplication::processEvents();
        const QRect outer = w->frameGeometry();
        QCOMPARE(w->lvuDisk()->width(), twipsToPixels(pixelsToTwips(outer.width()) - 240));
        QCOMPARE(w->lvuDisk()->height(), twipsToPixels(pixelsToTwips(outer.height()) - 810));
        QCOMPARE(w->lvuDisk()->pos(), QPoint(4, 4));
    }

    void exitClosesTheWindowAndItsViewers() {
        const auto w = makeWindow(false);
        QWidget viewer;
        viewer.show();
        action(w.get(), "mnuFileExit")->trigger();
        QVERIFY(!w->isVisible());
        QVERIFY(!viewer.isVisible());
    }
};

QTEST_MAIN(tst_frmDisk)
#include "tst_frmDisk.moc"
