#pragma once

#include <vector>

#include "views/ArrowIcons.h"
#include "views/ComparisonColumns.h"
#include "views/RowModelBase.h"
#include "views/StatisticsRows.h"

namespace kelvor::gui {

// The rows of the statistics table: texts formatted once per refresh, one row per statistics
// record in ascending entry id. The sort role gives each column's value (the name's text).
class StatisticsTableModel final : public RowModelBase {
  Q_OBJECT
 public:
  explicit StatisticsTableModel(QObject* parent = nullptr);

  // The column set: live (16 columns) while recording, full (20) otherwise.
  void rebuildColumns(bool live);
  // Rebuilds every row from the source.
  void refreshRows(const StatisticsRowSource& source);
  // Drops every row (before the engine is replaced).
  void clearRows();
  // The comparison whose difference columns follow the statistics columns (none while the live
  // set is shown); null for none. The lookup must outlive its use here.
  void setComparison(const ComparisonLookup* comparison);
  // The statistics columns shown, without the difference columns.
  int statisticsColumnCount() const { return columns_; }

  const std::vector<StatisticsRow>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  const StatisticsRow& rowAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  std::optional<QString> cellText(int row, int column) const override;
  QVariant cellIcon(int row, int column) const override;
  std::optional<Qt::Alignment> cellAlignment(int row, int column) const override;
  QVariant cellSortValue(int row, int column) const override;

  // The difference column at a model column, or null for a statistics column.
  const ComparisonColumn* comparisonColumnAt(int column) const;

  std::vector<StatisticsRow> rows_;
  int columns_ = FullStatisticsColumns;
  const ComparisonLookup* comparison_ = nullptr;
  ArrowIcons icons_{16};
};

}  // namespace kelvor::gui
