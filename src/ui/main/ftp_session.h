// The main window's FTP session: owns the engine `FtpClient1`, starts every
// request through StartEngineRequest and turns the engine's events into
// signals. Its completion handler FtpClient1RequestDone advances every chain
// (login, directory change, listing) and hands queue steps to the transfer
// queue through signals. It never waits: each request ends in a completion.
//
// The session holds the values of the connection bar's edit boxes and of
// the remote directory box as bytes, so a name that is not valid UTF-8
// reaches the server as it came; the window shows them and passes what the
// user types back in.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "ftp/ftp_client.h"
#include "ui/main/connection_state.h"
#include "ui/settings/client_settings.h"
#include "ui/settings/connection_profiles.h"

namespace varnel::ui {

namespace session_text {
inline constexpr const char* kNoConnectionSelected =
    "No connection selected. Please select a connection from the drop down connection box";
inline constexpr const char* kNoPassword =
    "No Password (Unable to connect). Please enter a password and try again";
inline constexpr const char* kConnecting = "Connecting to server...";
inline constexpr const char* kUnableToConnect =
    "Unable to connect to server. Please make sure that the server is available and that it's "
    "address is correct";
inline constexpr const char* kLoginRefused =
    "Login refused. Please check that the user name and password are both valid";
inline constexpr const char* kInsufficientRights = "Insufficient access rights to complete task";
inline constexpr const char* kInvalidPath = "Invalid Path - Unable to connect";
inline constexpr const char* kExecuting = "Executing Requested Command";
}  // namespace session_text

// The report of a request that ended for lack of an answer within `seconds`;
// `connection_closed` when the control connection went with it.
std::string TimeoutText(int seconds, bool connection_closed);

enum class TReportKind { Warning, Error };

class TFtpSession : public QObject {
  Q_OBJECT

 public:
  using Request = void (ftp::TCustomFtpCli::*)();

  // `listing_path`: the file every remote listing is written to.
  explicit TFtpSession(std::string listing_path, QObject* parent = nullptr);
  ~TFtpSession() override;

  ftp::TFtpClient& FtpClient1() { return FtpClient1_; }
  const std::string& ListingPath() const { return listing_path_; }

  // Read at every connect (connection type, proxy, SOCKS, port).
  const TClientSettings& Settings() const { return settings_; }
  void SetSettings(const TClientSettings& settings) { settings_ = settings; }

  // The texts of edtUserName, edtPassword and edtCurDir. The setters take
  // what the user typed; the session announces its own changes through
  // credentialsChanged and curDirChanged.
  const std::string& UserName() const { return user_name_; }
  void SetUserName(std::string text) { user_name_ = std::move(text); }
  const std::string& Password() const { return password_; }
  void SetPassword(std::string text) { password_ = std::move(text); }
  const std::string& CurDir() const { return cur_dir_; }
  void SetCurDir(std::string text) { cur_dir_ = std::move(text); }

  // Set while the window waits for a viewer: Connect and Disconnect do
  // nothing meanwhile, and the window disables what it must.
  bool ViewerRunning() const { return viewer_running_; }
  void SetViewerRunning(bool running);

  const TConnectionState& ConnectionState() const { return state_; }
  // What an enabled Disconnect button says: connected and not busy.
  bool ConnectedAndIdle() const { return state_.Connected && !state_.Busy; }
  // The one setter of the session's state; the window follows it.
  void SetConnectionState(bool connected, bool busy, std::string text = {});

  // The profile of `profiles` named `selected_text` (the connection box's
  // text) into the user name, the password and the engine's host.
  void cmbConnectionsClick(const TProfileTable& profiles, std::string_view selected_text);
  // `connection_selected`: the connection box has a selected item.
  void btnConnectClick(bool connection_selected);
  void btnDisconnectClick();
  void CwdAsyncButtonClick();
  // A link double-clicked in the remote pane: CWD into `folder` (the link
  // as a folder). Success lists it as any directory change does; a refusal
  // is no error: edtCurDir goes back and linkIsNoFolder follows.
  void EnterLinkAsync(std::string folder);
  // A listing of the current remote directory into ListingPath(). False
  // when nothing was started (no control connection, or refused).
  bool LsAsyncButtonClick();
  bool PwdAsyncButtonClick();

  // The remote folder commands, each only on a connected and idle
  // session. The window is busy until the listing that follows a success,
  // or the PWD that follows a refusal, has ended. Names are sent as given:
  // `name` relative to the server's current directory, the rename's
  // `from` and `to` as full paths.
  void MakeRemoteDir(const std::string& name);
  void RemoveRemoteDir(const std::string& name);
  void RenameRemoteFile(const std::string& from, const std::string& to);

  // Hands the settings to the engine (the Preferences command's last step).
  // While a session is open the engine keeps its settings: the next
  // connect applies them.
  void ApplySettingsToEngine();

  // Logs that a request starts and starts it. An engine refusal is
  // reported through requestRefused; false then.
  bool StartEngineRequest(Request request);

  // A line for the FTP log.
  void AddFtpLogLine(const std::string& line);

 signals:
  void connectionStateChanged();
  // A line for the FTP log.
  void ftpLogLine(const QString& line);
  // ReportMessage: a box unless errors are suppressed, and the message log.
  void messageReported(const QString& text, varnel::ui::TReportKind kind);
  // A warning box shown even when errors are suppressed, not logged.
  void warningShown(const QString& text);
  // The engine refused to start a request: its text, for an error box.
  void requestRefused(const QString& text);
  // Gauge, progress label and rate hint back to empty.
  void progressReset();
  // User name and password changed by a profile choice.
  void credentialsChanged();
  void curDirChanged();
  // A listing arrived in ListingPath(): the remote pane rebuilds from it.
  void remoteListingReady();
  void remotePaneCleared();
  // The server refused to enter a link as a folder: it is a file.
  void linkIsNoFolder();
  // The transfer's byte count, at most every 100 ms.
  void transferProgress(qint64 count);
  // The transfer queue's steps: get, put and delete ended; the size query
  // before a download ended.
  void queueStepDone(int request);
  void queueStepFailed(int request, int error);
  void sizeKnown(qint64 size);
  void sizeFailed();

 private:
  // Engine events.
  void DisplayHandler(std::string& msg);
  void FtpClient1SessionConnected(std::uint16_t error);
  void FtpClient1SessionClosed(std::uint16_t error);
  void FtpClient1RequestDone(ftp::TFtpRequest request, std::uint16_t error);
  void FtpClient1Progress(std::int64_t count);

  // ftp_session_done.cpp: the completion table, one handler per request.
  void LogCompletion(ftp::TFtpRequest request, std::uint16_t error);
  void OpenDone(int error);
  void UserDone(int error);
  void PassDone(int error);
  void TypeSetDone(int error);
  void CwdDone(int error);
  void ListingDone(int error);
  void PwdDone(int error);
  void FolderCommandDone(int error);
  void DeleDone(ftp::TFtpRequest request, int error);
  void TransferDone(ftp::TFtpRequest request, int error);
  void SizeDone(int error);
  void TimedOut(ftp::TFtpRequest request, int error);

  // The login chain and the steps that follow a completion.
  void UserAsyncButtonClick();
  void PassAsyncButtonClick();
  void SendTypeBinary();
  // Starts the next request of a chain; with the control connection gone
  // the window is reset instead.
  bool ContinueChain(Request request);
  void RefusedLogin();
  // A refusal for lack of rights is reported and PWD puts the server's
  // real directory back; the window returns to idle either way.
  void CommandRefused(int error);
  void ListAfterCommand();
  void StartFolderCommand(Request request, const std::string& host_file);
  // QUIT while the control connection is open; otherwise the reset.
  void CloseSession();
  // A directory change, a listing and a PWD keep the window busy until
  // their chain ends, so that no command meets an engine still at work.
  void MarkBusy();
  // Connected and idle while the control connection is open, else reset.
  void ReturnToIdle();
  void ResetToNotConnected();
  void SetEngineSettings();
  void ChangeCurDir(std::string text);
  void ReportMessage(const std::string& text, TReportKind kind);

  std::string listing_path_;
  TClientSettings settings_;
  std::string user_name_;
  std::string password_;
  std::string cur_dir_;
  bool viewer_running_ = false;
  // While a CWD tries a link as a folder: the directory to go back to.
  std::optional<std::string> link_return_dir_;
  TConnectionState state_;
  std::int64_t NextProgressTick = 0;
  ftp::TFtpClient FtpClient1_;
};

}  // namespace varnel::ui
