#include <QMenu>
#include <QTest>

#include "disk/DiskBuilder.h"
#include "disk/frmDisk.h"
#include "disk/frmDiskMap.h"
#include "flux/FluxDiskOpener.h"
#include "flux/Scp.h"
#include "support/TestSupport.h"

namespace {

struct NoViewers : ViewerFactory {
    void ShowOpusProgram(int) override {}
    void ShowOpusBytes(int) override {}
    bool ShowOpusScreen(int) override { return false; }
};

struct NoReader : DiskReadLauncher {
    DiskReadEnd ReadDisk(DiskImage&) override { return DiskReadEnd::NothingRead; }
};

}  // namespace

// Opening a recording with one unreadable sector from the disk browser: one
// message, then the Disk Map shows that sector bad and the others good.
class tst_frmDiskMap : public QObject {
    Q_OBJECT

private slots:
    void recordingWithABadSectorOpensAndShowsOnTheMap() {
        TempDir dir;
        const std::vector<std::uint8_t> image = DiskBuilder("FLUX").imageLength(2 * 18 * 256).build();
        flux::FluxDisk disk;
        for (int c = 0; c < 2; ++c) {
            auto sectors = flux::OpusTrackSectors(image, c, 0, 1);
            for (auto& s : sectors) {
                s.corruptData = c == 1 && s.sector == 4;
            }
            const std::vector<std::vector<flux::EncodeSector>> revs = {sectors};
            flux::FluxTrack track = flux::EncodeMfmTrack(revs);
            track.track = c;
            disk.tracks.push_back(std::move(track));
        }
        writeBytes(dir.file("disk.scp"), flux::WriteScp(disk));

        DiskSession session;
        ScriptedPrompter prompter;
        ScriptedChooser chooser;
        RecordingLog log;
        NoViewers viewers;
        NoReader reader;
        flux::FluxDiskOpener opener(prompter, log);
        frmDisk w(session, prompter, chooser, log, viewers, reader);
        w.browser().setFileOpener(&opener);
        w.StartUp(false);
        QCOMPARE(opener.filters()[1].description, "Flux Recordings (*.scp;*.hfe;*.raw)");
        chooser.paths.push_back(dir.file("disk.scp"));
        prompter.answers.push_back(MsgAnswer::Ok);
        w.findChild<QAction*>(QStringLiteral("mnuFileOpenExistingOpusImageFile"))->trigger();

        QCOMPARE(prompter.shown.size(), std::size_t{1});
        QCOMPARE(prompter.shown[0].text,
                 "1 of 36 sectors could not be read (first: cylinder 1 head 0 sector 4).");
        auto* mapItem = w.findChild<QAction*>(QStringLiteral("mnuFileDiskMap"));
        emit w.findChild<QMenu*>(QStringLiteral("mnuFile"))->aboutToShow();
        QVERIFY(mapItem->isEnabled());
        mapItem->trigger();

        auto* map = w.findChild<frmDiskMap*>(QStringLiteral("frmDiskMap"));
        QVERIFY(map != nullptr);
        const QImage picture = map->grab().toImage();
        QCOMPARE(picture.pixelColor(map->cellRect(1, 0, 4).center()),
                 frmDiskMap::stateColour(SectorState::Bad));
        QCOMPARE(picture.pixelColor(map->cellRect(1, 0, 5).center()),
                 frmDiskMap::stateColour(SectorState::Good));
        QCOMPARE(picture.pixelColor(map->cellRect(0, 0, 17).center()),
                 frmDiskMap::stateColour(SectorState::Good));
    }
};

QTEST_MAIN(tst_frmDiskMap)
#include "tst_frmDiskMap.moc"
