#include "ui/main/pane_model.h"

#include <QMimeData>
#include <QString>

#include <algorithm>

#include "ui/main/file_pictures.h"
#include "ui/main/pane_lookups.h"

namespace varnel::ui {
namespace {

constexpr const char* kHeaders[] = {"Name", "Size", "Type", "Date"};
constexpr int kColumns = static_cast<int>(std::size(kHeaders));

// Bytes that are not UTF-8 show as replacement marks; the row keeps them.
QString Shown(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A folder's caption without the blank that sorts folders first.
QString ShownCaption(const listing::ListingRow& row) {
  if (listing::IsFolderRow(row) && !row.Caption.empty()) return Shown(row.Caption.substr(1));
  return Shown(row.Caption);
}

// Puts `items` in `order` (indexes into them) by moving along the
// permutation's cycles, so that no second vector of rows is needed.
template <typename T>
void ApplyOrder(std::vector<T>& items, std::vector<std::size_t> order) {
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (order[start] == start) continue;
    T held = std::move(items[start]);
    std::size_t at = start;
    for (;;) {
      const std::size_t from = order[at];
      order[at] = at;
      if (from == start) {
        items[at] = std::move(held);
        break;
      }
      items[at] = std::move(items[from]);
      at = from;
    }
  }
}

}  // namespace

TPaneModel::TPaneModel(std::shared_ptr<TFilePictures> pictures, bool local_dates, QObject* parent)
    : QAbstractTableModel(parent), pictures_(std::move(pictures)), local_dates_(local_dates) {}

int TPaneModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int TPaneModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TPaneModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= RowCount()) return {};
  const listing::ListingRow& row = Row(index.row());
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case listing::kSortByName:
          return ShownCaption(row);
        case listing::kSortBySize:
          return Shown(row.SizeText);
        case listing::kSortByType:
          return Shown(row.TypeText);
        default:
          return local_dates_ ? LocalDateText(row.Modified) : Shown(row.DateText);
      }
    case Qt::DecorationRole:
      if (column != listing::kSortByName) return {};
      return pictures_->Icon(slots_[static_cast<std::size_t>(index.row())]);
    case Qt::ToolTipRole:
      return column == listing::kSortByName ? ShownCaption(row) : QVariant();
    case Qt::TextAlignmentRole:
      if (column == listing::kSortBySize) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      }
      return {};
    default:
      return {};
  }
}

QVariant TPaneModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumns) {
    return {};
  }
  return QString(kHeaders[section]);
}

Qt::ItemFlags TPaneModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  return drag_payload_ ? flags | Qt::ItemIsDragEnabled : flags;
}

QMimeData* TPaneModel::mimeData(const QModelIndexList& indexes) const {
  if (!drag_payload_) return nullptr;
  std::vector<int> rows;
  for (const QModelIndex& index : indexes) {
    if (index.isValid()) rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return drag_payload_(rows);
}

void TPaneModel::SetRows(std::vector<listing::ListingRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  ApplyOrder(rows_, listing::SortedOrder(rows_, sort_));
  slots_.clear();
  slots_.reserve(rows_.size());
  for (const listing::ListingRow& row : rows_) slots_.push_back(pictures_->SlotFor(row));
  endResetModel();
}

void TPaneModel::Clear() { SetRows({}); }

void TPaneModel::ClickColumn(int column) {
  listing::ClickColumn(sort_, column);
  Reorder();
  emit sortChanged();
}

// The rows in the new order, each persistent index (the selection, the
// current row) moved along with its row.
void TPaneModel::Reorder() {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const std::vector<std::size_t> order = listing::SortedOrder(rows_, sort_);
  std::vector<int> new_position(order.size());
  for (std::size_t position = 0; position < order.size(); ++position) {
    new_position[order[position]] = static_cast<int>(position);
  }
  ApplyOrder(rows_, order);
  ApplyOrder(slots_, order);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    after << this->index(new_position[static_cast<std::size_t>(index.row())], index.column());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace varnel::ui
