// The extension-to-viewer table edited by the File Association Manager, with
// the dialog's row operations and selection rules. Rows are numbered 1 ... N
// as the dialog shows them; row 0 stands for "no data row selected".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnel::ui {

struct Association {
  std::string extension;  // as typed or scanned: normally upper case, no dot
  std::string viewer;     // program path, optionally followed by arguments

  bool operator==(const Association&) const = default;
};

// What the dialog's edit boxes show for the current selection. `enabled`
// covers edtExt, edtViewer, btnBrowse, btnDelExt and btnCopyExt alike.
struct EditBoxes {
  std::string extension;
  std::string viewer;
  bool enabled = false;

  bool operator==(const EditBoxes&) const = default;
};

class AssociationTable {
 public:
  const std::vector<Association>& Rows() const { return rows_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const Association& Row(int row) const { return rows_.at(static_cast<std::size_t>(row - 1)); }

  // 1 ... RowCount(), or 0 when no data row is selected.
  int SelectedRow() const { return selected_; }
  // Selects a data row; a row outside 1 ... RowCount() is refused.
  bool Select(int row);

  // Replaces every row (load, scan results); selects row 1 when rows exist.
  void Replace(std::vector<Association> rows);

  // "Add New": appends an empty row and selects it.
  void AddNew();
  // "Copy": appends a copy of the selected row and selects it; nothing
  // without a selection.
  void CopySelected();
  // "Delete": removes the selected row; the rows below move up and the
  // selection stays at the same position, or on the new last row.
  void DeleteSelected();
  // "Clear": removes every row.
  void Clear();

  // Orders the rows by extension without regard to letter case, keeping
  // rows of equal extension in their old order, and selects row 1.
  void Sort();

  // Typing in edtExt stores the text in upper case; typing in edtViewer
  // stores it as typed. Both act on the selected row only.
  void SetSelectedExtension(std::string_view text);
  void SetSelectedViewer(std::string_view text);

  EditBoxes CurrentEditBoxes() const;

 private:
  void SelectFirstOrNone() { selected_ = rows_.empty() ? 0 : 1; }
  Association* Selected();

  std::vector<Association> rows_;
  int selected_ = 0;
};

}  // namespace varnel::ui
