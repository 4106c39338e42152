#include "ui/main/local_pane.h"

#include <QAction>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QToolButton>

#include <cerrno>
#include <cstring>

#include "listing/listing_paths.h"
#include "ui/assoc/file_associations.h"
#include "ui/assoc/viewer_lookup.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/path_dialog.h"
#include "ui/main/local_folder.h"
#include "ui/main/tool_buttons.h"
#include "ui/main/viewer_launch.h"
#include "ui/main/window_icons.h"

namespace varnel::ui {
namespace {

namespace text = local_pane_text;

QString Shown(const std::string& bytes) { return QFile::decodeName(bytes.c_str()); }

QString OpenFailureText(const std::string& path, int error) {
  return "Unable to open the file \"" + Shown(path) + "\". Error code: " + QString::number(error) +
         " (" + QString::fromLocal8Bit(std::strerror(error)) + ")";
}

}  // namespace

TLocalPane::TLocalPane(const TPaneArea& area, TFtpSession& session, FileAssociations& associations,
                       std::shared_ptr<TFilePictures> pictures, QWidget* window,
                       const TLocalViewItems& items)
    : QObject(area.Panel),
      area_(area),
      session_(session),
      associations_(associations),
      window_(window),
      model_(std::move(pictures), true, this),
      ShowHiddenFiles1(items.ShowHidden) {
  area_.List->SetModel(&model_);
  BuildButtons();
  BuildPopup();
  QMenu* view = popLocal_->findChild<QMenu*>("PopLocalView");
  view_controls_ =
      new TViewStyleControls(TPaneSide::Local, *area_.List, area_.Buttons, items.Styles, view);
  view->addSeparator();
  view->addAction(ShowHiddenFiles1);
  connect(ShowHiddenFiles1, &QAction::toggled, this, &TLocalPane::SetHiddenShown);
  connect(popLocal_, &QMenu::aboutToShow, view_controls_, &TViewStyleControls::PopupOpening);

  area_.List->ConnectSort(items.Sort, [this](int column) { lvwLocalColumnClick(column); });
  connect(area_.List, &TPaneViews::rowActivated, this, [this] { lvwLocalDblClick(false); });
  connect(area_.List, &TPaneViews::contextMenuRequested, popLocal_,
          [this](const QPoint& at) { popLocal_->popup(at); });
  // edtLocalDirKeyPress: Enter lists the typed folder.
  connect(area_.DirBox, &QLineEdit::returnPressed, this, &TLocalPane::ListLocalDir);

  PaneShortcut(area_.List, "actLocalUp", {QKeySequence(Qt::ALT | Qt::Key_Up), Qt::Key_Backspace},
               [this] { lvwLocalDblClick(true); });
  PaneShortcut(area_.List, "actLocalDelete", {QKeySequence::Delete},
               [this] { btnDeleteLocalClick(); });
  PaneShortcut(area_.List, "actLocalNewFolder", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
               [this] { btnMkDirLocalClick(); });
}

void TLocalPane::BuildButtons() {
  btnUpLocalDir = ToolButton(area_.Panel, "btnUpLocalDir", "Move Up To Parent Directory",
                             CommandIcon(TCommandIcon::UpFolder), false);
  btnGotoLocalDir = ToolButton(area_.Panel, "btnGotoLocalDir", "Select Directory",
                               CommandIcon(TCommandIcon::SelectFolder), false);
  btnRefreshLocal = ToolButton(area_.Panel, "btnRefreshLocal", "Refresh View",
                               CommandIcon(TCommandIcon::Refresh));
  btnDeleteLocal = ToolButton(area_.Panel, "btnDeleteLocal", "Delete File(s)",
                              CommandIcon(TCommandIcon::Delete));
  btnMkDirLocal = ToolButton(area_.Panel, "btnMkDirLocal", "Create New Folder",
                             CommandIcon(TCommandIcon::NewFolder));
  for (QToolButton* button :
       {btnUpLocalDir, btnGotoLocalDir, btnRefreshLocal, btnDeleteLocal, btnMkDirLocal}) {
    area_.Buttons->addWidget(button);
  }
  area_.Buttons->addSpacing(area_.Panel->fontMetrics().averageCharWidth());
  connect(btnUpLocalDir, &QToolButton::clicked, this, [this] { lvwLocalDblClick(true); });
  connect(btnGotoLocalDir, &QToolButton::clicked, this, &TLocalPane::btnGotoLocalDirClick);
  connect(btnRefreshLocal, &QToolButton::clicked, this, &TLocalPane::btnRefreshLocalClick);
  connect(btnDeleteLocal, &QToolButton::clicked, this, &TLocalPane::btnDeleteLocalClick);
  connect(btnMkDirLocal, &QToolButton::clicked, this, &TLocalPane::btnMkDirLocalClick);
}

// Open, View, Delete and New Folder are never disabled.
void TLocalPane::BuildPopup() {
  popLocal_ = new QMenu(area_.Panel);
  popLocal_->setObjectName("popLocal");
  QAction* open = popLocal_->addAction("Open");
  open->setObjectName("Open1");
  popLocal_->setDefaultAction(open);
  popLocal_->addMenu("View")->setObjectName("PopLocalView");
  popLocal_->addSeparator();
  QAction* remove = popLocal_->addAction("Delete");
  remove->setObjectName("Delete1");
  popLocal_->addSeparator();
  QAction* create = popLocal_->addAction("New Folder...");
  create->setObjectName("NewFolder1");
  connect(open, &QAction::triggered, this, [this] { lvwLocalDblClick(false); });
  connect(remove, &QAction::triggered, this, &TLocalPane::btnDeleteLocalClick);
  connect(create, &QAction::triggered, this, &TLocalPane::btnMkDirLocalClick);
}

std::string TLocalPane::LocalDir() const {
  return QFile::encodeName(area_.DirBox->text()).toStdString();
}

void TLocalPane::SetLocalDir(const std::string& folder) { area_.DirBox->setText(Shown(folder)); }

// A folder that does not exist lists as empty; one that cannot be read is
// reported and the pane stays on the folder it showed.
void TLocalPane::ListLocalDir() {
  std::string folder = LocalDir();
  if (folder.empty()) return;
  folder = listing::EnsureLocalTrailingSlash(folder);
  SetLocalDir(folder);
  TLocalFolderRead read = ReadLocalFolder(folder, show_hidden_, lookups_.Make());
  if (read.Error != 0 && read.Error != ENOENT) {
    emit messageReported(QString::fromStdString(UnreadableFolderText(folder, read.Error)),
                         TReportKind::Error);
    if (!listed_folder_.empty()) SetLocalDir(listed_folder_);
    return;
  }
  listed_folder_ = folder;
  model_.SetRows(std::move(read.Rows));
}

void TLocalPane::lvwLocalDblClick(bool up) {
  if (session_.ViewerRunning()) return;
  const int selected = area_.List->FirstSelectedRow();
  if (selected < 0 && !up) return;
  const std::string folder = LocalDir();
  if (!up && !listing::IsFolderRow(model_.Row(selected))) {
    if (auto path = listing::JoinLocalPath(folder, listing::RowName(model_.Row(selected)))) {
      OpenLocalFile(*path);
    }
    return;
  }
  const std::string name = up ? ".." : listing::RowName(model_.Row(selected));
  if (name == ".") return;
  std::string target = name == ".." ? listing::LocalParentFolder(folder)
                                    : listing::EnsureLocalTrailingSlash(folder) + name;
  if (target.find_first_not_of(' ') == std::string::npos) target = folder;
  SetLocalDir(target);
  ListLocalDir();
}

void TLocalPane::btnGotoLocalDirClick() {
  if (session_.ViewerRunning() || !frmPath_) return;
  frmPath_->SelectFolder(Shown(LocalDir()));
  disconnect(frmPath_, &QDialog::finished, this, nullptr);
  connect(frmPath_, &QDialog::finished, this, [this] {
    if (!frmPath_->PathAccepted()) return;
    area_.DirBox->setText(frmPath_->ChosenPath());
    ListLocalDir();
  });
  frmPath_->open();
}

void TLocalPane::btnRefreshLocalClick() {
  if (session_.ViewerRunning()) return;
  ListLocalDir();
}

// The rows are ordered where they are; F6 reads the folder again.
void TLocalPane::lvwLocalColumnClick(int column) {
  if (session_.ViewerRunning()) return;
  model_.ClickColumn(column);
}

// Folders are never deleted. The files go to the trash; where the folder
// has none the question says that they go for good. The list is the
// pane's own, so a transfer queue that runs meanwhile is not touched.
void TLocalPane::btnDeleteLocalClick() {
  if (session_.ViewerRunning()) return;
  const std::string folder = LocalDir();
  std::vector<std::string> paths;
  for (const int row : area_.List->SelectedRows()) {
    if (listing::IsFolderRow(model_.Row(row))) continue;
    if (auto path = listing::JoinLocalPath(folder, listing::RowName(model_.Row(row)))) {
      paths.push_back(std::move(*path));
    }
  }
  if (paths.empty()) return;
  const bool to_trash = TrashAvailable(folder);
  QString question = text::kDeleteQuestion;
  if (!to_trash) question += QString("\n\n") + text::kNoTrash;
  AskYesNo(window_, TBoxKind::Confirmation, question, [this, paths, to_trash](bool yes) {
    if (yes) DeleteFiles(paths, to_trash);
  });
}

void TLocalPane::DeleteFiles(const std::vector<std::string>& paths, bool to_trash) {
  for (const std::string& path : paths) {
    if (!DeleteLocalFile(path, to_trash)) {
      emit messageReported("Unable to delete the file \"" + Shown(path) + "\"", TReportKind::Error);
    }
  }
  ListLocalDir();
}

void TLocalPane::btnMkDirLocalClick() {
  if (session_.ViewerRunning()) return;
  AskText(window_, text::kCreateTitle, text::kCreatePrompt, text::kCreateProposal,
          [this](const QString& name) {
            if (!MakeLocalFolder(LocalDir(), QFile::encodeName(name).toStdString())) {
              emit messageReported("Unable to create directory \"" + name + "\"",
                                   TReportKind::Error);
            }
            ListLocalDir();
          });
}

// The viewer runs on its own: the window does not wait for it.
void TLocalPane::OpenLocalFile(const std::string& path) {
  const TViewerLaunch viewer = LookUpViewer(associations_, path);
  if (!viewer.Found) {
    ShowMessageBox(window_, TBoxKind::Warning, QString::fromStdString(MissingViewerMessage(path)));
    return;
  }
  if (viewer.Error != 0) {
    emit messageReported(OpenFailureText(path, viewer.Error), TReportKind::Error);
    return;
  }
  QStringList arguments;
  for (std::size_t i = 1; i < viewer.Words.size(); ++i) arguments << Shown(viewer.Words[i]);
  errno = 0;
  if (!QProcess::startDetached(Shown(viewer.Words.front()), arguments)) {
    emit messageReported(OpenFailureText(path, errno != 0 ? errno : ECHILD), TReportKind::Error);
  }
}

void TLocalPane::SetHiddenShown(bool shown) {
  if (shown == show_hidden_) return;
  show_hidden_ = shown;
  ShowHiddenFiles1->setChecked(shown);
  ListLocalDir();
}

std::vector<std::string> TLocalPane::SelectedPaths() const {
  const std::string folder = LocalDir();
  std::vector<std::string> paths;
  for (const int row : area_.List->SelectedRows()) {
    if (auto path = listing::JoinLocalPath(folder, listing::RowName(model_.Row(row)))) {
      paths.push_back(std::move(*path));
    }
  }
  return paths;
}

}  // namespace varnel::ui
