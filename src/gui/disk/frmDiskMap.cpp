#include "gui/disk/frmDiskMap.h"

#include <QPainter>

#include "core/ProgramInfo.h"

namespace {

constexpr int kCell = 10;
constexpr int kMargin = 40;  // room for the row and column labels
constexpr int kSideGap = 6;  // between head 0's rows and head 1's
constexpr int kLegend = 28;
constexpr int kListWidth = 240;  // the hit files beside the grid

struct LegendItem {
    SectorState state;
    const char* text;
};
constexpr LegendItem kLegendItems[] = {{SectorState::Good, "Good"},
                                       {SectorState::Recovered, "Recovered"},
                                       {SectorState::Bad, "Bad"},
                                       {SectorState::Missing, "Missing"}};

}  // namespace

frmDiskMap::frmDiskMap(SectorMap map, QWidget* parent) : QWidget(parent, Qt::Window), m_map(std::move(map)) {
    setObjectName(QStringLiteral("frmDiskMap"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromStdString(ProgramTitle()) + QStringLiteral(" - Disk Map"));
    const SectorGeometry& g = m_map.geometry;
    const int width = kMargin + g.cylinders * kCell + kMargin / 2;
    const int height = kMargin + g.heads * (g.sectors * kCell + kSideGap) + kLegend + kMargin / 2;
    setMinimumSize(std::max(width, 360), height);
    resize(minimumSize());
}

void frmDiskMap::setHitFiles(const std::vector<HitFile>& hits) {
    const QSize grid = minimumSize();
    if (m_lstHitFiles == nullptr) {
        m_lstHitFiles = new QListWidget(this);
        m_lstHitFiles->setObjectName(QStringLiteral("lstHitFiles"));
        m_lstHitFiles->setGeometry(grid.width(), kMargin, kListWidth, grid.height() - kMargin - kMargin / 2);
        setMinimumSize(grid.width() + kListWidth + kMargin / 2, grid.height());
        resize(minimumSize());
    }
    m_lstHitFiles->clear();
    if (hits.empty()) {
        m_lstHitFiles->addItem(QStringLiteral("No file lies in a bad sector."));
    }
    for (const HitFile& hit : hits) {
        const QString sectors = QString::fromStdString(SectorListText(hit.badSectors));
        auto* item = new QListWidgetItem(
            QStringLiteral("%1  %2  %3").arg(hit.index).arg(QString::fromStdString(hit.name), sectors),
            m_lstHitFiles);
        item->setToolTip(QStringLiteral("Bad sectors (head:track:sector): %1").arg(sectors));
    }
    m_lstHitFiles->show();
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
    const SectorGeometry& g = m_map.geometry;
    const int row = head * g.sectors + (sector - g.firstId);
    return {kMargin + cylinder * kCell, kMargin + row * kCell + head * kSideGap, kCell - 1, kCell - 1};
}

SectorState frmDiskMap::stateOf(int cylinder, int head, int sector) const {
    for (const SectorStatus& s : m_map.entries) {
        if (s.cylinder == cylinder && s.head == head && s.sector == sector) {
            return s.state;
        }
    }
    return SectorState::Good;
}

void frmDiskMap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const SectorGeometry& g = m_map.geometry;
    for (int c = 0; c < g.cylinders; ++c) {
        if (c % 10 == 0) {
            p.drawText(cellRect(c, 0, g.firstId).topLeft() + QPoint(0, -6), QString::number(c));
        }
        for (int h = 0; h < g.heads; ++h) {
            for (int r = g.firstId; r < g.firstId + g.sectors; ++r) {
                p.fillRect(cellRect(c, h, r), stateColour(stateOf(c, h, r)));
            }
        }
    }
    for (int h = 0; h < g.heads; ++h) {
        const QRect first = cellRect(0, h, g.firstId);
        p.drawText(QRect(0, first.top(), kMargin - 4, g.sectors * kCell), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("H%1").arg(h));
    }
    int x = kMargin;
    const int y = kMargin + g.heads * (g.sectors * kCell + kSideGap) + 8;
    for (const LegendItem& item : kLegendItems) {
        p.fillRect(QRect(x, y, kCell, kCell), stateColour(item.state));
        const QString text = QString::fromUtf8(item.text);
        p.drawText(QPoint(x + kCell + 4, y + kCell), text);
        x += kCell + 12 + p.fontMetrics().horizontalAdvance(text);
    }
}
