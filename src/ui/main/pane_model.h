// The rows of one file pane as a table model: the columns Name, Size, Type
// and Date over listing rows, ordered by the pane's sort state with the
// shared compare routine. Views of every style show the same model; a
// re-sort keeps the selection (persistent indexes follow their rows).
#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <vector>

#include "listing/listing_row.h"
#include "listing/listing_sort.h"

namespace varnel::ui {

class TFilePictures;

class TPaneModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // `local_dates`: Date texts are written from each row's time in the
  // desktop's locale when painted (the local pane), instead of the row's
  // own date text (the remote pane).
  TPaneModel(std::shared_ptr<TFilePictures> pictures, bool local_dates, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Rows can be dragged (as a copy) once the pane says what a drag of them
  // carries: `payload` makes it from the dragged rows, in row order.
  using DragPayload = std::function<QMimeData*(const std::vector<int>& rows)>;
  void SetDragPayload(DragPayload payload) { drag_payload_ = std::move(payload); }
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

  // Empties the pane and shows `rows` in the order of the sort state.
  void SetRows(std::vector<listing::ListingRow> rows);
  void Clear();

  const listing::ListingRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  int RowCount() const { return static_cast<int>(rows_.size()); }

  const listing::SortState& Sort() const { return sort_; }
  // A header click or sort menu item: the same column again reverses the
  // order, another column starts ascending; the rows are ordered at once.
  void ClickColumn(int column);

 signals:
  void sortChanged();

 private:
  void Reorder();

  // Shared by both panes; it lives as long as a view may still paint.
  std::shared_ptr<TFilePictures> pictures_;
  bool local_dates_;
  listing::SortState sort_;
  std::vector<listing::ListingRow> rows_;
  std::vector<int> slots_;  // each row's picture
  DragPayload drag_payload_;
};

}  // namespace varnel::ui
