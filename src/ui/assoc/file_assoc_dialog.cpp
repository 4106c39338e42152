#include "ui/assoc/file_assoc_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/assoc/assoc_dialog_text.h"
#include "ui/assoc/assoc_grid_model.h"
#include "ui/assoc/drive_scan_dialog.h"
#include "ui/assoc/file_associations.h"
#include "ui/assoc/viewer_command.h"
#include "ui/assoc/viewer_scan.h"
#include "ui/dialogs/designed_size.h"
#include "ui/dialogs/message_box.h"

namespace varnel::ui {
namespace {

namespace text = file_assoc_text;

const QSize kDesignedSize{470, 360};
// Grid column widths and row height for the classic dialog font.
constexpr int kNumberWidth = 23;
constexpr int kExtensionWidth = 47;
constexpr int kRowHeight = 16;
constexpr const char* kProgramsFilter = "Programs (*)";
constexpr const char* kAllFilesFilter = "All Files (*)";
constexpr const char* kProgramFolder = "/usr/bin";

QString Shown(const std::string& bytes) { return QString::fromUtf8(bytes); }
std::string Bytes(const QString& text) { return text.toUtf8().toStdString(); }

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// Under "Programs" the file dialog lists folders and the files the user
// may run; under "All Files" everything.
class TProgramFilter : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  void SetProgramsOnly(bool on) {
    programs_only_ = on;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (!programs_only_ || !files) return true;
    const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
    return info.isDir() || info.isExecutable();
  }

 private:
  bool programs_only_ = true;
};

// The folder and file the dialog starts at: the program the entry names,
// else the usual program folder.
QString BrowseStart(const std::string& entry) {
  std::optional<ViewerCommand> command = ParseViewerCommand(entry);
  if (!command) return kProgramFolder;
  std::optional<std::string> program = ResolveViewerProgram(*command);
  if (!program || program->empty() || program->front() != '/') return kProgramFolder;
  return Shown(*program);
}

}  // namespace

TFileAssoc::TFileAssoc(FileAssociations& associations, QWidget* parent)
    : QDialog(parent),
      associations_(associations),
      grid_(new TAssocGridModel(associations.Table(), this)),
      sgAssocs(new QTableView(this)),
      edtExt(new QLineEdit(this)),
      edtViewer(new QLineEdit(this)),
      btnBrowse(new QToolButton(this)),
      btnAddExt(Button(this, "btnAddExt", text::kAddNewButton)),
      btnCopyExt(Button(this, "btnCopyExt", text::kCopyButton)),
      btnDelExt(Button(this, "btnDelExt", text::kDeleteButton)),
      btnScan(Button(this, "btnScan", text::kScanButton)),
      btnClear(Button(this, "btnClear", text::kClearButton)),
      btnOk(Button(this, "btnOk", text::kOkButton)),
      btnCancel(Button(this, "btnCancel", text::kCancelButton)),
      chkWordpad(new QCheckBox(text::kWordpadCheck, this)) {
  setObjectName("TFileAssoc");
  setWindowTitle(text::kCaption);
  BuildLayout();

  connect(sgAssocs->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { sgAssocsSelectCell(current.row()); });
  // textEdited comes from the user only, never from filling the boxes.
  connect(edtExt, &QLineEdit::textEdited, this, &TFileAssoc::edtExtKeyUp);
  connect(edtViewer, &QLineEdit::textEdited, this, &TFileAssoc::edtViewerKeyUp);
  edtViewer->installEventFilter(this);
  connect(btnBrowse, &QToolButton::clicked, this, &TFileAssoc::btnBrowseClick);
  connect(btnAddExt, &QPushButton::clicked, this, &TFileAssoc::btnAddExtClick);
  connect(btnCopyExt, &QPushButton::clicked, this, &TFileAssoc::btnCopyExtClick);
  connect(btnDelExt, &QPushButton::clicked, this, &TFileAssoc::btnDelExtClick);
  connect(btnClear, &QPushButton::clicked, this, &TFileAssoc::btnClearClick);
  connect(btnScan, &QPushButton::clicked, this, &TFileAssoc::btnScanClick);
  connect(btnOk, &QPushButton::clicked, this, &TFileAssoc::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &TFileAssoc::btnCancelClick);

  ShowTable();
}

// Made at the first Browse: the dialog's file model starts reading its
// folder as soon as it exists, which would cost every start of the program.
// Qt's own dialog, as only it takes the filter for programs.
QFileDialog& TFileAssoc::OpenDialog() {
  if (OpenDialog1 != nullptr) return *OpenDialog1;
  OpenDialog1 = new QFileDialog(this, text::kOpenDialogTitle);
  OpenDialog1->setObjectName("OpenDialog1");
  OpenDialog1->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  OpenDialog1->setWindowModality(Qt::WindowModal);
  auto* filter = new TProgramFilter(OpenDialog1);
  OpenDialog1->setProxyModel(filter);
  OpenDialog1->setNameFilters({kProgramsFilter, kAllFilesFilter});
  connect(OpenDialog1, &QFileDialog::filterSelected, filter,
          [filter](const QString& chosen) { filter->SetProgramsOnly(chosen == kProgramsFilter); });
  connect(OpenDialog1, &QFileDialog::fileSelected, this, &TFileAssoc::OpenDialog1FileSelected);
  return *OpenDialog1;
}

TFileAssoc::~TFileAssoc() = default;

void TFileAssoc::BuildLayout() {
  const QSize cell = ScaledToFont(*this, {kNumberWidth, kRowHeight});
  sgAssocs->setObjectName("sgAssocs");
  sgAssocs->setModel(grid_);
  sgAssocs->setSelectionBehavior(QAbstractItemView::SelectRows);
  sgAssocs->setSelectionMode(QAbstractItemView::SingleSelection);
  sgAssocs->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgAssocs->setTabKeyNavigation(false);
  sgAssocs->verticalHeader()->hide();
  sgAssocs->verticalHeader()->setDefaultSectionSize(cell.height());
  sgAssocs->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  sgAssocs->horizontalHeader()->setStretchLastSection(true);
  sgAssocs->setColumnWidth(TAssocGridModel::kNumberColumn, cell.width());
  sgAssocs->setColumnWidth(TAssocGridModel::kExtensionColumn,
                           ScaledToFont(*this, {kExtensionWidth, 0}).width());

  edtExt->setObjectName("edtExt");
  edtViewer->setObjectName("edtViewer");
  btnBrowse->setObjectName("btnBrowse");
  btnBrowse->setToolTip(text::kBrowseHint);
  btnBrowse->setIcon(
      QIcon::fromTheme("document-open", style()->standardIcon(QStyle::SP_DirOpenIcon)));
  chkWordpad->setObjectName("chkWordpad");

  auto* commands = new QVBoxLayout;
  for (QPushButton* button : {btnAddExt, btnCopyExt, btnDelExt, btnClear, btnScan}) {
    commands->addWidget(button);
  }
  commands->addStretch(1);

  auto* boxes = new QGridLayout;
  auto* ext_label = new QLabel(text::kExtensionLabel, this);
  ext_label->setBuddy(edtExt);
  auto* viewer_label = new QLabel(text::kViewerLabel, this);
  viewer_label->setBuddy(edtViewer);
  boxes->addWidget(ext_label, 0, 0);
  boxes->addWidget(edtExt, 0, 1);
  boxes->addWidget(viewer_label, 1, 0);
  boxes->addWidget(edtViewer, 1, 1);
  boxes->addWidget(btnBrowse, 1, 2);
  boxes->setColumnStretch(1, 1);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(btnOk, QDialogButtonBox::AcceptRole);
  buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
  btnOk->setDefault(true);

  auto* top = new QHBoxLayout;
  top->addWidget(sgAssocs, 1);
  top->addLayout(commands);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(boxes);
  layout->addWidget(chkWordpad);
  layout->addWidget(buttons);
  resize(ScaledToFont(*this, kDesignedSize));
}

// Each opening, not a restore from minimized: the file is read again and
// sorted. The boxes about it open once the window is on the screen.
void TFileAssoc::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  FormShow();
}

void TFileAssoc::FormShow() {
  chkWordpad->setChecked(associations_.Limit50k());
  const std::string error = associations_.Load();
  associations_.Table().Sort();
  ShowTable();
  sgAssocs->setFocus();
  QMetaObject::invokeMethod(
      this, [this, error] { Report(error, [this] { AskForScan(); }); }, Qt::QueuedConnection);
}

void TFileAssoc::AskForScan() {
  if (!associations_.NoAssociations()) return;
  AskYesNo(this, TBoxKind::Warning, text::kNoAssociationsQuestion, [this](bool yes) {
    if (yes) RunScan();
  });
}

// A click or arrow key in the grid; an emptied selection keeps the row.
void TFileAssoc::sgAssocsSelectCell(int grid_row) {
  if (grid_row < 0) return;
  associations_.Table().Select(TAssocGridModel::TableRow(grid_row));
  RefreshEditBoxes();
}

void TFileAssoc::ShowTable() {
  grid_->TableReset();
  const int row = associations_.Table().SelectedRow();
  if (row > 0) {
    const QModelIndex cell =
        grid_->index(TAssocGridModel::GridRow(row), TAssocGridModel::kExtensionColumn);
    sgAssocs->setCurrentIndex(cell);
    sgAssocs->scrollTo(cell);
  }
  RefreshEditBoxes();
}

void TFileAssoc::RefreshEditBoxes() {
  SetViewerLocked(true);
  const EditBoxes boxes = associations_.Table().CurrentEditBoxes();
  edtExt->setText(Shown(boxes.extension));
  edtViewer->setText(Shown(boxes.viewer));
  for (QWidget* control :
       std::initializer_list<QWidget*>{edtExt, edtViewer, btnBrowse, btnDelExt, btnCopyExt}) {
    control->setEnabled(boxes.enabled);
  }
}

// A locked viewer box takes the window's colour, so it does not look like
// a place to type; the desktop's palette gives both colours.
void TFileAssoc::SetViewerLocked(bool locked) {
  edtViewer->setReadOnly(locked);
  QPalette colours;
  if (locked) colours.setColor(QPalette::Base, palette().color(QPalette::Window));
  edtViewer->setPalette(colours);
}

void TFileAssoc::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && edtViewer->isReadOnly()) SetViewerLocked(true);
}

// The right mouse button unlocks the viewer box; its own menu still opens.
bool TFileAssoc::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtViewer && edtViewer->isEnabled()) {
    const bool right_release = event->type() == QEvent::MouseButtonRelease &&
                               static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    if (right_release || event->type() == QEvent::ContextMenu) SetViewerLocked(false);
  }
  return QDialog::eventFilter(watched, event);
}

void TFileAssoc::edtExtKeyUp(const QString& text) {
  AssociationTable& table = associations_.Table();
  table.SetSelectedExtension(Bytes(text));
  grid_->RowChanged(table.SelectedRow());
}

void TFileAssoc::edtViewerKeyUp(const QString& text) {
  if (edtViewer->isReadOnly()) return;
  AssociationTable& table = associations_.Table();
  table.SetSelectedViewer(Bytes(text));
  grid_->RowChanged(table.SelectedRow());
}

void TFileAssoc::btnBrowseClick() {
  const QFileInfo start(BrowseStart(associations_.Table().CurrentEditBoxes().viewer));
  QFileDialog& dialog = OpenDialog();
  if (start.isDir()) {
    dialog.setDirectory(start.absoluteFilePath());
  } else {
    dialog.setDirectory(start.absolutePath());
    dialog.selectFile(start.fileName());
  }
  dialog.open();
}

// The chosen program becomes the row's viewer entry: quoted where needed,
// with the option that makes it wait for its window to close.
void TFileAssoc::OpenDialog1FileSelected(const QString& file) {
  AssociationTable& table = associations_.Table();
  if (table.SelectedRow() == 0) return;
  table.SetSelectedViewer(ViewerEntryFor(Bytes(file)));
  grid_->RowChanged(table.SelectedRow());
  edtViewer->setText(Shown(table.CurrentEditBoxes().viewer));
}

void TFileAssoc::btnAddExtClick() {
  associations_.Table().AddNew();
  ShowTable();
  edtExt->setFocus();
}

void TFileAssoc::btnCopyExtClick() {
  associations_.Table().CopySelected();
  ShowTable();
}

void TFileAssoc::btnDelExtClick() {
  associations_.Table().DeleteSelected();
  ShowTable();
}

void TFileAssoc::btnClearClick() {
  AskYesNo(this, TBoxKind::Warning, text::kClearQuestion, [this](bool yes) {
    if (!yes) return;
    associations_.Table().Clear();
    ShowTable();
  });
}

void TFileAssoc::btnScanClick() {
  AskYesNo(this, TBoxKind::Warning, text::kScanQuestion, [this](bool yes) {
    if (yes) RunScan();
  });
}

void TFileAssoc::RunScan() {
  if (!ScanDrive) return;
  disconnect(ScanDrive, &QDialog::finished, this, nullptr);
  connect(ScanDrive, &QDialog::finished, this, &TFileAssoc::ScanFinished);
  ScanDrive->open();
}

// Accepted results replace the whole table and are written at once, so
// they stay even when this window is then cancelled.
void TFileAssoc::ScanFinished() {
  if (!ScanDrive->Accepted()) return;
  const std::string error = associations_.ApplyScanResults(ScanDrive->Results());
  ShowTable();
  Report(error);
}

// A table that cannot be written keeps the window open, edits and all.
void TFileAssoc::btnOkClick() {
  associations_.SetLimit50k(chkWordpad->isChecked());
  std::string report;
  if (!associations_.Save(report)) {
    Report(report);
    return;
  }
  Report(report, [this] { accept(); });
}

void TFileAssoc::btnCancelClick() {
  const std::string error = associations_.Load();
  ShowTable();
  Report(error, [this] { reject(); });
}

void TFileAssoc::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    btnCancelClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TFileAssoc::Report(const std::string& error, std::function<void()> then) {
  if (error.empty()) {
    if (then) then();
    return;
  }
  ShowMessageBox(this, TBoxKind::Error, Shown(error), std::move(then));
}

}  // namespace varnel::ui
