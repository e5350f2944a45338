#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "views/ArrowIcons.h"
#include "views/StatisticsRows.h"

namespace kelvor::gui {

// The rows of the statistics table: texts formatted once per refresh, one row per statistics
// record in ascending entry id.
class StatisticsTableModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit StatisticsTableModel(QObject* parent = nullptr);

  // The column set: live (16 columns) while recording, full (20) otherwise.
  void rebuildColumns(bool live);
  // Rebuilds every row from the source.
  void refreshRows(const StatisticsRowSource& source);
  // Drops every row (before the engine is replaced).
  void clearRows();

  const std::vector<StatisticsRow>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  std::vector<StatisticsRow> rows_;
  int columns_ = FullStatisticsColumns;
  ArrowIcons icons_{16};
};

}  // namespace kelvor::gui
