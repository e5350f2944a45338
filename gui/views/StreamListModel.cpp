#include "views/StreamListModel.h"

#include <climits>

namespace kelvor::gui {

StreamListModel::StreamListModel(QObject* parent) : RowModelBase(parent) {}

void StreamListModel::rebuild(const StatisticsEngine& engine,
                              const StreamCellFormatter::Source& source) {
  beginResetModel();
  index_.rebuild(engine.stream(), VisibleEntries(engine));
  formatter_ = std::make_unique<StreamCellFormatter>(source);
  endResetModel();
}

void StreamListModel::clearRows() {
  beginResetModel();
  index_.clear();
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
  // A view addresses rows with int; longer listings show their first INT_MAX rows.
  return static_cast<int>(std::min<std::size_t>(index_.size(), INT_MAX));
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
