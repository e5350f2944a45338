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

void StatisticsTableModel::setComparison(const ComparisonLookup* comparison) {
  beginResetModel();
  comparison_ = comparison;
  endResetModel();
}

const ComparisonColumn* StatisticsTableModel::comparisonColumnAt(int column) const {
  const bool shown = comparison_ != nullptr && columns_ == FullStatisticsColumns;
  if (!shown || column < columns_) {
    return nullptr;
  }
  const auto index = static_cast<std::size_t>(column - columns_);
  return index < comparisonColumns().size() ? &comparisonColumns()[index] : nullptr;
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
  if (parent.isValid()) {
    return 0;
  }
  const bool compared = comparison_ != nullptr && columns_ == FullStatisticsColumns;
  return columns_ + (compared ? static_cast<int>(comparisonColumns().size()) : 0);
}

namespace {

Qt::Alignment alignmentOf(int column) {
  return Qt::AlignVCenter |
         (statisticsColumn(column).rightAligned ? Qt::AlignRight : Qt::AlignLeft);
}

}  // namespace

std::optional<QString> StatisticsTableModel::cellText(int row, int column) const {
  if (const ComparisonColumn* compared = comparisonColumnAt(column)) {
    return QString::fromStdString(comparisonCellText(*compared, comparison_->find(rowAt(row).id)));
  }
  return QString::fromStdString(rowAt(row).texts[static_cast<std::size_t>(column)]);
}

QVariant StatisticsTableModel::cellIcon(int row, int column) const {
  if (column == 0 && rowAt(row).icon != NoIcon) {
    return icons_.icon(rowAt(row).icon);
  }
  return {};
}

std::optional<Qt::Alignment> StatisticsTableModel::cellAlignment(int /*row*/, int column) const {
  if (comparisonColumnAt(column) != nullptr) {
    return Qt::AlignVCenter | Qt::AlignRight;
  }
  return alignmentOf(column);
}

QVariant StatisticsTableModel::cellSortValue(int row, int column) const {
  if (const ComparisonColumn* compared = comparisonColumnAt(column)) {
    return comparisonCellValue(*compared, comparison_->find(rowAt(row).id));
  }
  if (statisticsColumn(column).kind == StatisticsValueKind::EntryName) {
    return *cellText(row, column);
  }
  return rowAt(row).values[static_cast<std::size_t>(column)];
}

QVariant StatisticsTableModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
    return {};
  }
  if (const ComparisonColumn* compared = comparisonColumnAt(section)) {
    if (role == Qt::DisplayRole) {
      return QString::fromUtf8(compared->header);
    }
    if (role == Qt::ToolTipRole) {
      return QString("Compared with the baseline %1")
          .arg(QString::fromStdString(comparison_->baselineFile()));
    }
    if (role == Qt::TextAlignmentRole) {
      return QVariant::fromValue(Qt::Alignment(Qt::AlignVCenter | Qt::AlignRight));
    }
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
