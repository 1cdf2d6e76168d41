#pragma once

#include <QObject>
#include <functional>
#include <mutex>

#include "core/Prompter.h"

// A prompter for work that runs off the GUI thread: every question is asked
// on the GUI thread through the inner prompter while the worker waits for the
// answer. The questions belong to a window (the context) that lives on the
// GUI thread; once it has let go (detach), every question is answered Cancel
// and nothing is shown.
class GuiThreadPrompter : public Prompter {
public:
    GuiThreadPrompter(Prompter& inner, QObject* context) : m_inner(inner), m_context(context) {}

    // Runs on the GUI thread just before each question is shown (a progress
    // box steps aside).
    std::function<void()> beforeQuestion;

    // The window is going: nothing more reaches it. GUI thread only.
    void detach();
    // Runs call on the GUI thread later, unless the window has gone by then.
    // Any thread.
    void post(std::function<void()> call);

    MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                      MsgButtons buttons) override;
    bool messageWithOptOut(const std::string& text, const std::string& title, MsgIcon icon) override;
    void setBusy(bool busy) override;

private:
    // Runs ask on the GUI thread and waits for it; false when the window is gone.
    bool onGuiThread(const std::function<void()>& ask);

    Prompter& m_inner;
    std::mutex m_mutex;  // guards m_context
    QObject* m_context;
};
