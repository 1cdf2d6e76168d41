#include "gui/disk/frmDisk.h"
#include "gui/qt/QtMenus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/IniMgr.h"
#include "core/Twips.h"
#include "gui/disk/frmDiskMap.h"

// The icons are compiled into the static GUI library, whose resources must be
// registered by hand before first use.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

constexpr const char* kIconKeys[] = {"DISK", "BASIC",  "NUMARRAY", "CHARARRAY",
                                     "CODE", "SCREEN", "UNKNOWN",  "PROPERTIES"};
constexpr const char* kIconFiles[] = {"disk", "basic",  "numarray", "chararray",
                                      "code", "screen", "unknown",  "properties"};

// The margin round the list, in twips.
constexpr int kListOffset = 60;
constexpr int kColumns = 5;

// Where the widths the person dragged the columns to are kept.
constexpr const char* kColumnSection = "Disk Browser";

std::string columnKey(int column) {
    return "Column " + std::to_string(column + 1) + " Width";
}

}  // namespace

frmDisk::frmDisk(DiskSession& session, Prompter& prompter, FileChooser& chooser, ActivityLog& log,
                 ViewerFactory& viewers, DiskReadLauncher& reader, QWidget* parent)
    : QMainWindow(parent) {
    initIconResources();
    setObjectName(QStringLiteral("frmDisk"));
    setAttribute(Qt::WA_QuitOnClose, true);
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    const int margin = twipsToPixels(kListOffset);
    layout->setContentsMargins(margin, margin, margin, margin);

    m_lvuDisk = new QTreeWidget(central);
    layout->addWidget(m_lvuDisk);
    m_lvuDisk->setObjectName(QStringLiteral("lvuDisk"));
    m_lvuDisk->setRootIsDecorated(false);
    m_lvuDisk->setUniformRowHeights(true);
    m_lvuDisk->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvuDisk->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Parameter 1"),
                                QStringLiteral("Parameter 2"), QStringLiteral("Parameter 3")});
    // The columns share the list's width equally until the person drags one;
    // from then on they keep the widths they were given.
    m_lvuDisk->header()->setStretchLastSection(false);
    m_lvuDisk->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_lvuDisk->setIconSize(QSize(16, 16));
    m_lvuDisk->installEventFilter(this);
    m_lvuDisk->viewport()->installEventFilter(this);
    connect(m_lvuDisk->header(), &QHeaderView::sectionResized, this, [this] {
        if (!m_sizingColumns) {
            m_columnsDragged = true;
        }
    });

    m_browser = std::make_unique<DiskBrowser>(session, *this, prompter, chooser, log, viewers, reader);
    buildMenus();

    connect(m_lvuDisk, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem*, int) { m_browser->OpenEntry(selectedIndex()); });
    resize(640, 400);
}

frmDisk::~frmDisk() = default;

void frmDisk::buildMenus() {
    m_mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuFileReadPhysicalOpusDisk =
        addMenuItem(m_mnuFile, "mnuFileReadPhysicalOpusDisk", "&Read Physical Opus Disk",
                    QKeySequence(Qt::CTRL | Qt::Key_R));
    m_mnuFileOpenExistingOpusImageFile =
        addMenuItem(m_mnuFile, "mnuFileOpenExistingOpusImageFile", "&Open Existing Opus Image File...",
                    QKeySequence(Qt::CTRL | Qt::Key_O));
    m_mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFileSep1"));
    m_mnuFileSaveCurrentOpusImageAs =
        addMenuItem(m_mnuFile, "mnuFileSaveCurrentOpusImageAs", "Save Current Opus Image &As...",
                    QKeySequence(Qt::CTRL | Qt::Key_S));
    m_mnuFileWriteImageToPhysicalDisk =
        addMenuItem(m_mnuFile, "mnuFileWriteImageToPhysicalDisk", "&Write Image to Physical Disk...",
                    QKeySequence(Qt::CTRL | Qt::Key_W));
    m_mnuFileWriteImageToPhysicalDisk->setEnabled(false);
    connect(m_mnuFileWriteImageToPhysicalDisk, &QAction::triggered, this, &frmDisk::writeImageRequested);
    m_mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFileSep2"));
    m_mnuFileDiskMap = addMenuItem(m_mnuFile, "mnuFileDiskMap", "Disk &Map...");
    m_mnuFileDiskMap->setEnabled(false);
    m_mnuFileExit = addMenuItem(m_mnuFile, "mnuFileExit", "E&xit", QKeySequence());

    m_mnuOpusFile = menuBar()->addMenu(QStringLiteral("&Opus File"));
    m_mnuOpusFile->setObjectName(QStringLiteral("mnuOpusFile"));
    m_mnuOpusFileViewAsBASICProgram =
        addMenuItem(m_mnuOpusFile, "mnuOpusFileViewAsBASICProgram", "View As BASIC Pro&gram",
                    QKeySequence(Qt::CTRL | Qt::Key_G));
    m_mnuOpusFileViewAsBytes = addMenuItem(m_mnuOpusFile, "mnuOpusFileViewAsBytes", "View As &Bytes",
                                           QKeySequence(Qt::CTRL | Qt::Key_B));
    m_mnuOpusFileViewAsSCREEN = addMenuItem(m_mnuOpusFile, "mnuOpusFileViewAsSCREEN", "View As SCR&EEN$",
                                            QKeySequence(Qt::CTRL | Qt::Key_E));

    m_mnuFileSaveCurrentOpusImageAs->setEnabled(false);
    m_mnuOpusFile->setEnabled(false);
    m_mnuOpusFileViewAsBASICProgram->setEnabled(false);
    m_mnuOpusFileViewAsBytes->setEnabled(false);
    m_mnuOpusFileViewAsSCREEN->setEnabled(false);

    connect(m_mnuFileReadPhysicalOpusDisk, &QAction::triggered, this,
            [this] { m_browser->ReadPhysicalDisk(); });
    connect(m_mnuFileOpenExistingOpusImageFile, &QAction::triggered, this,
            [this] { m_browser->OpenImageFile(); });
    connect(m_mnuFileSaveCurrentOpusImageAs, &QAction::triggered, this, [this] { m_browser->SaveImage(); });
    connect(m_mnuFileExit, &QAction::triggered, this, &QWidget::close);
    // The map exists only for a disk read from a drive or a flux recording.
    connect(m_mnuFile, &QMenu::aboutToShow, this,
            [this] { m_mnuFileDiskMap->setEnabled(m_browser->CurrentSectorMap().has_value()); });
    connect(m_mnuFileDiskMap, &QAction::triggered, this, [this] {
        if (m_frmDiskMap.isNull()) {
            m_frmDiskMap = new frmDiskMap(this);
        }
        m_frmDiskMap->setMap(m_browser->CurrentSectorMap(), m_browser->HitFiles());
        m_frmDiskMap->show();
        m_frmDiskMap->raise();
    });
    connect(m_mnuOpusFileViewAsBASICProgram, &QAction::triggered, this,
            [this] { m_browser->ViewAsBasic(selectedIndex()); });
    connect(m_mnuOpusFileViewAsBytes, &QAction::triggered, this,
            [this] { m_browser->ViewAsBytes(selectedIndex()); });
    connect(m_mnuOpusFileViewAsSCREEN, &QAction::triggered, this,
            [this] { m_browser->ViewAsScreen(selectedIndex()); });
}

void frmDisk::setSettingsFile(const std::string& path) {
    m_settingsFilePath = path;
    std::vector<int> widths;
    for (int c = 0; c < kColumns; ++c) {
        const int width = std::atoi(IniMgr::Read(kColumnSection, columnKey(c), "0", path).c_str());
        if (width <= 0) {
            return;
        }
        widths.push_back(width);
    }
    m_sizingColumns = true;
    for (int c = 0; c < kColumns; ++c) {
        m_lvuDisk->header()->resizeSection(c, widths[static_cast<std::size_t>(c)]);
    }
    m_sizingColumns = false;
    m_columnsDragged = true;
}

void frmDisk::shareColumnsEqually() {
    if (m_columnsDragged) {
        return;
    }
    m_sizingColumns = true;
    const int width = m_lvuDisk->viewport()->width() / kColumns;
    for (int c = 0; c < kColumns; ++c) {
        m_lvuDisk->header()->resizeSection(c, width);
    }
    m_sizingColumns = false;
}

void frmDisk::StartUp(bool bDriverPresent) {
    m_browser->StartUp(bDriverPresent);
}

QIcon frmDisk::imlIcon(int position) {
    if (position < 1 || position > 8) {
        return {};
    }
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromUtf8(kIconFiles[position - 1])));
}

QString frmDisk::imlKey(int position) {
    if (position < 1 || position > 8) {
        return {};
    }
    return QString::fromUtf8(kIconKeys[position - 1]);
}

std::optional<int> frmDisk::selectedIndex() const {
    const QList<QTreeWidgetItem*> selected = m_lvuDisk->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    const int index = IndexFromRowKey(selected.front()->data(0, Qt::UserRole).toString().toStdString());
    if (index < 0) {
        return std::nullopt;
    }
    return index;
}

void frmDisk::setRows(const std::vector<ListRow>& rows) {
    m_lvuDisk->clear();
    for (const ListRow& row : rows) {
        auto* item = new QTreeWidgetItem(m_lvuDisk);
        item->setData(0, Qt::UserRole, QString::fromStdString(row.key));
        item->setText(0, QString::fromStdString(row.text));
        item->setIcon(0, imlIcon(row.icon));
        item->setText(1, QString::fromStdString(row.typeText));
        item->setText(2, QString::fromStdString(row.parameter1));
        item->setText(3, QString::fromStdString(row.parameter2));
        item->setText(4, QString::fromStdString(row.parameter3));
    }
}

namespace {

// The row's own icon with the style's warning sign over its lower right quarter.
QIcon withWarning(const QIcon& icon) {
    constexpr int kSide = 32;
    QPixmap pixmap = icon.pixmap(kSide, kSide);
    if (pixmap.isNull()) {
        pixmap = QPixmap(kSide, kSide);
        pixmap.fill(Qt::transparent);
    }
    QPainter painter(&pixmap);
    const QIcon warning = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    painter.drawPixmap(kSide / 2, kSide / 2, warning.pixmap(kSide / 2, kSide / 2));
    return QIcon(pixmap);
}

}  // namespace

void frmDisk::markHitFiles(const std::vector<HitFile>& hits) {
    m_lvuDisk->setToolTip({});
    for (const HitFile& hit : hits) {
        const QString sectors = QString::fromStdString(SectorRunsText(hit.badSectors));
        if (hit.index == 0) {
            // The catalogue has no row of its own: the whole list is what it spoils.
            m_lvuDisk->setToolTip(
                QStringLiteral("The catalogue lies partly in bad sectors (head:track:sector): %1")
                    .arg(sectors));
            continue;
        }
        for (int r = 0; r < m_lvuDisk->topLevelItemCount(); ++r) {
            QTreeWidgetItem* item = m_lvuDisk->topLevelItem(r);
            if (IndexFromRowKey(item->data(0, Qt::UserRole).toString().toStdString()) != hit.index) {
                continue;
            }
            item->setIcon(0, withWarning(item->icon(0)));
            const QString tip = QStringLiteral("Bad sectors (head:track:sector): %1").arg(sectors);
            for (int c = 0; c < m_lvuDisk->columnCount(); ++c) {
                item->setToolTip(c, tip);
            }
        }
    }
}

void frmDisk::showSectorMap(const std::optional<SectorMap>& map, const std::vector<HitFile>& hits) {
    // An open map follows the current disk.
    if (!m_frmDiskMap.isNull()) {
        m_frmDiskMap->setMap(map, hits);
    }
}

void frmDisk::setCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void frmDisk::setReadEnabled(bool enabled) {
    m_mnuFileReadPhysicalOpusDisk->setEnabled(enabled);
}

void frmDisk::setSaveEnabled(bool enabled) {
    m_mnuFileSaveCurrentOpusImageAs->setEnabled(enabled);
    m_mnuFileWriteImageToPhysicalDisk->setEnabled(enabled);
}

void frmDisk::setOpusFileEnabled(bool enabled) {
    m_mnuOpusFile->setEnabled(enabled);
    m_mnuOpusFile->menuAction()->setEnabled(enabled);
    // The items follow at once, so their shortcuts work before the menu was ever dropped.
    m_mnuOpusFileViewAsBASICProgram->setEnabled(enabled);
    m_mnuOpusFileViewAsBytes->setEnabled(enabled);
    m_mnuOpusFileViewAsSCREEN->setEnabled(enabled);
}

void frmDisk::showWindow() {
    show();
}

void frmDisk::closeEvent(QCloseEvent* event) {
    if (m_columnsDragged && !m_settingsFilePath.empty()) {
        for (int c = 0; c < kColumns; ++c) {
            IniMgr::Write(kColumnSection, columnKey(c), std::to_string(m_lvuDisk->header()->sectionSize(c)),
                          m_settingsFilePath);
        }
    }
    // The viewers belong to the program's run; they go with the main window.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != this && w->isVisible()) {
            w->close();
        }
    }
    event->accept();
}

bool frmDisk::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_lvuDisk->viewport() && event->type() == QEvent::Resize) {
        shareColumnsEqually();
    }
    if (watched == m_lvuDisk && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_browser->OpenEntry(selectedIndex());
            return true;  // the list consumes Enter
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
