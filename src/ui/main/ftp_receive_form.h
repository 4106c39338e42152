// The main window "Varnel Client": the connection bar, the two pane areas
// side by side, the FTP log below them and the status bar, with the menu
// bar above. Its session object (TFtpSession) does all FTP work; the window
// shows the session's state, logs and reports, keeps the settings file
// (loaded on the first show, saved on close) and opens the other windows.
#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>
#include <string>

#include "runtime/program_files.h"
#include "ui/main/connection_bar.h"
#include "ui/main/ftp_session.h"
#include "ui/main/main_menu.h"
#include "ui/main/pane_area.h"
#include "ui/main/status_panel.h"
#include "ui/settings/settings_file.h"

class QFileDialog;
class QPlainTextEdit;
class QSplitter;

namespace varnel::ui {

class FileAssociations;
class TAboutForm;
class TAppSettings;
class TConnectionSetup;
class TErrorForm;
class TFileAssoc;
class TfrmPath;
class TFilePictures;
class TLocalPane;
class TRemoteFileCommands;
class TRemotePane;
class TRemoteViewing;
class TTransferControls;
class TTransferQueue;

// The windows the main window opens, created after it and before its
// first show; they live as long as it does.
struct TSecondaryWindows {
  TConnectionSetup* ConnectionSetup = nullptr;
  TfrmPath* frmPath = nullptr;
  TErrorForm* ErrorForm = nullptr;
  TAppSettings* AppSettings = nullptr;
  TFileAssoc* FileAssoc = nullptr;
  TAboutForm* AboutForm = nullptr;
};

class TFtpReceiveForm : public QMainWindow {
  Q_OBJECT

 public:
  TFtpReceiveForm(runtime::ProgramFilePaths paths, FileAssociations& associations,
                  QWidget* parent = nullptr);
  ~TFtpReceiveForm() override;

  // Needed before the first show.
  void SetWindows(const TSecondaryWindows& windows);
  const TSecondaryWindows& Windows() const { return windows_; }

  TFtpSession& Session() { return *session_; }
  const runtime::ProgramFilePaths& Paths() const { return paths_; }
  // The cache folder for copies of viewed remote files, ending in "/".
  const std::string& CacheDir() const { return CacheDir_; }

  // The pane areas: the panes fill them (remote: Panel1 with edtCurDir and
  // lvwFileList; local: Panel4 with edtLocalDir and lvwLocal).
  const TPaneArea& RemotePane() const { return remote_; }
  const TPaneArea& LocalPane() const { return local_; }
  // The panes themselves: their models, views and commands.
  TRemotePane& RemoteFiles() { return *remote_files_; }
  TLocalPane& LocalFiles() { return *local_files_; }
  // The transfer queue and remote file viewing.
  TTransferQueue& Queue() { return *queue_; }
  TRemoteViewing& Viewing() { return *viewing_; }

  // The control of the main window itself (not of the windows it opens,
  // which reuse some names) called `name`: a widget or a menu action.
  QObject* FindControl(const char* name) const;

  // A termination signal ends the program: the settings are saved without
  // questions and the cache is left as it is (a viewer may hold an edit).
  void EndOnSignal();

  // Routines every part of the window uses.
  void AddFtpLogLine(const QString& line);
  void ReportMessage(const QString& text, TReportKind kind);

 signals:
  // The local pane lists the folder in edtLocalDir (each show of the window).
  void listLocalDirRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // ftp_receive_form.cpp: creation, showing, closing, destruction.
  void FormCreate();
  void BuildLayout();
  void FormShow();
  bool FormClose();
  void FormDestroy();
  void Exit1Click();

  // form_session.cpp: the session's signals and the connection bar.
  void ConnectSession();
  void ConnectConnectionBar();
  void FillConnections();
  void cmbConnectionsClick();
  void btnConnectClick();
  void btnDisconnectClick();
  void ShowConnectionState();
  void ShowCredentials();
  void ShowCurDir();

  // form_panes.cpp: the two panes and the View menu's pane commands.
  void BuildPanes();
  void RefreshBoth1Click();

  // form_transfers.cpp: the queue, viewing, the transfer and remote folder
  // commands, drag and drop.
  void BuildTransfers();
  void BuildDragAndDrop();

  // form_logs.cpp: the FTP log, saving logs, the View toggles and boxes.
  void ConnectMenus();
  void ClearFTPLog1Click();
  void SaveFTPLog1Click();
  void SaveLog(const QString& title, const QStringList& lines);
  void WriteLog(const std::string& name, const QStringList& lines);
  void ShowFTPLog1Click();
  void StatusBar1Click();
  void ShowBox(TReportKind kind, const QString& text);

  // form_windows.cpp: the message log and the commands that open windows.
  void ConnectWindows();
  void ClearMessagelog1Click();
  void SaveMessagelog1Click();
  void Display1Click();
  void ShowMessagelog1Click();
  void ConnectionManager1Click();
  void Preferences1Click();
  void FileAssociationManager1Click();
  void About1Click();

  // form_settings.cpp: the settings file and the window's placement.
  TSettingsEnvironment SettingsEnvironment() const;
  void LoadSettings();
  TStoredSettings StoredValues() const;
  bool SaveSettings();
  void AskCloseUnsaved(const QString& failure, const QString& reason);
  void PlaceWindow(const TWindowBounds& bounds);
  TWindowBounds WindowBounds() const;

  runtime::ProgramFilePaths paths_;
  FileAssociations& associations_;
  TSecondaryWindows windows_;
  TFtpSession* session_ = nullptr;
  bool SettingsLoaded = false;
  runtime::UnreadableFileKeeper settings_keeper_;
  // The user chose to close although the settings could not be saved.
  bool close_unsaved_ = false;
  // Ended by a signal: the cache is not emptied.
  bool keep_cache_ = false;
  std::string CacheDir_;
  bool wait_cursor_ = false;

  TConnectionBar bar_;
  TPaneArea remote_;
  TPaneArea local_;
  TRemotePane* remote_files_ = nullptr;
  TLocalPane* local_files_ = nullptr;
  TTransferQueue* queue_ = nullptr;
  TRemoteViewing* viewing_ = nullptr;
  TTransferControls* transfers_ = nullptr;
  TRemoteFileCommands* commands_ = nullptr;
  QSplitter* Splitter1 = nullptr;  // panes above, FTP log below
  QSplitter* Splitter2 = nullptr;  // remote pane left, local pane right
  QPlainTextEdit* DisplayMemo = nullptr;
  TStatusPanel status_;
  TMainMenu menu_;
  QFileDialog* SaveDialog1 = nullptr;
};

}  // namespace varnel::ui
