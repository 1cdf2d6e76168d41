#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include "disk/SectorMap.h"

// The sector map drawn as a grid: one column per cylinder, one row per sector
// and side (head 0's sectors above head 1's), each cell in the colour of its
// state, with a legend underneath.
class frmDiskMap : public QWidget {
    Q_OBJECT
public:
    explicit frmDiskMap(SectorMap map, QWidget* parent = nullptr);

    [[nodiscard]] static QColor stateColour(SectorState state);
    // Where the cell of that sector is drawn, in widget coordinates.
    [[nodiscard]] QRect cellRect(int cylinder, int head, int sector) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] SectorState stateOf(int cylinder, int head, int sector) const;

    SectorMap m_map;
};
