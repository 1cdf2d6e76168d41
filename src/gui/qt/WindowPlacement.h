#pragma once

#include <QObject>
#include <QWidget>
#include <string>

// Where a window stood and how large it was, kept in the settings file's
// [Windows] section under the window's kind ("Main", "BASIC Viewer", ...):
// the next window of that kind opens there.
class WindowPlacement : public QObject {
    Q_OBJECT
public:
    // Places the window as the last one of its kind was left (its size only
    // when withSize; a screen viewer's size follows its zoom), and keeps its
    // place when it closes.
    static void keep(QWidget* window, const std::string& kind, const std::string& settingsFile,
                     bool withSize = true);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowPlacement(QWidget* window, std::string kind, std::string settingsFile);
    void save(const QWidget* window) const;

    std::string m_kind;
    std::string m_settingsFile;
};
