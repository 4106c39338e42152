#include "ui/assoc/assoc_grid_model.h"

#include <QString>

#include "ui/assoc/assoc_dialog_text.h"

namespace varnel::ui {

TAssocGridModel::TAssocGridModel(const AssociationTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

int TAssocGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.RowCount();
}

int TAssocGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

// Bytes that are not UTF-8 show a replacement mark; the table keeps them.
QVariant TAssocGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= table_.RowCount()) return {};
  const int row = TableRow(index.row());
  if (role == Qt::TextAlignmentRole && index.column() == kNumberColumn) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case kNumberColumn:
      return role == Qt::DisplayRole ? QVariant(QString::number(row)) : QVariant();
    case kExtensionColumn:
      return QString::fromUtf8(table_.Row(row).extension);
    case kViewerColumn:
      return QString::fromUtf8(table_.Row(row).viewer);
    default:
      return {};
  }
}

QVariant TAssocGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kNumberColumn:
      return QString();
    case kExtensionColumn:
      return QString(file_assoc_text::kFileHeader);
    case kViewerColumn:
      return QString(file_assoc_text::kViewerHeader);
    default:
      return {};
  }
}

Qt::ItemFlags TAssocGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TAssocGridModel::TableReset() {
  beginResetModel();
  endResetModel();
}

void TAssocGridModel::RowChanged(int row) {
  if (row < 1 || row > table_.RowCount()) return;
  emit dataChanged(index(GridRow(row), kNumberColumn), index(GridRow(row), kViewerColumn));
}

}  // namespace varnel::ui
