#pragma once

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>
#include <memory>
#include <string>

#include "core/Prompter.h"
#include "disk/DiskImage.h"
#include "floppy/DiskReader.h"

// The Read Physical Opus Disk dialog. The read itself is DiskReader's, the
// same as the command line's, and runs on a thread of its own so that the
// dialog stays alive however long the drive takes; only its progress and its
// questions come over to the dialog. The dialog offers the options (kept in
// the settings file between openings), shows the progress, swaps Close for
// Cancel while a read runs and ends with the read's summary.
class frmFDRead : public QDialog {
    Q_OBJECT
public:
    // settingsFile keeps the options between openings; empty keeps none.
    frmFDRead(modFDRawCmd& driver, Prompter& prompter, DiskImage& image, QWidget* owner = nullptr,
              std::string settingsFile = {});
    ~frmFDRead() override;

    // True once Cancel was pressed; never false again for this dialog.
    [[nodiscard]] bool Canceled() const { return m_canceled; }
    // True once a read ran to its end and replaced the image.
    [[nodiscard]] bool Published() const { return m_published; }
    // From Read Disk until the read's thread has ended (the drive is in use).
    [[nodiscard]] bool Reading() const { return m_busy; }

    // Waits for the reads that Cancel or Close left behind to let go of the
    // drive; the program calls it before the driver goes.
    static void WaitForAbandonedReads();

    // Called after every track side, once the dialog has shown it (tests use
    // it to press buttons in the middle of a read).
    std::function<void(const ReadProgress&)> afterSide;

    QLineEdit* txtDrive = nullptr;
    QLineEdit* txtTrack = nullptr;
    QLineEdit* txtHead = nullptr;
    QLineEdit* txtSector = nullptr;
    QPlainTextEdit* txtTkInfo = nullptr;
    QPushButton* cmdRead = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdClose = nullptr;
    QAction* mnuOptionsDoubleStep = nullptr;
    QAction* mnuOptionsDoubleSidedFloppy = nullptr;
    QAction* mnuOptionsSectorBySectorRead = nullptr;
    QAction* mnuOptionsRetryBadSectorsOnly = nullptr;
    QAction* mnuOptions80Tracks = nullptr;
    QAction* mnuOptionsFillerByteForErrorSectorsZero = nullptr;
    QAction* mnuOptionsFillerByteForErrorSectorsE5 = nullptr;

public slots:
    void ReadDiskCommand();
    void CancelCommand();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Session;

    // Passes the read's messages on; its busy pointer covers this dialog only,
    // so the pointer over Cancel stays the one that says it can be pressed.
    class DialogPrompter : public Prompter {
    public:
        DialogPrompter(Prompter& inner, frmFDRead& dialog) : m_inner(inner), m_dialog(dialog) {}
        MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                          MsgButtons buttons) override {
            return m_inner.message(text, title, icon, buttons);
        }
        void setBusy(bool busy) override;

    private:
        Prompter& m_inner;
        frmFDRead& m_dialog;
    };

    void setReadingState(bool reading);
    void readFinished(const ReadReport& report, const DiskImage& read);
    void loadOptions();
    void saveOptions() const;

    DialogPrompter m_prompter;
    std::shared_ptr<Session> m_session;
    DiskImage& m_image;
    std::string m_settingsFile;
    QMenu* m_mnuOptions = nullptr;
    std::uint8_t m_fillerByte = 0xE5;
    bool m_reading = false;  // Cancel shows
    bool m_busy = false;     // the read's thread runs
    bool m_canceled = false;
    bool m_published = false;
};
