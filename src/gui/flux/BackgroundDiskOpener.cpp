#include "gui/flux/BackgroundDiskOpener.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

namespace {

// Decoding that ends sooner than this shows no progress box.
constexpr qint64 kProgressDelayMs = 500;

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

}  // namespace

MsgAnswer BackgroundDiskOpener::HoldingPrompter::message(const std::string& text, const std::string& title,
                                                         MsgIcon icon, MsgButtons buttons) {
    if (buttons != MsgButtons::Ok) {
        return m_inner.message(text, title, icon, buttons);
    }
    m_held.push_back({text, title, icon});
    return MsgAnswer::Ok;
}

void BackgroundDiskOpener::HoldingPrompter::showHeld() {
    std::vector<Notice> held;
    held.swap(m_held);
    for (const Notice& n : held) {
        (void)m_inner.message(n.text, n.title, n.icon, MsgButtons::Ok);
    }
}

BackgroundDiskOpener::BackgroundDiskOpener(Prompter& prompter, ActivityLog& log, QWidget* window)
    : m_window(window),
      m_holding(prompter),
      m_toGui(m_holding, this),
      m_inner(m_toGui, log, [this]() -> flux::DecodeProgress {
          return [this](int done, int total) {
              m_toGui.post([this, done, total] { showProgress(done, total); });
              return !m_cancel.load();
          };
      }) {
    // A question never stands under the progress box.
    m_toGui.beforeQuestion = [this] {
        if (m_progress) {
            m_progress->hide();
        }
    };
}

BackgroundDiskOpener::~BackgroundDiskOpener() {
    m_toGui.detach();
}

std::vector<FileFilter> BackgroundDiskOpener::filters() {
    return m_inner.filters();
}

bool BackgroundDiskOpener::open(const std::string& path, DiskImage& image) {
    if (m_opening) {
        return false;
    }
    m_opening = true;
    m_cancel = false;
    m_started.start();
    // The main window takes no commands while its disk is being replaced;
    // the progress box and the questions are windows of their own.
    qApp->installEventFilter(this);
    DiskImage work = image;
    bool loaded = false;
    QEventLoop wait;
    QThread* thread = QThread::create([&] { loaded = m_inner.open(path, work); });
    connect(thread, &QThread::finished, &wait, &QEventLoop::quit);
    thread->start();
    wait.exec();
    thread->wait();
    delete thread;
    // Progress reports still queued belong to this open and go with it.
    QCoreApplication::sendPostedEvents(this);
    qApp->removeEventFilter(this);
    m_progress.reset();
    m_opening = false;
    if (loaded) {
        image = std::move(work);
    }
    return loaded;
}

void BackgroundDiskOpener::afterListing() {
    m_holding.showHeld();
}

void BackgroundDiskOpener::showProgress(int done, int total) {
    if (!m_opening) {
        return;
    }
    if (done >= total) {
        // Decoding is over: whatever the opener asks next stands alone.
        if (m_progress) {
            m_progress->hide();
        }
        return;
    }
    if (!m_progress) {
        m_progress = std::make_unique<QProgressDialog>(QStringLiteral("Decoding the flux recording..."),
                                                       QStringLiteral("Cancel"), 0, total, m_window.data());
        m_progress->setObjectName(QStringLiteral("dlgFluxProgress"));
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->setMinimumDuration(0);
        m_progress->hide();
        connect(m_progress.get(), &QProgressDialog::canceled, this, [this] { m_cancel = true; });
    }
    m_progress->setMaximum(total);
    m_progress->setValue(done);
    if (!m_progress->isVisible() && m_started.elapsed() >= kProgressDelayMs) {
        m_progress->show();
    }
}

bool BackgroundDiskOpener::eventFilter(QObject* watched, QEvent* event) {
    if (m_opening && isUserInput(event->type()) && watched->isWidgetType()) {
        QWidget* target = static_cast<QWidget*>(watched)->window();
        if (target != nullptr && target == m_window.data()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
