// Preparing the data connection (PORT or PASV), the restart offset (REST),
// the passive data connect, and the end of a transfer shared by both
// directions.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "ftp/ftp_client.h"
#include "ftp/ftp_reply_text.h"

namespace varnel::ftp {
namespace {

constexpr int kListenLingerSeconds = 10;

// The four bytes of an address in network order.
void AddressBytes(const sockaddr_in& name, std::uint8_t (&bytes)[4]) {
  std::memcpy(bytes, &name.sin_addr.s_addr, sizeof bytes);
}

}  // namespace

// A data socket left over from an earlier step is closed without raising
// the handlers of that step.
void TCustomFtpCli::ResetDataSocket() {
  data_socket_.OnSessionAvailable = nullptr;
  data_socket_.OnSessionConnected = nullptr;
  data_socket_.OnDataAvailable = nullptr;
  data_socket_.OnDataSent = nullptr;
  data_socket_.OnSessionClosed = nullptr;
  if (data_socket_.State() != socket::wsClosed) data_socket_.Close();
  data_socket_.SetProto("tcp");
  data_socket_.SetAddr("0.0.0.0");
  data_socket_.SetPort("0");
  SetDataLink(DataLink::kNone);
}

// Checked before the data socket is touched, so that a refused request
// leaves no listening socket behind.
void TCustomFtpCli::PortAsync() {
  CheckCanSend(passive_ ? "PASV" : "PORT");
  ResetDataSocket();
  const std::string command = passive_ ? std::string("PASV") : ListenForData();
  byte_count_ = 0;
  SendCommand(ftpPortAsync, stepPort, command, {200, 227});
}

// Active mode: the data socket listens and the PORT command names it. A
// socket that cannot listen (a SOCKS server is set, no port is free) makes
// the request refuse to start, like any other request that cannot.
std::string TCustomFtpCli::ListenForData() {
  // Some servers connect as soon as they have the PORT command, before the
  // transfer command names what the connection is for; the transfer step
  // accepts such a connection when it starts.
  data_socket_.OnSessionAvailable = [this](socket::TCustomWSocket*, std::uint16_t) {
    SetDataLink(DataLink::kPeerWaiting);
  };
  sockaddr_in data_name{};
  try {
    data_socket_.SetLingerOnOff(socket::wsLingerOn);
    data_socket_.SetLingerTimeout(kListenLingerSeconds);
    ApplySocksSettings(data_socket_);
    data_socket_.Listen();
    int length = sizeof data_name;
    data_socket_.GetSockName(data_name, length);
  } catch (const socket::ESocketException& E) {
    ResetDataSocket();
    throw FtpException(E.what());
  }
  SetDataLink(DataLink::kListening);
  std::uint8_t address[4] = {127, 0, 0, 1};
  if (control_socket_.Addr() != "127.0.0.1") {
    sockaddr_in control_name{};
    int length = sizeof control_name;
    control_socket_.GetSockName(control_name, length);
    AddressBytes(control_name, address);
  }
  return PortCommand(address, ntohs(data_name.sin_port));
}

void TCustomFtpCli::RestAsync() {
  CheckCanSend("REST");
  const bool keep_offset = request_type_ == ftpRestPutAsync ||
                           request_type_ == ftpRestartTransmitAsync ||
                           options_.Contains(ftpNoAutoResumeAt);
  if (!keep_offset) resume_at_ = LocalFile::SizeOf(local_file_name_);
  if (resume_at_ > 0) {
    SendCommand(ftpRestAsync, stepRest, "REST " + std::to_string(resume_at_), {});
    return;
  }
  // Nothing to restart from: the request ends at once, so a sequence goes
  // straight on.
  step_ = stepRest;
  if (!sequence_running_) request_type_ = ftpRestAsync;
  step_result_ = 0;
  completion_guard_ = false;
  done_ = nullptr;
  ReportCompletion(0);
}

// The data connection goes to the control connection's server, whatever
// host the 227 reply names: a server cannot redirect the client elsewhere.
// Through SOCKS 4A or 5 with a host name the control socket holds that name,
// so the proxy resolves it again for each data connection.
bool TCustomFtpCli::ConnectPassiveData(socket::TSessionConnected Connected, int FailureCode) {
  const std::optional<std::uint16_t> port = PasvPort(pasv_reply_);
  if (!port) {
    FailTransfer(std::to_string(FailureCode) + " No data port in the PASV reply: " + pasv_reply_,
                 FailureCode);
    return false;
  }
  try {
    // The close of the previous data connection reset them.
    ApplySocksSettings(data_socket_);
    data_socket_.SetPort(std::to_string(*port));
    data_socket_.SetAddr(control_socket_.Addr());
    data_socket_.SetLocalAddr(local_addr_);
    data_socket_.OnSessionConnected = std::move(Connected);
    data_socket_.SetLingerOnOff(socket::wsLingerOff);
    data_socket_.SetLingerTimeout(0);
    data_socket_.Connect();
  } catch (const std::exception& E) {
    FailTransfer(std::to_string(FailureCode) + " " + ExceptionClassName(E) + ": " + E.what(),
                 FailureCode);
    return false;
  }
  return true;
}

// A transfer step that fails before its reply: the synthetic line goes to
// LastResponse (and ErrorMessage when empty) and the request ends.
void TCustomFtpCli::FailTransfer(const std::string& Line, int Code) {
  SetSyntheticReply(Line, Code);
  if (data_socket_.State() != socket::wsClosed) data_socket_.Close();
  local_file_.Close();
  step_result_ = Code;
  ReportCompletion(Code);
}

// Active mode: takes the connection waiting at the PORT listener. Only the
// control connection's peer may connect: a third party that connects first
// would otherwise have its bytes saved as the file, or receive the upload
// (port stealing, RFC 2577 section 8). Any other peer is closed and the
// listener goes on waiting. The accepted handle, or -1.
int TCustomFtpCli::AcceptFromServer() {
  const int handle = data_socket_.Accept();
  if (handle < 0) return -1;
  sockaddr_in peer{};
  sockaddr_in server{};
  socklen_t peer_length = sizeof peer;
  socklen_t server_length = sizeof server;
  const bool named =
      ::getpeername(handle, reinterpret_cast<sockaddr*>(&peer), &peer_length) == 0 &&
      ::getpeername(control_socket_.HSocket(), reinterpret_cast<sockaddr*>(&server),
                    &server_length) == 0;
  if (named && peer.sin_addr.s_addr == server.sin_addr.s_addr) return handle;
  char text[INET_ADDRSTRLEN] = "?";
  ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
  FireDisplay(std::string("! Data connection from ") + text + " refused: not the server");
  ::close(handle);
  SetDataLink(DataLink::kListening);
  return -1;
}

// What both directions start from.
void TCustomFtpCli::BeginTransfer() {
  completion_guard_ = false;
  byte_count_ = 0;
  data_close_error_ = 0;
  start_tick_ = 0;
  transfer_failure_ = 0;
  transfer_failure_line_.clear();
  transfer_passive_ = passive_;
  SetStage(TransferStage::kOpening);
}

// A local failure in the middle of a transfer: the transfer still ends on
// the server's reply and the data close, but with this error.
void TCustomFtpCli::MarkTransferFailure(const std::string& Line, int Code) {
  if (stage_ == TransferStage::kNone || transfer_failure_ != 0) return;
  transfer_failure_ = Code;
  transfer_failure_line_ = Line;
  if (error_message_.empty()) error_message_ = Line;
}

// A reply that ends the transfer step with its code.
void TCustomFtpCli::EndTransferOnReply(const char* Note) {
  RecordError();
  AwaitReply(nullptr);
  local_file_.Close();
  if (data_socket_.State() != socket::wsClosed) data_socket_.Close();
  if (Note != nullptr) FireDisplay(Note);
  step_result_ = ReplyErrorWord(status_code_);
  ReportCompletion(step_result_);
}

// Finished only when both the final reply and the close of the data
// connection were seen, in either order.
void TCustomFtpCli::TryFinishTransfer() {
  if (stage_ != TransferStage::kReplied || data_link_ != DataLink::kClosed) return;
  ShowTransferSummary();
  resume_at_ = 0;
  int error = data_close_error_;
  if (error != 0 && error_message_.empty()) {
    error_message_ = "426 Data connection closed with error #" + std::to_string(error);
  }
  if (transfer_failure_ != 0) {
    last_response_ = transfer_failure_line_;
    status_code_ = transfer_failure_;
    error = transfer_failure_;
  }
  step_result_ = error;
  ReportCompletion(error);
}

void TCustomFtpCli::ShowTransferSummary() {
  const std::int64_t elapsed = runtime::TickCount() - start_tick_;
  FireDisplay("! " + TransferSummary(byte_count_, start_tick_ == 0 ? 0 : elapsed));
}

bool TCustomFtpCli::FireProgress() {
  bool abort = false;
  if (OnProgress) OnProgress(this, byte_count_ + resume_at_, abort);
  if (!abort) return true;
  FireDisplay("! Abort requested");
  MarkTransferFailure("426 Transfer aborted by application", 426);
  data_socket_.Close();
  return false;
}

}  // namespace varnel::ftp
