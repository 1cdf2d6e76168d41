#include "gui/bytes/frmCode.h"
#include "gui/qt/QtMenus.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QScrollBar>
#include <filesystem>

#include "core/ProgramInfo.h"
#include "export/ExportFiles.h"
#include "export/PrintCollection.h"
#include "export/PrintLines.h"
#include "export/SaveRaw.h"
#include "export/SaveTAP.h"
#include "gui/bytes/frmSearch.h"
#include "gui/qt/QtPrintSurface.h"

frmCode::frmCode(const ViewerContext& context, QWidget* parent)
    : QMainWindow(parent), m_own(context.dialogsFor(this)), m_context(context.speakingThrough(m_own)) {
    setObjectName(QStringLiteral("frmCode"));
    m_degBytes = new ByteGridWidget(this);
    setCentralWidget(m_degBytes);
    buildMenus();

    // Wide enough for every column and the scroll bar beside them.
    int width = 2 * m_degBytes->frameWidth() + m_degBytes->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < ByteGrid::kColumns; ++c) {
        width += m_degBytes->horizontalHeader()->sectionSize(c);
    }
    resize(width, 400);
}

frmCode::~frmCode() = default;

void frmCode::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    m_mnuFileSaveAs = addMenuItem(file, "mnuFileSaveAs", "&Save As...", QKeySequence(Qt::CTRL | Qt::Key_S));
    m_mnuFilePrint = addMenuItem(file, "mnuFilePrint", "&Print...", QKeySequence(Qt::CTRL | Qt::Key_P));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    m_mnuEditCopySelection =
        addMenuItem(edit, "mnuEditCopySelection", "&Copy Selection", QKeySequence(Qt::CTRL | Qt::Key_C));
    edit->addSeparator();
    m_mnuEditSearch = addMenuItem(edit, "mnuEditSearch", "&Search...", QKeySequence(Qt::Key_F3));
    m_mnuEditReplace =
        addMenuItem(edit, "mnuEditReplace", "&Replace...", QKeySequence(Qt::SHIFT | Qt::Key_F3));
    // Replacing bytes would change a file of a disk that is only ever read.
    m_mnuEditReplace->setEnabled(false);

    connect(m_mnuFileSaveAs, &QAction::triggered, this, &frmCode::SaveAs);
    connect(m_mnuFilePrint, &QAction::triggered, this, &frmCode::Print);
    connect(m_mnuEditCopySelection, &QAction::triggered, this, &frmCode::CopySelection);
    connect(m_mnuEditSearch, &QAction::triggered, this, &frmCode::Search);
}

void frmCode::ShowOpusBytes(int lIndex) {
    const CatalogueEntry* entry = m_context.entryAt(lIndex);
    if (entry == nullptr) {
        return;
    }
    m_Entry = *entry;
    setWindowTitle(QString::fromStdString(ProgramTitle() + " - " + m_Entry.Name));
    m_degBytes->setGrid(ByteGrid(m_Entry));
    show();
}

void frmCode::CopySelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(m_degBytes->grid().CopySelection(m_degBytes->selection())));
}

void frmCode::Search() {
    frmSearch dialog(this);
    dialog.StartUp(this, false, kSearchText, m_search.lastSearchText(), {});
    if (dialog.Canceled()) {
        return;
    }
    const ByteSearch::Result found =
        m_search.Search(m_degBytes->grid().data(), dialog.SearchType(), dialog.SearchString());
    if (!found.found) {
        m_context.prompter.message(found.message, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    const SearchTarget target = TargetOf(found.byteOffset);
    m_degBytes->selectInRow(target.row, target.column, target.selectionEndColumn);
}

void frmCode::Print() {
    PrintCollection(m_Entry.Name, m_degBytes->grid().PrintLines(), m_context.printerChooser,
                    PrintSubtitle(m_Entry.Length), printFontOf(m_degBytes->font()), m_context.prompter,
                    m_context.log, m_context.pumpEvents);
}

void frmCode::SaveAs() {
    SaveAsByExtension(
        m_context.chooser, m_context.prompter, "Save current CODE as...",
        {{"ZX Spectrum Tape Files (*.Tap)", {"*.Tap"}}, {"ZX Spectrum Binary Files (*.Bin)", {"*.Bin"}}},
        m_Entry.Name,
        {{"TAP", [this](const std::string& f) { SaveTAP(m_Entry, f, m_context.prompter, m_context.log); }},
         {"BIN", [this](const std::string& f) { SaveBIN(m_Entry, f, m_context.prompter, m_context.log); }}});
}
