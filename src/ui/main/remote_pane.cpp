#include "ui/main/remote_pane.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include <chrono>

#include "listing/listing_parser.h"
#include "listing/listing_paths.h"
#include "ui/dialogs/message_box.h"
#include "ui/main/tool_buttons.h"
#include "ui/main/window_icons.h"

namespace varnel::ui {
namespace {

QString Shown(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

QString UnsafeNameText(const std::string& name) {
  return "\"" + Shown(name) +
         "\" cannot be downloaded or viewed: its name is not allowed for a local file";
}

TRemotePane::TRemotePane(const TPaneArea& area, TFtpSession& session,
                         std::shared_ptr<TFilePictures> pictures, QWidget* window,
                         const std::array<QAction*, kViewStyles>& menu_items,
                         const std::array<QAction*, 4>& sort_items)
    : QObject(area.Panel),
      area_(area),
      session_(session),
      window_(window),
      model_(std::move(pictures), false, this) {
  area_.List->SetModel(&model_);
  BuildButtons();
  popRemote_ = new QMenu(area_.Panel);
  popRemote_->setObjectName("popRemote");
  Open2 = popRemote_->addAction("Open");
  Open2->setObjectName("Open2");
  popRemote_->setDefaultAction(Open2);
  View2 = popRemote_->addMenu("View");
  View2->setObjectName("PopRemoteView");
  view_controls_ =
      new TViewStyleControls(TPaneSide::Remote, *area_.List, area_.Buttons, menu_items, View2);
  connect(Open2, &QAction::triggered, this, [this] { lvwFileListDblClick(false); });
  connect(popRemote_, &QMenu::aboutToShow, this, &TRemotePane::popRemotePopup);
  connect(area_.List, &TPaneViews::contextMenuRequested, popRemote_,
          [this](const QPoint& at) { popRemote_->popup(at); });

  area_.List->ConnectSort(sort_items, [this](int column) { lvwFileListColumnClick(column); });
  connect(area_.List, &TPaneViews::rowActivated, this, [this] { lvwFileListDblClick(false); });
  PaneShortcut(area_.List, "actRemoteUp", {QKeySequence(Qt::ALT | Qt::Key_Up), Qt::Key_Backspace},
               [this] { lvwFileListDblClick(true); });

  // edtCurDirKeyPress: Enter changes to the typed directory.
  connect(area_.DirBox, &QLineEdit::returnPressed, &session_, &TFtpSession::CwdAsyncButtonClick);
  connect(&session_, &TFtpSession::remoteListingReady, this,
          [this] { ParseRemoteListing(session_.ListingPath()); });
  connect(&session_, &TFtpSession::remotePaneCleared, &model_, &TPaneModel::Clear);
  connect(&session_, &TFtpSession::linkIsNoFolder, this, [this] { OpenFile(pending_link_); });
}

void TRemotePane::BuildButtons() {
  btnUpRemoteDir = ToolButton(area_.Panel, "btnUpRemoteDir", "Move Up To Parent Directory",
                              CommandIcon(TCommandIcon::UpFolder), false);
  btnRefreshRemote = ToolButton(area_.Panel, "btnRefreshRemote", "Refresh View",
                                CommandIcon(TCommandIcon::Refresh));
  area_.Buttons->addWidget(btnUpRemoteDir);
  area_.Buttons->addWidget(btnRefreshRemote);
  area_.Buttons->addSpacing(area_.Panel->fontMetrics().averageCharWidth());
  connect(btnUpRemoteDir, &QToolButton::clicked, this, [this] { lvwFileListDblClick(true); });
  connect(btnRefreshRemote, &QToolButton::clicked, this, &TRemotePane::btnRefreshRemoteClick);
}

void TRemotePane::ParseRemoteListing(const std::string& path) {
  std::vector<listing::ListingRow> rows;
  try {
    rows = listing::ParseRemoteRowsFile(
        path, std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()),
        lookups_.Make());
  } catch (const listing::ListingFileError& error) {
    emit messageReported(QString::fromStdString(error.what()), TReportKind::Error);
    return;
  }
  model_.SetRows(std::move(rows));
}

// The pane holds every row of the listing, so a new order needs neither the
// server nor the listing file again.
void TRemotePane::lvwFileListColumnClick(int column) { model_.ClickColumn(column); }

// Commands meet an idle session only: while a request runs the engine
// could take no CWD.
void TRemotePane::lvwFileListDblClick(bool up) {
  if (session_.ViewerRunning()) return;
  const int selected = area_.List->FirstSelectedRow();
  if (selected < 0 && !up) return;
  if (!session_.ConnectedAndIdle()) return;
  if (up) return EnterFolder("..");
  const listing::ListingRow& row = model_.Row(selected);
  if (listing::IsFolderRow(row)) return EnterFolder(listing::RowName(row));
  if (!row.Link) return OpenFile(row);
  // A link to a folder is the common case: it is tried as one first.
  pending_link_ = row;
  session_.EnterLinkAsync(listing::EnsureTrailingSlash(session_.CurDir()) + row.Name);
}

void TRemotePane::EnterFolder(const std::string& name) {
  if (name == ".") return;
  const std::string current = session_.CurDir();
  std::string folder = name == ".." ? listing::RemoteParentFolder(current)
                                    : listing::EnsureTrailingSlash(current) + name;
  if (folder.find_first_not_of(' ') == std::string::npos) folder = current;
  session_.SetCurDir(folder);
  ShowCurDir(folder);
  session_.CwdAsyncButtonClick();
}

void TRemotePane::OpenFile(const listing::ListingRow& row) {
  if (row.UnsafeLocalName) {
    ShowMessageBox(window_, TBoxKind::Warning, UnsafeNameText(row.Name));
    return;
  }
  emit remoteFileOpened(QByteArray::fromStdString(row.Name));
}

void TRemotePane::ShowCurDir(const std::string& text) { area_.DirBox->setText(Shown(text)); }

// Only when the button is enabled, so F7 does nothing while disconnected
// or busy.
void TRemotePane::btnRefreshRemoteClick() {
  if (session_.ViewerRunning() || !btnRefreshRemote->isEnabled()) return;
  session_.LsAsyncButtonClick();
}

void TRemotePane::popRemotePopup() {
  view_controls_->PopupOpening();
  const bool connected = session_.ConnectionState().Connected;
  Open2->setEnabled(connected);
  View2->menuAction()->setEnabled(connected);
}

std::vector<TRemoteSelection> TRemotePane::SelectedRows() const {
  std::vector<TRemoteSelection> selected;
  for (const int index : area_.List->SelectedRows()) {
    const listing::ListingRow& row = model_.Row(index);
    selected.push_back({listing::RowName(row), listing::IsFolderRow(row), row.UnsafeLocalName});
  }
  return selected;
}

}  // namespace varnel::ui
