// TCustomFtpCli: the asynchronous FTP client engine (RFC 959). Every
// operation is a request: the caller sets properties, starts the request and
// returns at once; the engine sends commands, reads replies and ends the
// request with one OnRequestDone (request code, error word), posted to its
// own notification target so that it arrives after the engine's handling
// has returned. A request that cannot start raises FtpException and nothing
// is sent. TFtpClient adds Timeout, the limit on time without progress of
// every request, and synchronous wrappers that wait in the loop.
//
// The engine belongs to the thread whose event loop it was created with. It
// may be destroyed from OnRequestDone (delivered from its own notification
// target), not from inside the other events, which run in its sockets'
// handlers.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_local_file.h"
#include "ftp/ftp_splice_pipe.h"
#include "ftp/ftp_types.h"
#include "runtime/event_loop.h"
#include "socket/twsocket.h"

namespace varnel::ftp {

class TCustomFtpCli {
 public:
  explicit TCustomFtpCli(runtime::EventLoop& loop = runtime::EventLoop::Current());
  virtual ~TCustomFtpCli();
  TCustomFtpCli(const TCustomFtpCli&) = delete;
  TCustomFtpCli& operator=(const TCustomFtpCli&) = delete;

  // ---- requests: connection ----
  virtual void OpenAsync();
  virtual void UserAsync();
  virtual void PassAsync();
  virtual void ConnectAsync();
  virtual void QuitAsync();
  // Immediate local abort: both connections closed, no command sent.
  virtual void AbortAsync();
  virtual void AborAsync();

  // ---- requests: transfers ----
  virtual void GetAsync();
  virtual void RetrAsync();
  virtual void ReceiveAsync();
  virtual void PutAsync();
  virtual void StorAsync();
  virtual void TransmitAsync();
  virtual void AppendAsync();
  virtual void AppeAsync();
  virtual void AppendFileAsync();
  virtual void ListAsync();
  virtual void DirAsync();
  virtual void NlstAsync();
  virtual void LsAsync();
  virtual void PortAsync();
  virtual void RestAsync();
  virtual void RestGetAsync();
  virtual void RestartReceiveAsync();
  virtual void RestPutAsync();
  virtual void RestartTransmitAsync();

  // ---- requests: commands ----
  virtual void TypeSetAsync();
  virtual void TypeBinaryAsync();
  virtual void TypeAsciiAsync();
  virtual void PwdAsync();
  virtual void CwdAsync();
  virtual void CDupAsync();
  virtual void DirectoryAsync();
  virtual void NameListAsync();
  virtual void SystAsync();
  virtual void SystemAsync();
  virtual void SizeAsync();
  virtual void FileSizeAsync();
  virtual void MkdAsync();
  virtual void MkdirAsync();
  virtual void RmdAsync();
  virtual void RmdirAsync();
  virtual void DeleAsync();
  virtual void DeleteAsync();
  virtual void RenFromAsync();
  virtual void RenToAsync();
  virtual void RenAsync();
  virtual void RenameAsync();
  virtual void QuoteAsync();
  virtual void DoQuoteAsync();

  // ---- properties ----
  const std::string& HostName() const { return host_name_; }
  void SetHostName(const std::string& Value) { host_name_ = Value; }
  const std::string& Port() const { return port_; }
  void SetPort(const std::string& Value) { port_ = Value; }
  const std::string& LocalAddr() const { return local_addr_; }
  void SetLocalAddr(const std::string& Value) { local_addr_ = Value; }
  const std::string& UserName() const { return user_name_; }
  void SetUserName(const std::string& Value) { user_name_ = Value; }
  const std::string& PassWord() const { return pass_word_; }
  void SetPassWord(const std::string& Value) { pass_word_ = Value; }
  const std::string& HostDirName() const { return host_dir_name_; }
  void SetHostDirName(const std::string& Value) { host_dir_name_ = Value; }
  const std::string& HostFileName() const { return host_file_name_; }
  void SetHostFileName(const std::string& Value) { host_file_name_ = Value; }
  const std::string& LocalFileName() const { return local_file_name_; }
  void SetLocalFileName(const std::string& Value) { local_file_name_ = Value; }
  bool DisplayFileFlag() const { return display_file_flag_; }
  void SetDisplayFileFlag(bool Value) { display_file_flag_ = Value; }
  bool Binary() const { return type_letter_ == 'I'; }
  void SetBinary(bool Value) { type_letter_ = Value ? 'I' : 'A'; }
  const std::string& ErrorMessage() const { return error_message_; }
  void SetErrorMessage(const std::string& Value) { error_message_ = Value; }
  TFtpShareMode ShareMode() const { return ShareModeFromFlag(share_flag_); }
  void SetShareMode(TFtpShareMode Value) { share_flag_ = ShareFlag(Value); }
  // The stored platform sharing flag (0, 16, 32, 48 or 64).
  int ShareFlagValue() const { return share_flag_; }
  TFtpOptions Options() const { return options_; }
  void SetOptions(TFtpOptions Value) { options_ = Value; }
  TFtpConnectionType ConnectionType() const { return connection_type_; }
  void SetConnectionType(TFtpConnectionType Value);
  const std::string& ProxyServer() const { return proxy_server_; }
  void SetProxyServer(const std::string& Value) { proxy_server_ = Value; }
  const std::string& ProxyPort() const { return proxy_port_; }
  void SetProxyPort(const std::string& Value) { proxy_port_ = Value; }
  // The SOCKS settings: a setter passes the value to both sockets (refused
  // by them while a socket is not closed) and the engine keeps what the
  // control socket took. Every close resets a socket's SOCKS server, port
  // and level, so the kept settings go on the control socket before each
  // connect and on the data socket before each data connection; a getter
  // reads the kept value, which outlives those closes.
  const std::string& SocksServer() const { return socks_.server; }
  void SetSocksServer(const std::string& Value);
  const std::string& SocksPort() const { return socks_.port; }
  void SetSocksPort(const std::string& Value);
  const std::string& SocksUserCode() const { return socks_.usercode; }
  void SetSocksUserCode(const std::string& Value);
  const std::string& SocksPassword() const { return socks_.password; }
  void SetSocksPassword(const std::string& Value);
  bool Passive() const { return passive_; }
  void SetPassive(bool Value);
  std::int64_t ResumeAt() const { return resume_at_; }
  void SetResumeAt(std::int64_t Value) { resume_at_ = Value; }

  TFtpState State() const { return state_; }
  // True while the control socket is not closed.
  bool Connected() const;
  TFtpRequest RequestType() const { return request_type_; }
  int StatusCode() const { return status_code_; }
  const std::string& LastResponse() const { return last_response_; }
  const std::string& DirResult() const { return dir_result_; }
  std::int64_t SizeResult() const { return size_result_; }
  std::int64_t ByteCount() const { return byte_count_; }

  socket::TWSocket& ControlSocket() { return control_socket_; }
  socket::TWSocket& DataSocket() { return data_socket_; }

  // ---- events ----
  TFtpDisplay OnDisplay;
  TFtpDisplay OnDisplayFile;
  TFtpCommand OnCommand;
  TFtpNotify OnResponse;
  TFtpProgress OnProgress;
  TFtpSessionEvent OnSessionConnected;
  TFtpSessionEvent OnSessionClosed;
  TFtpRequestDone OnRequestDone;
  TFtpNotify OnStateChange;
  TFtpReadyToTransmit OnReadyToTransmit;
  TFtpBgException OnBgException;

 protected:
  // Fires OnCommand, logs "> " + the command, and sends it with CR LF when
  // the control socket is connected. False when nothing could be sent.
  virtual bool SendCommandLine(const std::string& Command);
  virtual void FireDisplay(const std::string& Msg);
  virtual void FireReadyToTransmit(bool& bCancel);
  virtual void FireDisplayFile(const std::string& Msg);
  // The progress check before each data block: false when the application
  // aborted the transfer (the data connection is then closed).
  virtual bool FireProgress();
  virtual void ShowTransferSummary();
  // The notification target's handler (kNotifyRequestDone, kNotifyStartSending).
  virtual void DispatchNotification(unsigned Msg, std::uint16_t Error);
  virtual void ReportBgException(const std::exception& E);

  bool IsReady() const { return state_ == ftpReady || state_ == ftpInternalReady; }
  // A request runs and waits for the network (the watchdog's states).
  bool IsBusy() const {
    return state_ == ftpDnsLookup || state_ == ftpWaitingBanner || state_ == ftpWaitingResponse;
  }
  // The result of the step that ran last: 0 or its error.
  int StepResult() const { return step_result_; }
  runtime::EventLoop& Loop() const { return *loop_; }
  void SetStatusCode(int Value) { status_code_ = Value; }
  // Seconds without progress (no connect, no reply byte, no data byte)
  // after which a running request ends with "426 Timeout"; 0: never.
  int ProgressTimeout() const { return progress_timeout_; }
  void SetProgressTimeout(int Seconds) { progress_timeout_ = Seconds; }

 private:
  using ReplyHandler = void (TCustomFtpCli::*)();
  using DoneHandler = void (TCustomFtpCli::*)();

  // Where a transfer step stands on the control connection. The server's
  // replies move it forward; the data connection goes its own way (DataLink).
  enum class TransferStage {
    kNone,     // no transfer step runs
    kOpening,  // the step began; the server has not yet agreed to move data
    kMoving,   // 150 or 125 came: data may move, the final reply is awaited
    kReplied,  // the final reply (226 or the like) came
  };
  // The data connection of the current PORT/PASV and transfer step.
  enum class DataLink {
    kNone,         // none prepared
    kListening,    // active mode: the PORT listener waits for the server
    kPeerWaiting,  // active mode: a connection came before the transfer step
    kConnecting,   // passive mode: connecting to the server's data port
    kOpen,         // established: bytes move
    kAllSent,      // upload: the whole file is with the kernel, the close is on its way
    kClosed,       // closed by either side
  };

  // ftp_control.cpp: state, opening, replies, completion, closing, abort.
  static std::string ExceptionClassName(const std::exception& E);
  void SetState(TFtpState NewState);
  // The one reply the running step waits for, handled by `Handler`; none
  // (nullptr): a reply that comes is only logged.
  void AwaitReply(ReplyHandler Handler) { next_reply_ = Handler; }
  // A request that has not ended waits for the server: a close of the
  // control connection then fails it.
  bool AwaitsServer() const { return next_reply_ != nullptr || stage_ != TransferStage::kNone; }
  void DisplayReply() { FireDisplay("< " + last_response_); }
  void RecordError();
  void SetSyntheticReply(const std::string& Line, int Code);
  void ReportCompletion(int Error);
  void PostNotification(unsigned Msg, std::uint16_t Error);
  void WireControlSocket();
  void OnControlDnsLookupDone(std::uint16_t Error);
  void ConnectControl(const std::string& Address);
  void OnControlSessionConnected(std::uint16_t Error);
  void OnControlDataAvailable(std::uint16_t Error);
  void OnControlSessionClosed(std::uint16_t Error);
  void HandleReplyLine();
  void OnBannerReply();
  void OnCommandReply();
  void TakeReplyResults();

  // ftp_timeout.cpp: the limit on time without progress.
  void NoteProgress() { last_progress_tick_ = runtime::TickCount(); }
  void StartWatchdog();
  void StopWatchdog();
  void OnWatchdogDue();
  void EndRequestOnTimeout();

  // ftp_commands.cpp: the command primitive and its checks.
  void CheckCanSend(const std::string& Command) const;
  void RefuseLineBreaks(TFtpSteps Steps) const;
  void SendCommand(TFtpRequest Code, TFtpStep Step, const std::string& Command,
                   std::initializer_list<int> Accepted, DoneHandler Done = nullptr);
  void SendAwaitingReply(const std::string& Command, ReplyHandler Handler);
  void CompleteUnsentCommand(const std::string& Command);
  void SendAbor();
  void SendQuit();
  void OnQuitReplyJudged();

  // ftp_connection_type.cpp
  bool SocksResolvesName(const std::string& Name) const;
  void ApplySocksSettings(socket::TWSocket& Socket) const;

  // ftp_data_port.cpp: data connection preparation and the end of transfers.
  void ResetDataSocket();
  std::string ListenForData();
  bool ConnectPassiveData(socket::TSessionConnected Connected, int FailureCode);
  void FailTransfer(const std::string& Line, int Code);
  void BeginTransfer();
  void SetStage(TransferStage Stage) { stage_ = Stage; }
  void SetDataLink(DataLink Link) { data_link_ = Link; }
  int AcceptFromServer();
  void MarkTransferFailure(const std::string& Line, int Code);
  void EndTransferOnReply(const char* Note);
  void TryFinishTransfer();

  // ftp_download.cpp
  void StartDownload(const char* Word, TFtpRequest Code, TFtpStep Step);
  bool OpenDownloadFile();
  void OnDownloadAccepted(std::uint16_t Error);
  void OnDownloadConnected(std::uint16_t Error);
  void WireDownloadHandlers();
  void OnDownloadDataAvailable(std::uint16_t Error);
  void WriteReceivedBlock(const char* Data, int Length);
  void WritePipedBlock(int Length);
  void FailLocalWrite();
  void StopSplicing();
  void DisplayReceivedLines(const char* Data, int Length);
  void OnDownloadClosed(std::uint16_t Error);
  void OnFirstDownloadReply();
  void OnFinalDownloadReply();

  // ftp_upload.cpp
  void StartUpload(bool Append);
  // The server took the upload command with 150 or 125.
  bool MaySend() const {
    return stage_ == TransferStage::kMoving || stage_ == TransferStage::kReplied;
  }
  bool OpenUploadFile();
  void SendUploadCommand();
  void OnUploadAccepted(std::uint16_t Error);
  void OnUploadConnected(std::uint16_t Error);
  void SendNextBlock(std::uint16_t Error);
  void OnUploadClosed(std::uint16_t Error);
  void OnFirstUploadReply();
  void OnFinalUploadReply();

  // ftp_sequences.cpp
  void StartSequence(TFtpRequest Code, TFtpSteps Steps);
  void RunSequence();
  void ContinueSequence();
  void StartStep(TFtpStep Step);
  void FailSequenceStep(const std::string& Reason);
  void AbandonSequence();
  void EndSequenceState();

  runtime::EventLoop* loop_;
  std::unique_ptr<runtime::NotifyTarget> notify_;

  // Published properties.
  std::string host_name_;
  std::string port_ = "ftp";
  std::string local_addr_ = "0.0.0.0";
  std::string user_name_;
  std::string pass_word_;
  std::string host_dir_name_;
  std::string host_file_name_;
  std::string local_file_name_;
  bool display_file_flag_ = false;
  char type_letter_ = 'I';
  std::string error_message_;
  int share_flag_ = kShareExclusiveFlag;
  TFtpOptions options_{ftpAcceptLF};
  TFtpConnectionType connection_type_ = ftpDirect;
  std::string proxy_server_;
  std::string proxy_port_ = "ftp";
  bool passive_ = false;
  std::int64_t resume_at_ = 0;
  // What every connection of the session needs on its socket to go through
  // the SOCKS server (an empty server: no SOCKS).
  struct SocksSettings {
    std::string server;
    std::string port;
    std::string level = "5";
    std::string usercode;
    std::string password;
    socket::TSocksAuthentication authentication = socket::socksNoAuthentication;
  } socks_;

  // Public state.
  TFtpState state_ = ftpReady;
  TFtpRequest request_type_ = ftpNone;
  int status_code_ = 0;
  std::string last_response_;
  std::string dir_result_;
  std::int64_t size_result_ = 0;
  std::int64_t byte_count_ = 0;

  // Control connection and reply handling.
  static constexpr std::size_t kReplyBufferSize = 4096;
  std::array<char, kReplyBufferSize> reply_buffer_{};
  std::size_t reply_count_ = 0;
  // The code of the multi-line reply being read; 0 between replies.
  int open_reply_code_ = 0;
  bool link_ = false;  // the TCP connect of the control connection succeeded
  int step_result_ = 0;
  TFtpStep step_ = stepNone;
  std::vector<int> accepted_codes_;
  ReplyHandler next_reply_ = nullptr;  // changed by AwaitReply() only
  DoneHandler done_ = nullptr;
  bool completion_guard_ = false;
  std::string pasv_reply_;

  // Seconds without progress after which a running request ends; 0: never.
  int progress_timeout_ = 0;
  std::int64_t last_progress_tick_ = 0;
  runtime::TimerId watchdog_ = 0;

  // Sequence state.
  bool sequence_running_ = false;
  bool sequence_continues_ = false;
  TFtpSteps pending_steps_;
  int sequence_result_ = 0;
  std::string saved_reply_;
  int saved_code_ = -1;

  // Transfer state.
  LocalFile local_file_;
  std::string data_word_;
  bool append_ = false;
  bool transfer_passive_ = false;
  TransferStage stage_ = TransferStage::kNone;  // changed by SetStage() only
  DataLink data_link_ = DataLink::kNone;        // changed by SetDataLink() only
  std::uint16_t data_close_error_ = 0;
  std::int64_t start_tick_ = 0;
  // A local failure during the transfer (file write or read, data error,
  // application abort): its code and synthetic reply line; 0 when none.
  int transfer_failure_ = 0;
  std::string transfer_failure_line_;
  // Not zero-filled: the pages of a large block are touched only by a transfer.
  std::unique_ptr<char[]> receive_buffer_;
  // The download in progress moves through the pipe (set when it starts).
  bool splice_download_ = false;
  SplicePipe splice_pipe_;
  std::unique_ptr<char[]> send_buffer_;

  // Declared last: destroyed first, while everything their handlers touch
  // still exists.
  socket::TWSocket control_socket_;
  socket::TWSocket data_socket_;
};

class TFtpClient : public TCustomFtpCli {
 public:
  explicit TFtpClient(runtime::EventLoop& loop = runtime::EventLoop::Current());

  // Seconds without progress after which a request, asynchronous or
  // synchronous, ends with "426 Timeout"; 0 for no limit.
  int Timeout() const { return ProgressTimeout(); }
  void SetTimeout(int Value) { SetProgressTimeout(Value); }
  // Waits pump through the control socket (engines in threads of their own).
  bool MultiThreaded() const { return multi_threaded_; }
  void SetMultiThreaded(bool Value);

  // Synchronous wrappers: true when the request ended without error.
  bool Open();
  bool User();
  bool Pass();
  bool Cwd();
  bool Pwd();
  bool TypeBinary();
  bool Get();
  bool Put();
  bool Dir();
  bool Mkd();
  bool Rmd();
  bool Dele();
  bool Ren();
  bool Size();
  bool Quit();
  bool Abort();

  using Request = void (TCustomFtpCli::*)();
  // Starts the request and waits for its end; false when it refuses to
  // start, fails, or runs out of time.
  bool RunAndWait(Request Start);
  bool WaitReady();

 private:
  static constexpr int kDefaultTimeout = 15;
  bool multi_threaded_ = false;
};

}  // namespace varnel::ftp
