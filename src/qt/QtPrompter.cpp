#include "qt/QtPrompter.h"

#include <QApplication>
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
    // The busy pointer must not hide a question.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    const int answer = box.exec();
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

void QtPrompter::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}
