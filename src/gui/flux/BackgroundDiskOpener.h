#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/DiskBrowser.h"
#include "gui/qt/GuiThreadPrompter.h"
#include "open/FluxDiskOpener.h"

// The browser's opener in the desktop program: the disk-file opener, run on
// a thread of its own so that decoding a large flux recording leaves the
// windows alive. Its questions come over to the GUI thread before or after
// the decoding, never under the progress box, which appears only when the
// decoding takes longer than half a second. The notices it gives (a damaged
// recording's warning) wait until the browser has listed the new disk.
class BackgroundDiskOpener : public QObject, public DiskFileOpener {
    Q_OBJECT
public:
    BackgroundDiskOpener(Prompter& prompter, ActivityLog& log, QWidget* window);
    ~BackgroundDiskOpener() override;

    [[nodiscard]] std::vector<FileFilter> filters() override;
    bool open(const std::string& path, DiskImage& image) override;
    void afterListing() override;

private:
    // Answers every notice (OK only) at once and keeps it for afterListing;
    // questions go straight on.
    class HoldingPrompter : public Prompter {
    public:
        explicit HoldingPrompter(Prompter& inner) : m_inner(inner) {}
        MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                          MsgButtons buttons) override;
        bool messageWithOptOut(const std::string& text, const std::string& title, MsgIcon icon) override {
            return m_inner.messageWithOptOut(text, title, icon);
        }
        void setBusy(bool busy) override { m_inner.setBusy(busy); }
        void showHeld();

    private:
        struct Notice {
            std::string text, title;
            MsgIcon icon;
        };
        Prompter& m_inner;
        std::vector<Notice> m_held;
    };

    void showProgress(int done, int total);
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPointer<QWidget> m_window;
    HoldingPrompter m_holding;
    GuiThreadPrompter m_toGui;
    flux::FluxDiskOpener m_inner;
    std::unique_ptr<QProgressDialog> m_progress;
    QElapsedTimer m_started;
    std::atomic<bool> m_cancel{false};
    bool m_opening = false;
};
