#pragma once

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>

#include "core/Prompter.h"
#include "disk/DiskImage.h"
#include "floppy/DiskReader.h"

// The Read Physical Opus Disk dialog. The read itself is DiskReader's; the
// dialog offers its options, shows its progress and swaps Close for Cancel
// while it runs.
class frmFDRead : public QDialog {
    Q_OBJECT
public:
    frmFDRead(modFDRawCmd& driver, Prompter& prompter, DiskImage& image, QWidget* owner = nullptr);

    // True once Cancel was pressed; never false again for this dialog.
    [[nodiscard]] bool Canceled() const { return m_reader.Canceled(); }
    // True once a read ran to its end and replaced the image.
    [[nodiscard]] bool Published() const { return m_published; }
    [[nodiscard]] bool Reading() const { return m_reading; }

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

    DialogPrompter m_prompter;
    DiskReader m_reader;
    DiskImage& m_image;
    QMenu* m_mnuOptions = nullptr;
    std::uint8_t m_fillerByte = 0xE5;
    bool m_reading = false;
    bool m_published = false;
};
