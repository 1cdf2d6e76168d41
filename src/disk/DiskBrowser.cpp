#include "disk/DiskBrowser.h"

#include "core/ProgramInfo.h"
#include "disk/ImageFile.h"

DiskBrowser::DiskBrowser(DiskSession& session, DiskBrowserView& view, Prompter& prompter,
                         FileChooser& chooser, ActivityLog& log, ViewerFactory& viewers,
                         DiskReadLauncher& reader)
    : m_session(session),
      m_view(view),
      m_prompter(prompter),
      m_chooser(chooser),
      m_log(log),
      m_viewers(viewers),
      m_reader(reader) {}

void DiskBrowser::StartUp(bool bDriverPresent) {
    m_view.setReadEnabled(bDriverPresent);
    m_view.setSaveEnabled(false);
    m_view.setOpusFileEnabled(false);
    m_view.setCaption(ProgramTitle());
    m_view.showWindow();
}

void DiskBrowser::ReadPhysicalDisk() {
    const DiskReadEnd end = m_reader.ReadDisk(m_session.image);
    if (end == DiskReadEnd::NothingRead) {
        // Closing the dialog without a read leaves the program as it was.
        return;
    }
    if (end == DiskReadEnd::Canceled) {
        m_prompter.message(kReadCanceledMessage, ProgramTitle(), MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    m_currentDiskName.clear();
    if (GetDiskFiles(m_session.image, m_session.catalogue, m_log)) {
        FillDiskList();
        m_currentDiskName = m_session.catalogue.front().Name;
        m_view.setCaption(ProgramTitle() + " - [" + m_currentDiskName + "]");
        m_view.setSaveEnabled(true);
        m_view.showSectorMap(CurrentSectorMap(), HitFiles());
    } else {
        m_view.showSectorMap(CurrentSectorMap(), {});
        m_prompter.message(kCatalogueErrorMessage, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
    }
}

void DiskBrowser::OpenImageFile() {
    const auto path = m_chooser.openFile(kBrowseTitle, m_opener ? m_opener->filters() : ImageFileFilters());
    if (!path) {
        return;
    }
    const bool loaded = m_opener ? m_opener->open(*path, m_session.image)
                                 : LoadImageFile(*path, m_session.image, m_prompter, m_log);
    if (loaded) {
        if (GetDiskFiles(m_session.image, m_session.catalogue, m_log)) {
            FillDiskList();
            m_view.setSaveEnabled(true);
            m_view.showSectorMap(CurrentSectorMap(), HitFiles());
        } else {
            m_view.showSectorMap(CurrentSectorMap(), {});
        }
    }
    if (m_opener) {
        m_opener->afterListing();
    }
}

void DiskBrowser::SaveImage() {
    SaveImageAs(m_currentDiskName, m_session.image, m_chooser, m_prompter, m_log);
}

std::vector<HitFile> DiskBrowser::HitFiles() const {
    const auto& map = m_session.image.sectorMap;
    return map ? FilesHit(m_session.catalogue, *map) : std::vector<HitFile>{};
}

void DiskBrowser::FillDiskList() {
    std::vector<ListRow> rows;
    m_noFilesListed = true;
    m_currentDiskName.clear();
    if (m_session.catalogue.empty()) {
        ListRow blank;
        blank.key = "D";
        blank.text = "<blank disk>";
        blank.icon = kIconUnknown;
        blank.iconKey = "UNKNOWN";
        rows.push_back(blank);
        m_currentDiskName = "BlankImg";
    } else {
        for (std::size_t i = 1; i < m_session.catalogue.size(); ++i) {
            rows.push_back(MakeListRow(m_session.catalogue[i], static_cast<int>(i)));
        }
        m_noFilesListed = false;
        m_currentDiskName = m_session.catalogue.front().Name;
    }
    m_view.setRows(rows);
    // The one place that decides "&Opus File": usable exactly while a file is listed.
    m_view.setOpusFileEnabled(!m_noFilesListed);
    m_view.markHitFiles(HitFiles());
    m_view.setCaption(ProgramTitle() + " - [" + m_currentDiskName + "]");
}

bool DiskBrowser::validIndex(std::optional<int> lIndex) const {
    return lIndex && *lIndex >= 0 && static_cast<std::size_t>(*lIndex) < m_session.catalogue.size();
}

void DiskBrowser::OpenEntry(std::optional<int> lIndex) {
    if (!validIndex(lIndex)) {
        return;
    }
    switch (KindOf(m_session.catalogue[static_cast<std::size_t>(*lIndex)])) {
        case FileKind::Basic:
            m_viewers.ShowOpusProgram(*lIndex);
            break;
        case FileKind::NumArray:
        case FileKind::CharArray:
        case FileKind::Code:
            m_viewers.ShowOpusBytes(*lIndex);
            break;
        case FileKind::Screen:
            (void)m_viewers.ShowOpusScreen(*lIndex);
            break;
        case FileKind::Unknown:
            break;
    }
}

void DiskBrowser::ViewAsBasic(std::optional<int> lIndex) {
    if (validIndex(lIndex)) {
        m_viewers.ShowOpusProgram(*lIndex);
    }
}

void DiskBrowser::ViewAsBytes(std::optional<int> lIndex) {
    if (validIndex(lIndex)) {
        m_viewers.ShowOpusBytes(*lIndex);
    }
}

void DiskBrowser::ViewAsScreen(std::optional<int> lIndex) {
    if (validIndex(lIndex)) {
        (void)m_viewers.ShowOpusScreen(*lIndex);
    }
}
