#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/FileChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/Catalogue.h"
#include "disk/DiskImage.h"
#include "disk/FilesHit.h"
#include "disk/ListRows.h"

// The program-wide disk: the current image and its decoded catalogue, each
// replaced whole.
struct DiskSession {
    DiskImage image;
    Catalogue catalogue;
};

// Opens viewer windows. Each call makes a fresh window for the catalogue entry.
class ViewerFactory {
public:
    virtual ~ViewerFactory() = default;
    virtual void ShowOpusProgram(int lIndex) = 0;
    virtual void ShowOpusBytes(int lIndex) = 0;
    // False when the window refused the entry; it is then gone.
    virtual bool ShowOpusScreen(int lIndex) = 0;
};

// How the read dialog ended: a read ran to its end and replaced the image,
// Cancel stopped one, or the dialog was closed without a finished read.
enum class DiskReadEnd { Read, Canceled, NothingRead };

// Runs the read dialog modally; it replaces the image itself when a read ran
// to its end.
class DiskReadLauncher {
public:
    virtual ~DiskReadLauncher() = default;
    virtual DiskReadEnd ReadDisk(DiskImage& image) = 0;
};

// Opens a disk file for the browser. The program plugs in one that also
// decodes flux recordings; without one, image files are opened as they are.
class DiskFileOpener {
public:
    virtual ~DiskFileOpener() = default;
    [[nodiscard]] virtual std::vector<FileFilter> filters() = 0;
    // False when nothing was opened; the opener has told the person why.
    virtual bool open(const std::string& path, DiskImage& image) = 0;
    // Called once the browser has listed what open() loaded, or given up on
    // it: an opener that holds its warnings back shows them now, over the
    // new list.
    virtual void afterListing() {}
};

// What the browser window shows.
class DiskBrowserView {
public:
    virtual ~DiskBrowserView() = default;
    virtual void setRows(const std::vector<ListRow>& rows) = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void setReadEnabled(bool enabled) = 0;
    virtual void setSaveEnabled(bool enabled) = 0;
    // "&Opus File" and its items, enabled exactly while the list holds a file.
    virtual void setOpusFileEnabled(bool enabled) = 0;
    virtual void showWindow() = 0;
    // After the rows: the files the current disk's bad sectors fall into
    // (entry 0 for the catalogue itself), empty when there are none.
    virtual void markHitFiles(const std::vector<HitFile>& /*hits*/) {}
    // Whenever the current image was replaced: its sector map (none for an
    // image file) and the files its bad sectors fall into.
    virtual void showSectorMap(const std::optional<SectorMap>& /*map*/,
                               const std::vector<HitFile>& /*hits*/) {}
};

inline constexpr const char* kReadCanceledMessage = "Disk read canceled, keeping old image if any!";
inline constexpr const char* kCatalogueErrorMessage =
    "There was an error while processing the disk's CATalogue.\r\nDisk processing aborted.";

// The disk browser's commands, free of any window: the window forwards its
// menu and list events here and draws what the view is told.
class DiskBrowser {
public:
    DiskBrowser(DiskSession& session, DiskBrowserView& view, Prompter& prompter, FileChooser& chooser,
                ActivityLog& log, ViewerFactory& viewers, DiskReadLauncher& reader);

    void StartUp(bool bDriverPresent);
    void setFileOpener(DiskFileOpener* opener) { m_opener = opener; }

    void ReadPhysicalDisk();
    void OpenImageFile();
    void SaveImage();

    // Double-click or Enter on a row: dispatch by the entry's type and length.
    void OpenEntry(std::optional<int> lIndex);
    void ViewAsBasic(std::optional<int> lIndex);
    void ViewAsBytes(std::optional<int> lIndex);
    void ViewAsScreen(std::optional<int> lIndex);

    void FillDiskList();

    [[nodiscard]] const std::string& CurrentDiskName() const { return m_currentDiskName; }
    [[nodiscard]] bool NoFilesListed() const { return m_noFilesListed; }
    // What a read or a decoded recording knows of the current disk's sectors.
    [[nodiscard]] const std::optional<SectorMap>& CurrentSectorMap() const {
        return m_session.image.sectorMap;
    }
    // The files the current disk's bad sectors fall into; none without a map.
    [[nodiscard]] std::vector<HitFile> HitFiles() const;

private:
    [[nodiscard]] bool validIndex(std::optional<int> lIndex) const;

    DiskSession& m_session;
    DiskBrowserView& m_view;
    Prompter& m_prompter;
    FileChooser& m_chooser;
    ActivityLog& m_log;
    ViewerFactory& m_viewers;
    DiskReadLauncher& m_reader;
    DiskFileOpener* m_opener = nullptr;
    std::string m_currentDiskName;
    bool m_noFilesListed = false;
};
