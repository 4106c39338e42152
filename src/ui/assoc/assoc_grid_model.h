// The grid sgAssocs as a table model over the association table: the row
// number, the extension ("File") and the viewer ("Viewer Application").
// Cells are shown, never edited in place; the dialog changes the table
// through its edit boxes and buttons and then tells the model.
#pragma once

#include <QAbstractTableModel>

#include "ui/assoc/association_table.h"

namespace varnel::ui {

class TAssocGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kNumberColumn, kExtensionColumn, kViewerColumn, kColumnCount };

  explicit TAssocGridModel(const AssociationTable& table, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The table's rows were added, removed, replaced or reordered.
  void TableReset();
  // The cells of data row `row` (1 ... N) changed.
  void RowChanged(int row);

  // Grid row (0-based) of data row `row` (1 ... N), and back.
  static int GridRow(int row) { return row - 1; }
  static int TableRow(int grid_row) { return grid_row + 1; }

 private:
  const AssociationTable& table_;
};

}  // namespace varnel::ui
