// The path dialog: a tree of the local folders, rooted at "/", from which
// the user picks the folder the local pane jumps to. Opened window-modal
// with open(); the caller reads PathAccepted() and ChosenPath() when it
// finishes.
#pragma once

#include <QDialog>
#include <QString>

class QAction;
class QFileSystemModel;
class QTreeView;

namespace varnel::ui {

class TfrmPath : public QDialog {
  Q_OBJECT

 public:
  // The tree starts at the user's home folder.
  explicit TfrmPath(QWidget* parent = nullptr);

  // The folder chosen with "Ok" ("/" or a path without a closing "/");
  // empty unless PathAccepted().
  const QString& ChosenPath() const { return chosen_path_; }
  // True when the dialog was closed by "Ok" on an existing local folder.
  bool PathAccepted() const { return path_accepted_; }

  // Selects `folder` in the tree and scrolls to it, showing hidden folders
  // when it lies in one; a folder that does not exist changes nothing.
  void SelectFolder(const QString& folder);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void btnOkClick();
  void SetHiddenShown(bool shown);

  QFileSystemModel* model_;
  QTreeView* stvPath;
  QAction* show_hidden_;
  QString chosen_path_;
  bool path_accepted_ = false;
};

}  // namespace varnel::ui
