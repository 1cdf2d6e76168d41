#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include "bytes/ByteGrid.h"

// The byte grid as a table model: every cell's text comes from ByteGrid when
// the view asks for it, so a 64K file costs no more to show than a short one.
// Row r of the model is row r + 1 of the grid (the grid's row 0 is the
// header); the columns are the grid's. Nothing can be edited.
class ByteGridTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ByteGridTableModel(QObject* parent = nullptr);

    void setGrid(ByteGrid grid);
    [[nodiscard]] const ByteGrid& grid() const { return m_grid; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The alignment the grid's format string gives a column: "^" centres,
    // "<" aligns left, no mark leaves the left alignment.
    [[nodiscard]] static Qt::Alignment columnAlignment(int column);

private:
    ByteGrid m_grid;
};

// The byte viewer's grid control: the table, its fixed-pitch font and column
// widths, and the selection as the grid's rows and columns.
class ByteGridWidget : public QTableView {
    Q_OBJECT
public:
    explicit ByteGridWidget(QWidget* parent = nullptr);

    void setGrid(ByteGrid grid);
    [[nodiscard]] const ByteGrid& grid() const { return m_model->grid(); }
    [[nodiscard]] ByteGridTableModel* gridModel() const { return m_model; }

    // The selection in grid coordinates: from the cell where it was started to
    // the current cell. Without a selection, the current cell alone (row 1,
    // column 1 when there is none).
    [[nodiscard]] GridSelection selection() const;

    // Makes (row, column) the current cell, selects from it to endColumn in
    // the same row and brings the row into view.
    void selectInRow(int row, int column, int endColumn);

private:
    void sizeColumns();

    ByteGridTableModel* m_model = nullptr;
};
