#include "gui/floppy/frmFDWrite.h"
#include "gui/floppy/DriveDialogParts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include "core/ProgramInfo.h"
#include "floppy/DiskReader.h"
#include "gui/qt/QtMenus.h"

namespace {

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

}  // namespace

frmFDWrite::frmFDWrite(modFDRawCmd& driver, Prompter& prompter, std::vector<std::uint8_t> image,
                       std::string sDiskName, QWidget* owner)
    : QDialog(owner),
      m_prompter(prompter),
      m_threadPrompter(prompter, *this),
      m_writer(driver, m_threadPrompter),
      m_image(std::move(image)),
      m_diskName(trimmed(std::move(sDiskName))) {
    setObjectName(QStringLiteral("frmFDWrite"));
    setWindowTitle(QString::fromStdString(ProgramTitle()) +
                   QStringLiteral(" - Write Image to Physical Disk..."));
    setModal(true);

    // The image's length says what it holds; 368,640 bytes are taken as 40
    // tracks on two sides unless 80 Tracks says otherwise.
    WriteShape shape;
    (void)ResolveWriteShape(m_image.size(), m_image.size() > kNominalImageLength, 0, shape);
    auto* menuBar = new QMenuBar(this);
    m_mnuOptions = menuBar->addMenu(QStringLiteral("Options"));
    m_mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    const auto item = [this](const char* name, const char* caption, bool checked) {
        QAction* a = addMenuItem(m_mnuOptions, name, caption);
        a->setCheckable(true);
        a->setChecked(checked);
        return a;
    };
    mnuOptionsDoubleStep = item("mnuOptionsDoubleStep", "Double Step", true);
    mnuOptionsDoubleSidedFloppy =
        item("mnuOptionsDoubleSidedFloppy", "Double Sided Floppy", shape.heads == 2);
    mnuOptions80Tracks = item("mnuOptions80Tracks", "80 Tracks", shape.tracks == DiskReader::kWideTrackCount);
    mnuOptionsVerifyAfterWriting = item("mnuOptionsVerifyAfterWriting", "Verify After Writing", true);
    mnuOptionsDoubleStep->setEnabled(!mnuOptions80Tracks->isChecked());
    connect(mnuOptions80Tracks, &QAction::toggled, this,
            [this](bool checked) { mnuOptionsDoubleStep->setEnabled(!checked); });

    txtDrive = driveDialogField(QStringLiteral("txtDrive"), QStringLiteral("A"), false);
    txtTrack = driveDialogField(QStringLiteral("txtTrack"), QStringLiteral("0"), true);
    txtHead = driveDialogField(QStringLiteral("txtHead"), QStringLiteral("0"), true);
    spnRetries = new QSpinBox;
    spnRetries->setObjectName(QStringLiteral("spnRetries"));
    spnRetries->setRange(1, DiskWriter::kMaxRetries);
    spnRetries->setValue(WriteOptions{}.Retries);
    txtTkInfo = new QPlainTextEdit;
    txtTkInfo->setObjectName(QStringLiteral("txtTkInfo"));
    txtTkInfo->setReadOnly(true);
    txtTkInfo->setLineWrapMode(QPlainTextEdit::NoWrap);

    cmdWrite = new QPushButton(QStringLiteral("&Write Disk"));
    cmdWrite->setObjectName(QStringLiteral("cmdWrite"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setVisible(false);
    cmdClose = new QPushButton(QStringLiteral("&Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* b : {cmdWrite, cmdCancel, cmdClose}) {
        b->setAutoDefault(false);
    }

    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(driveDialogLabel(QStringLiteral("lblDrive"), QStringLiteral("&Drive:"), txtDrive));
    driveRow->addWidget(txtDrive);
    driveRow->addWidget(
        driveDialogLabel(QStringLiteral("lblRetries"), QStringLiteral("&Tries per side:"), spnRetries));
    driveRow->addWidget(spnRetries);
    driveRow->addStretch();

    auto* progress = new QGroupBox(QStringLiteral("Write Progress:"));
    progress->setObjectName(QStringLiteral("fmeProgress"));
    auto* progressLayout = new QGridLayout(progress);
    progressLayout->addWidget(
        driveDialogLabel(QStringLiteral("lblTrack"), QStringLiteral("T&rack:"), txtTrack), 0, 0);
    progressLayout->addWidget(txtTrack, 0, 1);
    progressLayout->addWidget(driveDialogLabel(QStringLiteral("lblHead"), QStringLiteral("&Head:"), txtHead),
                              0, 2);
    progressLayout->addWidget(txtHead, 0, 3);

    layOutDriveDialog(this, {menuBar, driveRow, progress, QStringLiteral("Head:Track - Write Status:"),
                             txtTkInfo, cmdWrite, cmdCancel, cmdClose});
    resize(460, 380);

    connect(cmdWrite, &QPushButton::clicked, this, &frmFDWrite::WriteDiskCommand);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFDWrite::CancelCommand);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

frmFDWrite::~frmFDWrite() {
    if (m_thread != nullptr) {
        m_writer.Cancel();
        m_thread->wait();
    }
}

MsgAnswer frmFDWrite::ThreadPrompter::message(const std::string& text, const std::string& title, MsgIcon icon,
                                              MsgButtons buttons) {
    MsgAnswer answer = MsgAnswer::Cancel;
    QMetaObject::invokeMethod(
        &m_dialog, [&] { answer = m_inner.message(text, title, icon, buttons); },
        Qt::BlockingQueuedConnection);
    return answer;
}

void frmFDWrite::ThreadPrompter::setBusy(bool busy) {
    // The pointer covers the dialog only, so Cancel stays pointable.
    QMetaObject::invokeMethod(
        &m_dialog,
        [dialog = &m_dialog, busy] {
            if (busy) {
                dialog->setCursor(Qt::WaitCursor);
                dialog->cmdCancel->setCursor(Qt::ArrowCursor);
            } else {
                dialog->unsetCursor();
            }
        },
        Qt::QueuedConnection);
}

void frmFDWrite::setWritingState(bool writing) {
    cmdClose->setVisible(!writing);
    cmdCancel->setVisible(writing);
    cmdCancel->setEnabled(writing);
    cmdWrite->setEnabled(!writing);
    m_mnuOptions->menuAction()->setEnabled(!writing);
    txtDrive->setReadOnly(writing);
    spnRetries->setEnabled(!writing);
}

void frmFDWrite::WriteDiskCommand() {
    if (m_thread != nullptr) {
        return;
    }
    WriteOptions options;
    options.bDoubleStep = mnuOptionsDoubleStep->isChecked();
    options.bVerify = mnuOptionsVerifyAfterWriting->isChecked();
    options.Retries = spnRetries->value();
    const int tracks =
        mnuOptions80Tracks->isChecked() ? DiskReader::kWideTrackCount : DiskReader::kTrackCount;
    const std::string why =
        ResolveWriteShape(m_image.size(), mnuOptionsDoubleSidedFloppy->isChecked(), tracks, options.shape);
    if (!why.empty()) {
        m_prompter.message(why, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    const std::string driveText = txtDrive->text().toStdString();
    const auto drive = DiskReader::DriveNumber(driveText);
    if (!drive) {
        m_prompter.message(kDriveNotValidMessage, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    const std::string question = std::string("All data on the disk in drive ") +
                                 static_cast<char>('A' + *drive) + " will be replaced by " + m_diskName +
                                 ". Write?";
    if (m_prompter.message(question, ProgramTitle(), MsgIcon::Question, MsgButtons::YesNoDefaultNo) !=
        MsgAnswer::Yes) {
        return;
    }

    txtTkInfo->clear();
    setWritingState(true);
    WriteHooks hooks;
    hooks.sideStarting = [this](int track, int head) {
        QMetaObject::invokeMethod(
            this,
            [this, track, head] {
                txtTrack->setText(QString::number(track));
                txtHead->setText(QString::number(head));
            },
            Qt::QueuedConnection);
    };
    hooks.progress = [this](const WriteProgress& p) {
        QMetaObject::invokeMethod(
            this, [this, line = QString::fromStdString(p.statusLine)] { txtTkInfo->appendPlainText(line); },
            Qt::QueuedConnection);
    };
    m_thread = QThread::create([this, driveText, options, hooks] {
        const WriteReport report = m_writer.WriteDisk(driveText, options, m_image, hooks);
        QMetaObject::invokeMethod(
            this, [this, report, options] { writeFinished(report, options); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

void frmFDWrite::writeFinished(const WriteReport& report, const WriteOptions& options) {
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_report = report;
    const std::string summary = DiskWriter::Summary(report, options);
    if (!summary.empty()) {
        txtTkInfo->appendPlainText(QString::fromStdString(summary));
    }
    if (report.outcome == WriteOutcome::WriteProtected) {
        m_prompter.message(summary, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    }
    setWritingState(false);
    emit writeEnded();
}

void frmFDWrite::CancelCommand() {
    cmdCancel->setEnabled(false);
    m_writer.Cancel();
}

void frmFDWrite::closeEvent(QCloseEvent* event) {
    if (m_thread != nullptr) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmFDWrite::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (m_thread != nullptr) {
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
