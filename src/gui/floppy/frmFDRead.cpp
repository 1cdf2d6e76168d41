#include "gui/floppy/frmFDRead.h"
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

#include "core/ProgramInfo.h"

namespace {

QLineEdit* field(const QString& name, const QString& text, bool readOnly) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    return edit;
}

QLabel* labelFor(const QString& name, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

frmFDRead::frmFDRead(modFDRawCmd& driver, Prompter& prompter, DiskImage& image, QWidget* owner)
    : QDialog(owner), m_prompter(prompter, *this), m_reader(driver, m_prompter), m_image(image) {
    setObjectName(QStringLiteral("frmFDRead"));
    setWindowTitle(QString::fromStdString(ProgramTitle()) + QStringLiteral(" - Read Physical Opus Disk..."));
    setModal(true);

    auto* menuBar = new QMenuBar(this);
    m_mnuOptions = menuBar->addMenu(QStringLiteral("Options"));
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

    txtDrive = field(QStringLiteral("txtDrive"), QStringLiteral("A"), false);
    txtTrack = field(QStringLiteral("txtTrack"), QStringLiteral("0"), true);
    txtHead = field(QStringLiteral("txtHead"), QStringLiteral("0"), true);
    txtSector = field(QStringLiteral("txtSector"), QStringLiteral("0"), true);
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
    progressLayout->addWidget(labelFor(QStringLiteral("lblTrack"), QStringLiteral("&Track:"), txtTrack), 0,
                              0);
    progressLayout->addWidget(txtTrack, 0, 1);
    progressLayout->addWidget(labelFor(QStringLiteral("lblHead"), QStringLiteral("&Head:"), txtHead), 0, 2);
    progressLayout->addWidget(txtHead, 0, 3);
    progressLayout->addWidget(labelFor(QStringLiteral("lblSector"), QStringLiteral("&Sector:"), txtSector), 0,
                              4);
    progressLayout->addWidget(txtSector, 0, 5);

    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(labelFor(QStringLiteral("lblDrive"), QStringLiteral("&Drive:"), txtDrive));
    driveRow->addWidget(txtDrive);
    driveRow->addStretch();

    // Cancel and Close share one place: only one of them shows at a time.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdRead);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addLayout(driveRow);
    layout->addWidget(progress);
    layout->addWidget(
        labelFor(QStringLiteral("lblTkInfo"), QStringLiteral("Head:Track - Read Status:"), txtTkInfo));
    layout->addWidget(txtTkInfo, 1);
    layout->addLayout(buttons);
    resize(420, 380);

    connect(cmdRead, &QPushButton::clicked, this, &frmFDRead::ReadDiskCommand);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFDRead::CancelCommand);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

void frmFDRead::setReadingState(bool reading) {
    m_reading = reading;
    cmdClose->setVisible(!reading);
    cmdCancel->setVisible(reading);
    m_mnuOptions->setEnabled(!reading);
    m_mnuOptions->menuAction()->setEnabled(!reading);
    cmdRead->setEnabled(!reading);
    if (reading) {
        txtTkInfo->clear();
    }
}

void frmFDRead::ReadDiskCommand() {
    ReadOptions options;
    options.bDoubleStep = mnuOptionsDoubleStep->isChecked();
    options.bDoubleSided = mnuOptionsDoubleSidedFloppy->isChecked();
    options.FillerByte = m_fillerByte;
    options.bSectorBySector = mnuOptionsSectorBySectorRead->isChecked();
    options.Tracks = mnuOptions80Tracks->isChecked() ? DiskReader::kWideTrackCount : DiskReader::kTrackCount;

    ReadHooks hooks;
    hooks.readingState = [this](bool reading) { setReadingState(reading); };
    hooks.sideStarting = [this](int track, int head) {
        txtTrack->setText(QString::number(track));
        txtHead->setText(QString::number(head));
    };
    hooks.progress = [this](const ReadProgress& p) {
        txtTkInfo->appendPlainText(QString::fromStdString(p.statusLine));
        txtTkInfo->moveCursor(QTextCursor::End);
        txtTkInfo->ensureCursorVisible();
        QApplication::processEvents();
        if (afterSide) {
            afterSide(p);
        }
    };
    const std::string drive = txtDrive->text().toStdString();
    const ReadReport report = mnuOptionsRetryBadSectorsOnly->isChecked()
                                  ? m_reader.RetryBadSectors(drive, options, m_image, hooks)
                                  : m_reader.ReadDisk(drive, options, m_image, hooks);
    if (report.outcome == ReadOutcome::Published) {
        m_published = true;
    }
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
    m_reader.Cancel();
}

void frmFDRead::closeEvent(QCloseEvent* event) {
    // While Cancel shows, the title-bar close would leave a read running.
    if (m_reading) {
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
        cmdClose->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
