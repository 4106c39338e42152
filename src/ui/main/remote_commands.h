// The remote folder commands of the window: create a folder, delete a
// folder, rename a file (btnMakeDir, btnDelDir, btnRename, their pop-up
// items, F2 and Ctrl+Shift+N in the remote pane), with their questions and
// input boxes. The session sends them.
#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <vector>

class QAction;
class QToolButton;
class QWidget;

namespace varnel::ui {

class TFtpSession;
class TRemotePane;
struct TRemoteSelection;

namespace remote_text {
inline constexpr const char* kNoDirectorySelected = "No directory selected";
inline constexpr const char* kNoFileSelected = "No file selected";
inline constexpr const char* kUnableToRenameDirectories = "Unable to rename directories";
inline constexpr const char* kRenameTitle = "Rename Remote";
inline constexpr const char* kNoName = "A name cannot be empty or only blanks";
}  // namespace remote_text

// 'Are you sure that you want to delete the directory "<name>"?'
QString DeleteDirectoryQuestion(const QString& name);
// 'Please enter a new name for the file "<name>"'
QString RenamePrompt(const QString& name);

// The folder btnDelDir deletes: the last selected folder row, empty when
// none (or when it is "." or "..").
std::string FolderToDelete(const std::vector<TRemoteSelection>& rows);

// True for a name of nothing but blanks, or none at all.
bool IsBlankName(const std::string& name);

class TRemoteFileCommands : public QObject {
  Q_OBJECT

 public:
  TRemoteFileCommands(TFtpSession& session, TRemotePane& remote, QWidget* window);

  QToolButton* btnMakeDir() const { return btnMakeDir_; }
  QToolButton* btnDelDir() const { return btnDelDir_; }
  QToolButton* btnRename() const { return btnRename_; }

  void btnMakeDirClick();
  void btnDelDirClick();
  void btnRenameClick();

 private:
  void BuildPopup();
  bool Ready() const;

  TFtpSession& session_;
  TRemotePane& remote_;
  QWidget* window_;
  QToolButton* btnMakeDir_ = nullptr;
  QToolButton* btnDelDir_ = nullptr;
  QToolButton* btnRename_ = nullptr;
  std::vector<QAction*> popup_items_;
};

}  // namespace varnel::ui
