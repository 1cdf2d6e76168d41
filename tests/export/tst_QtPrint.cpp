#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "qt/QtPrintSurface.h"
#include "qt/QtPrinterChooser.h"
#include "export/PrintCollection.h"
#include "export/PrintLines.h"
#include "export/ScreenPrint.h"
#include "support/TestSupport.h"

namespace {

// Stands in for the printer dialog: every choice prints to an A4 PDF file.
class PdfChooser : public PrinterChooser {
public:
    explicit PdfChooser(QString path) : m_path(std::move(path)) {}

    static std::unique_ptr<QPrinter> pdfPrinter(const QString& path, PrintOrientation orientation) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setPageOrientation(orientation == PrintOrientation::Landscape ? QPageLayout::Landscape
                                                                               : QPageLayout::Portrait);
        return printer;
    }

    std::optional<PrinterChoice> choosePrinter(const PrinterDialogOptions& options) override {
        asked.push_back(options);
        PrinterChoice choice;
        choice.orientation = orientation;
        // The printer itself starts in portrait: only what the code under
        // test passes on can turn the page.
        choice.surface = std::make_unique<QtPrintSurface>(pdfPrinter(m_path, PrintOrientation::Portrait));
        return choice;
    }

    PrintOrientation orientation = PrintOrientation::Portrait;
    std::vector<PrinterDialogOptions> asked;

private:
    QString m_path;
};

struct Tool {
    int exitCode = -1;
    QString out;
};

Tool runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000)) {
        return {};
    }
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

// "Pages:  3" and "Page size:  595.276 x 841.89 pts (A4)" of pdfinfo.
struct PdfInfo {
    int pages = 0;
    double width = 0;
    double height = 0;
};

PdfInfo pdfInfo(const QString& file) {
    PdfInfo info;
    const Tool t = runTool(QStringLiteral("pdfinfo"), {file});
    const auto pages =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(t.out);
    if (pages.hasMatch()) {
        info.pages = pages.captured(1).toInt();
    }
    const auto size = QRegularExpression(QStringLiteral("^Page size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                                         QRegularExpression::MultilineOption)
                          .match(t.out);
    if (size.hasMatch()) {
        info.width = size.captured(1).toDouble();
        info.height = size.captured(2).toDouble();
    }
    return info;
}

QString pdfText(const QString& file) {
    return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")}).out;
}

// The rows of "pdfimages -list" below its two heading lines.
QStringList pdfImages(const QString& file) {
    QStringList rows = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file})
                           .out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return rows.mid(2);
}

bool popplerAvailable() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty();
}

// A SCREEN$-sized picture in four coloured quarters, so that a turned or
// mirrored print-out would show.
PrintPicture quarters() {
    PrintPicture p;
    p.width = 256;
    p.height = 192;
    p.rgb.resize(256 * 192 * 3);
    for (int y = 0; y < 192; ++y) {
        for (int x = 0; x < 256; ++x) {
            const std::size_t o = (static_cast<std::size_t>(y) * 256 + static_cast<std::size_t>(x)) * 3;
            const bool right = x >= 128;
            const bool bottom = y >= 96;
            p.rgb[o] = right ? 0xCD : 0x00;
            p.rgb[o + 1] = bottom ? 0xCD : 0x00;
            p.rgb[o + 2] = right != bottom ? 0xCD : 0x00;
        }
    }
    return p;
}

}  // namespace

class tst_QtPrint : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    RecordingLog log;
    ScriptedPrompter prompter;

    QString file(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        if (!popplerAvailable()) {
            QSKIP("poppler-utils (pdfinfo, pdftotext, pdfimages) is not installed");
        }
    }

    void surfaceMeasuresInTwipsAtThePrintersResolution() {
        QtPrintSurface surface(PdfChooser::pdfPrinter(file("unused.pdf"), PrintOrientation::Portrait));
        const auto reference = PdfChooser::pdfPrinter(file("unused.pdf"), PrintOrientation::Portrait);
        // A4 is 8.27 x 11.69 inches (595 x 842 points in Qt's own rounding); a
        // point is 20 twips.
        QVERIFY(qAbs(surface.pageWidth() - 595.0 * 20) < 2);
        QVERIFY(qAbs(surface.pageHeight() - 842.0 * 20) < 2);
        QVERIFY(qAbs(surface.printableWidth() - reference->pageRect(QPrinter::Point).width() * 20) < 2);
        QVERIFY(qAbs(surface.printableHeight() - reference->pageRect(QPrinter::Point).height() * 20) < 2);
        surface.setOrientation(PrintOrientation::Landscape);
        QVERIFY(surface.pageWidth() > surface.pageHeight());

        // An 8 pt line is a little over 8/72 inch: 160 twips and some leading.
        surface.setFont(PrintFont{});
        const double line = surface.textHeight("W");
        QVERIFY2(line >= 150 && line <= 260, qPrintable(QString::number(line)));
        QCOMPARE(surface.textHeight("\r\nVARIABLES"), 2 * line);
        QCOMPARE(surface.textHeight(""), line);
        // A typewriter face: ten characters are ten times one.
        QVERIFY(qAbs(surface.textWidth("MMMMMMMMMM") - 10 * surface.textWidth("i")) < 1);
        QCOMPARE(surface.textWidth("ab\r\nabcd"), surface.textWidth("abcd"));
        surface.setFont(PrintFont{"Courier New", 16, true, false, false, true, 0});
        QVERIFY(surface.textHeight("W") > 1.8 * line);
    }

    void listingOfThreePagesPrintsTitleFootersAndLines() {
        const QString pdf = file("listing.pdf");
        // How many lines make three pages: ask a surface like the one printed on.
        QtPrintSurface probe(PdfChooser::pdfPrinter(pdf, PrintOrientation::Portrait));
        const double h = probe.textHeight("10 PRINT");
        const int perPage = static_cast<int>((probe.pageHeight() - 10 * h - 2 * h) / h) + 1;
        std::vector<std::string> listing;
        for (int i = 1; i <= 2 * perPage + perPage / 2; ++i) {
            listing.push_back(QStringLiteral("%1 PRINT \"LINE %1\"").arg(i * 10).toStdString());
        }
        const auto lines = BasicPrintLines(listing, {{"a", "Number", "1"}});

        PdfChooser chooser(pdf);
        int pumps = 0;
        PrintCollection("MYPROG", lines, chooser, PrintSubtitle(1234), PrintFont{}, prompter, log, [&pumps] {
            ++pumps;
            QCoreApplication::processEvents();
        });
        QVERIFY(log.entries.empty());
        QVERIFY(prompter.shown.empty());
        QCOMPARE(pumps, 2);
        QCOMPARE(pdfInfo(pdf).pages, 3);
        const QString text = pdfText(pdf);
        QCOMPARE(text.count(QStringLiteral("MYPROG")), 3);
        for (int page = 1; page <= 3; ++page) {
            QVERIFY2(text.contains(QStringLiteral("1234 bytes - Quillmar v2.0.0 - Page %1").arg(page)),
                     qPrintable(text.left(400)));
        }
        QVERIFY(text.contains(QStringLiteral("PROGRAM------------------------")));
        QVERIFY(text.contains(QStringLiteral("10 PRINT \"LINE 10\"")));
        QVERIFY(text.contains(QString::fromStdString(listing.back())));
        QVERIFY(text.contains(QStringLiteral("VARIABLES----------------------")));
        QVERIFY(text.contains(QStringLiteral("a - Number - 1")));
    }

    void collectionWithoutFontTakesTheDialogsOrientation() {
        const QString pdf = file("landscape.pdf");
        PdfChooser chooser(pdf);
        chooser.orientation = PrintOrientation::Landscape;
        PrintCollection("WIDE", {"one line"}, chooser, "", std::nullopt, prompter, log);
        const PdfInfo info = pdfInfo(pdf);
        QCOMPARE(info.pages, 1);
        QVERIFY(info.width > info.height);
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Quillmar v2.0.0 - Page 1")));
    }

    void wrappedLongLinePrintsInPieces() {
        const QString pdf = file("wrapped.pdf");
        std::string wide;
        for (int i = 0; wide.size() < 400; ++i) {
            wide += "ABCDEFGHIJ";
        }
        PdfChooser chooser(pdf);
        prompter.answers = {MsgAnswer::Yes};
        PrintCollection("LONG", {wide}, chooser, "", PrintFont{}, prompter, log);
        QCOMPARE(prompter.shown.size(), std::size_t{1});
        prompter.shown.clear();
        QVERIFY(log.entries.empty());
        // The pieces are runs of the line, in order, on lines of their own.
        static const QRegularExpression kPiece(QStringLiteral("^[A-J]+$"));
        QString joined;
        int pieces = 0;
        for (const QString& row : pdfText(pdf).split(QLatin1Char('\n'))) {
            const QString t = row.trimmed();
            if (kPiece.match(t).hasMatch()) {
                QVERIFY(t.size() < static_cast<int>(wide.size()));
                joined += t;
                ++pieces;
            }
        }
        QVERIFY(pieces >= 4);
        QCOMPARE(joined, QString::fromStdString(wide));
    }

    void cancelledWrappingWritesNoFile() {
        const QString pdf = file("cancelled.pdf");
        PdfChooser chooser(pdf);
        prompter.answers = {MsgAnswer::Cancel};
        PrintCollection("LONG", {std::string(600, 'x')}, chooser, "", PrintFont{}, prompter, log);
        prompter.shown.clear();
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(log.entries.empty());
    }

    void unwritablePrinterIsLoggedAsAPrinterFailure() {
        PdfChooser chooser(file("no/such/folder/out.pdf"));
        PrintCollection("T", {"x"}, chooser, "", PrintFont{}, prompter, log);
        QCOMPARE(log.entries.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(log.entries[0].what),
                 QStringLiteral("Error 482 (Printer error) happened in PrintCollection at line 10"));
        log.entries.clear();
    }

    void screenPrintFillsTheWidthOrTheHeight_data() {
        QTest::addColumn<bool>("landscape");
        QTest::newRow("portrait") << false;
        QTest::newRow("landscape") << true;
    }

    void screenPrintFillsTheWidthOrTheHeight() {
        QFETCH(bool, landscape);
        const PrintOrientation orientation =
            landscape ? PrintOrientation::Landscape : PrintOrientation::Portrait;
        const QString pdf = file(landscape ? "screen-landscape.pdf" : "screen-portrait.pdf");
        PdfChooser chooser(pdf);
        chooser.orientation = orientation;
        const PrintPicture picture = quarters();
        PrintScreenPicture(picture, chooser, log);
        QVERIFY(log.entries.empty());
        QCOMPARE(chooser.asked.size(), std::size_t{1});
        QVERIFY(!chooser.asked[0].allowPrintToFile);

        const PdfInfo info = pdfInfo(pdf);
        QCOMPARE(info.pages, 1);
        QCOMPARE(info.width > info.height, landscape);

        // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        const QStringList images = pdfImages(pdf);
        QCOMPARE(images.size(), 1);
        const QStringList cols = images[0].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QVERIFY(cols.size() >= 14);
        QCOMPARE(cols[3].toInt(), 256);
        QCOMPARE(cols[4].toInt(), 192);
        // The picture spans the printable width (portrait) or height (landscape),
        // which pdfimages shows as pixels per inch.
        const auto reference = PdfChooser::pdfPrinter(pdf, orientation);
        const QRectF printable = reference->pageRect(QPrinter::Point);
        const double ppi = landscape ? 192 * 72 / printable.height() : 256 * 72 / printable.width();
        QVERIFY2(qAbs(cols[12].toDouble() - ppi) <= 1.0, qPrintable(images[0]));
        QVERIFY2(qAbs(cols[13].toDouble() - ppi) <= 1.0, qPrintable(images[0]));

        // The pixels come back exactly as they went in.
        const QString prefix = file(landscape ? "img-l" : "img-p");
        QCOMPARE(runTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, prefix}).exitCode, 0);
        const QImage back(prefix + QStringLiteral("-000.png"));
        QCOMPARE(back.size(), QSize(256, 192));
        for (int y = 0; y < 192; y += 7) {
            for (int x = 0; x < 256; x += 5) {
                const std::size_t o = (static_cast<std::size_t>(y) * 256 + static_cast<std::size_t>(x)) * 3;
                QCOMPARE(back.pixelColor(x, y),
                         QColor(picture.rgb[o], picture.rgb[o + 1], picture.rgb[o + 2]));
            }
        }
    }

    void printerDialogOffersWhatTheCallerAllows() {
        QtPrinterChooser chooser;
        QString title;
        bool toFile = true;
        bool ranges = true;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            title = dialog->windowTitle();
            toFile = dialog->testOption(QAbstractPrintDialog::PrintToFile);
            ranges = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
            dialog->reject();
        });
        const auto choice = chooser.choosePrinter(
            PrinterDialogOptions{"Select printer to print this SCREEN$ to...", false, false});
        QVERIFY(!choice.has_value());
        QCOMPARE(title, QStringLiteral("Select printer to print this SCREEN$ to..."));
        QVERIFY(!toFile);
        QVERIFY(!ranges);
    }
};

QTEST_MAIN(tst_QtPrint)
#include "tst_QtPrint.moc"
