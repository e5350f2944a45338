#include "views/StatisticsTableModel.h"

namespace kelvor::gui {

StatisticsTableModel::StatisticsTableModel(QObject* parent) : RowModelBase(parent) {}

void StatisticsTableModel::rebuildColumns(bool live) {
  beginResetModel();
  columns_ = live ? LiveStatisticsColumns : FullStatisticsColumns;
  endResetModel();
}

void StatisticsTableModel::refreshRows(const StatisticsRowSource& source) {
  beginResetModel();
  buildStatisticsRows(source, rows_);
  endResetModel();
}

void StatisticsTableModel::clearRows() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

int StatisticsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int StatisticsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

namespace {

Qt::Alignment alignmentOf(int column) {
  return Qt::AlignVCenter |
         (statisticsColumn(column).rightAligned ? Qt::AlignRight : Qt::AlignLeft);
}

}  // namespace

std::optional<QString> StatisticsTableModel::cellText(int row, int column) const {
  return QString::fromStdString(rowAt(row).texts[static_cast<std::size_t>(column)]);
}

QVariant StatisticsTableModel::cellIcon(int row, int column) const {
  if (column == 0 && rowAt(row).icon != NoIcon) {
    return icons_.icon(rowAt(row).icon);
  }
  return {};
}

std::optional<Qt::Alignment> StatisticsTableModel::cellAlignment(int /*row*/, int column) const {
  return alignmentOf(column);
}

QVariant StatisticsTableModel::cellSortValue(int row, int column) const {
  if (statisticsColumn(column).kind == StatisticsValueKind::EntryName) {
    return *cellText(row, column);
  }
  return rowAt(row).values[static_cast<std::size_t>(column)];
}

QVariant StatisticsTableModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columns_) {
    return {};
  }
  if (role == Qt::DisplayRole) {
    return QString(statisticsColumn(section).header);
  }
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(alignmentOf(section));
  }
  return {};
}

}  // namespace kelvor::gui
