#pragma once

#include <memory>
#include <optional>

#include "views/ArrowIcons.h"
#include "views/RowModelBase.h"
#include "views/StreamRows.h"

namespace kelvor::gui {

// The rows of the stream list: a virtual list over the engine's event stream. It keeps only the
// index of the listed events and formats the cells that are painted. The sort role gives the
// position and the times as numbers.
class StreamListModel final : public RowModelBase {
  Q_OBJECT
 public:
  explicit StreamListModel(QObject* parent = nullptr);

  // Lists the stream of `source` anew: the listed-event index is rebuilt from the engine's
  // visible flags.
  void rebuild(const StatisticsEngine& engine, const StreamCellFormatter::Source& source);
  // Lists the events appended to the engine's stream since the last rebuild or take-in, without
  // going over the events listed already. Returns the number of rows added.
  std::size_t takeIn(const StatisticsEngine& engine);
  // Drops every row and every reference into the engine.
  void clearRows();

  std::size_t listedCount() const { return index_.size(); }
  // The stream index of the event shown in a row.
  std::optional<std::size_t> eventAt(int row) const;
  // The row of the first listed event at or after a stream index.
  int rowAtOrAfter(std::size_t eventIndex) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  std::optional<QString> cellText(int row, int column) const override;
  QVariant cellIcon(int row, int column) const override;
  QVariant cellSortValue(int row, int column) const override;

  ListedEventIndex index_;
  int shownRows_ = 0;  // the rows the view knows of
  std::unique_ptr<StreamCellFormatter> formatter_;
  ArrowIcons icons_{18};
  mutable std::string scratch_;
};

}  // namespace kelvor::gui
