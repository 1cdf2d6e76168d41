#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

// The pieces the read and the write dialog share: named fields and labels,
// and the frame both stand in (menu, drive row, progress, status lines, and
// the buttons, of which Cancel and Close share one place).

inline QLineEdit* driveDialogField(const QString& name, const QString& text, bool readOnly) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    return edit;
}

inline QLabel* driveDialogLabel(const QString& name, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

struct DriveDialogFrame {
    QMenuBar* menuBar;
    QLayout* driveRow;
    QWidget* progress;
    QString statusCaption;  // "Head:Track - Read Status:"
    QWidget* statusLines;
    QPushButton* start;
    QPushButton* cancel;
    QPushButton* close;
};

inline void layOutDriveDialog(QDialog* dialog, const DriveDialogFrame& frame) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(frame.start);
    buttons->addWidget(frame.cancel);
    buttons->addWidget(frame.close);

    auto* layout = new QVBoxLayout(dialog);
    layout->setMenuBar(frame.menuBar);
    layout->addLayout(frame.driveRow);
    layout->addWidget(frame.progress);
    layout->addWidget(driveDialogLabel(QStringLiteral("lblTkInfo"), frame.statusCaption, frame.statusLines));
    layout->addWidget(frame.statusLines, 1);
    layout->addLayout(buttons);
}
