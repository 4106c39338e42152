// The main window's creation, first show, close and destruction.
#include "ui/main/ftp_receive_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "runtime/program_files.h"
#include "socket/startup_info.h"
#include "ui/main/cache_paths.h"
#include "ui/main/file_pictures.h"
#include "ui/main/ftp_log.h"
#include "ui/main/local_pane.h"
#include "ui/main/transfer_queue.h"

namespace varnel::ui {
namespace {

constexpr const char* kCaption = "Varnel Client";
constexpr int kMinimumWidth = 640;
constexpr int kMinimumHeight = 480;
// Lines of the FTP log's font the log gets when the window opens.
constexpr int kLogLines = 8;

}  // namespace

TFtpReceiveForm::TFtpReceiveForm(runtime::ProgramFilePaths paths, FileAssociations& associations,
                                 QWidget* parent)
    : QMainWindow(parent),
      paths_(std::move(paths)),
      associations_(associations),
      session_(new TFtpSession(paths_.listing, this)) {
  FormCreate();
}

TFtpReceiveForm::~TFtpReceiveForm() {
  if (wait_cursor_) QApplication::restoreOverrideCursor();
  FormDestroy();
}

void TFtpReceiveForm::SetWindows(const TSecondaryWindows& windows) {
  windows_ = windows;
  local_files_->SetPathDialog(windows.frmPath);
  ConnectWindows();
}

void TFtpReceiveForm::FormCreate() {
  setObjectName("FtpReceiveForm");
  UseDesktopIconTheme();
  BuildLayout();
  BuildPanes();
  // The settings' "LastLocalDir" replaces it at the first show.
  local_.DirBox->setText("/");
  ResetProgress(status_);
  setWindowTitle(kCaption);
  DisplayMemo->clear();
  CacheDir_ = paths_.cache_folder;
  runtime::MakeFolders(CacheDir_, 0700);
  BuildTransfers();
  ConnectSession();
  ConnectConnectionBar();
  ConnectMenus();
}

void TFtpReceiveForm::BuildLayout() {
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  auto* central = new QWidget(this);
  bar_ = BuildConnectionBar(central);
  Splitter1 = new QSplitter(Qt::Vertical, central);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setChildrenCollapsible(false);
  Splitter2 = new QSplitter(Qt::Horizontal, Splitter1);
  Splitter2->setObjectName("Splitter2");
  Splitter2->setChildrenCollapsible(false);
  remote_ = BuildPaneArea(Splitter2, {"Panel1", "edtCurDir", "lvwFileList", "Remote directory"});
  local_ = BuildPaneArea(Splitter2, {"Panel4", "edtLocalDir", "lvwLocal", "Local folder"});
  Splitter2->addWidget(remote_.Panel);
  Splitter2->addWidget(local_.Panel);
  DisplayMemo = BuildDisplayMemo(Splitter1);
  Splitter1->addWidget(Splitter2);
  Splitter1->addWidget(DisplayMemo);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);

  auto* column = new QVBoxLayout(central);
  column->addWidget(bar_.Panel3);
  column->addWidget(Splitter1, 1);
  setCentralWidget(central);
  status_ = BuildStatusPanel(statusBar());
  menu_ = BuildMainMenu(menuBar());

  SaveDialog1 = new QFileDialog(this);
  SaveDialog1->setObjectName("SaveDialog1");
  SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
  SaveDialog1->setFileMode(QFileDialog::AnyFile);
  SaveDialog1->setNameFilters({"Log Files (*.log *.LOG)", "All Files (*)"});
  SaveDialog1->setWindowModality(Qt::WindowModal);
}

void TFtpReceiveForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TFtpReceiveForm::FormShow() {
  FillConnections();
  if (!SettingsLoaded) {
    SettingsLoaded = true;
    LoadSettings();
    const socket::TWSAData startup = socket::WinsockStartupInfo();
    AddFtpLogLine(QString("Winsock version %1.%2")
                      .arg(startup.wHighVersion & 0xff)
                      .arg(startup.wHighVersion >> 8));
    AddFtpLogLine(QString::fromStdString(startup.szDescription));
    AddFtpLogLine(QString::fromStdString(startup.szSystemStatus));
  }
  emit listLocalDirRequested();
  Splitter2->setSizes({width() / 2, width() - width() / 2});
  const int log_height = DisplayMemo->fontMetrics().lineSpacing() * kLogLines;
  Splitter1->setSizes({height() - log_height, log_height});
  session_->SetConnectionState(false, false);
  // The automatic connect starts once the window is on the screen, so that
  // any box it shows has a window to belong to.
  if (session_->Settings().ActiveStart) {
    QMetaObject::invokeMethod(this, &TFtpReceiveForm::btnConnectClick, Qt::QueuedConnection);
  }
}

void TFtpReceiveForm::closeEvent(QCloseEvent* event) {
  if (FormClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

// A session that is still open is not closed first.
bool TFtpReceiveForm::FormClose() {
  if (session_->ViewerRunning()) return false;
  return close_unsaved_ || SaveSettings();
}

// Cached copies go when so configured, except the edited copies whose
// upload failed; an entry that cannot be removed is left, the others are
// still tried.
void TFtpReceiveForm::FormDestroy() {
  if (keep_cache_ || !session_->Settings().ClearCache) return;
  ClearCacheFolder(CacheDir_, queue_->UnsavedCopies());
}

void TFtpReceiveForm::Exit1Click() { close(); }

}  // namespace varnel::ui
