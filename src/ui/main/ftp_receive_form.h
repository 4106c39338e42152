// The main window "Varnel Client": the connection bar, the two pane areas
// side by side, the FTP log below them and the status bar, with the menu
// bar above. Its session object (TFtpSession) does all FTP work; the window
// shows the session's state, logs and reports, and keeps the settings file:
// loaded on the first show, saved on close.
#pragma once

#include <QMainWindow>
#include <QString>

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
class TConnectionManagerModel;

class TFtpReceiveForm : public QMainWindow {
  Q_OBJECT

 public:
  TFtpReceiveForm(runtime::ProgramFilePaths paths, TConnectionManagerModel& connections,
                  FileAssociations& associations, QWidget* parent = nullptr);
  ~TFtpReceiveForm() override;

  TFtpSession& Session() { return *session_; }
  const runtime::ProgramFilePaths& Paths() const { return paths_; }
  // The cache folder for copies of viewed remote files, ending in "/".
  const std::string& CacheDir() const { return CacheDir_; }

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

  // form_logs.cpp: the Logs and View menus and the message boxes.
  void ConnectMenus();
  void ClearFTPLog1Click();
  void SaveFTPLog1Click();
  void ClearMessagelog1Click();
  void SaveMessagelog1Click();
  void SaveLog(const QString& title, const QStringList& lines);
  void Display1Click();
  void ShowFTPLog1Click();
  void ShowMessagelog1Click();
  void StatusBar1Click();
  void ShowBox(TReportKind kind, const QString& text);

  // form_settings.cpp: the settings file and the window's placement.
  TSettingsEnvironment SettingsEnvironment() const;
  void LoadSettings();
  bool SaveSettings();
  void PlaceWindow(const TWindowBounds& bounds);
  TWindowBounds WindowBounds() const;

  runtime::ProgramFilePaths paths_;
  TConnectionManagerModel& connections_;
  FileAssociations& associations_;
  TFtpSession* session_ = nullptr;
  bool SettingsLoaded = false;
  std::string CacheDir_;
  bool wait_cursor_ = false;

  TConnectionBar bar_;
  TPaneArea remote_;
  TPaneArea local_;
  QSplitter* Splitter1 = nullptr;  // panes above, FTP log below
  QSplitter* Splitter2 = nullptr;  // remote pane left, local pane right
  QPlainTextEdit* DisplayMemo = nullptr;
  TStatusPanel status_;
  TMainMenu menu_;
  QFileDialog* SaveDialog1 = nullptr;
};

}  // namespace varnel::ui
