#include "views/StatisticsTableModel.h"

namespace kelvor::gui {

StatisticsTableModel::StatisticsTableModel(QObject* parent) : QAbstractTableModel(parent) {}

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

QVariant StatisticsTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()) ||
      index.column() >= columns_) {
    return {};
  }
  const StatisticsRow& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(row.texts[static_cast<std::size_t>(index.column())]);
    case Qt::DecorationRole:
      if (index.column() == 0 && row.icon != NoIcon) {
        return icons_.icon(row.icon);
      }
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(
          Qt::AlignVCenter |
          (statisticsColumn(index.column()).rightAligned ? Qt::AlignRight : Qt::AlignLeft));
    default:
      return {};
  }
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
    return QVariant::fromValue(
        Qt::AlignVCenter |
        (statisticsColumn(section).rightAligned ? Qt::AlignRight : Qt::AlignLeft));
  }
  return {};
}

}  // namespace kelvor::gui
