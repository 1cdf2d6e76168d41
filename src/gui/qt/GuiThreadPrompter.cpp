#include "gui/qt/GuiThreadPrompter.h"

#include <QThread>
#include <future>
#include <memory>

void GuiThreadPrompter::detach() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_context = nullptr;
}

void GuiThreadPrompter::post(std::function<void()> call) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_context != nullptr) {
        // Qt drops a queued call whose context is destroyed before it runs.
        QMetaObject::invokeMethod(m_context, std::move(call), Qt::QueuedConnection);
    }
}

bool GuiThreadPrompter::onGuiThread(const std::function<void()>& ask) {
    const auto run = [this, &ask] {
        if (beforeQuestion) {
            beforeQuestion();
        }
        ask();
    };
    std::future<void> answered;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_context == nullptr) {
            return false;
        }
        if (QThread::currentThread() == m_context->thread()) {
            lock.unlock();
            run();
            return true;
        }
        // The promise goes with the call: a call that Qt drops breaks it and
        // lets the worker go with nothing asked.
        auto promise = std::make_shared<std::promise<void>>();
        answered = promise->get_future();
        QMetaObject::invokeMethod(
            m_context,
            [run, promise] {
                run();
                promise->set_value();
            },
            Qt::QueuedConnection);
    }
    try {
        answered.get();
        return true;
    } catch (const std::future_error&) {
        return false;
    }
}

MsgAnswer GuiThreadPrompter::message(const std::string& text, const std::string& title, MsgIcon icon,
                                     MsgButtons buttons) {
    MsgAnswer answer = MsgAnswer::Cancel;
    (void)onGuiThread([&] { answer = m_inner.message(text, title, icon, buttons); });
    return answer;
}

bool GuiThreadPrompter::messageWithOptOut(const std::string& text, const std::string& title, MsgIcon icon) {
    bool optedOut = false;
    (void)onGuiThread([&] { optedOut = m_inner.messageWithOptOut(text, title, icon); });
    return optedOut;
}

void GuiThreadPrompter::setBusy(bool busy) {
    // The pointer is no question: the worker does not wait for it.
    post([this, busy] { m_inner.setBusy(busy); });
}
