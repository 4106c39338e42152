// Uploads (STOR, APPE) from the local file. Exactly one block is handed to
// the data socket at a time: the next is read only once the socket layer has
// passed the previous one on (OnDataSent with nothing left queued).
#include <sys/socket.h>

#include "ftp/ftp_client.h"
#include "ftp/ftp_reply_text.h"

namespace varnel::ftp {
namespace {

// The server sends nothing on an upload connection; anything that comes is
// read in blocks of this size and dropped.
constexpr int kDiscardBlockSize = 2048;
constexpr int kUploadLingerSeconds = 10;

}  // namespace

void TCustomFtpCli::StorAsync() { StartUpload(false); }

void TCustomFtpCli::AppeAsync() { StartUpload(true); }

void TCustomFtpCli::StartUpload(bool Append) {
  if (!link_) throw FtpException("STOR/APPE: not connected");
  if (local_file_name_.empty()) throw FtpException("LocalFileName empty");
  RefuseLineBreaks({Append ? stepAppend : stepPut});
  if (!IsReady()) throw FtpException("FTP component not ready");
  append_ = Append;
  // Set inside a sequence too: the sequence then reports the upload's code.
  request_type_ = Append ? ftpAppendAsync : ftpPutAsync;
  step_ = Append ? stepAppend : stepPut;
  BeginTransfer();
  bool cancel = false;
  FireReadyToTransmit(cancel);
  if (cancel) {
    error_message_ = "426 Transmit cancelled by application";
    status_code_ = 426;
    FireDisplay("! " + error_message_);
    step_result_ = 426;
    ReportCompletion(426);
    return;
  }
  data_socket_.OnSessionAvailable = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    OnUploadAccepted(Error);
  };
  if (!OpenUploadFile()) return;
  if (!transfer_passive_) {
    if (data_link_ == DataLink::kPeerWaiting) OnUploadAccepted(0);
    SendUploadCommand();
    return;
  }
  // Busy from here on, but waiting for no reply: the command follows once
  // the data connection is up, and a reply that comes before it (a stray
  // line behind the 227) must not pass for the end of the upload.
  AwaitReply(nullptr);
  SetState(ftpWaitingResponse);
  SetDataLink(DataLink::kConnecting);
  ConnectPassiveData([this](socket::TCustomWSocket*,
                            std::uint16_t Error) { OnUploadConnected(Error); },
                     426);
}

void TCustomFtpCli::FireReadyToTransmit(bool& bCancel) {
  if (OnReadyToTransmit) OnReadyToTransmit(this, bCancel);
}

bool TCustomFtpCli::OpenUploadFile() {
  if (local_file_.OpenForReading(local_file_name_, share_flag_, resume_at_)) return true;
  error_message_ = "426 Unable to open local file " + local_file_name_;
  status_code_ = 426;
  FireDisplay("! " + error_message_);
  step_result_ = 426;
  ReportCompletion(426);
  return false;
}

void TCustomFtpCli::SendUploadCommand() {
  SendAwaitingReply(CommandWithArgument(append_ ? "APPE" : "STOR", host_file_name_),
                    &TCustomFtpCli::OnFirstUploadReply);
}

// Active mode: the server connected to the listening socket.
void TCustomFtpCli::OnUploadAccepted(std::uint16_t) {
  const int handle = AcceptFromServer();
  if (handle < 0) return;
  data_socket_.Close();  // the listener; its close raises nothing
  data_socket_.OnSessionClosed = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    OnUploadClosed(Error);
  };
  data_socket_.OnDataAvailable = [this](socket::TCustomWSocket*, std::uint16_t) {
    char scratch[kDiscardBlockSize];
    data_socket_.Receive(scratch, sizeof scratch);
  };
  data_socket_.OnDataSent = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    SendNextBlock(Error);
  };
  data_socket_.Dup(handle);
  int size = 0;
  socklen_t length = sizeof size;
  if (::getsockopt(data_socket_.HSocket(), SOL_SOCKET, SO_SNDBUF, &size, &length) != 0) {
    throw FtpException("winsock.getsockopt(SO_SNDBUF) failed");
  }
  data_socket_.SetLingerOnOff(socket::wsLingerOff);
  data_socket_.SetLingerTimeout(kUploadLingerSeconds);
  data_socket_.ApplyLingerOption();
  SetDataLink(DataLink::kOpen);
  NoteProgress();
  // Whichever of the 150 reply and the connection comes second starts it.
  if (MaySend() && start_tick_ == 0) PostNotification(kNotifyStartSending, 0);
}

void TCustomFtpCli::OnUploadConnected(std::uint16_t Error) {
  data_socket_.OnSessionClosed = [this](socket::TCustomWSocket*, std::uint16_t CloseError) {
    OnUploadClosed(CloseError);
  };
  data_socket_.OnDataAvailable = nullptr;
  data_socket_.OnDataSent = nullptr;
  start_tick_ = runtime::TickCount();
  if (Error != 0) {
    FailTransfer("Unable to establish data connection, error #" + std::to_string(Error), 550);
    return;
  }
  SetDataLink(DataLink::kOpen);
  NoteProgress();
  SendUploadCommand();
}

// The send handler: OnDataSent, the start-sending notification and the 150
// reply all come here; only one block is ever queued in the socket layer.
void TCustomFtpCli::SendNextBlock(std::uint16_t Error) {
  if (!local_file_.IsOpen() || !FireProgress()) return;
  if (Error != 0) {
    const std::string text = "Error #" + std::to_string(Error) + " sending data";
    FireDisplay("! " + text);
    MarkTransferFailure("426 " + text, 426);
    data_socket_.Close();
    return;
  }
  if (!MaySend() || data_link_ != DataLink::kOpen || !data_socket_.AllSent()) return;
  NoteProgress();  // the block before has left
  if (start_tick_ == 0) start_tick_ = runtime::TickCount();
  const long count = local_file_.Read(send_buffer_.get(), kSendBlockSize);
  if (count < 0) {
    FireDisplay("! Error reading file");
    MarkTransferFailure("426 Error reading local file " + local_file_name_, 426);
    data_socket_.Close();
    return;
  }
  if (count == 0) {
    // Every byte is with the kernel (OnDataSent came with nothing queued);
    // the close sends FIN behind them without an abortive linger, so no
    // pause is needed before it.
    SetDataLink(DataLink::kAllSent);
    data_socket_.CloseDelayed();
    return;
  }
  byte_count_ += count;
  data_socket_.Send(send_buffer_.get(), static_cast<int>(count));
}

void TCustomFtpCli::OnUploadClosed(std::uint16_t Error) {
  local_file_.Close();
  if (data_link_ != DataLink::kAllSent) {
    MarkTransferFailure("426 Data connection closed before the end of the file", 426);
  }
  SetDataLink(DataLink::kClosed);
  data_close_error_ = Error;
  TryFinishTransfer();
}

// The reply to STOR or APPE: the server is ready for the data (150, 125)
// or refuses the upload.
void TCustomFtpCli::OnFirstUploadReply() {
  DisplayReply();
  if (status_code_ != 150 && status_code_ != 125) {
    resume_at_ = 0;
    EndTransferOnReply(nullptr);
    return;
  }
  SetStage(TransferStage::kMoving);
  AwaitReply(&TCustomFtpCli::OnFinalUploadReply);
  if (transfer_passive_) {
    data_socket_.OnDataSent = [this](socket::TCustomWSocket*, std::uint16_t Error) {
      SendNextBlock(Error);
    };
    SendNextBlock(0);
  } else if (data_link_ == DataLink::kOpen && start_tick_ == 0) {
    PostNotification(kNotifyStartSending, 0);
  }
}

// The server's verdict on the data it received; the upload is done once the
// data connection has closed too.
void TCustomFtpCli::OnFinalUploadReply() {
  DisplayReply();
  if (status_code_ == 226 || status_code_ == 250) {
    SetStage(TransferStage::kReplied);
    AwaitReply(nullptr);
    TryFinishTransfer();
    return;
  }
  EndTransferOnReply("! STOR Failed");
}

}  // namespace varnel::ftp
