#pragma once

#include <QAction>
#include <QMainWindow>
#include <memory>

#include "bytes/ByteSearch.h"
#include "disk/Catalogue.h"
#include "gui/bytes/ByteGridWidget.h"
#include "gui/qt/ViewerContext.h"

// The byte viewer: one file's bytes as a grid of addresses, bytes and
// characters, with copying of a selection, the search, printing and saving.
// The grid's texts, the search and the writers live in the core; the window
// shows and forwards.
class frmCode : public QMainWindow {
    Q_OBJECT
public:
    explicit frmCode(const ViewerContext& context, QWidget* parent = nullptr);
    ~frmCode() override;

    // Copies entry lIndex of the catalogue and shows it. An index outside the
    // catalogue leaves the window empty and hidden.
    void ShowOpusBytes(int lIndex);

    [[nodiscard]] const CatalogueEntry& entry() const { return m_Entry; }
    [[nodiscard]] ByteGridWidget* degBytes() const { return m_degBytes; }
    [[nodiscard]] const ByteSearch& search() const { return m_search; }

    // The menu commands.
    void SaveAs();
    void Print();
    void CopySelection();
    void Search();

private:
    void buildMenus();

    WindowDialogs m_own;  // the dialogs that stand over this window
    ViewerContext m_context;
    CatalogueEntry m_Entry;
    ByteSearch m_search;

    ByteGridWidget* m_degBytes = nullptr;
    QAction* m_mnuFileSaveAs = nullptr;
    QAction* m_mnuFilePrint = nullptr;
    QAction* m_mnuEditCopySelection = nullptr;
    QAction* m_mnuEditSearch = nullptr;
    QAction* m_mnuEditReplace = nullptr;
};
