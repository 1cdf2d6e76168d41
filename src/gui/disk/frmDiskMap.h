#pragma once

#include <QColor>
#include <QListWidget>
#include <QRect>
#include <QWidget>
#include <vector>

#include "disk/FilesHit.h"
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

    // The files the bad sectors fall into, listed beside the grid: "1  NAME
    // 0:12:5, 0:12:9" (head:track:sector), entry 0 for the catalogue.
    void setHitFiles(const std::vector<HitFile>& hits);
    [[nodiscard]] QListWidget* lstHitFiles() const { return m_lstHitFiles; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] SectorState stateOf(int cylinder, int head, int sector) const;

    SectorMap m_map;
    QListWidget* m_lstHitFiles = nullptr;
};
