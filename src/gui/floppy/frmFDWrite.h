#pragma once

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Prompter.h"
#include "floppy/DiskWriter.h"

// The Write Image to Physical Disk dialog. The write itself is DiskWriter's
// and runs on a thread of its own, so the dialog stays live and Cancel is
// taken after the side being written; the dialog offers the options, asks
// before anything is replaced, and shows the sides as they are done.
class frmFDWrite : public QDialog {
    Q_OBJECT
public:
    frmFDWrite(modFDRawCmd& driver, Prompter& prompter, std::vector<std::uint8_t> image,
               std::string sDiskName, QWidget* owner = nullptr);
    ~frmFDWrite() override;

    [[nodiscard]] bool Writing() const { return m_thread != nullptr; }
    // The last write's report, once one has ended.
    [[nodiscard]] const std::optional<WriteReport>& Report() const { return m_report; }

    QLineEdit* txtDrive = nullptr;
    QLineEdit* txtTrack = nullptr;
    QLineEdit* txtHead = nullptr;
    QSpinBox* spnRetries = nullptr;
    QPlainTextEdit* txtTkInfo = nullptr;
    QPushButton* cmdWrite = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdClose = nullptr;
    QAction* mnuOptionsDoubleStep = nullptr;
    QAction* mnuOptionsDoubleSidedFloppy = nullptr;
    QAction* mnuOptions80Tracks = nullptr;
    QAction* mnuOptionsVerifyAfterWriting = nullptr;

public slots:
    void WriteDiskCommand();
    void CancelCommand();

signals:
    void writeEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The writer's questions and busy pointer, asked from its thread and
    // answered on the dialog's.
    class ThreadPrompter : public Prompter {
    public:
        ThreadPrompter(Prompter& inner, frmFDWrite& dialog) : m_inner(inner), m_dialog(dialog) {}
        MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                          MsgButtons buttons) override;
        void setBusy(bool busy) override;

    private:
        Prompter& m_inner;
        frmFDWrite& m_dialog;
    };

    void setWritingState(bool writing);
    void writeFinished(const WriteReport& report, const WriteOptions& options);

    Prompter& m_prompter;
    ThreadPrompter m_threadPrompter;
    DiskWriter m_writer;
    std::vector<std::uint8_t> m_image;
    std::string m_diskName;
    QMenu* m_mnuOptions = nullptr;
    QThread* m_thread = nullptr;
    std::optional<WriteReport> m_report;
};
