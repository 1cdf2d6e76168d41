#include "gui/bytes/ByteGridWidget.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <array>

#include "gui/qt/QtFontChooser.h"

namespace {

std::array<Qt::Alignment, ByteGrid::kColumns> alignmentsOfFormatString() {
    std::array<Qt::Alignment, ByteGrid::kColumns> out{};
    out.fill(Qt::AlignLeft);
    const std::string format = ByteGrid::FormatString();
    std::size_t column = 0;
    std::size_t start = 0;
    while (column < out.size() && start <= format.size()) {
        const char mark = start < format.size() ? format[start] : '\0';
        if (mark == '^') {
            out[column] = Qt::AlignHCenter;
        } else if (mark == '>') {
            out[column] = Qt::AlignRight;
        }
        const std::size_t bar = format.find('|', start);
        if (bar == std::string::npos) {
            break;
        }
        start = bar + 1;
        ++column;
    }
    return out;
}

}  // namespace

ByteGridTableModel::ByteGridTableModel(QObject* parent) : QAbstractTableModel(parent), m_grid({}, 0) {}

void ByteGridTableModel::setGrid(ByteGrid grid) {
    beginResetModel();
    m_grid = std::move(grid);
    endResetModel();
}

int ByteGridTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.dataRows();
}

int ByteGridTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ByteGrid::kColumns;
}

Qt::Alignment ByteGridTableModel::columnAlignment(int column) {
    static const auto alignments = alignmentsOfFormatString();
    if (column < 0 || column >= ByteGrid::kColumns) {
        return Qt::AlignLeft;
    }
    return alignments[static_cast<std::size_t>(column)];
}

QVariant ByteGridTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromStdString(m_grid.cellText(index.row() + 1, index.column()));
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(columnAlignment(index.column()) | Qt::AlignVCenter);
    }
    return {};
}

QVariant ByteGridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ByteGrid::kColumns) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return QString::fromStdString(ByteGrid::HeaderText(section));
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(columnAlignment(section) | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags ByteGridTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    // Selectable for copying, never editable.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

ByteGridWidget::ByteGridWidget(QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("degBytes"));
    m_model = new ByteGridTableModel(this);
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    // Scrolling follows the scroll box while it is dragged.
    verticalScrollBar()->setTracking(true);

    FontChoice courier;
    courier.size = 8;
    setFont(qFontOfChoice(courier));
    sizeColumns();
}

void ByteGridWidget::sizeColumns() {
    // Measured once from the font: asking the model for every row's text, as
    // resizing to contents would, costs more than the whole rest of opening.
    const QFontMetrics metrics(font());
    const int padding = 2 * metrics.horizontalAdvance(QLatin1Char('0'));
    QHeaderView* header = horizontalHeader();
    header->setMinimumSectionSize(1);
    header->resizeSection(ByteGrid::kAddressColumn,
                          metrics.horizontalAdvance(QStringLiteral("Address")) + padding);
    for (int c = ByteGrid::kFirstByteColumn; c <= ByteGrid::kLastByteColumn; ++c) {
        header->resizeSection(c, metrics.horizontalAdvance(QStringLiteral("00")) + padding);
    }
    header->resizeSection(
        ByteGrid::kAsciiColumn,
        metrics.horizontalAdvance(QString(ByteGrid::kBytesPerRow, QLatin1Char('W'))) + padding);
    header->setStretchLastSection(false);

    QHeaderView* rows = verticalHeader();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(metrics.height() + 4);
    rows->setSectionResizeMode(QHeaderView::Fixed);
}

void ByteGridWidget::setGrid(ByteGrid grid) {
    m_model->setGrid(std::move(grid));
}

GridSelection ByteGridWidget::selection() const {
    const QModelIndex current = selectionModel()->currentIndex();
    const QItemSelection selected = selectionModel()->selection();
    if (selected.isEmpty()) {
        if (!current.isValid()) {
            return {};
        }
        return {current.row() + 1, current.column(), current.row() + 1, current.column()};
    }
    QItemSelectionRange range = selected.first();
    for (const QItemSelectionRange& r : selected) {
        if (r.contains(current)) {
            range = r;
            break;
        }
    }
    if (!range.contains(current)) {
        return {range.top() + 1, range.left(), range.bottom() + 1, range.right()};
    }
    // The current cell is the corner the selection was dragged to; the one
    // facing it is where it started.
    GridSelection s;
    s.lastRow = current.row() + 1;
    s.lastColumn = current.column();
    s.firstRow = (current.row() == range.top() ? range.bottom() : range.top()) + 1;
    s.firstColumn = current.column() == range.left() ? range.right() : range.left();
    return s;
}

void ByteGridWidget::selectInRow(int row, int column, int endColumn) {
    const QModelIndex from = m_model->index(row - 1, column);
    const QModelIndex to = m_model->index(row - 1, endColumn);
    if (!from.isValid() || !to.isValid()) {
        return;
    }
    selectionModel()->setCurrentIndex(from, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::ClearAndSelect);
    scrollTo(from);
}
