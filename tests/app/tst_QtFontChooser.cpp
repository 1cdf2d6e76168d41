#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QPushButton>
#include <QTest>

#include "qt/QtFontChooser.h"
#include "basic/ViewerTestSupport.h"

namespace {

bool isFontDialog(QWidget* w) {
    return w->objectName() == QStringLiteral("dlgListingFont");
}

}  // namespace

class tst_QtFontChooser : public QObject {
    Q_OBJECT

private slots:
    void okTakesTheFontAndTheColourTogether() {
        QtFontChooser chooser;
        QString title;
        QFont shownFont;
        bool ran = false;
        whenShown(
            isFontDialog,
            [&](QWidget* dialog) {
                title = dialog->windowTitle();
                auto* fonts = dialog->findChild<QFontDialog*>(QStringLiteral("fontDialog"));
                shownFont = fonts->currentFont();
                fonts->setCurrentFont(QFont(shownFont.family(), 12, QFont::Bold));
                whenShown<QColorDialog>([](QColorDialog* colors) {
                    colors->setCurrentColor(QColor(255, 0, 0));
                    colors->accept();
                });
                dialog->findChild<QPushButton*>(QStringLiteral("cmdColor"))->click();
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            },
            &ran);
        const std::optional<FontChoice> chosen =
            chooser.chooseFont("Quillmar v2.0.0 - Select listing font...", {});
        QVERIFY(ran);
        QCOMPARE(title, QStringLiteral("Quillmar v2.0.0 - Select listing font..."));
        // The dialog opens on the listing's font, or the face that stands in
        // for it, in the whole point sizes it offers.
        QCOMPARE(shownFont.pointSize(), 8);
        QVERIFY(QFontInfo(shownFont).fixedPitch());
        QVERIFY(chosen.has_value());
        QVERIFY(chosen->bold);
        QVERIFY(!chosen->italic);
        QCOMPARE(chosen->size, 12.0);
        QCOMPARE(chosen->color, 0xFFu);
        QCOMPARE(QString::fromStdString(chosen->name), shownFont.family());
    }

    void cancelTakesNothingEvenAfterAColourWasPicked() {
        QtFontChooser chooser;
        bool ran = false;
        whenShown(
            isFontDialog,
            [&](QWidget* dialog) {
                whenShown<QColorDialog>([](QColorDialog* colors) {
                    colors->setCurrentColor(QColor(0, 0, 255));
                    colors->accept();
                });
                dialog->findChild<QPushButton*>(QStringLiteral("cmdColor"))->click();
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
            },
            &ran);
        QVERIFY(!chooser.chooseFont("t", {}).has_value());
        QVERIFY(ran);
    }

    void aCancelledColourDialogKeepsTheColour() {
        QtFontChooser chooser;
        FontChoice initial;
        initial.color = 0x00FF00;
        whenShown(isFontDialog, [&](QWidget* dialog) {
            whenShown<QColorDialog>([](QColorDialog* colors) {
                colors->setCurrentColor(QColor(0, 0, 255));
                colors->reject();
            });
            dialog->findChild<QPushButton*>(QStringLiteral("cmdColor"))->click();
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        const std::optional<FontChoice> chosen = chooser.chooseFont("t", initial);
        QVERIFY(chosen.has_value());
        QCOMPARE(chosen->color, 0x00FF00u);
    }

    void aMissingFamilyBecomesAFixedPitchOne() {
        FontChoice missing;
        missing.name = "No Such Font Anywhere";
        missing.size = 10.5;
        missing.italic = true;
        missing.underline = true;
        missing.strikethrough = true;
        const QFont font = qFontOfChoice(missing);
        QVERIFY(QFontInfo(font).fixedPitch());
        QCOMPARE(font.pointSizeF(), 10.5);
        QVERIFY(font.italic() && font.underline() && font.strikeOut() && !font.bold());

        // A family that is there is kept as it is.
        const QString present = QFontDatabase::families().value(0);
        QVERIFY(!present.isEmpty());
        FontChoice existing;
        existing.name = present.toStdString();
        QCOMPARE(qFontOfChoice(existing).family(), present);
        QCOMPARE(fontChoiceOf(qFontOfChoice(existing), QColor(Qt::black)), existing);
    }

    void coloursTravelAsBbggrr() {
        QCOMPARE(qColorOf(0x0000FF), QColor(255, 0, 0));
        QCOMPARE(qColorOf(0xFF0000), QColor(0, 0, 255));
        QCOMPARE(colorOf(QColor(1, 2, 3)), 0x030201u);
        for (const std::uint32_t c : {0u, 0x123456u, 0xFFFFFFu}) {
            QCOMPARE(colorOf(qColorOf(c)), c);
        }
    }
};

QTEST_MAIN(tst_QtFontChooser)
#include "tst_QtFontChooser.moc"
