#pragma once

#include <QColor>
#include <QListWidget>
#include <QRect>
#include <QWidget>
#include <optional>
#include <vector>

#include "disk/FilesHit.h"
#include "disk/SectorMap.h"

// The sector map drawn as a grid: one column per cylinder, one row per sector
// and side (head 0's sectors above head 1's), each cell in the colour of its
// state, cylinder and sector numbers along the edges, a legend underneath and
// the files the bad sectors fall into beside it. It shows the current disk:
// the main window hands it each new one, and nothing when the current disk
// has no map.
class frmDiskMap : public QWidget {
    Q_OBJECT
public:
    explicit frmDiskMap(QWidget* parent = nullptr);

    // The map and the files its bad sectors fall into, listed "1  NAME
    // 0:12:5, 0:12:9" (head:track:sector), entry 0 for the catalogue.
    void setMap(const std::optional<SectorMap>& map, const std::vector<HitFile>& hits);
    [[nodiscard]] bool hasMap() const { return m_map.has_value(); }

    [[nodiscard]] static QColor stateColour(SectorState state);
    // Where the cell of that sector is drawn, in widget coordinates.
    [[nodiscard]] QRect cellRect(int cylinder, int head, int sector) const;
    // "cylinder 3, head 0, sector 5: bad (CRC Error (0x00000017))" for the
    // cell under pos; empty elsewhere.
    [[nodiscard]] QString cellToolTip(QPoint pos) const;
    [[nodiscard]] QListWidget* lstHitFiles() const { return m_lstHitFiles; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] const SectorStatus* statusOf(int cylinder, int head, int sector) const;
    [[nodiscard]] QSize gridSize() const;

    std::optional<SectorMap> m_map;
    QWidget* m_gridRoom = nullptr;  // keeps the grid's place in the layout
    QListWidget* m_lstHitFiles = nullptr;
};
