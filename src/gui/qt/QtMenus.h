#pragma once

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QString>

// Adds a menu item under the name the rest of the program (and the tests)
// find it by: "mnuFileSaveAs" with caption "&Save As..." and Ctrl+S.
inline QAction* addMenuItem(QMenu* menu, const QString& name, const QString& caption,
                            const QKeySequence& shortcut = {}) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setShortcut(shortcut);
    return a;
}

inline QAction* addMenuItem(QMenu* menu, const char* name, const char* caption,
                            const QKeySequence& shortcut = {}) {
    return addMenuItem(menu, QString::fromUtf8(name), QString::fromUtf8(caption), shortcut);
}
