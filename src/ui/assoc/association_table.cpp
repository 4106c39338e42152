#include "ui/assoc/association_table.h"

#include <algorithm>

#include "ui/assoc/assoc_text.h"

namespace varnel::ui {

bool AssociationTable::Select(int row) {
  if (row < 1 || row > RowCount()) return false;
  selected_ = row;
  return true;
}

void AssociationTable::Replace(std::vector<Association> rows) {
  rows_ = std::move(rows);
  SelectFirstOrNone();
}

void AssociationTable::AddNew() {
  rows_.push_back({});
  selected_ = RowCount();
}

void AssociationTable::CopySelected() {
  const Association* source = Selected();
  if (!source) return;
  Association copy = *source;  // push_back may move the source row
  rows_.push_back(std::move(copy));
  selected_ = RowCount();
}

void AssociationTable::DeleteSelected() {
  if (!Selected()) return;
  rows_.erase(rows_.begin() + (selected_ - 1));
  selected_ = std::min(selected_, RowCount());
}

void AssociationTable::Clear() {
  rows_.clear();
  selected_ = 0;
}

void AssociationTable::Sort() {
  // A stable order by extension alone: sorting by "extension---number" as
  // text would put row 10 before row 2 and so change which of two rows for
  // the same extension the lookup finds last.
  std::stable_sort(rows_.begin(), rows_.end(), [](const Association& a, const Association& b) {
    return assoc_text::CompareIgnoreCase(a.extension, b.extension) < 0;
  });
  SelectFirstOrNone();
}

void AssociationTable::SetSelectedExtension(std::string_view text) {
  if (Association* row = Selected()) row->extension = assoc_text::Upper(text);
}

void AssociationTable::SetSelectedViewer(std::string_view text) {
  if (Association* row = Selected()) row->viewer = std::string(text);
}

EditBoxes AssociationTable::CurrentEditBoxes() const {
  if (selected_ < 1 || selected_ > RowCount()) return {};
  const Association& row = Row(selected_);
  return {row.extension, row.viewer, true};
}

Association* AssociationTable::Selected() {
  if (selected_ < 1 || selected_ > RowCount()) return nullptr;
  return &rows_[static_cast<std::size_t>(selected_ - 1)];
}

}  // namespace varnel::ui
