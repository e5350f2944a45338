#pragma once

#include <QAbstractTableModel>
#include <QVariant>
#include <optional>

namespace kelvor::gui {

// The common frame of the program's table models: data() checks the index and answers each role
// from the cell a subclass gives. Subclasses give only cells.
class RowModelBase : public QAbstractTableModel {
  Q_OBJECT
 public:
  // A cell's value for sorting: numbers for numeric columns, so that a QSortFilterProxyModel with
  // this sort role orders 9 before 10.
  static constexpr int SortRole = Qt::UserRole;

  using QAbstractTableModel::QAbstractTableModel;

  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const final;

 protected:
  // Only called for rows and columns within rowCount() and columnCount(). A cell that cannot
  // be shown (its row refers to nothing) gives no text and no other value.
  virtual std::optional<QString> cellText(int row, int column) const = 0;
  virtual QVariant cellIcon(int /*row*/, int /*column*/) const { return {}; }
  virtual std::optional<Qt::Alignment> cellAlignment(int /*row*/, int /*column*/) const {
    return std::nullopt;
  }
  // The display text unless a subclass knows a number.
  virtual QVariant cellSortValue(int row, int column) const;
};

}  // namespace kelvor::gui
