#include "ui/dialogs/path_dialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/dialogs/designed_size.h"

namespace varnel::ui {
namespace {

constexpr int kIndentation = 19;

// Folders only; hidden ones only on request, as file managers do.
QDir::Filters FolderFilter(bool hidden) {
  QDir::Filters filter = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives;
  if (hidden) filter |= QDir::Hidden;
  return filter;
}

bool LiesInHiddenFolder(const QString& path) {
  const QStringList parts = QDir::cleanPath(path).split('/', Qt::SkipEmptyParts);
  return std::any_of(parts.begin(), parts.end(), [](const QString& part) { return part.startsWith('.'); });
}

bool IsAcceptableFolder(const QString& path) {
  QFileInfo info(path);
  return !path.isEmpty() && info.isAbsolute() && info.isDir();
}

}  // namespace

TfrmPath::TfrmPath(QWidget* parent)
    : QDialog(parent),
      model_(new QFileSystemModel(this)),
      stvPath(new QTreeView(this)),
      show_hidden_(new QAction("Show Hidden Folders", this)) {
  setObjectName("TfrmPath");
  setWindowTitle("Select Directory");

  // Folders are read as they unfold and not watched afterwards.
  model_->setOption(QFileSystemModel::DontWatchForChanges);
  model_->setReadOnly(true);
  model_->setFilter(FolderFilter(false));
  model_->setRootPath("/");

  stvPath->setObjectName("stvPath");
  stvPath->setModel(model_);
  stvPath->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column) stvPath->hideColumn(column);
  stvPath->setIndentation(kIndentation);
  stvPath->setRootIsDecorated(false);
  stvPath->setSelectionMode(QAbstractItemView::SingleSelection);
  stvPath->setExpanded(model_->index("/"), true);

  show_hidden_->setObjectName("actShowHidden");
  show_hidden_->setCheckable(true);
  show_hidden_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  show_hidden_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(show_hidden_, &QAction::toggled, this, &TfrmPath::SetHiddenShown);
  addAction(show_hidden_);
  // The menu pops up without a nested event loop.
  auto* menu = new QMenu(this);
  menu->addAction(show_hidden_);
  stvPath->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(stvPath, &QWidget::customContextMenuRequested, menu,
          [this, menu](const QPoint& at) { menu->popup(stvPath->viewport()->mapToGlobal(at)); });

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* btnOk = buttons->addButton("Ok", QDialogButtonBox::AcceptRole);
  QPushButton* btnCancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  btnOk->setObjectName("btnOk");
  btnCancel->setObjectName("btnCancel");
  btnOk->setDefault(true);
  // Ok closes only on an acceptable folder, so it is not the box's accept.
  connect(btnOk, &QPushButton::clicked, this, &TfrmPath::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(stvPath, 1);
  layout->addWidget(buttons);
  resize(ScaledToFont(*this, {260, 340}));

  SelectFolder(QDir::homePath());
}

void TfrmPath::SelectFolder(const QString& folder) {
  if (!QFileInfo(folder).isDir()) return;
  if (LiesInHiddenFolder(folder)) show_hidden_->setChecked(true);
  const QModelIndex index = model_->index(folder);
  if (!index.isValid()) return;
  stvPath->setCurrentIndex(index);
  stvPath->scrollTo(index);
}

void TfrmPath::SetHiddenShown(bool shown) {
  model_->setFilter(FolderFilter(shown));
  if (stvPath->currentIndex().isValid()) stvPath->scrollTo(stvPath->currentIndex());
}

// Each opening, not a restore from minimized, forgets the last result.
void TfrmPath::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  chosen_path_.clear();
  path_accepted_ = false;
  stvPath->setFocus();
}

// A selection that is not an existing local folder keeps the dialog open,
// without a message, as one that names no folder at all does.
void TfrmPath::btnOkClick() {
  QModelIndexList selected = stvPath->selectionModel()->selectedRows();
  QString path = selected.isEmpty() ? QString() : model_->filePath(selected.first());
  if (!IsAcceptableFolder(path)) return;
  chosen_path_ = path;
  path_accepted_ = true;
  accept();
}

}  // namespace varnel::ui
