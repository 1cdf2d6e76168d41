#pragma once

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QSize>
#include <QTimer>
#include <array>
#include <memory>

#include "disk/Catalogue.h"
#include "gui/qt/ViewerContext.h"

class RasterPaneWidget;
class frmScreenSettings;

// The SCREEN$ viewer: one file of the disk drawn by its RasterPane, with the
// exports of the picture. The window copies its catalogue entry when it is
// filled and never looks at the catalogue again, so loading another image
// leaves it as it is.
class frmScreen : public QMainWindow {
    Q_OBJECT
public:
    explicit frmScreen(const ViewerContext& context, QWidget* parent = nullptr);
    ~frmScreen() override;

    // Fills and shows the window for the catalogue entry. False when the entry
    // was refused or anything failed; the window then stays hidden.
    bool ShowOpusScreen(int lIndex);

    [[nodiscard]] RasterPaneWidget* rpnScr() const { return m_rpnScr; }
    // Nothing until ShowOpusScreen accepted the picture.
    [[nodiscard]] frmScreenSettings* settingsDialog() const { return m_frmSettings; }
    [[nodiscard]] const CatalogueEntry& entry() const { return m_entry; }

    [[nodiscard]] QAction* mnuScreenSize(int i) const {
        return m_mnuScreenSize.at(static_cast<std::size_t>(i));
    }
    [[nodiscard]] QAction* mnuScreenFLASH() const { return m_mnuScreenFLASH; }
    [[nodiscard]] QAction* mnuScreenATTR() const { return m_mnuScreenATTR; }

    // The size command of entry i (0 is 100 %, 2 is 300 %).
    void mnuScreenSize_Click(int i);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void clearSizeChecks();
    // Lets the picture follow the window again after a size command.
    void releasePicture();
    void mnuFileSaveAs_Click();
    void mnuFilePrint_Click();
    void mnuEditCopySCREEN_Click();
    void mnuScreenAdjustPalettes_Click();
    void connectSettings();

    // A refused entry is reported over the window that asked for it: this
    // one never shows.
    Prompter& m_openerPrompter;
    WindowDialogs m_own;  // the dialogs that stand over this window
    ViewerContext m_context;
    CatalogueEntry m_entry;
    RasterPaneWidget* m_rpnScr = nullptr;
    frmScreenSettings* m_frmSettings = nullptr;
    // The window size the last size command asked for, while the window has
    // it, and the size the window had before.
    QSize m_commandedSize;
    QSize m_sizeBeforeCommand;
    QTimer m_releaseTimer;

    QMenu* m_mnuFile = nullptr;
    QMenu* m_mnuEdit = nullptr;
    QMenu* m_mnuView = nullptr;
    QAction* m_mnuFileSaveAs = nullptr;
    QAction* m_mnuFilePrint = nullptr;
    QAction* m_mnuEditCopySCREEN = nullptr;
    std::array<QAction*, 3> m_mnuScreenSize{};
    QAction* m_mnuScreenAdjustPalettes = nullptr;
    QAction* m_mnuScreenFLASH = nullptr;
    QAction* m_mnuScreenATTR = nullptr;
};
