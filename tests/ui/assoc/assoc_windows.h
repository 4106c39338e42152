// The File Association Manager and its drive scan under test, as the
// program creates them (below one main window), on an association
// file in a temporary folder; the scan walks only folders the test made.
#pragma once

#include <QAbstractItemModel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QWidget>

#include <string>
#include <vector>

#include "assoc_test_util.h"
#include "ui/assoc/drive_scan_dialog.h"
#include "ui/assoc/file_assoc_dialog.h"
#include "ui/assoc/file_associations.h"

namespace varnel::ui::assoc_test {

struct AssocWindows {
  TempFolder folder;
  std::string path = folder / "varnel-client.EXT";
  FileAssociations associations{path};
  // Declared after the table it shows, so that it goes first.
  QWidget main;
  TFileAssoc* dialog = new TFileAssoc(associations, &main);
  TScanDrive* scan = new TScanDrive(dialog);

  explicit AssocWindows(std::vector<std::string> scan_roots = {}) {
    dialog->SetScanDrive(scan);
    scan->SetScanRoots(std::move(scan_roots));
  }

  // The file, read at program start, and the manager opened from the menu.
  void Open(const std::string& file_bytes) {
    folder.Write("varnel-client.EXT", file_bytes);
    OpenWithoutFile();
  }
  void OpenWithoutFile() {
    associations.Load();
    dialog->open();
    static_cast<void>(QTest::qWaitForWindowExposed(dialog));
  }

  std::string FileBytes() const { return ReadFile(path); }

  template <typename T>
  T* Control(const char* name) const {
    return dialog->findChild<T*>(name);
  }
  void Click(const char* button) const { Control<QPushButton>(button)->click(); }
  QTableView* Grid() const { return Control<QTableView>("sgAssocs"); }

  // The grid as the user sees it: "number|extension|viewer" per row.
  QStringList GridRows() const {
    QStringList rows;
    const QAbstractItemModel* model = Grid()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      QStringList cells;
      for (int column = 0; column < model->columnCount(); ++column) {
        cells << model->index(row, column).data().toString();
      }
      rows << cells.join('|');
    }
    return rows;
  }
  // Clicks the row `row` (1 ... N) of the grid.
  void ClickRow(int row) const {
    const QModelIndex cell = Grid()->model()->index(row - 1, 1);
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, Grid()->visualRect(cell).center());
  }
};

}  // namespace varnel::ui::assoc_test
