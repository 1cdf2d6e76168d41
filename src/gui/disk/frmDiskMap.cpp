#include "gui/disk/frmDiskMap.h"

#include <QHBoxLayout>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "core/ProgramInfo.h"
#include "floppy/modFDRawCmd.h"

namespace {

constexpr int kCell = 10;
constexpr int kLeft = 64;    // room for the head and sector numbers
constexpr int kTop = 40;     // room for the cylinder numbers
constexpr int kSideGap = 6;  // between head 0's rows and head 1's
constexpr int kLegend = 28;
constexpr int kEdge = 20;
constexpr int kListWidth = 260;  // the hit files beside the grid

struct LegendItem {
    SectorState state;
    const char* text;
};
constexpr LegendItem kLegendItems[] = {{SectorState::Good, "Good"},
                                       {SectorState::Recovered, "Recovered"},
                                       {SectorState::Bad, "Bad"},
                                       {SectorState::Missing, "Missing"}};

QString stateText(const SectorStatus* status) {
    if (status == nullptr) {
        return QStringLiteral("good");
    }
    switch (status->state) {
        case SectorState::Good:
            return QStringLiteral("good");
        case SectorState::Recovered:
            return QStringLiteral("recovered");
        case SectorState::Bad:
            return QStringLiteral("bad (%1)")
                .arg(QString::fromStdString(modFDRawCmd::DriveErrorText(status->error)));
        case SectorState::Missing:
            return QStringLiteral("missing");
    }
    return {};
}

}  // namespace

frmDiskMap::frmDiskMap(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmDiskMap"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromStdString(ProgramTitle()) + QStringLiteral(" - Disk Map"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, kTop, kEdge, kEdge);
    m_gridRoom = new QWidget(this);
    m_gridRoom->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(m_gridRoom);
    m_lstHitFiles = new QListWidget(this);
    m_lstHitFiles->setObjectName(QStringLiteral("lstHitFiles"));
    // Long lists of sectors wrap inside the list rather than being cut off.
    m_lstHitFiles->setWordWrap(true);
    m_lstHitFiles->setTextElideMode(Qt::ElideNone);
    m_lstHitFiles->setResizeMode(QListView::Adjust);
    m_lstHitFiles->setMinimumWidth(kListWidth);
    layout->addWidget(m_lstHitFiles, 1);
    setMap(std::nullopt, {});
}

QSize frmDiskMap::gridSize() const {
    if (!m_map) {
        return {360 - kListWidth / 2, 120};
    }
    const SectorGeometry& g = m_map->geometry;
    return {kLeft + g.cylinders * kCell, g.heads * (g.sectors * kCell + kSideGap) + kLegend};
}

void frmDiskMap::setMap(const std::optional<SectorMap>& map, const std::vector<HitFile>& hits) {
    m_map = map;
    const QSize grid = gridSize();
    m_gridRoom->setFixedSize(grid);
    m_lstHitFiles->clear();
    if (!m_map) {
        m_lstHitFiles->addItem(QStringLiteral("The current disk has no map of its sectors."));
    } else if (hits.empty()) {
        m_lstHitFiles->addItem(QStringLiteral("No file lies in a bad sector."));
    }
    for (const HitFile& hit : hits) {
        const QString sectors = QString::fromStdString(SectorRunsText(hit.badSectors));
        auto* item = new QListWidgetItem(
            QStringLiteral("%1  %2  %3").arg(hit.index).arg(QString::fromStdString(hit.name), sectors),
            m_lstHitFiles);
        item->setToolTip(QStringLiteral("Bad sectors (head:track:sector): %1").arg(sectors));
    }
    resize(std::max(width(), grid.width() + kListWidth + kEdge),
           std::max(height(), grid.height() + kTop + kEdge));
    update();
}

QColor frmDiskMap::stateColour(SectorState state) {
    switch (state) {
        case SectorState::Good:
            return QColor(0x3C, 0xB0, 0x4C);
        case SectorState::Recovered:
            return QColor(0xF0, 0xC0, 0x20);
        case SectorState::Bad:
            return QColor(0xD0, 0x30, 0x30);
        case SectorState::Missing:
            return QColor(0x40, 0x40, 0x40);
    }
    return Qt::white;
}

QRect frmDiskMap::cellRect(int cylinder, int head, int sector) const {
    if (!m_map) {
        return {};
    }
    const SectorGeometry& g = m_map->geometry;
    const int row = head * g.sectors + (sector - g.firstId);
    return {kLeft + cylinder * kCell, kTop + row * kCell + head * kSideGap, kCell - 1, kCell - 1};
}

const SectorStatus* frmDiskMap::statusOf(int cylinder, int head, int sector) const {
    for (const SectorStatus& s : m_map->entries) {
        if (s.cylinder == cylinder && s.head == head && s.sector == sector) {
            return &s;
        }
    }
    return nullptr;
}

QString frmDiskMap::cellToolTip(QPoint pos) const {
    if (!m_map) {
        return {};
    }
    const SectorGeometry& g = m_map->geometry;
    for (int h = 0; h < g.heads; ++h) {
        for (int r = g.firstId; r < g.firstId + g.sectors; ++r) {
            const QRect first = cellRect(0, h, r);
            if (pos.y() < first.top() || pos.y() > first.top() + kCell - 1 || pos.x() < first.left()) {
                continue;
            }
            const int c = (pos.x() - first.left()) / kCell;
            if (c >= g.cylinders) {
                return {};
            }
            return QStringLiteral("cylinder %1, head %2, sector %3: %4")
                .arg(c)
                .arg(h)
                .arg(r)
                .arg(stateText(statusOf(c, h, r)));
        }
    }
    return {};
}

bool frmDiskMap::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = cellToolTip(help->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this, cellRect(0, 0, 0));
        }
        return true;
    }
    return QWidget::event(event);
}

void frmDiskMap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!m_map) {
        p.drawText(QRect(kEdge, kTop, gridSize().width(), gridSize().height()),
                   Qt::AlignCenter | Qt::TextWordWrap,
                   QStringLiteral("No disk read from a drive or a flux recording is loaded."));
        return;
    }
    const SectorGeometry& g = m_map->geometry;
    QFont small = font();
    small.setPixelSize(8);
    p.setFont(small);
    p.drawText(QPoint(kLeft, kTop - 26), QStringLiteral("Cylinder"));
    for (int c = 0; c < g.cylinders; ++c) {
        if (c % 5 == 0) {
            p.drawText(cellRect(c, 0, g.firstId).topLeft() + QPoint(0, -4), QString::number(c));
        }
        for (int h = 0; h < g.heads; ++h) {
            for (int r = g.firstId; r < g.firstId + g.sectors; ++r) {
                const SectorStatus* status = statusOf(c, h, r);
                p.fillRect(cellRect(c, h, r), stateColour(status ? status->state : SectorState::Good));
            }
        }
    }
    for (int h = 0; h < g.heads; ++h) {
        const QRect first = cellRect(0, h, g.firstId);
        p.drawText(QRect(2, first.top(), 24, g.sectors * kCell), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("H%1").arg(h));
        for (int r = g.firstId; r < g.firstId + g.sectors; ++r) {
            const QRect cell = cellRect(0, h, r);
            p.drawText(QRect(26, cell.top() - 1, kLeft - 30, kCell), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(r));
        }
    }
    p.setFont(font());
    int x = kLeft;
    const int y = kTop + g.heads * (g.sectors * kCell + kSideGap) + 8;
    for (const LegendItem& item : kLegendItems) {
        p.fillRect(QRect(x, y, kCell, kCell), stateColour(item.state));
        const QString text = QString::fromUtf8(item.text);
        p.drawText(QPoint(x + kCell + 4, y + kCell), text);
        x += kCell + 12 + p.fontMetrics().horizontalAdvance(text);
    }
}
