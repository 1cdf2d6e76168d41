#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include "screen/RasterPaneWidget.h"
#include "screen/ScreenRenderer.h"
#include "screen/frmScreenSettings.h"

namespace {

QStringList itemTexts(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) {
        out << box->itemText(i);
    }
    return out;
}

QList<int> itemNumbers(const QComboBox* box) {
    QList<int> out;
    for (int i = 0; i < box->count(); ++i) {
        out << box->itemData(i).toInt();
    }
    return out;
}

}  // namespace

class tst_frmScreenSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<RasterPaneWidget> pane;
    std::unique_ptr<frmScreenSettings> dialog;

    QList<int> bars() const { return {dialog->component(0), dialog->component(1), dialog->component(2)}; }
    QStringList texts() const {
        return {dialog->txtRGB(0)->text(), dialog->txtRGB(1)->text(), dialog->txtRGB(2)->text()};
    }
    QColor preview() const { return dialog->lblPreview()->palette().color(QPalette::Window); }
    static QList<int> components(RgbColor c) { return {c.red, c.green, c.blue}; }

private slots:
    void init() {
        pane = std::make_unique<RasterPaneWidget>();
        pane->setScreenData(std::vector<std::uint8_t>(6912, 0x38));
        dialog = std::make_unique<frmScreenSettings>();
        dialog->setRasterPaneControl(pane.get());
        // What the viewer window does with the dialog's events.
        connect(dialog.get(), &frmScreenSettings::SetColorColor, pane.get(),
                &RasterPaneWidget::SetColorColor);
        connect(dialog.get(), &frmScreenSettings::SetBitmapColor, pane.get(),
                &RasterPaneWidget::SetBitmapColor);
        connect(dialog.get(), &frmScreenSettings::ResetColorPalette, pane.get(),
                &RasterPaneWidget::ResetColorPalette);
        connect(dialog.get(), &frmScreenSettings::ResetBitmapPalette, pane.get(),
                &RasterPaneWidget::ResetBitmapPalette);
    }

    void cleanup() {
        dialog.reset();
        pane.reset();
    }

    void captionsListsAndBars() {
        dialog->show();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Quillmar v2.0.0 - Palette Settings"));
        struct Label {
            const char* name;
            const char* caption;
        };
        const Label labels[] = {{"lblPalette", "&Palette:"}, {"lblColor", "&Color:"},
                                {"lblRGB(0)", "RED"},        {"lblRGB(1)", "GREEN"},
                                {"lblRGB(2)", "BLUE"},       {"lblPreviewT", "Preview:"}};
        for (const Label& l : labels) {
            auto* label = dialog->findChild<QLabel*>(QString::fromUtf8(l.name));
            QVERIFY2(label != nullptr, l.name);
            QCOMPARE(label->text(), QString::fromUtf8(l.caption));
        }
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("lblPalette"))->buddy(), dialog->cboPalette());
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("lblColor"))->buddy(), dialog->cboColor());
        QCOMPARE(dialog->cmdReset()->text(), QStringLiteral("&Rese&t Colors"));
        QVERIFY(dialog->findChild<QWidget*>(QStringLiteral("lneSpeccy")) != nullptr);
        QVERIFY(!dialog->cboPalette()->isEditable());
        QVERIFY(!dialog->cboColor()->isEditable());

        QCOMPARE(itemTexts(dialog->cboPalette()), (QStringList{"Mono Bitmap", "Color Screen"}));
        QCOMPARE(itemNumbers(dialog->cboPalette()), (QList<int>{0, 1}));
        QCOMPARE(itemTexts(dialog->cboColor()),
                 (QStringList{"Black", "Blue", "Red", "Magenta", "Green", "Cyan", "Yellow", "White",
                              "Brite Black", "Brite Blue", "Brite Red", "Brite Magenta", "Brite Green",
                              "Brite Cyan", "Brite Yellow", "Brite White"}));
        QCOMPARE(itemNumbers(dialog->cboColor()),
                 (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
        dialog->cboPalette()->setCurrentIndex(0);
        QCOMPARE(itemTexts(dialog->cboColor()), (QStringList{"Background", "Foreground"}));
        QCOMPARE(itemNumbers(dialog->cboColor()), (QList<int>{0, 1}));
        QCOMPARE(dialog->cboColor()->currentIndex(), 0);

        for (int i = 0; i < 3; ++i) {
            QScrollBar* bar = dialog->vscRGB(i);
            QCOMPARE(bar->orientation(), Qt::Vertical);
            QCOMPARE(bar->maximum() - bar->minimum(), 255);
            QCOMPARE(bar->singleStep(), 1);
            QCOMPARE(bar->pageStep(), 16);
            QVERIFY(dialog->txtRGB(i)->isReadOnly());
        }
    }

    void theTopOfABarIs255() {
        dialog->show();
        QScrollBar* bar = dialog->vscRGB(0);
        const int extent = bar->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
        const QPoint upperArrow(bar->width() / 2, extent / 2);
        const QPoint lowerArrow(bar->width() / 2, bar->height() - extent / 2);
        dialog->setComponent(0, 100);
        // The upper arrow steps up by one, the trough just below it a page.
        QTest::mouseClick(bar, Qt::LeftButton, {}, upperArrow);
        QCOMPARE(dialog->component(0), 101);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, extent + 3));
        QCOMPARE(dialog->component(0), 117);
        QTest::mouseClick(bar, Qt::LeftButton, {}, lowerArrow);
        QCOMPARE(dialog->component(0), 116);
        // The ends: 255 at the top, 0 at the bottom.
        dialog->setComponent(0, 254);
        QTest::mouseClick(bar, Qt::LeftButton, {}, upperArrow);
        QTest::mouseClick(bar, Qt::LeftButton, {}, upperArrow);
        QCOMPARE(dialog->component(0), 255);
        QCOMPARE(dialog->txtRGB(0)->text(), QStringLiteral("&hFF"));
        dialog->setComponent(0, 1);
        QTest::mouseClick(bar, Qt::LeftButton, {}, lowerArrow);
        QTest::mouseClick(bar, Qt::LeftButton, {}, lowerArrow);
        QCOMPARE(dialog->component(0), 0);
        QCOMPARE(dialog->txtRGB(0)->text(), QStringLiteral("&h00"));
    }

    void opensOnThePaletteThePictureUses_data() {
        QTest::addColumn<bool>("attr");
        QTest::addColumn<QString>("palette");
        QTest::addColumn<QString>("entry");
        QTest::newRow("ATTR on") << true << "Color Screen"
                                 << "Black";
        QTest::newRow("ATTR off") << false << "Mono Bitmap"
                                  << "Background";
    }

    void opensOnThePaletteThePictureUses() {
        QFETCH(bool, attr);
        QFETCH(QString, palette);
        QFETCH(QString, entry);
        pane->setUseATTR(attr);
        QSignalSpy color(dialog.get(), &frmScreenSettings::SetColorColor);
        QSignalSpy bitmap(dialog.get(), &frmScreenSettings::SetBitmapColor);
        dialog->show();
        QCOMPARE(dialog->cboPalette()->currentText(), palette);
        QCOMPARE(dialog->cboColor()->currentText(), entry);
        const RgbColor expected =
            attr ? ScreenRenderer::DefaultColorColor(0) : ScreenRenderer::DefaultBitmapColor(0);
        QCOMPARE(bars(), components(expected));
        QCOMPARE(preview(), QColor(expected.red, expected.green, expected.blue));
        QVERIFY(color.isEmpty());
        QVERIFY(bitmap.isEmpty());
    }

    void componentTexts() {
        const struct {
            int value;
            const char* text;
        } cases[] = {{0, "&h00"}, {10, "&h0A"}, {171, "&hAB"}, {255, "&hFF"}};
        dialog->show();
        for (const auto& c : cases) {
            QCOMPARE(frmScreenSettings::componentText(c.value), QString::fromUtf8(c.text));
        }
        dialog->setComponent(0, 10);
        dialog->setComponent(1, 255);
        dialog->setComponent(2, 0);
        QCOMPARE(texts(), (QStringList{"&h0A", "&hFF", "&h00"}));
        QCOMPARE(preview(), QColor(10, 255, 0));
    }

    void choosingAnEntrySendsNothing() {
        dialog->show();
        QSignalSpy color(dialog.get(), &frmScreenSettings::SetColorColor);
        for (int i = 0; i < 16; ++i) {
            dialog->cboColor()->setCurrentIndex(i);
            QVERIFY(!dialog->updating());
            QCOMPARE(bars(), components(ScreenRenderer::DefaultColorColor(i)));
        }
        QVERIFY(color.isEmpty());
    }

    void everyStepOfABarSendsTheWholeColour() {
        dialog->show();
        dialog->cboColor()->setCurrentIndex(2);  // Red: D7 00 00
        QSignalSpy color(dialog.get(), &frmScreenSettings::SetColorColor);
        for (int step = 0; step < 3; ++step) {
            dialog->vscRGB(1)->triggerAction(QAbstractSlider::SliderSingleStepSub);
        }
        dialog->vscRGB(2)->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(color.size(), 4);
        const QList<QList<int>> sent = {{2, 0xD7, 1, 0}, {2, 0xD7, 2, 0}, {2, 0xD7, 3, 0}, {2, 0xD7, 3, 16}};
        for (int i = 0; i < 4; ++i) {
            const QList<QVariant>& args = color.at(i);
            QCOMPARE((QList<int>{args[0].toInt(), args[1].value<std::uint8_t>(),
                                 args[2].value<std::uint8_t>(), args[3].value<std::uint8_t>()}),
                     sent[i]);
        }
        std::uint8_t r = 0;
        std::uint8_t g = 0;
        std::uint8_t b = 0;
        QVERIFY(pane->GetColorColor(2, r, g, b));
        QCOMPARE((QList<int>{r, g, b}), (QList<int>{0xD7, 3, 16}));

        // The bitmap palette's entries go the other way.
        QSignalSpy bitmap(dialog.get(), &frmScreenSettings::SetBitmapColor);
        dialog->cboPalette()->setCurrentIndex(0);
        dialog->cboColor()->setCurrentIndex(1);  // Foreground: black
        dialog->setComponent(0, 0x80);
        QCOMPARE(bitmap.size(), 1);
        QCOMPARE(bitmap.at(0)[0].toInt(), 1);
        QCOMPARE(bitmap.at(0)[1].value<std::uint8_t>(), std::uint8_t{0x80});
        QCOMPARE(color.size(), 4);
        QVERIFY(pane->GetBitmapColor(1, r, g, b));
        QCOMPARE((QList<int>{r, g, b}), (QList<int>{0x80, 0, 0}));
    }

    void resetGoesAwayAndBack_data() {
        QTest::addColumn<int>("palette");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QList<int>>("visits");
        QTest::newRow("first colour") << 1 << 0 << QList<int>{15, 0};
        QTest::newRow("last colour") << 1 << 15 << QList<int>{0, 15};
        QTest::newRow("a middle colour") << 1 << 6 << QList<int>{0, 6};
        QTest::newRow("first bitmap entry") << 0 << 0 << QList<int>{1, 0};
        QTest::newRow("last bitmap entry") << 0 << 1 << QList<int>{0, 1};
    }

    void resetGoesAwayAndBack() {
        QFETCH(int, palette);
        QFETCH(int, entry);
        QFETCH(QList<int>, visits);
        dialog->show();
        dialog->cboPalette()->setCurrentIndex(palette);
        dialog->cboColor()->setCurrentIndex(entry);
        dialog->setComponent(0, 0x12);
        dialog->setComponent(1, 0x34);
        dialog->setComponent(2, 0x56);

        QSignalSpy resetColor(dialog.get(), &frmScreenSettings::ResetColorPalette);
        QSignalSpy resetBitmap(dialog.get(), &frmScreenSettings::ResetBitmapPalette);
        QSignalSpy color(dialog.get(), &frmScreenSettings::SetColorColor);
        QSignalSpy bitmap(dialog.get(), &frmScreenSettings::SetBitmapColor);
        QSignalSpy chosen(dialog->cboColor(), &QComboBox::currentIndexChanged);
        QTest::mouseClick(dialog->cmdReset(), Qt::LeftButton);

        QCOMPARE(resetColor.size(), palette == 1 ? 1 : 0);
        QCOMPARE(resetBitmap.size(), palette == 0 ? 1 : 0);
        QList<int> seen;
        for (const QList<QVariant>& args : chosen) {
            seen << args[0].toInt();
        }
        QCOMPARE(seen, visits);
        QCOMPARE(dialog->cboColor()->currentIndex(), entry);
        const RgbColor reset = palette == 1 ? ScreenRenderer::DefaultColorColor(entry)
                                            : ScreenRenderer::DefaultBitmapColor(entry);
        QCOMPARE(bars(), components(reset));
        QCOMPARE(preview(), QColor(reset.red, reset.green, reset.blue));
        // Showing the reset colour sends nothing back.
        QVERIFY(color.isEmpty());
        QVERIFY(bitmap.isEmpty());
        QVERIFY(!dialog->updating());
    }

    void reopeningReadsTheControlAfresh() {
        dialog->show();
        dialog->cboColor()->setCurrentIndex(9);
        dialog->setComponent(2, 0x11);
        dialog->close();
        pane->setUseATTR(false);
        pane->SetBitmapColor(0, 1, 2, 3);
        dialog->show();
        QCOMPARE(dialog->cboPalette()->currentText(), QStringLiteral("Mono Bitmap"));
        QCOMPARE(dialog->cboColor()->currentText(), QStringLiteral("Background"));
        QCOMPARE(bars(), (QList<int>{1, 2, 3}));
        QCOMPARE(texts(), (QStringList{"&h01", "&h02", "&h03"}));
    }
};

QTEST_MAIN(tst_frmScreenSettings)
#include "tst_frmScreenSettings.moc"
