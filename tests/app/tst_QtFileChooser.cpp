#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTest>

#include "qt/QtFileChooser.h"
#include "support/TestSupport.h"

class tst_QtFileChooser : public QObject {
    Q_OBJECT

private slots:
    void imageFiltersMatchWithoutRegardToCase() {
        TempDir dir;
        for (const char* name : {"ONE.OPU", "two.opu", "three.Opd", "four.OPD", "notes.txt", "opu"}) {
            writeBytes(dir.file(name), {0});
        }
        std::filesystem::create_directory(dir.path() / "sub.folder");

        QFileSystemModel model;
        QSignalSpy loaded(&model, &QFileSystemModel::directoryLoaded);
        const QModelIndex root = model.setRootPath(QString::fromStdString(dir.path().string()));
        QVERIFY(loaded.wait(5000));

        CaseInsensitiveFilterProxy proxy;
        proxy.setSourceModel(&model);
        proxy.setPatterns({"*.Opu", "*.Opd"});
        const QModelIndex proxyRoot = proxy.mapFromSource(root);
        QStringList shown;
        for (int r = 0; r < proxy.rowCount(proxyRoot); ++r) {
            const QModelIndex index = proxy.index(r, 0, proxyRoot);
            shown << proxy.data(index).toString();
            QVERIFY(proxy.flags(index) & Qt::ItemIsEnabled);
        }
        shown.sort(Qt::CaseInsensitive);
        QCOMPARE(shown, (QStringList{"four.OPD", "ONE.OPU", "sub.folder", "three.Opd", "two.opu"}));

        proxy.setPatterns({"*.*"});
        QCOMPARE(proxy.rowCount(proxyRoot), 7);  // every file, "opu" without a dot too
        QVERIFY(proxy.matches(QStringLiteral("notes.txt")));
    }
};

QTEST_MAIN(tst_QtFileChooser)
#include "tst_QtFileChooser.moc"
