#pragma once

#include <string>

// Every question and message of the logic reaches the person through this
// interface: the desktop program shows a message box, the tests script the
// answers, the command line answers for itself.
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
// YesNoDefaultNo: a question whose Yes cannot be undone, so Enter answers No.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

class Prompter {
public:
    virtual ~Prompter() = default;

    // Shows text with the title, icon and buttons and returns the answer.
    virtual MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                              MsgButtons buttons) = 0;

    // A notice (OK only) carrying a "Do not show this again" box; true when
    // the person ticked it. Without such a box the notice is a plain message.
    virtual bool messageWithOptOut(const std::string& text, const std::string& title, MsgIcon icon) {
        (void)message(text, title, icon, MsgButtons::Ok);
        return false;
    }

    // The busy mouse pointer while a file is written.
    virtual void setBusy(bool busy) { (void)busy; }
};

// Shows the busy pointer for its lifetime, so every way out restores it.
class BusyPointer {
public:
    explicit BusyPointer(Prompter& prompter) : m_prompter(prompter) { m_prompter.setBusy(true); }
    ~BusyPointer() { m_prompter.setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Prompter& m_prompter;
};
