#include <QTest>

#include "basic/ViewerTestSupport.h"
#include "bytes/frmSearch.h"

namespace {

// What the dialog showed while it was up.
struct Seen {
    QString caption;
    QString search;
    int checkedOption = -1;
    bool replaceTicked = false;
    bool replaceEnabled = false;
    QString replace;
    bool modal = false;
    QPoint centre;
};

Seen look(frmSearch* d) {
    Seen s;
    s.caption = d->windowTitle();
    s.search = d->txtSearch()->text();
    for (int i = 0; i < 3; ++i) {
        if (d->optSearchType(i)->isChecked()) {
            s.checkedOption = i;
        }
    }
    s.replaceTicked = d->chkReplace()->isChecked();
    s.replaceEnabled = d->txtReplace()->isEnabled();
    s.replace = d->txtReplace()->text();
    s.modal = d->isModal();
    s.centre = d->frameGeometry().center();
    return s;
}

}  // namespace

class tst_frmSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> owner;

private slots:
    void init() {
        owner = std::make_unique<QWidget>();
        owner->setGeometry(100, 80, 800, 600);
        owner->show();
    }
    void cleanup() { owner.reset(); }

    void theControlsHaveTheirCaptions() {
        frmSearch d;
        QCOMPARE(d.findChild<QLabel*>(QStringLiteral("lblSearch"))->text(), QStringLiteral("&Search For:"));
        QCOMPARE(d.findChild<QLabel*>(QStringLiteral("lblSearch"))->buddy(), d.txtSearch());
        QCOMPARE(d.optSearchType(0)->text(), QStringLiteral("S&tring"));
        QCOMPARE(d.optSearchType(1)->text(), QStringLiteral("&Decimal Bytes"));
        QCOMPARE(d.optSearchType(2)->text(), QStringLiteral("&Hexadecimal Bytes"));
        QVERIFY(d.optSearchType(0)->isChecked());
        QCOMPARE(d.chkReplace()->text(), QStringLiteral("&Replace With:"));
        QVERIFY(!d.txtReplace()->isEnabled());
        QCOMPARE(d.cmdOK()->text(), QStringLiteral("OK"));
        QVERIFY(d.cmdOK()->isDefault());
        QCOMPARE(d.cmdCancel()->text(), QStringLiteral("Cancel"));
        QVERIFY(d.optSearchType(3) == nullptr);
    }

    void startUpFillsTheFieldsAndCentresOnTheOwner() {
        frmSearch d;
        Seen seen;
        whenShown<frmSearch>([&](frmSearch* shown) {
            seen = look(shown);
            shown->cmdOK()->click();
        });
        d.StartUp(owner.get(), false, 2, "C9", "xx");
        QCOMPARE(seen.caption, QStringLiteral("Quillmar v2.0.0 - Search..."));
        QCOMPARE(seen.search, QStringLiteral("C9"));
        QCOMPARE(seen.checkedOption, 2);
        QVERIFY(!seen.replaceTicked);
        QVERIFY(!seen.replaceEnabled);
        QCOMPARE(seen.replace, QStringLiteral("xx"));
        QVERIFY(seen.modal);
        QVERIFY2((seen.centre - owner->frameGeometry().center()).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                                .arg(seen.centre.x())
                                .arg(seen.centre.y())
                                .arg(owner->frameGeometry().center().x())
                                .arg(owner->frameGeometry().center().y())));
        QVERIFY(!d.isVisible());
        QVERIFY(!d.Canceled());
        QCOMPARE(d.SearchType(), 2);
        QCOMPARE(d.SearchString(), std::string("C9"));
    }

    void replaceModeTicksTheBoxAndTheBoxEnablesTheField() {
        frmSearch d;
        Seen seen;
        bool afterUntick = true;
        bool afterTick = false;
        whenShown<frmSearch>([&](frmSearch* shown) {
            seen = look(shown);
            shown->chkReplace()->click();
            afterUntick = shown->txtReplace()->isEnabled();
            shown->chkReplace()->click();
            afterTick = shown->txtReplace()->isEnabled();
            shown->cmdOK()->click();
        });
        d.StartUp(owner.get(), true, 0, "ab", "cd");
        QCOMPARE(seen.caption, QStringLiteral("Quillmar v2.0.0 - Replace..."));
        QVERIFY(seen.replaceTicked);
        QVERIFY(seen.replaceEnabled);
        QVERIFY(!afterUntick);
        QVERIFY(afterTick);
        QCOMPARE(d.ReplaceString(), std::string("cd"));
    }

    void typedTextAndOptionAreWhatTheDialogHandsBack() {
        struct Case {
            int option;
            const char* search;
            const char* replace;
            std::string searchString;
            std::string replaceString;
        };
        // Hexadecimal needles come trimmed and upper-cased, the others as typed.
        const Case cases[] = {
            {2, " c9 ", " ff", "C9", "FF"},
            {1, "62 0", " 1 ", "62 0", " 1 "},
            {0, " ab ", "x", " ab ", "x"},
        };
        for (const Case& c : cases) {
            frmSearch d;
            whenShown<frmSearch>([&](frmSearch* shown) {
                shown->txtSearch()->clear();
                QTest::keyClicks(shown->txtSearch(), QString::fromUtf8(c.search));
                shown->chkReplace()->click();
                QTest::keyClicks(shown->txtReplace(), QString::fromUtf8(c.replace));
                shown->optSearchType(c.option)->click();
                // Enter takes the default button.
                QTest::keyClick(shown->txtSearch(), Qt::Key_Return);
            });
            d.StartUp(owner.get(), false, 0, "old", {});
            QVERIFY(!d.Canceled());
            QCOMPARE(d.SearchType(), c.option);
            QCOMPARE(d.SearchString(), c.searchString);
            QCOMPARE(d.ReplaceString(), c.replaceString);
        }
    }

    void cancelAndEscAreCanceledTheCloseButtonIsNot() {
        {
            frmSearch d;
            whenShown<frmSearch>([](frmSearch* shown) { shown->cmdCancel()->click(); });
            d.StartUp(owner.get(), false, 0, "x", {});
            QVERIFY(d.Canceled());
        }
        {
            frmSearch d;
            whenShown<frmSearch>(
                [](frmSearch* shown) { QTest::keyClick(shown->txtSearch(), Qt::Key_Escape); });
            d.StartUp(owner.get(), false, 0, "x", {});
            QVERIFY(d.Canceled());
        }
        {
            frmSearch d;
            whenShown<frmSearch>([](frmSearch* shown) { shown->close(); });
            d.StartUp(owner.get(), false, 0, "x", {});
            QVERIFY(!d.Canceled());
            QCOMPARE(d.SearchString(), std::string("x"));
        }
    }

    void aSearchTypeOutOfRangeOpensOnString() {
        frmSearch d;
        int checked = -1;
        whenShown<frmSearch>([&](frmSearch* shown) {
            checked = look(shown).checkedOption;
            shown->cmdOK()->click();
        });
        d.StartUp(owner.get(), false, 7, "x", {});
        QCOMPARE(checked, 0);
        QCOMPARE(d.SearchType(), 0);
    }
};

QTEST_MAIN(tst_frmSearch)
#include "tst_frmSearch.moc"
