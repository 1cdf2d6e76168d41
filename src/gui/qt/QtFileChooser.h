#pragma once

#include <QPointer>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QWidget>
#include <string>

#include "core/FileChooser.h"

// Shows files that match the selected filter's patterns without regard to
// case ("*.Opu" shows "DISK.OPU" too), and every folder.
class CaseInsensitiveFilterProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setPatterns(const std::vector<std::string>& patterns);
    [[nodiscard]] bool matches(const QString& fileName) const;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    std::vector<QRegularExpression> m_patterns;
};

// The open and save dialogs of the desktop program. Each starts in the folder
// last used for its kind of file (disk images, flux recordings, exports),
// which the settings file keeps.
class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent = nullptr, std::string settingsFile = {})
        : m_parent(parent), m_settingsFile(std::move(settingsFile)) {}

    std::optional<std::string> openFile(const std::string& title,
                                        const std::vector<FileFilter>& filters) override;
    std::optional<std::string> saveFile(const std::string& title, const std::vector<FileFilter>& filters,
                                        const std::string& proposedName) override;

private:
    std::optional<std::string> run(bool save, const std::string& title,
                                   const std::vector<FileFilter>& filters, const std::string& proposedName);
    QPointer<QWidget> m_parent;
    std::string m_settingsFile;
};
