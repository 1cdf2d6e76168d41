#include "gui/qt/QtPrompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>

MsgAnswer QtPrompter::message(const std::string& text, const std::string& title, MsgIcon icon,
                              MsgButtons buttons) {
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
        case MsgIcon::Critical:
            qtIcon = QMessageBox::Critical;
            break;
        case MsgIcon::Question:
            qtIcon = QMessageBox::Question;
            break;
        case MsgIcon::Exclamation:
            qtIcon = QMessageBox::Warning;
            break;
        case MsgIcon::Information:
            qtIcon = QMessageBox::Information;
            break;
        case MsgIcon::None:
            break;
    }
    QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
    switch (buttons) {
        case MsgButtons::Ok:
            qtButtons = QMessageBox::Ok;
            break;
        case MsgButtons::OkCancel:
            qtButtons = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoDefaultNo:
            qtButtons = QMessageBox::Yes | QMessageBox::No;
            break;
        case MsgButtons::YesNoCancel:
            qtButtons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            break;
    }
    // Message texts use CR LF between lines; Qt wants a plain line feed.
    QString body = QString::fromStdString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(qtIcon, QString::fromStdString(title), body, qtButtons, m_parent.data());
    if (buttons == MsgButtons::YesNoDefaultNo) {
        box.setDefaultButton(QMessageBox::No);
    }
    if (m_offerOptOut) {
        box.setCheckBox(new QCheckBox(QStringLiteral("Do not show this again"), &box));
    }
    // The busy pointer must not hide a question.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    const int answer = box.exec();
    m_optedOut = box.checkBox() != nullptr && box.checkBox()->isChecked();
    if (busy) {
        QApplication::restoreOverrideCursor();
    }
    switch (answer) {
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Ok:
            return MsgAnswer::Ok;
        default:
            return MsgAnswer::Cancel;
    }
}

bool QtPrompter::messageWithOptOut(const std::string& text, const std::string& title, MsgIcon icon) {
    m_offerOptOut = true;
    (void)message(text, title, icon, MsgButtons::Ok);
    m_offerOptOut = false;
    return m_optedOut;
}

void QtPrompter::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}
