#include "gui/basic/frmBasic.h"
#include "gui/qt/QtMenus.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenuBar>
#include <QVBoxLayout>
#include <filesystem>

#include "basic/ListingFontSettings.h"
#include "core/ProgramInfo.h"
#include "core/Twips.h"
#include "export/ExportFiles.h"
#include "export/PrintCollection.h"
#include "export/PrintLines.h"
#include "export/SaveTAP.h"
#include "export/SaveTXT.h"
#include "gui/qt/QtFontChooser.h"
#include "gui/qt/QtPrintSurface.h"

namespace {

// The margin round the tab strip and the listing, in twips.
constexpr int kOffset = 60;

constexpr const char* kProgramKey = "PROGRAM";
constexpr const char* kVariablesKey = "VARIABLES";

void applyTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

}  // namespace

frmBasic::frmBasic(const ViewerContext& context, QWidget* parent)
    : QMainWindow(parent), m_own(context.dialogsFor(this)), m_context(context.speakingThrough(m_own)) {
    setObjectName(QStringLiteral("frmBasic"));
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    const int margin = twipsToPixels(kOffset);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(0);

    m_tbsProgVars = new QTabBar(central);
    m_tbsProgVars->setObjectName(QStringLiteral("tbsProgVars"));
    m_tbsProgVars->setExpanding(false);
    const int program = m_tbsProgVars->addTab(QStringLiteral("&Program"));
    m_tbsProgVars->setTabData(program, QString::fromUtf8(kProgramKey));
    m_tbsProgVars->setTabToolTip(program, QStringLiteral("Shows the program listing"));
    const int variables = m_tbsProgVars->addTab(QStringLiteral("&Variables"));
    m_tbsProgVars->setTabData(variables, QString::fromUtf8(kVariablesKey));
    m_tbsProgVars->setTabToolTip(variables, QStringLiteral("Shows the program's saved variables"));
    layout->addWidget(m_tbsProgVars);

    m_txtBasic = new QPlainTextEdit(central);
    m_txtBasic->setObjectName(QStringLiteral("txtBasic"));
    m_txtBasic->setReadOnly(true);
    m_txtBasic->setUndoRedoEnabled(false);
    m_txtBasic->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_txtBasic->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtBasic->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtBasic->installEventFilter(this);
    layout->addWidget(m_txtBasic, 1);

    m_lvuVars = new QTreeWidget(central);
    m_lvuVars->setObjectName(QStringLiteral("lvuVars"));
    m_lvuVars->setRootIsDecorated(false);
    m_lvuVars->setUniformRowHeights(true);
    m_lvuVars->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Contents")});
    m_lvuVars->hide();
    layout->addWidget(m_lvuVars, 1);

    buildMenus();
    connect(m_tbsProgVars, &QTabBar::currentChanged, this, &frmBasic::showTab);
    resize(640, 480);
}

frmBasic::~frmBasic() = default;

void frmBasic::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    m_mnuFileSaveAs = addMenuItem(file, "mnuFileSaveAs", "&Save As...", QKeySequence(Qt::CTRL | Qt::Key_S));
    m_mnuFilePrint = addMenuItem(file, "mnuFilePrint", "&Print...", QKeySequence(Qt::CTRL | Qt::Key_P));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    m_mnuEditCopy = addMenuItem(edit, "mnuEditCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C));
    edit->addSeparator();
    m_mnuEditListingFont =
        addMenuItem(edit, "mnuEditListingFont", "Listing Fon&t...", QKeySequence(Qt::CTRL | Qt::Key_T));
    edit->addSeparator();
    m_mnuEditExpandControlCodes = addMenuItem(edit, "mnuEditExpandControlCodes", "Expand Control Co&des",
                                              QKeySequence(Qt::CTRL | Qt::Key_D));
    m_mnuEditExpandControlCodes->setCheckable(true);

    connect(m_mnuFileSaveAs, &QAction::triggered, this, &frmBasic::SaveAs);
    connect(m_mnuFilePrint, &QAction::triggered, this, &frmBasic::Print);
    connect(m_mnuEditCopy, &QAction::triggered, this, &frmBasic::Copy);
    connect(m_mnuEditListingFont, &QAction::triggered, this, &frmBasic::ListingFont);
    connect(m_mnuEditExpandControlCodes, &QAction::triggered, this, &frmBasic::ExpandControlCodes);
}

void frmBasic::ShowOpusProgram(int lIndex) {
    const CatalogueEntry* entry = m_context.entryAt(lIndex);
    if (entry == nullptr) {
        return;
    }
    m_Entry = *entry;
    setWindowTitle(QString::fromStdString(ProgramTitle() + " - " + m_Entry.Name));

    m_program = AnalyzeBlock(m_Entry.Data, m_context.log);
    LoadListingFont();
    ShowListing();
    ShowVariables();

    show();
    if (m_context.pumpEvents) {
        m_context.pumpEvents();
    }
    m_txtBasic->setFocus();
}

std::vector<std::string> frmBasic::displayedLines() const {
    return ListingLines(m_program, expanded());
}

void frmBasic::ShowListing() {
    const std::vector<std::string> lines = displayedLines();
    m_listingText.clear();
    for (const std::string& line : lines) {
        m_listingText += line;
        m_listingText += "\r\n";
    }
    // The editor keeps lines apart by itself; the CR of the listing's line
    // ends would only show as stray characters.
    QString shown;
    shown.reserve(static_cast<qsizetype>(m_listingText.size()));
    for (const std::string& line : lines) {
        shown += QString::fromStdString(line);
        shown += QLatin1Char('\n');
    }
    m_txtBasic->setPlainText(shown);
}

void frmBasic::LoadListingFont() {
    m_listingFont = ::LoadListingFont(m_context.settingsFilePath);
    const QFont font = qFontOfChoice(m_listingFont);
    const QColor color = qColorOf(m_listingFont.color);
    m_txtBasic->setFont(font);
    applyTextColor(m_txtBasic, color);
    m_lvuVars->setFont(font);
    applyTextColor(m_lvuVars, color);
}

void frmBasic::ShowVariables() {
    m_lvuVars->clear();
    for (const clsBASICVar& v : ::ShowVariables(m_program, m_context.log)) {
        auto* item = new QTreeWidgetItem(m_lvuVars);
        item->setData(0, Qt::UserRole, QString::fromStdString(v.VariableName()));
        item->setText(0, QString::fromStdString(v.VariableName()));
        item->setText(1, QString::fromStdString(v.VariableTypeString()));
        item->setText(2, QString::fromStdString(v.VariableValues()));
    }
}

void frmBasic::showTab(int index) {
    const QString key = m_tbsProgVars->tabData(index).toString();
    if (key == QLatin1String(kProgramKey)) {
        m_lvuVars->hide();
        m_txtBasic->show();
        m_txtBasic->setFocus();
    } else if (key == QLatin1String(kVariablesKey)) {
        m_txtBasic->hide();
        m_lvuVars->show();
        m_lvuVars->setFocus();
    }
}

void frmBasic::Copy() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(m_listingText));
}

void frmBasic::ExpandControlCodes() {
    ShowListing();
}

void frmBasic::ListingFont() {
    if (m_context.fontChooser == nullptr) {
        return;
    }
    const std::optional<FontChoice> chosen =
        m_context.fontChooser->chooseFont(ProgramTitle() + " - Select listing font...", m_listingFont);
    if (!chosen || *chosen == m_listingFont) {
        return;
    }
    SaveListingFont(*chosen, m_context.settingsFilePath);
    LoadListingFont();
}

void frmBasic::Print() {
    std::vector<VariablePrintRow> variables;
    variables.reserve(m_program.m_colVariables.size());
    for (const clsBASICVar& v : m_program.m_colVariables) {
        variables.push_back({v.VariableName(), v.VariableTypeString(), v.VariableValues()});
    }
    PrintCollection(m_Entry.Name, BasicPrintLines(displayedLines(), variables), m_context.printerChooser,
                    PrintSubtitle(m_Entry.Length), printFontOf(m_txtBasic->font()), m_context.prompter,
                    m_context.log, m_context.pumpEvents);
}

void frmBasic::SaveAs() {
    SaveAsByExtension(
        m_context.chooser, m_context.prompter, "Save current BASIC as...",
        {{"ZX Spectrum Tape Files (*.Tap)", {"*.Tap"}}, {"Windows Text File (*.Txt)", {"*.Txt"}}},
        m_Entry.Name,
        {{"TAP", [this](const std::string& f) { SaveTAP(m_Entry, f, m_context.prompter, m_context.log); }},
         {"TXT", [this](const std::string& f) {
              SaveTXT(ListingFileText(displayedLines()), f, m_context.prompter, m_context.log);
          }}});
}

bool frmBasic::eventFilter(QObject* watched, QEvent* event) {
    // A read-only editor leaves Ctrl+C to the window's Copy, which takes the
    // whole listing; only the select-all on Ctrl+A is added here.
    if (watched == m_txtBasic && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_A && (key->modifiers() & Qt::ControlModifier)) {
            m_txtBasic->selectAll();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
