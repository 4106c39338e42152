// Downloads and listings (RETR, LIST, NLST): into the local file, or line by
// line through OnDisplayFile. Each received block is written before the next
// is read; nothing is buffered beyond one block. What goes to a local file
// (or device, or pipe) moves inside the kernel, socket -> pipe -> file
// (splice); listings shown line by line pass through the engine's buffer.
#include "ftp/ftp_client.h"
#include "ftp/ftp_reply_text.h"
#include "socket/winsock_errors.h"

namespace varnel::ftp {
namespace {

// shutdown() direction: both.
constexpr int kShutdownBoth = 2;

}  // namespace

void TCustomFtpCli::RetrAsync() { StartDownload("RETR", ftpGetAsync, stepGet); }

void TCustomFtpCli::ListAsync() { StartDownload("LIST", ftpDirAsync, stepDir); }

void TCustomFtpCli::NlstAsync() { StartDownload("NLST", ftpLsAsync, stepLs); }

void TCustomFtpCli::StartDownload(const char* Word, TFtpRequest Code, TFtpStep Step) {
  if (!link_) throw FtpException(std::string(Word) + ": not connected");
  if (local_file_name_.empty() && !display_file_flag_) {
    throw FtpException("LocalFileName empty");
  }
  RefuseLineBreaks({Step});
  if (!IsReady()) throw FtpException("FTP component not ready");
  if (!sequence_running_) request_type_ = Code;
  step_ = Step;
  data_word_ = Word;
  BeginTransfer();
  data_socket_.OnSessionAvailable = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    OnDownloadAccepted(Error);
  };
  if (!display_file_flag_ && !OpenDownloadFile()) return;
  splice_download_ = !display_file_flag_ && splice_pipe_.Open(kReceiveBlockSize);
  if (transfer_passive_) {
    // The command goes out right after the connect was started.
    SetDataLink(DataLink::kConnecting);
    const bool connecting =
        ConnectPassiveData([this](socket::TCustomWSocket*, std::uint16_t Error) {
          OnDownloadConnected(Error);
        }, 550);
    if (!connecting) return;
  } else if (data_link_ == DataLink::kPeerWaiting) {
    OnDownloadAccepted(0);
  }
  SendAwaitingReply(host_file_name_.empty() ? data_word_
                                            : CommandWithArgument(data_word_, host_file_name_),
                    &TCustomFtpCli::OnFirstDownloadReply);
}

bool TCustomFtpCli::OpenDownloadFile() {
  if (local_file_.OpenForWriting(local_file_name_, share_flag_, resume_at_)) return true;
  FailTransfer("Unable to open local file " + local_file_name_, 550);
  return false;
}

// Active mode: the server connected to the listening socket.
void TCustomFtpCli::OnDownloadAccepted(std::uint16_t) {
  const int handle = AcceptFromServer();
  if (handle < 0) return;
  data_socket_.Close();  // the listener; its close raises nothing
  WireDownloadHandlers();
  data_socket_.Dup(handle);
  SetDataLink(DataLink::kOpen);
  NoteProgress();
  start_tick_ = runtime::TickCount();
}

void TCustomFtpCli::OnDownloadConnected(std::uint16_t Error) {
  WireDownloadHandlers();
  start_tick_ = runtime::TickCount();
  if (Error != 0) {
    FailTransfer("Unable to establish data connection, error #" + std::to_string(Error), 550);
    return;
  }
  SetDataLink(DataLink::kOpen);
  NoteProgress();
}

void TCustomFtpCli::WireDownloadHandlers() {
  data_socket_.OnSessionClosed = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    OnDownloadClosed(Error);
  };
  data_socket_.OnDataAvailable = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    OnDownloadDataAvailable(Error);
  };
  data_socket_.OnDataSent = nullptr;
}

void TCustomFtpCli::OnDownloadDataAvailable(std::uint16_t) {
  if (!FireProgress()) return;
  const int received =
      splice_download_
          ? data_socket_.ReceiveToPipe(splice_pipe_.WriteEnd(), splice_pipe_.Capacity())
          : data_socket_.Receive(receive_buffer_.get(), kReceiveBlockSize);
  if (received > 0) {
    NoteProgress();
    byte_count_ += received;
    if (splice_download_) {
      WritePipedBlock(received);
      return;
    }
    WriteReceivedBlock(receive_buffer_.get(), received);
    if (display_file_flag_) DisplayReceivedLines(receive_buffer_.get(), received);
    return;
  }
  if (received < 0 && data_socket_.State() == socket::wsConnected &&
      data_socket_.LastError() != socket::WSAEWOULDBLOCK) {
    const std::string number = std::to_string(data_socket_.LastError());
    FireDisplay("! Data: Receive error " + number);
    MarkTransferFailure("426 Data: Receive error " + number, 426);
    StopSplicing();
    data_socket_.Shutdown(kShutdownBoth);
  }
}

// A block that cannot be written ends the transfer with an error: the file
// is closed (later blocks are dropped) and the data connection shut down.
void TCustomFtpCli::WriteReceivedBlock(const char* Data, int Length) {
  if (!local_file_.IsOpen() || local_file_.Write(Data, static_cast<std::size_t>(Length))) return;
  FailLocalWrite();
}

void TCustomFtpCli::WritePipedBlock(int Length) {
  if (local_file_.WriteFromPipe(splice_pipe_.ReadEnd(), static_cast<std::size_t>(Length))) return;
  StopSplicing();
  FailLocalWrite();
}

void TCustomFtpCli::FailLocalWrite() {
  FireDisplay("! Error writing local file");
  MarkTransferFailure("426 Error writing local file " + local_file_name_, 426);
  local_file_.Close();
  data_socket_.Shutdown(kShutdownBoth);
}

// What is left of the transfer goes through the engine's buffer (and, with
// the file closed, nowhere); the pipe goes with any bytes it still holds.
void TCustomFtpCli::StopSplicing() {
  if (!splice_download_) return;
  splice_download_ = false;
  splice_pipe_.Close();
}

// Cut at CR or LF; a run of line ends counts as one, so empty lines inside
// a block are not reported, but a block that starts with a line end first
// yields one empty line. Lines are not joined across blocks.
void TCustomFtpCli::DisplayReceivedLines(const char* Data, int Length) {
  const auto is_line_end = [](char c) { return c == '\r' || c == '\n'; };
  int pos = 0;
  while (pos < Length) {
    int end = pos;
    while (end < Length && !is_line_end(Data[end])) ++end;
    FireDisplayFile(std::string(Data + pos, static_cast<std::size_t>(end - pos)));
    while (end < Length && is_line_end(Data[end])) ++end;
    pos = end;
  }
}

void TCustomFtpCli::FireDisplayFile(const std::string& Msg) {
  if (!OnDisplayFile) return;
  std::string line = Msg;
  OnDisplayFile(this, line);
}

void TCustomFtpCli::OnDownloadClosed(std::uint16_t Error) {
  local_file_.Close();
  SetDataLink(DataLink::kClosed);
  data_close_error_ = Error;
  TryFinishTransfer();
}

// The reply to RETR, LIST or NLST: the server starts (150 to 159, 125) or
// refuses the transfer.
void TCustomFtpCli::OnFirstDownloadReply() {
  DisplayReply();
  if ((status_code_ >= 150 && status_code_ <= 159) || status_code_ == 125) {
    SetStage(TransferStage::kMoving);
    AwaitReply(&TCustomFtpCli::OnFinalDownloadReply);
    return;
  }
  resume_at_ = 0;
  EndTransferOnReply(nullptr);
}

// The end of the transfer as the server reports it; the download is done
// once the data connection has closed too.
void TCustomFtpCli::OnFinalDownloadReply() {
  DisplayReply();
  if (status_code_ == 125 || status_code_ == 226 || status_code_ == 250) {
    SetStage(TransferStage::kReplied);
    AwaitReply(nullptr);
    TryFinishTransfer();
    return;
  }
  EndTransferOnReply("! RETR/LIST/NLST Failed");
}

}  // namespace varnel::ftp
