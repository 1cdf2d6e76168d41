#include "gui/screen/frmScreen.h"
#include "gui/qt/QtMenus.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenuBar>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <new>

#include "core/Failure.h"
#include "core/ProgramInfo.h"
#include "core/Twips.h"
#include "export/ScreenPrint.h"
#include "gui/screen/RasterPaneWidget.h"
#include "gui/screen/frmScreenSettings.h"
#include "screen/ScreenRenderer.h"
#include "screen/ScreenViewer.h"

frmScreen::frmScreen(const ViewerContext& context, QWidget* parent)
    : QMainWindow(parent),
      m_openerPrompter(context.prompter),
      m_own(context.dialogsFor(this)),
      m_context(context.speakingThrough(m_own)) {
    setObjectName(QStringLiteral("frmScreen"));
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    const int margin = twipsToPixels(kScreenControlOffset);
    layout->setContentsMargins(margin, margin, margin, margin);
    m_rpnScr = new RasterPaneWidget(central);
    m_rpnScr->setObjectName(QStringLiteral("rpnScr"));
    layout->addWidget(m_rpnScr);
    buildMenus();
    m_releaseTimer.setSingleShot(true);
    m_releaseTimer.setInterval(1000);
    connect(&m_releaseTimer, &QTimer::timeout, this, [this] { releasePicture(); });
}

frmScreen::~frmScreen() = default;

void frmScreen::buildMenus() {
    m_mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuFileSaveAs = addMenuItem(m_mnuFile, QStringLiteral("mnuFileSaveAs"), "&Save As...",
                                  QKeySequence(Qt::CTRL | Qt::Key_S));
    m_mnuFilePrint = addMenuItem(m_mnuFile, QStringLiteral("mnuFilePrint"), "&Print...",
                                 QKeySequence(Qt::CTRL | Qt::Key_P));

    m_mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    m_mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    m_mnuEditCopySCREEN = addMenuItem(m_mnuEdit, QStringLiteral("mnuEditCopySCREEN"), "Copy SCREEN$",
                                      QKeySequence(Qt::CTRL | Qt::Key_C));

    m_mnuView = menuBar()->addMenu(QStringLiteral("&Screen"));
    m_mnuView->setObjectName(QStringLiteral("mnuView"));
    const char* const sizes[] = {"&100%", "&200%", "&300%"};
    const Qt::Key keys[] = {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3};
    for (int i = 0; i < 3; ++i) {
        QAction* a = addMenuItem(m_mnuView, QStringLiteral("mnuScreenSize(%1)").arg(i), sizes[i],
                                 QKeySequence(Qt::CTRL | keys[i]));
        a->setCheckable(true);
        a->setChecked(i == 0);
        // Qt turns a checkable entry's mark over before it runs the command;
        // the size command sets the marks itself, and leaves them alone while
        // the window is minimized.
        connect(a, &QAction::triggered, this, [this, a, i](bool checked) {
            a->setChecked(!checked);
            mnuScreenSize_Click(i);
        });
        m_mnuScreenSize[static_cast<std::size_t>(i)] = a;
    }
    m_mnuView->addSeparator()->setObjectName(QStringLiteral("mnuScreenSep1"));
    m_mnuScreenAdjustPalettes = addMenuItem(m_mnuView, QStringLiteral("mnuScreenAdjustPalettes"),
                                            "Ad&just Palettes...", QKeySequence(Qt::CTRL | Qt::Key_J));
    m_mnuView->addSeparator()->setObjectName(QStringLiteral("mnuScreenSep2"));
    m_mnuScreenFLASH = addMenuItem(m_mnuView, QStringLiteral("mnuScreenFLASH"), "F&LASH",
                                   QKeySequence(Qt::CTRL | Qt::Key_L));
    m_mnuScreenATTR =
        addMenuItem(m_mnuView, QStringLiteral("mnuScreenATTR"), "A&TTR", QKeySequence(Qt::CTRL | Qt::Key_T));
    // Both switches start on in the control too, so nothing is sent at start.
    m_mnuScreenFLASH->setCheckable(true);
    m_mnuScreenFLASH->setChecked(true);
    m_mnuScreenATTR->setCheckable(true);
    m_mnuScreenATTR->setChecked(true);

    connect(m_mnuFileSaveAs, &QAction::triggered, this, [this] { mnuFileSaveAs_Click(); });
    connect(m_mnuFilePrint, &QAction::triggered, this, [this] { mnuFilePrint_Click(); });
    connect(m_mnuEditCopySCREEN, &QAction::triggered, this, [this] { mnuEditCopySCREEN_Click(); });
    connect(m_mnuScreenAdjustPalettes, &QAction::triggered, this,
            [this] { mnuScreenAdjustPalettes_Click(); });
    connect(m_mnuScreenFLASH, &QAction::triggered, this, [this](bool on) { m_rpnScr->setUseFLASH(on); });
    connect(m_mnuScreenATTR, &QAction::triggered, this, [this](bool on) { m_rpnScr->setUseATTR(on); });
}

bool frmScreen::ShowOpusScreen(int lIndex) {
    int line = 1;
    try {
        const CatalogueEntry* entry = m_context.entryAt(lIndex);
        if (entry == nullptr) {
            throw Failure(failure::SubscriptOutOfRange);
        }
        m_entry = *entry;
        line = 2;
        setWindowTitle(QString::fromStdString(ProgramTitle() + " - " + m_entry.Name));
        line = 3;
        try {
            m_rpnScr->setScreenData(m_entry.Data);
        } catch (const Failure& refused) {
            m_openerPrompter.message(std::string(kCannotRenderMessage) + "\r\n" + refused.description(),
                                     ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
            return false;
        }
        line = 4;
        m_frmSettings = new frmScreenSettings(this);
        connectSettings();
        line = 5;
        const int zoom = ReadScreenViewerZoom();
        line = 6;
        m_frmSettings->setRasterPaneControl(m_rpnScr);
        line = 7;
        mnuScreenSize_Click(zoom - 1);
        line = 8;
        show();
        return true;
    } catch (const Failure& f) {
        logTrap(m_context.log, f, TrapJoint::SpaceIn, "ShowOpusScreen", line);
    } catch (const std::bad_alloc&) {
        logTrap(m_context.log, Failure(failure::OutOfMemory), TrapJoint::SpaceIn, "ShowOpusScreen", line);
    }
    return false;
}

void frmScreen::connectSettings() {
    // Each dialog talks to its own window's control and to no other.
    connect(m_frmSettings, &frmScreenSettings::SetColorColor, m_rpnScr, &RasterPaneWidget::SetColorColor);
    connect(m_frmSettings, &frmScreenSettings::SetBitmapColor, m_rpnScr, &RasterPaneWidget::SetBitmapColor);
    connect(m_frmSettings, &frmScreenSettings::ResetColorPalette, m_rpnScr,
            &RasterPaneWidget::ResetColorPalette);
    connect(m_frmSettings, &frmScreenSettings::ResetBitmapPalette, m_rpnScr,
            &RasterPaneWidget::ResetBitmapPalette);
}

void frmScreen::clearSizeChecks() {
    for (QAction* a : m_mnuScreenSize) {
        a->setChecked(false);
    }
}

void frmScreen::mnuScreenSize_Click(int i) {
    if (isMinimized() || i < 0 || i > 2) {
        return;
    }
    const int factor = i + 1;
    // Held at the picture's size, the control makes the layouts ask for
    // exactly the room round it: menu bar, margins and whatever the style adds.
    m_rpnScr->setFixedSize(factor * ScreenRenderer::kWidth, factor * ScreenRenderer::kHeight);
    centralWidget()->layout()->activate();
    layout()->activate();
    m_commandedSize = layout()->totalMinimumSize();
    m_sizeBeforeCommand = size();
    resize(m_commandedSize);
    if (size() == m_commandedSize) {
        releasePicture();
    } else {
        // A window manager may answer the resize later, or not at all.
        m_releaseTimer.start();
    }
    clearSizeChecks();
    m_mnuScreenSize[static_cast<std::size_t>(i)]->setChecked(true);
}

void frmScreen::releasePicture() {
    m_releaseTimer.stop();
    // Released again, the picture follows the window when the person resizes it.
    m_rpnScr->setMinimumSize(0, 0);
    m_rpnScr->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void frmScreen::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // A window of any other size stretches the picture to none of the zooms.
    // The window system may still report the size from before a command
    // after the command was given; that report is not the person's doing.
    if (isMinimized()) {
        return;
    }
    if (event->size() == m_commandedSize) {
        releasePicture();
        return;
    }
    if (event->size() == m_sizeBeforeCommand && m_commandedSize.isValid()) {
        m_sizeBeforeCommand = QSize();
        return;
    }
    m_commandedSize = QSize();
    clearSizeChecks();
}

void frmScreen::mnuFileSaveAs_Click() {
    SaveScreenAs(m_entry, m_rpnScr->pictureRgb(), m_context.chooser, m_context.prompter, m_context.log);
}

void frmScreen::mnuFilePrint_Click() {
    PrintScreenPicture(ToPrintPicture(m_rpnScr->pictureRgb()), m_context.printerChooser, m_context.log);
}

void frmScreen::mnuEditCopySCREEN_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(m_rpnScr->Picture());
}

void frmScreen::mnuScreenAdjustPalettes_Click() {
    if (m_frmSettings == nullptr) {
        return;
    }
    m_frmSettings->show();
    m_frmSettings->raise();
    m_frmSettings->activateWindow();
}
