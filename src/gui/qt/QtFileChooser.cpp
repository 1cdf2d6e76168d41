#include "gui/qt/QtFileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <algorithm>

#include "core/IniMgr.h"

namespace {

constexpr const char* kFolderSection = "Folders";

bool hasExtension(const QString& name, std::initializer_list<const char*> extensions) {
    return std::any_of(extensions.begin(), extensions.end(), [&](const char* e) {
        return name.endsWith(QString::fromUtf8(e), Qt::CaseInsensitive);
    });
}

// The kind of file a name is, by its extension; nothing for an export.
const char* kindOfName(const QString& name) {
    if (hasExtension(name, {".opu", ".opd"})) {
        return "Images";
    }
    if (hasExtension(name, {".scp", ".hfe", ".raw"})) {
        return "Recordings";
    }
    return nullptr;
}

// The kind of file a dialog is for, by the patterns it offers first.
const char* kindOfDialog(const std::vector<FileFilter>& filters) {
    for (const FileFilter& f : filters) {
        for (const std::string& p : f.patterns) {
            if (const char* kind = kindOfName(QString::fromStdString(p))) {
                return kind;
            }
        }
    }
    return "Exports";
}

}  // namespace

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
    const std::string kind = kindOfDialog(filters);
    if (!m_settingsFile.empty()) {
        const QString folder = QString::fromStdString(IniMgr::Read(kFolderSection, kind, "", m_settingsFile));
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            dialog.setDirectory(folder);
        }
    }
    if (!proposedName.empty()) {
        dialog.selectFile(QString::fromStdString(proposedName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString chosen = dialog.selectedFiles().front();
    if (!m_settingsFile.empty()) {
        // A recording opened through the disk dialog is remembered for the
        // recordings too.
        const std::string folder = QFileInfo(chosen).absolutePath().toStdString();
        IniMgr::Write(kFolderSection, kind, folder, m_settingsFile);
        if (const char* chosenKind = kindOfName(chosen); chosenKind != nullptr && chosenKind != kind) {
            IniMgr::Write(kFolderSection, chosenKind, folder, m_settingsFile);
        }
    }
    return chosen.toStdString();
}
