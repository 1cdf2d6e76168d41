#include "gui/floppy/frmFDRead.h"
#include "gui/floppy/DriveDialogParts.h"
#include "gui/qt/QtMenus.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QVBoxLayout>

#include <QThread>
#include <atomic>
#include <mutex>

#include "core/IniMgr.h"
#include "core/ProgramInfo.h"
#include "floppy/ReadSummary.h"
#include "gui/qt/GuiThreadPrompter.h"

namespace {

// One drive, one read at a time: a read that Cancel left waiting on the
// device holds it until the device answers, and the next read waits its turn
// on its own thread.
std::mutex& driveInUse() {
    static std::mutex mutex;
    return mutex;
}

constexpr const char* kOptionsSection = "Read Disk";

bool readFlag(const std::string& key, bool fallback, const std::string& file) {
    return IniMgr::Read(kOptionsSection, key, fallback ? "True" : "False", file) == "True";
}

void writeFlag(const std::string& key, bool value, const std::string& file) {
    IniMgr::Write(kOptionsSection, key, value ? "True" : "False", file);
}

}  // namespace

// What the dialog and the read's thread share; the thread keeps it alive
// after the dialog has gone.
struct frmFDRead::Session {
    Session(modFDRawCmd& driver, Prompter& dialogPrompter, QObject* dialog)
        : prompter(dialogPrompter, dialog), reader(driver, prompter) {}
    GuiThreadPrompter prompter;
    DiskReader reader;
    std::atomic<bool> cancelRequested{false};
};

frmFDRead::frmFDRead(modFDRawCmd& driver, Prompter& prompter, DiskImage& image, QWidget* owner,
                     std::string settingsFile)
    : QDialog(owner),
      m_prompter(prompter, *this),
      m_session(std::make_shared<Session>(driver, m_prompter, this)),
      m_image(image),
      m_settingsFile(std::move(settingsFile)) {
    setObjectName(QStringLiteral("frmFDRead"));
    setWindowTitle(QString::fromStdString(ProgramTitle()) + QStringLiteral(" - Read Physical Opus Disk..."));
    setModal(true);

    auto* menuBar = new QMenuBar(this);
    m_mnuOptions = menuBar->addMenu(QStringLiteral("&Options"));
    m_mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    const auto item = [](QMenu* menu, const char* name, const char* caption, bool checked) {
        QAction* a = addMenuItem(menu, name, caption);
        a->setCheckable(true);
        a->setChecked(checked);
        return a;
    };
    mnuOptionsDoubleStep = item(m_mnuOptions, "mnuOptionsDoubleStep", "Double Step", true);
    mnuOptionsDoubleSidedFloppy =
        item(m_mnuOptions, "mnuOptionsDoubleSidedFloppy", "Double Sided Floppy", false);
    mnuOptionsSectorBySectorRead =
        item(m_mnuOptions, "mnuOptionsSectorBySectorRead", "Sector-By-Sector Read", false);
    mnuOptionsRetryBadSectorsOnly =
        item(m_mnuOptions, "mnuOptionsRetryBadSectorsOnly", "Retry Bad Sectors Only", false);
    mnuOptions80Tracks = item(m_mnuOptions, "mnuOptions80Tracks", "80 Tracks", false);
    // An 80-track disk fills the drive's own cylinders: there is nothing to double step.
    connect(mnuOptions80Tracks, &QAction::toggled, this,
            [this](bool checked) { mnuOptionsDoubleStep->setEnabled(!checked); });
    QMenu* filler = m_mnuOptions->addMenu(QStringLiteral("Filler Byte For Error Sectors"));
    filler->setObjectName(QStringLiteral("mnuOptionsFillerByteForErrorSectors"));
    mnuOptionsFillerByteForErrorSectorsZero =
        item(filler, "mnuOptionsFillerByteForErrorSectorsZero", "0x00", false);
    mnuOptionsFillerByteForErrorSectorsE5 =
        item(filler, "mnuOptionsFillerByteForErrorSectorsE5", "0xE5", true);
    auto* fillerGroup = new QActionGroup(this);
    fillerGroup->addAction(mnuOptionsFillerByteForErrorSectorsZero);
    fillerGroup->addAction(mnuOptionsFillerByteForErrorSectorsE5);
    connect(mnuOptionsFillerByteForErrorSectorsZero, &QAction::triggered, this,
            [this] { m_fillerByte = 0x00; });
    connect(mnuOptionsFillerByteForErrorSectorsE5, &QAction::triggered, this,
            [this] { m_fillerByte = 0xE5; });

    txtDrive = driveDialogField(QStringLiteral("txtDrive"), QStringLiteral("A"), false);
    txtTrack = driveDialogField(QStringLiteral("txtTrack"), QStringLiteral("0"), true);
    txtHead = driveDialogField(QStringLiteral("txtHead"), QStringLiteral("0"), true);
    txtSector = driveDialogField(QStringLiteral("txtSector"), QStringLiteral("0"), true);
    txtSector->setEnabled(false);
    txtTkInfo = new QPlainTextEdit;
    txtTkInfo->setObjectName(QStringLiteral("txtTkInfo"));
    txtTkInfo->setReadOnly(true);
    txtTkInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtTkInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtTkInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    cmdRead = new QPushButton(QStringLiteral("&Read Disk"));
    cmdRead->setObjectName(QStringLiteral("cmdRead"));
    cmdRead->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setVisible(false);
    cmdClose = new QPushButton(QStringLiteral("&Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    cmdCancel->setCursor(Qt::ArrowCursor);

    auto* progress = new QGroupBox(QStringLiteral("Read Progress:"));
    progress->setObjectName(QStringLiteral("fmeProgress"));
    auto* progressLayout = new QGridLayout(progress);
    progressLayout->addWidget(
        driveDialogLabel(QStringLiteral("lblTrack"), QStringLiteral("&Track:"), txtTrack), 0, 0);
    progressLayout->addWidget(txtTrack, 0, 1);
    progressLayout->addWidget(driveDialogLabel(QStringLiteral("lblHead"), QStringLiteral("&Head:"), txtHead),
                              0, 2);
    progressLayout->addWidget(txtHead, 0, 3);
    progressLayout->addWidget(
        driveDialogLabel(QStringLiteral("lblSector"), QStringLiteral("&Sector:"), txtSector), 0, 4);
    progressLayout->addWidget(txtSector, 0, 5);

    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(driveDialogLabel(QStringLiteral("lblDrive"), QStringLiteral("&Drive:"), txtDrive));
    driveRow->addWidget(txtDrive);
    driveRow->addStretch();

    layOutDriveDialog(this, {menuBar, driveRow, progress, QStringLiteral("Head:Track - Read Status:"),
                             txtTkInfo, cmdRead, cmdCancel, cmdClose});
    resize(420, 380);

    connect(cmdRead, &QPushButton::clicked, this, &frmFDRead::ReadDiskCommand);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFDRead::CancelCommand);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    loadOptions();
}

frmFDRead::~frmFDRead() {
    // A read still waiting on the device stops at its next side; its thread
    // keeps what it needs and tells this dialog nothing more.
    m_session->cancelRequested = true;
    m_session->prompter.detach();
}

void frmFDRead::WaitForAbandonedReads() {
    const std::lock_guard<std::mutex> wait(driveInUse());
}

void frmFDRead::loadOptions() {
    if (m_settingsFile.empty()) {
        return;
    }
    const auto set = [this](QAction* item, const char* key) {
        item->setChecked(readFlag(key, item->isChecked(), m_settingsFile));
    };
    set(mnuOptionsDoubleStep, "Double Step");
    set(mnuOptionsDoubleSidedFloppy, "Double Sided");
    set(mnuOptionsSectorBySectorRead, "Sector By Sector");
    set(mnuOptions80Tracks, "80 Tracks");
    if (IniMgr::Read(kOptionsSection, "Filler Byte", "E5", m_settingsFile) == "00") {
        mnuOptionsFillerByteForErrorSectorsZero->trigger();
    }
}

void frmFDRead::saveOptions() const {
    if (m_settingsFile.empty()) {
        return;
    }
    writeFlag("Double Step", mnuOptionsDoubleStep->isChecked(), m_settingsFile);
    writeFlag("Double Sided", mnuOptionsDoubleSidedFloppy->isChecked(), m_settingsFile);
    writeFlag("Sector By Sector", mnuOptionsSectorBySectorRead->isChecked(), m_settingsFile);
    writeFlag("80 Tracks", mnuOptions80Tracks->isChecked(), m_settingsFile);
    IniMgr::Write(kOptionsSection, "Filler Byte", m_fillerByte == 0 ? "00" : "E5", m_settingsFile);
}

void frmFDRead::setReadingState(bool reading) {
    m_reading = reading;
    cmdClose->setVisible(!reading);
    cmdCancel->setVisible(reading);
    // Options and Read Disk wait for the read's thread, which may still be
    // waiting on the device after Cancel.
    m_mnuOptions->setEnabled(!m_busy);
    m_mnuOptions->menuAction()->setEnabled(!m_busy);
    cmdRead->setEnabled(!m_busy);
    if (reading) {
        txtTkInfo->clear();
    }
}

void frmFDRead::ReadDiskCommand() {
    if (m_busy) {
        return;
    }
    saveOptions();
    ReadOptions options;
    options.bDoubleStep = mnuOptionsDoubleStep->isChecked();
    options.bDoubleSided = mnuOptionsDoubleSidedFloppy->isChecked();
    options.FillerByte = m_fillerByte;
    options.bSectorBySector = mnuOptionsSectorBySectorRead->isChecked();
    options.Tracks = mnuOptions80Tracks->isChecked() ? DiskReader::kWideTrackCount : DiskReader::kTrackCount;
    const bool retry = mnuOptionsRetryBadSectorsOnly->isChecked();
    const std::string drive = txtDrive->text().toStdString();

    m_busy = true;
    m_mnuOptions->setEnabled(false);
    m_mnuOptions->menuAction()->setEnabled(false);
    cmdRead->setEnabled(false);
    txtSector->setText(QStringLiteral("0"));

    // Everything the thread tells the dialog arrives as a queued call, which
    // is dropped once the dialog is gone.
    const std::shared_ptr<Session> session = m_session;
    GuiThreadPrompter* toDialog = &session->prompter;
    // Cancel is seen by the engine between sides, in its own thread.
    const auto noteCancel = [s = session.get()] {
        if (s->cancelRequested) {
            s->reader.Cancel();
        }
    };
    session->reader.sectorStarting = [this, toDialog](int sector) {
        toDialog->post([this, sector] { txtSector->setText(QString::number(sector)); });
    };
    ReadHooks hooks;
    hooks.readingState = [this, toDialog](bool reading) {
        toDialog->post([this, reading] { setReadingState(reading && !m_canceled); });
    };
    hooks.sideStarting = [this, toDialog, noteCancel](int track, int head) {
        noteCancel();
        toDialog->post([this, track, head] {
            txtTrack->setText(QString::number(track));
            txtHead->setText(QString::number(head));
        });
    };
    hooks.progress = [this, toDialog, noteCancel](const ReadProgress& p) {
        noteCancel();
        toDialog->post([this, p] {
            txtTkInfo->appendPlainText(QString::fromStdString(p.statusLine));
            txtTkInfo->moveCursor(QTextCursor::End);
            txtTkInfo->ensureCursorVisible();
            if (afterSide) {
                afterSide(p);
            }
        });
    };
    QThread* thread =
        QThread::create([this, session, hooks, options, retry, drive, work = m_image]() mutable {
            const std::lock_guard<std::mutex> driveTaken(driveInUse());
            if (session->cancelRequested) {
                session->reader.Cancel();
            }
            const ReadReport report = retry ? session->reader.RetryBadSectors(drive, options, work, hooks)
                                            : session->reader.ReadDisk(drive, options, work, hooks);
            auto result = std::make_shared<std::pair<ReadReport, DiskImage>>(report, std::move(work));
            session->prompter.post([this, result] { readFinished(result->first, result->second); });
        });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void frmFDRead::readFinished(const ReadReport& report, const DiskImage& read) {
    m_busy = false;
    // A Cancel pressed after the last side, before this call arrived, still
    // keeps the old image.
    if (report.outcome == ReadOutcome::Published && !m_canceled) {
        m_image = read;
        m_published = true;
        txtTkInfo->appendPlainText(QString::fromStdString(ReadSummary(report)));
        txtTkInfo->moveCursor(QTextCursor::End);
        txtTkInfo->ensureCursorVisible();
    }
    setReadingState(false);
}

void frmFDRead::DialogPrompter::setBusy(bool busy) {
    if (busy) {
        m_dialog.setCursor(Qt::WaitCursor);
    } else {
        m_dialog.unsetCursor();
    }
}

void frmFDRead::CancelCommand() {
    cmdCancel->setEnabled(false);
    m_canceled = true;
    m_session->cancelRequested = true;
    // The dialog is done with this read at once; a device that stalls keeps
    // only the read's thread waiting.
    unsetCursor();
    setReadingState(false);
}

void frmFDRead::closeEvent(QCloseEvent* event) {
    // While Cancel shows, or the drive check is under way, the title-bar close
    // would leave a read running.
    if (m_reading || (m_busy && !m_canceled)) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmFDRead::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // Esc answers Cancel while reading; otherwise it closes like Close.
        if (m_reading) {
            if (cmdCancel->isEnabled()) {
                CancelCommand();
            }
            return;
        }
        if (m_busy && !m_canceled) {
            return;
        }
        cmdClose->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
