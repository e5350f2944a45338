#include "views/StreamListModel.h"

#include <climits>

namespace kelvor::gui {

namespace {

// A view addresses rows with int; longer listings show their first INT_MAX rows.
int shownRowsOf(const ListedEventIndex& index) {
  return static_cast<int>(std::min<std::size_t>(index.size(), INT_MAX));
}

}  // namespace

StreamListModel::StreamListModel(QObject* parent) : RowModelBase(parent) {}

void StreamListModel::rebuild(const StatisticsEngine& engine,
                              const StreamCellFormatter::Source& source) {
  beginResetModel();
  index_.rebuild(engine.stream(), VisibleEntries(engine));
  shownRows_ = shownRowsOf(index_);
  formatter_ = std::make_unique<StreamCellFormatter>(source);
  endResetModel();
}

std::size_t StreamListModel::takeIn(const StatisticsEngine& engine) {
  if (!formatter_) {
    return 0;
  }
  // The index grows in place; the view learns of the new rows only through the insertion.
  const int before = shownRows_;
  const std::size_t added = index_.extend(engine.stream(), VisibleEntries(engine));
  if (added == 0) {
    return 0;
  }
  const int after = shownRowsOf(index_);
  if (after > before) {
    beginInsertRows(QModelIndex(), before, after - 1);
    shownRows_ = after;
    endInsertRows();
  }
  // The last row shown before has a successor now: its delta time changed.
  if (before > 0) {
    emit dataChanged(index(before - 1, 0), index(before - 1, StreamColumnCount - 1));
  }
  return added;
}

void StreamListModel::clearRows() {
  beginResetModel();
  index_.clear();
  shownRows_ = 0;
  formatter_.reset();
  endResetModel();
}

std::optional<std::size_t> StreamListModel::eventAt(int row) const {
  if (row < 0) {
    return std::nullopt;
  }
  return index_.eventAt(static_cast<std::size_t>(row));
}

int StreamListModel::rowAtOrAfter(std::size_t eventIndex) const {
  return static_cast<int>(std::min<std::size_t>(index_.rowAtOrAfter(eventIndex), INT_MAX));
}

int StreamListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) {
    return 0;
  }
  return shownRows_;
}

int StreamListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : StreamColumnCount;
}

std::optional<QString> StreamListModel::cellText(int row, int column) const {
  const std::optional<std::size_t> event = eventAt(row);
  if (!formatter_ || !event) {
    return std::nullopt;
  }
  formatter_->cellText(*event, column, scratch_);
  return QString::fromStdString(scratch_);
}

QVariant StreamListModel::cellIcon(int row, int column) const {
  const std::optional<std::size_t> event = eventAt(row);
  if (!formatter_ || !event || column != 0) {
    return {};
  }
  const int icon = formatter_->icon(*event);
  return icon != NoIcon ? QVariant(icons_.icon(icon)) : QVariant();
}

QVariant StreamListModel::cellSortValue(int row, int column) const {
  const std::optional<std::size_t> event = eventAt(row);
  if (!formatter_ || !event) {
    return {};
  }
  if (const std::optional<double> value = formatter_->cellValue(*event, column)) {
    return *value;
  }
  return RowModelBase::cellSortValue(row, column);
}

QVariant StreamListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= StreamColumnCount) {
    return {};
  }
  if (role == Qt::DisplayRole) {
    return QString(streamColumn(section).header);
  }
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(Qt::AlignVCenter | Qt::AlignLeft);
  }
  return {};
}

}  // namespace kelvor::gui
