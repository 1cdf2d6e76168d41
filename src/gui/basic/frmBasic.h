#pragma once

#include <QAction>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

#include "basic/BasicProgram.h"
#include "core/FontChooser.h"
#include "disk/Catalogue.h"
#include "gui/qt/ViewerContext.h"

// The BASIC viewer: one program's listing on one tab and its saved variables
// on the other. The program model, the settings forms, the writers and the
// printing live in the core; the window shows their results and forwards its
// commands to them.
class frmBasic : public QMainWindow {
    Q_OBJECT
public:
    explicit frmBasic(const ViewerContext& context, QWidget* parent = nullptr);
    ~frmBasic() override;

    // Copies entry lIndex of the catalogue and shows it. An index outside the
    // catalogue leaves the window empty and hidden.
    void ShowOpusProgram(int lIndex);

    [[nodiscard]] const CatalogueEntry& entry() const { return m_Entry; }
    [[nodiscard]] const BasicProgram& program() const { return m_program; }
    // The listing as displayed: every line followed by CR LF.
    [[nodiscard]] const std::string& listingText() const { return m_listingText; }
    [[nodiscard]] const FontChoice& listingFont() const { return m_listingFont; }
    [[nodiscard]] bool expanded() const { return m_mnuEditExpandControlCodes->isChecked(); }

    [[nodiscard]] QTabBar* tbsProgVars() const { return m_tbsProgVars; }
    [[nodiscard]] QPlainTextEdit* txtBasic() const { return m_txtBasic; }
    [[nodiscard]] QTreeWidget* lvuVars() const { return m_lvuVars; }

    // The menu commands.
    void SaveAs();
    void Print();
    void Copy();
    void ListingFont();
    void ExpandControlCodes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void ShowListing();
    void LoadListingFont();
    void ShowVariables();
    void showTab(int index);
    [[nodiscard]] std::vector<std::string> displayedLines() const;

    WindowDialogs m_own;  // the dialogs that stand over this window
    ViewerContext m_context;
    CatalogueEntry m_Entry;
    BasicProgram m_program;
    std::string m_listingText;
    FontChoice m_listingFont;

    QTabBar* m_tbsProgVars = nullptr;
    QPlainTextEdit* m_txtBasic = nullptr;
    QTreeWidget* m_lvuVars = nullptr;
    QAction* m_mnuFileSaveAs = nullptr;
    QAction* m_mnuFilePrint = nullptr;
    QAction* m_mnuEditCopy = nullptr;
    QAction* m_mnuEditListingFont = nullptr;
    QAction* m_mnuEditExpandControlCodes = nullptr;
};
