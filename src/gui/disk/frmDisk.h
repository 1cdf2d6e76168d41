#pragma once

#include <QAction>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QTreeWidget>
#include <memory>
#include <optional>
#include <string>

#include "disk/DiskBrowser.h"

// The main window: the catalogue list and the commands that produce, save and
// open disk images and files. All decisions live in DiskBrowser; the window
// forwards its events there and draws what it is told.
class frmDiskMap;

class frmDisk : public QMainWindow, public DiskBrowserView {
    Q_OBJECT
public:
    frmDisk(DiskSession& session, Prompter& prompter, FileChooser& chooser, ActivityLog& log,
            ViewerFactory& viewers, DiskReadLauncher& reader, QWidget* parent = nullptr);
    ~frmDisk() override;

    // The settings file that keeps the column widths; the widths kept there
    // are taken at once.
    void setSettingsFile(const std::string& path);
    void StartUp(bool bDriverPresent);

    [[nodiscard]] DiskBrowser& browser() { return *m_browser; }
    [[nodiscard]] QTreeWidget* lvuDisk() const { return m_lvuDisk; }
    // The image list: positions 1..8 hold DISK .. PROPERTIES.
    [[nodiscard]] static QIcon imlIcon(int position);
    [[nodiscard]] static QString imlKey(int position);

    // The entry index of the selected row, if any.
    [[nodiscard]] std::optional<int> selectedIndex() const;

    // DiskBrowserView
    void setRows(const std::vector<ListRow>& rows) override;
    void setCaption(const std::string& caption) override;
    void setReadEnabled(bool enabled) override;
    void setSaveEnabled(bool enabled) override;
    void setOpusFileEnabled(bool enabled) override;
    void showWindow() override;
    void markHitFiles(const std::vector<HitFile>& hits) override;
    void showSectorMap(const std::optional<SectorMap>& map, const std::vector<HitFile>& hits) override;

signals:
    // File > Write Image to Physical Disk: the program opens the write dialog.
    void writeImageRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void shareColumnsEqually();

    std::unique_ptr<DiskBrowser> m_browser;
    QTreeWidget* m_lvuDisk = nullptr;
    QMenu* m_mnuFile = nullptr;
    QMenu* m_mnuOpusFile = nullptr;
    QAction* m_mnuFileReadPhysicalOpusDisk = nullptr;
    QAction* m_mnuFileOpenExistingOpusImageFile = nullptr;
    QAction* m_mnuFileSaveCurrentOpusImageAs = nullptr;
    QAction* m_mnuFileWriteImageToPhysicalDisk = nullptr;
    QAction* m_mnuFileDiskMap = nullptr;
    QAction* m_mnuFileExit = nullptr;
    QAction* m_mnuOpusFileViewAsBASICProgram = nullptr;
    QAction* m_mnuOpusFileViewAsBytes = nullptr;
    QAction* m_mnuOpusFileViewAsSCREEN = nullptr;
    QPointer<frmDiskMap> m_frmDiskMap;  // the one Disk Map window, while it is open
    std::string m_settingsFilePath;
    bool m_sizingColumns = false;
    bool m_columnsDragged = false;
};
