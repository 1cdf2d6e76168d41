#include "gui/qt/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QStringList>

#include "core/IniMgr.h"

namespace {

constexpr const char* kSection = "Windows";

std::string keyOf(const std::string& kind) {
    return kind + " Placement";
}

}  // namespace

WindowPlacement::WindowPlacement(QWidget* window, std::string kind, std::string settingsFile)
    : QObject(window), m_kind(std::move(kind)), m_settingsFile(std::move(settingsFile)) {}

void WindowPlacement::keep(QWidget* window, const std::string& kind, const std::string& settingsFile,
                           bool withSize) {
    if (settingsFile.empty()) {
        return;
    }
    // "x y width height": the frame's corner and the window's own size.
    const QStringList parts =
        QString::fromStdString(IniMgr::Read(kSection, keyOf(kind), "", settingsFile)).split(u' ');
    if (parts.size() == 4) {
        bool ok[4] = {};
        const QRect placed(parts[0].toInt(&ok[0]), parts[1].toInt(&ok[1]), parts[2].toInt(&ok[2]),
                           parts[3].toInt(&ok[3]));
        if (ok[0] && ok[1] && ok[2] && ok[3] && placed.width() > 0 && placed.height() > 0) {
            if (withSize) {
                window->resize(placed.size());
            }
            // A screen that has gone since leaves the window where the system puts it.
            if (QGuiApplication::screenAt(placed.topLeft() + QPoint(20, 20)) != nullptr) {
                window->move(placed.topLeft());
            }
        }
    }
    window->installEventFilter(new WindowPlacement(window, kind, settingsFile));
}

void WindowPlacement::save(const QWidget* window) const {
    if (window->isMinimized() || window->isMaximized() || window->isFullScreen()) {
        return;
    }
    const QString text = QStringLiteral("%1 %2 %3 %4")
                             .arg(window->x())
                             .arg(window->y())
                             .arg(window->width())
                             .arg(window->height());
    IniMgr::Write(kSection, keyOf(m_kind), text.toStdString(), m_settingsFile);
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == parent()) {
        save(static_cast<QWidget*>(watched));
    }
    return QObject::eventFilter(watched, event);
}
