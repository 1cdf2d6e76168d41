#include "gui/screen/frmScreenSettings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/ProgramInfo.h"
#include "gui/screen/RasterPaneWidget.h"

namespace {

const char* const kBitmapEntries[] = {"Background", "Foreground"};
const char* const kColorEntries[] = {"Black",       "Blue",       "Red",          "Magenta",
                                     "Green",       "Cyan",       "Yellow",       "White",
                                     "Brite Black", "Brite Blue", "Brite Red",    "Brite Magenta",
                                     "Brite Green", "Brite Cyan", "Brite Yellow", "Brite White"};
const char* const kComponentNames[] = {"RED", "GREEN", "BLUE"};

// The four diagonal stripes of the Spectrum's case, purely for decoration.
class SpeccyStripes : public QWidget {
public:
    explicit SpeccyStripes(QWidget* parent) : QWidget(parent) { setFixedSize(64, 48); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor colors[] = {QColor(0xD7, 0, 0), QColor(0xD7, 0xD7, 0), QColor(0, 0xD7, 0),
                                 QColor(0, 0xD7, 0xD7)};
        const int band = 8;
        for (int i = 0; i < 4; ++i) {
            const int x = 8 + i * band;
            const QPointF stripe[] = {QPointF(x, height()), QPointF(x + band, height()),
                                      QPointF(x + band + height() / 2.0, 0), QPointF(x + height() / 2.0, 0)};
            painter.setPen(Qt::NoPen);
            painter.setBrush(colors[i]);
            painter.drawPolygon(stripe, 4);
        }
    }
};

}  // namespace

frmScreenSettings::frmScreenSettings(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmScreenSettings"));

    auto* lblPalette = new QLabel(QStringLiteral("&Palette:"), this);
    lblPalette->setObjectName(QStringLiteral("lblPalette"));
    m_cboPalette = new QComboBox(this);
    m_cboPalette->setObjectName(QStringLiteral("cboPalette"));
    m_cboPalette->setEditable(false);
    lblPalette->setBuddy(m_cboPalette);

    auto* lblColor = new QLabel(QStringLiteral("&Color:"), this);
    lblColor->setObjectName(QStringLiteral("lblColor"));
    m_cboColor = new QComboBox(this);
    m_cboColor->setObjectName(QStringLiteral("cboColor"));
    m_cboColor->setEditable(false);
    m_cboColor->setMaxVisibleItems(16);
    lblColor->setBuddy(m_cboColor);

    auto* bars = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        const auto n = static_cast<std::size_t>(i);
        m_lblRGB[n] = new QLabel(QString::fromUtf8(kComponentNames[i]), this);
        m_lblRGB[n]->setObjectName(QStringLiteral("lblRGB(%1)").arg(i));
        m_lblRGB[n]->setAlignment(Qt::AlignCenter);

        auto* bar = new QScrollBar(Qt::Vertical, this);
        bar->setObjectName(QStringLiteral("vscRGB(%1)").arg(i));
        // 255 at the top, as on a mixing desk. A vertical bar has its minimum
        // at the top and its arrows step towards their own end, so the bar
        // runs from -255 to 0 and holds the component negated: the upper arrow
        // and the trough above the handle then raise the component.
        bar->setRange(-255, 0);
        bar->setSingleStep(1);
        bar->setPageStep(16);
        bar->setMinimumHeight(160);
        m_vscRGB[n] = bar;

        m_txtRGB[n] = new QLineEdit(componentText(0), this);
        m_txtRGB[n]->setObjectName(QStringLiteral("txtRGB(%1)").arg(i));
        m_txtRGB[n]->setReadOnly(true);
        m_txtRGB[n]->setFocusPolicy(Qt::NoFocus);
        m_txtRGB[n]->setAlignment(Qt::AlignCenter);
        m_txtRGB[n]->setMaximumWidth(56);

        bars->addWidget(m_lblRGB[n], 0, i, Qt::AlignHCenter);
        bars->addWidget(bar, 1, i, Qt::AlignHCenter);
        bars->addWidget(m_txtRGB[n], 2, i, Qt::AlignHCenter);
        connect(bar, &QScrollBar::valueChanged, this, [this] { vscRGB_Change(); });
    }

    auto* lblPreviewT = new QLabel(QStringLiteral("Preview:"), this);
    lblPreviewT->setObjectName(QStringLiteral("lblPreviewT"));
    m_lblPreview = new QLabel(this);
    m_lblPreview->setObjectName(QStringLiteral("lblPreview"));
    m_lblPreview->setFrameShape(QFrame::Box);
    m_lblPreview->setAutoFillBackground(true);
    m_lblPreview->setFixedSize(96, 64);

    m_cmdReset = new QPushButton(QStringLiteral("&Rese&t Colors"), this);
    m_cmdReset->setObjectName(QStringLiteral("cmdReset"));
    m_cmdReset->setAutoDefault(false);

    auto* stripes = new SpeccyStripes(this);
    stripes->setObjectName(QStringLiteral("lneSpeccy"));

    auto* lists = new QGridLayout;
    lists->addWidget(lblPalette, 0, 0);
    lists->addWidget(m_cboPalette, 0, 1);
    lists->addWidget(lblColor, 1, 0);
    lists->addWidget(m_cboColor, 1, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(lblPreviewT);
    right->addWidget(m_lblPreview);
    right->addStretch();
    right->addWidget(m_cmdReset);
    right->addWidget(stripes, 0, Qt::AlignRight);

    auto* lower = new QHBoxLayout;
    lower->addLayout(bars);
    lower->addSpacing(12);
    lower->addLayout(right);

    auto* top = new QVBoxLayout(this);
    top->addLayout(lists);
    top->addLayout(lower);

    connect(m_cboPalette, &QComboBox::currentIndexChanged, this, [this] { cboPalette_Click(); });
    connect(m_cboColor, &QComboBox::currentIndexChanged, this, [this] { cboColor_Click(); });
    connect(m_cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });
}

int frmScreenSettings::component(int i) const {
    return -m_vscRGB.at(static_cast<std::size_t>(i))->value();
}

void frmScreenSettings::setComponent(int i, int value) {
    m_vscRGB.at(static_cast<std::size_t>(i))->setValue(-value);
}

void frmScreenSettings::setRasterPaneControl(RasterPaneWidget* control) {
    m_oRasterPane = control;
}

QString frmScreenSettings::componentText(int value) {
    return QStringLiteral("&h") + QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

void frmScreenSettings::showEvent(QShowEvent* event) {
    // Each opening starts afresh from the control, as closing throws the
    // window's state away; a restore from the task bar is not an opening.
    if (!event->spontaneous()) {
        Form_Load();
    }
    QDialog::showEvent(event);
}

void frmScreenSettings::Form_Load() {
    setWindowTitle(QString::fromStdString(ProgramTitle()) + QStringLiteral(" - Palette Settings"));
    {
        const QSignalBlocker block(m_cboPalette);
        m_cboPalette->clear();
        m_cboPalette->addItem(QStringLiteral("Mono Bitmap"), kMonoBitmap);
        m_cboPalette->addItem(QStringLiteral("Color Screen"), kColorScreen);
        const bool attr = m_oRasterPane != nullptr && m_oRasterPane->UseATTR();
        m_cboPalette->setCurrentIndex(attr ? 1 : 0);
    }
    cboPalette_Click();
}

int frmScreenSettings::chosenPalette() const {
    return m_cboPalette->currentData().toInt();
}

int frmScreenSettings::chosenEntry() const {
    return m_cboColor->currentData().toInt();
}

void frmScreenSettings::cboPalette_Click() {
    {
        const QSignalBlocker block(m_cboColor);
        m_cboColor->clear();
        if (chosenPalette() == kColorScreen) {
            for (int i = 0; i < 16; ++i) {
                m_cboColor->addItem(QString::fromUtf8(kColorEntries[i]), i);
            }
        } else {
            for (int i = 0; i < 2; ++i) {
                m_cboColor->addItem(QString::fromUtf8(kBitmapEntries[i]), i);
            }
        }
        m_cboColor->setCurrentIndex(0);
    }
    cboColor_Click();
}

void frmScreenSettings::cboColor_Click() {
    if (m_cboColor->currentIndex() < 0) {
        return;
    }
    m_updating = true;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool known = false;
    if (m_oRasterPane != nullptr) {
        known = chosenPalette() == kColorScreen
                    ? m_oRasterPane->GetColorColor(chosenEntry(), red, green, blue)
                    : m_oRasterPane->GetBitmapColor(chosenEntry(), red, green, blue);
    }
    if (known) {
        setComponent(0, red);
        setComponent(1, green);
        setComponent(2, blue);
        vscRGB_Change();
    }
    m_updating = false;
}

void frmScreenSettings::vscRGB_Change() {
    for (int i = 0; i < 3; ++i) {
        m_txtRGB[static_cast<std::size_t>(i)]->setText(componentText(component(i)));
    }
    const auto red = static_cast<std::uint8_t>(component(0));
    const auto green = static_cast<std::uint8_t>(component(1));
    const auto blue = static_cast<std::uint8_t>(component(2));
    QPalette palette = m_lblPreview->palette();
    palette.setColor(QPalette::Window, QColor(red, green, blue));
    m_lblPreview->setPalette(palette);
    if (m_updating || m_cboColor->currentIndex() < 0) {
        return;
    }
    if (chosenPalette() == kColorScreen) {
        emit SetColorColor(chosenEntry(), red, green, blue);
    } else {
        emit SetBitmapColor(chosenEntry(), red, green, blue);
    }
}

void frmScreenSettings::cmdReset_Click() {
    if (chosenPalette() == kColorScreen) {
        emit ResetColorPalette();
    } else {
        emit ResetBitmapPalette();
    }
    // Leave the entry and come back, so the bars read the reset colour.
    const int chosen = m_cboColor->currentIndex();
    const int other = chosen == 0 ? m_cboColor->count() - 1 : 0;
    m_cboColor->setCurrentIndex(other);
    m_cboColor->setCurrentIndex(chosen);
}
