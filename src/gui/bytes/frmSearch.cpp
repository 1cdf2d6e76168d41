#include "gui/bytes/frmSearch.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "bytes/ByteSearch.h"
#include "core/ProgramInfo.h"

frmSearch::frmSearch(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSearch"));

    m_lblSearch = new QLabel(QStringLiteral("&Search For:"), this);
    m_lblSearch->setObjectName(QStringLiteral("lblSearch"));
    m_txtSearch = new QLineEdit(this);
    m_txtSearch->setObjectName(QStringLiteral("txtSearch"));
    m_lblSearch->setBuddy(m_txtSearch);

    m_optSearchType = new QButtonGroup(this);
    const char* captions[] = {"S&tring", "&Decimal Bytes", "&Hexadecimal Bytes"};
    auto* options = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(QString::fromUtf8(captions[i]), this);
        option->setObjectName(QStringLiteral("optSearchType%1").arg(i));
        m_optSearchType->addButton(option, i);
        m_options[static_cast<std::size_t>(i)] = option;
        options->addWidget(option);
    }
    m_options[0]->setChecked(true);

    m_chkReplace = new QCheckBox(QStringLiteral("&Replace With:"), this);
    m_chkReplace->setObjectName(QStringLiteral("chkReplace"));
    m_txtReplace = new QLineEdit(this);
    m_txtReplace->setObjectName(QStringLiteral("txtReplace"));
    m_txtReplace->setEnabled(false);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* fields = new QGridLayout;
    fields->addWidget(m_lblSearch, 0, 0);
    fields->addWidget(m_txtSearch, 0, 1);
    fields->addLayout(options, 1, 1);
    fields->addWidget(m_chkReplace, 2, 0);
    fields->addWidget(m_txtReplace, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(m_txtSearch, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_searchText = text.toStdString(); });
    connect(m_txtReplace, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_replaceText = text.toStdString(); });
    connect(m_optSearchType, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            m_searchType = id;
        }
    });
    connect(m_chkReplace, &QCheckBox::toggled, m_txtReplace, &QWidget::setEnabled);
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] {
        m_canceled = true;
        reject();
    });
}

frmSearch::~frmSearch() = default;

QRadioButton* frmSearch::optSearchType(int index) const {
    if (index < 0 || index > 2) {
        return nullptr;
    }
    return m_options[static_cast<std::size_t>(index)];
}

std::string frmSearch::SearchString() const {
    return ::SearchString(m_searchText, m_searchType);
}

std::string frmSearch::ReplaceString() const {
    return ::SearchString(m_replaceText, m_searchType);
}

void frmSearch::StartUp(QWidget* frmOwner, bool bReplace, std::int32_t eSearchType,
                        const std::string& sSearchFor, const std::string& sReplaceWith) {
    m_canceled = false;
    m_txtSearch->setText(QString::fromStdString(sSearchFor));
    m_searchText = sSearchFor;
    const int type = eSearchType >= kSearchText && eSearchType <= kSearchHex ? eSearchType : kSearchText;
    m_options[static_cast<std::size_t>(type)]->setChecked(true);
    m_searchType = type;
    m_chkReplace->setChecked(bReplace);
    m_txtReplace->setText(QString::fromStdString(sReplaceWith));
    m_replaceText = sReplaceWith;

    setWindowTitle(QString::fromStdString(ProgramTitle() + " - " + (bReplace ? "Replace..." : "Search...")));

    if (frmOwner != nullptr && parentWidget() != frmOwner) {
        setParent(frmOwner, windowFlags());
    }
    m_owner = frmOwner;
    setWindowModality(Qt::WindowModal);
    exec();
}

void frmSearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Placed once shown, when the window's frame is known: it is centred
    // frame on frame.
    if (m_owner != nullptr) {
        const QRect owner = m_owner->frameGeometry();
        const QSize size = frameGeometry().size();
        move(owner.left() + (owner.width() - size.width()) / 2,
             owner.top() + (owner.height() - size.height()) / 2);
    }
}

void frmSearch::keyPressEvent(QKeyEvent* event) {
    // Esc answers as the Cancel button does; the dialog's own Esc handling
    // would close it as the title-bar button does, without Canceled.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_cmdCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
