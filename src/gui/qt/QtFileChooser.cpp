#include "gui/qt/QtFileChooser.h"

#include <QFileDialog>
#include <QFileSystemModel>

void CaseInsensitiveFilterProxy::setPatterns(const std::vector<std::string>& patterns) {
    m_patterns.clear();
    for (const std::string& p : patterns) {
        // "All Files (*.*)" means every file, with or without an extension.
        const QString wildcard = p == "*.*" ? QStringLiteral("*") : QString::fromStdString(p);
        m_patterns.emplace_back(QRegularExpression::wildcardToRegularExpression(wildcard),
                                QRegularExpression::CaseInsensitiveOption);
    }
    invalidateFilter();
}

bool CaseInsensitiveFilterProxy::matches(const QString& fileName) const {
    for (const QRegularExpression& re : m_patterns) {
        if (re.match(fileName).hasMatch()) {
            return true;
        }
    }
    return m_patterns.empty();
}

bool CaseInsensitiveFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const auto* fs = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (fs == nullptr) {
        return true;
    }
    const QModelIndex index = fs->index(sourceRow, 0, sourceParent);
    return fs->isDir(index) || matches(fs->fileName(index));
}

Qt::ItemFlags CaseInsensitiveFilterProxy::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QSortFilterProxyModel::flags(index);
    if (index.isValid()) {
        // The dialog's own filter is case-sensitive and greys out what it does
        // not match; what this proxy lets through is selectable.
        f |= Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }
    return f;
}

std::optional<std::string> QtFileChooser::openFile(const std::string& title,
                                                   const std::vector<FileFilter>& filters) {
    return run(false, title, filters, {});
}

std::optional<std::string> QtFileChooser::saveFile(const std::string& title,
                                                   const std::vector<FileFilter>& filters,
                                                   const std::string& proposedName) {
    return run(true, title, filters, proposedName);
}

std::optional<std::string> QtFileChooser::run(bool save, const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string& proposedName) {
    QFileDialog dialog(m_parent.data(), QString::fromStdString(title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The person answers about replacing files in the command itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);

    QStringList names;
    for (const FileFilter& f : filters) {
        names << QString::fromStdString(f.description);
    }
    dialog.setNameFilters(names);
    if (auto* fs = dialog.findChild<QFileSystemModel*>()) {
        fs->setNameFilterDisables(true);
    }
    auto* proxy = new CaseInsensitiveFilterProxy(&dialog);
    dialog.setProxyModel(proxy);
    const auto selectFilter = [&](const QString& name) {
        const auto at = names.indexOf(name);
        proxy->setPatterns(at >= 0 ? filters[static_cast<std::size_t>(at)].patterns
                                   : std::vector<std::string>{});
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, selectFilter);
    if (!names.isEmpty()) {
        dialog.selectNameFilter(names.front());
        selectFilter(names.front());
    }
    if (!proposedName.empty()) {
        dialog.selectFile(QString::fromStdString(proposedName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}
