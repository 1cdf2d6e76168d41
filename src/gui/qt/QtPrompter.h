#pragma once

#include <QPointer>
#include <QWidget>

#include "core/Prompter.h"

// Message boxes and the busy pointer of the desktop program.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                      MsgButtons buttons) override;
    bool messageWithOptOut(const std::string& text, const std::string& title, MsgIcon icon) override;
    void setBusy(bool busy) override;

private:
    QPointer<QWidget> m_parent;
    bool m_offerOptOut = false;  // the next box carries "Do not show this again"
    bool m_optedOut = false;
};
