#include "views/RowModelBase.h"

namespace kelvor::gui {

QVariant RowModelBase::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.model() != this || index.row() >= rowCount() ||
      index.column() >= columnCount()) {
    return {};
  }
  const int row = index.row();
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole: {
      const std::optional<QString> text = cellText(row, column);
      return text ? QVariant(*text) : QVariant();
    }
    case Qt::DecorationRole:
      return cellIcon(row, column);
    case Qt::TextAlignmentRole:
      if (const std::optional<Qt::Alignment> alignment = cellAlignment(row, column)) {
        return QVariant::fromValue(*alignment);
      }
      return {};
    case SortRole:
      return cellSortValue(row, column);
    default:
      return {};
  }
}

QVariant RowModelBase::cellSortValue(int row, int column) const {
  const std::optional<QString> text = cellText(row, column);
  return text ? QVariant(*text) : QVariant();
}

}  // namespace kelvor::gui
